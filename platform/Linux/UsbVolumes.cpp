#include "UsbVolumes.h"

#include <libudev.h>
#include <sys/sysmacros.h>

#include <set>
#include <utility>

namespace {

struct UdevDeleter
{
    void operator()(udev* u) const { udev_unref(u); }
};
struct UdevDeviceDeleter
{
    void operator()(udev_device* d) const { udev_device_unref(d); }
};

std::string Text(const char* s)
{
    return s ? std::string(s) : std::string();
}

std::string LastComponent(const std::string& path)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

class CSystemVolumeIdentity : public IVolumeIdentity
{
public:
    CSystemVolumeIdentity() : m_udev(udev_new()) {}

    bool Identify(unsigned int major, unsigned int minor, const std::string& mountPoint, USBVolumeInfo& info,
                  UsbProperties& usb) override
    {
        if (!m_udev || major == 0)
            return false;
        std::unique_ptr<udev_device, UdevDeviceDeleter> dev(
            udev_device_new_from_devnum(m_udev.get(), 'b', makedev(major, minor)));
        if (!dev)
            return false;
        // The parent is owned by dev and freed with it.
        udev_device* usbDevice = udev_device_get_parent_with_subsystem_devtype(dev.get(), "usb", "usb_device");
        if (!usbDevice)
            return false;
        info.deviceIdentifier = Text(udev_device_get_sysname(dev.get()));
        info.parentWholeDisk = info.deviceIdentifier;
        if (Text(udev_device_get_devtype(dev.get())) == "partition") {
            udev_device* disk = udev_device_get_parent_with_subsystem_devtype(dev.get(), "block", "disk");
            if (disk)
                info.parentWholeDisk = Text(udev_device_get_sysname(disk));
        }
        info.volumeName = Text(udev_device_get_property_value(dev.get(), "ID_FS_LABEL"));
        if (info.volumeName.empty())
            info.volumeName = LastComponent(mountPoint);
        for (const char* key : {"idVendor", "idProduct", "manufacturer", "product"}) {
            const char* value = udev_device_get_sysattr_value(usbDevice, key);
            if (value)
                usb[key] = value;
        }
        return true;
    }

private:
    std::unique_ptr<udev, UdevDeleter> m_udev;
};

} // namespace

std::unique_ptr<IVolumeIdentity> CreateSystemVolumeIdentity()
{
    return std::make_unique<CSystemVolumeIdentity>();
}

std::vector<UsbVolume> FindUsbVolumes(const std::vector<MountEntry>& mounts, IVolumeIdentity& identity)
{
    std::vector<UsbVolume> volumes;
    std::set<std::pair<unsigned int, unsigned int>> seen;
    for (const MountEntry& m : mounts) {
        if (m.root != "/" || m.mountPoint.empty())
            continue;
        if (!seen.insert({m.major, m.minor}).second)
            continue;
        UsbVolume v;
        v.mount = m;
        if (!identity.Identify(m.major, m.minor, m.mountPoint, v.info, v.usb))
            continue;
        v.info.mountPoint = m.mountPoint;
        volumes.push_back(std::move(v));
    }
    return volumes;
}
