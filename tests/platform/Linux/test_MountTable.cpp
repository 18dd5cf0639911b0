#include "MountTable.h"
#include "UsbVolumes.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Devices 8:* are USB disks; everything else is not.
struct Fixture : IVolumeIdentity
{
    bool Identify(unsigned int major, unsigned int minor, const std::string&, USBVolumeInfo& info,
                  UsbProperties& usb) override
    {
        if (major != 8)
            return false;
        info.deviceIdentifier = "sdb" + std::to_string(minor);
        usb["idVendor"] = "054c";
        return true;
    }
};

} // namespace

TEST(MountTable, FieldsAndEscapes)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"/media/u/MY\\040CAM", "/media/u/MY CAM"},
        {"a\\011b", "a\tb"},
        {"a\\012b", "a\nb"},
        {"back\\134slash", "back\\slash"},
        {"plain", "plain"},
        {"odd\\9", "odd\\9"},
        {"end\\04", "end\\04"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.out, DecodeMountField(c.in)) << c.in;

    const std::string text = "28 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
                             "90 28 8:17 / /media/u/MY\\040CAM rw,nosuid shared:5 - vfat /dev/sdb1 rw,shortname=mixed\n"
                             "91 28 8:17 /PRIVATE /srv/bind rw - vfat /dev/sdb1 rw\n"
                             "92 28 8:17 / /mnt/again rw - vfat /dev/sdb1 rw\n"
                             "93 28 8:33 / /media/u/tab\\011name rw - exfat /dev/sdc1 rw\n"
                             "garbage line\n"
                             "94 28 0:45 / /run/user/1000 rw - tmpfs tmpfs rw\n";
    const std::vector<MountEntry> entries = ParseMountInfo(text);
    ASSERT_EQ(6u, entries.size());
    EXPECT_EQ(8u, entries[1].major);
    EXPECT_EQ(17u, entries[1].minor);
    EXPECT_EQ("/media/u/MY CAM", entries[1].mountPoint);
    EXPECT_EQ("vfat", entries[1].fsType);
    EXPECT_EQ("/dev/sdb1", entries[1].source);
    EXPECT_EQ("/PRIVATE", entries[2].root);

    Fixture identity;
    const std::vector<UsbVolume> volumes = FindUsbVolumes(entries, identity);
    // The bind of a subfolder is not the volume, and the second mount of 8:17 counts once.
    ASSERT_EQ(2u, volumes.size());
    EXPECT_EQ("/media/u/MY CAM", volumes[0].info.mountPoint);
    EXPECT_EQ("sdb17", volumes[0].info.deviceIdentifier);
    EXPECT_EQ("054c", volumes[0].usb.at("idVendor"));
    EXPECT_EQ("/media/u/tab\tname", volumes[1].info.mountPoint);
}

TEST(MountTable, TheSystemsOwnTablesAndSysfs)
{
    // The build machine has no USB disks: the real layer finds none, and does not fail.
    const std::vector<MountEntry> entries = ParseMountInfo(ReadMountTable("/proc/self/mountinfo"));
    ASSERT_FALSE(entries.empty());
    bool rootSeen = false;
    for (const MountEntry& e : entries)
        rootSeen = rootSeen || e.mountPoint == "/";
    EXPECT_TRUE(rootSeen);
    auto identity = CreateSystemVolumeIdentity();
    EXPECT_TRUE(FindUsbVolumes(entries, *identity).empty());
    EXPECT_TRUE(ReadMountTable("/nonexistent/mountinfo").empty());
}
