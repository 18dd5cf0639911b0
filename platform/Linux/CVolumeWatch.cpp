#include "CVolumeWatch.h"

#include <QFileSystemWatcher>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QString>

#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>

namespace {

bool SameDevice(const UsbVolume& a, const UsbVolume& b)
{
    return a.mount.major == b.mount.major && a.mount.minor == b.mount.minor && a.info.mountPoint == b.info.mountPoint;
}

bool Contains(const std::vector<UsbVolume>& list, const UsbVolume& v)
{
    return std::any_of(list.begin(), list.end(), [&v](const UsbVolume& x) { return SameDevice(x, v); });
}

} // namespace

CVolumeWatch::CVolumeWatch(std::string mountTable, IVolumeIdentity* identity, QObject* parent)
    : QObject(parent), m_table(std::move(mountTable)), m_identity(identity)
{}

CVolumeWatch::~CVolumeWatch()
{
    Stop();
}

std::vector<UsbVolume> CVolumeWatch::CurrentUsbVolumes()
{
    if (!m_identity)
        return {};
    std::vector<UsbVolume> volumes = FindUsbVolumes(ParseMountInfo(ReadMountTable(m_table)), *m_identity);
    volumes.erase(std::remove_if(volumes.begin(), volumes.end(),
                                 [this](const UsbVolume& v) {
                                     return m_gone.count({v.mount.major, v.mount.minor}) != 0;
                                 }),
                  volumes.end());
    return volumes;
}

bool CVolumeWatch::Start(IVolumeWatchListener* listener)
{
    Stop();
    if (!listener)
        return false;
    m_listener = listener;
    m_known = CurrentUsbVolumes();
    if (m_table.rfind("/proc/", 0) == 0) {
        m_tableFd = ::open(m_table.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_tableFd >= 0) {
            // The kernel marks the table with POLLPRI when a mount comes or goes.
            m_tableNotifier = new QSocketNotifier(m_tableFd, QSocketNotifier::Exception, this);
            connect(m_tableNotifier, &QSocketNotifier::activated, this, &CVolumeWatch::slot_tableChanged);
        }
    } else {
        m_fileWatcher = new QFileSystemWatcher(this);
        m_fileWatcher->addPath(QString::fromLocal8Bit(m_table.c_str()));
        connect(m_fileWatcher, &QFileSystemWatcher::fileChanged, this, &CVolumeWatch::slot_tableChanged);
    }
    // udev's events reach us only when udevd runs; without it the table alone
    // drives detection.
    if (::access("/run/udev/control", F_OK) == 0) {
        m_udev = udev_new();
        m_monitor = m_udev ? udev_monitor_new_from_netlink(m_udev, "udev") : nullptr;
        if (m_monitor && udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "block", nullptr) >= 0 &&
            udev_monitor_enable_receiving(m_monitor) >= 0) {
            m_udevNotifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
            connect(m_udevNotifier, &QSocketNotifier::activated, this, &CVolumeWatch::slot_udevEvent);
        }
    }
    return true;
}

void CVolumeWatch::Stop()
{
    m_listener = nullptr;
    delete m_tableNotifier;
    m_tableNotifier = nullptr;
    if (m_tableFd >= 0)
        ::close(m_tableFd);
    m_tableFd = -1;
    delete m_fileWatcher;
    m_fileWatcher = nullptr;
    delete m_udevNotifier;
    m_udevNotifier = nullptr;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
    if (m_udev)
        udev_unref(m_udev);
    m_udev = nullptr;
    m_pendingMounted.clear();
    m_pendingRemoved.clear();
}

void CVolumeWatch::slot_tableChanged()
{
    if (m_tableFd >= 0) {
        // Read the table through the watched descriptor so that the kernel
        // counts the change as seen.
        char buffer[4096];
        ::lseek(m_tableFd, 0, SEEK_SET);
        while (::read(m_tableFd, buffer, sizeof buffer) > 0) {
        }
    }
    if (m_fileWatcher && !m_fileWatcher->files().contains(QString::fromLocal8Bit(m_table.c_str())))
        m_fileWatcher->addPath(QString::fromLocal8Bit(m_table.c_str()));
    rescan();
}

void CVolumeWatch::slot_udevEvent()
{
    // Drain every event that is waiting before looking at the table.
    while (m_monitor) {
        udev_device* dev = udev_monitor_receive_device(m_monitor);
        if (!dev)
            break;
        const char* action = udev_device_get_action(dev);
        const dev_t num = udev_device_get_devnum(dev);
        if (action && std::string(action) == "remove" && num != 0)
            m_gone.insert({major(num), minor(num)});
        else if (action && std::string(action) == "add" && num != 0)
            m_gone.erase({major(num), minor(num)});
        udev_device_unref(dev);
    }
    rescan();
}

void CVolumeWatch::rescan()
{
    if (!m_listener)
        return;
    const std::vector<UsbVolume> now = CurrentUsbVolumes();
    // A disk that is gone and no longer in the table needs no more remembering.
    const std::vector<MountEntry> mounts = ParseMountInfo(ReadMountTable(m_table));
    for (auto it = m_gone.begin(); it != m_gone.end();) {
        const bool mounted = std::any_of(mounts.begin(), mounts.end(), [&it](const MountEntry& m) {
            return m.major == it->first && m.minor == it->second;
        });
        it = mounted ? std::next(it) : m_gone.erase(it);
    }
    for (const UsbVolume& v : m_known)
        if (!Contains(now, v))
            m_pendingRemoved.push_back(v);
    for (const UsbVolume& v : now)
        if (!Contains(m_known, v))
            m_pendingMounted.push_back(v);
    m_known = now;
    if (!m_pendingMounted.empty() || !m_pendingRemoved.empty())
        scheduleTell();
}

void CVolumeWatch::scheduleTell()
{
    if (m_tellQueued)
        return;
    m_tellQueued = true;
    QMetaObject::invokeMethod(this, &CVolumeWatch::slot_tell, Qt::QueuedConnection);
}

void CVolumeWatch::slot_tell()
{
    m_tellQueued = false;
    std::vector<UsbVolume> removed;
    std::vector<UsbVolume> mounted;
    removed.swap(m_pendingRemoved);
    mounted.swap(m_pendingMounted);
    // A listener may open a modal window; changes that arrive meanwhile are
    // queued again and told afterwards.
    for (const UsbVolume& v : removed)
        if (m_listener)
            m_listener->OnUsbVolumeRemoved(v);
    for (const UsbVolume& v : mounted)
        if (m_listener)
            m_listener->OnUsbVolumeMounted(v);
}
