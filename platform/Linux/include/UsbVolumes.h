#pragma once

// Mounted volumes that lie on USB disks, and what those disks call themselves.

#include "MountTable.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// One mounted USB volume.
struct USBVolumeInfo
{
    std::string deviceIdentifier; // kernel name of the volume's block device ("sdb1")
    std::string mountPoint;       // never empty in a record handed out
    std::string volumeName;       // the file system's label, else the mount folder's name
    std::string parentWholeDisk;  // kernel name of the whole disk ("sdb")
};

// The USB device's own attributes by their sysfs names: "idVendor",
// "idProduct" (four hexadecimal digits each), "manufacturer", "product".
// A missing attribute is absent from the map.
using UsbProperties = std::map<std::string, std::string>;

struct UsbVolume
{
    MountEntry mount;
    USBVolumeInfo info;
    UsbProperties usb;
};

// Finds the USB disk under a mounted block device.
class IVolumeIdentity
{
public:
    virtual ~IVolumeIdentity() = default;
    // True when the device major:minor lies on a USB disk; fills the volume's
    // names (not its mount point) and the USB device's attributes.
    virtual bool Identify(unsigned int major, unsigned int minor, const std::string& mountPoint, USBVolumeInfo& info,
                          UsbProperties& usb) = 0;
};

// The system's own: the block device's parents in sysfs, read through libudev.
// Works whether or not udevd runs (the label is only known when it does).
std::unique_ptr<IVolumeIdentity> CreateSystemVolumeIdentity();

// The USB volumes of a mount table, in table order. A mount of a subfolder
// (a bind mount) is not the volume; a device mounted twice counts once, at
// its first mount point.
std::vector<UsbVolume> FindUsbVolumes(const std::vector<MountEntry>& mounts, IVolumeIdentity& identity);
