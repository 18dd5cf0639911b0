#include "CamcorderDectet/usbnames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string WriteTemp(const std::string& text)
{
    char name[] = "/tmp/fablecut-usbids-XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(static_cast<ssize_t>(text.size()), write(fd, text.data(), text.size()));
    close(fd);
    return name;
}

} // namespace

TEST(UsbNames, BucketFollowsTheBitSteps)
{
    // Worked by hand: from bit 31 down to bit 4, a set bit i flips bit i-3.
    const struct
    {
        uint32_t key;
        unsigned int bucket;
    } cases[] = {
        {0x0, 0}, {0xF, 0xF}, {0x10, 2}, {0x1F, 0xD}, {0x80000000u, 2}, {0x054c, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bucket, names_bucket(c.key)) << std::hex << c.key;
}

TEST(UsbNames, DatabaseLinesAndLookups)
{
    const std::string longName(600, 'x');
    const std::string text = "# comment\r\n"
                             "\t1111  Product before any vendor\r\n"
                             "1234  First Maker\r\n"
                             "\t0001  Camera One\r\n"
                             "\t\t01  interface line is skipped\r\n"
                             "abcd\r\n" // a bare number: no vendor, products stay with 1234
                             "\t0002  Camera Two\r\n"
                             "1234  Second Name For The Same Id\r\n"
                             "\t0003  Added Under The First Name\r\n"
                             "\t0001  Duplicate Product\r\n"
                             "5678  " +
                             longName +
                             "\r\n"       // read in pieces; the rest is no line of its own
                             "9abc  \r\n" // no name: ignored
                             "C 00  (Defined at Interface level)\r\n"
                             "4321  Beyond The Stop\r\n";
    const std::string path = WriteTemp(text);
    ASSERT_EQ(0, names_init(path.c_str()));
    unlink(path.c_str());

    struct Lookup
    {
        uint16_t vendor;
        int product;
        const char* name;
    };
    const Lookup lookups[] = {
        {0x1234, -1, "First Maker"},    {0x1234, 0x0001, "Camera One"},
        {0x1234, 0x0002, "Camera Two"}, {0x1234, 0x0003, "Added Under The First Name"},
        {0x1234, 0x0009, nullptr},      {0x1111, -1, nullptr}, // only a product line carried it
        {0xabcd, -1, nullptr},          {0x9abc, -1, nullptr},
        {0x4321, -1, nullptr}, // after the first "C " line
        {0x0000, 0x1111, nullptr},
    };
    for (const Lookup& l : lookups) {
        const char* got = l.product < 0 ? names_vendor(l.vendor) : names_product(l.vendor, uint16_t(l.product));
        if (!l.name)
            EXPECT_EQ(nullptr, got) << std::hex << l.vendor << " " << l.product;
        else
            EXPECT_STREQ(l.name, got) << std::hex << l.vendor << " " << l.product;
    }
    const char* cut = names_vendor(0x5678);
    ASSERT_NE(nullptr, cut);
    EXPECT_EQ(511u - 6u, std::string(cut).size());
}

TEST(UsbNames, MissingFileAndTheShippedDatabase)
{
    EXPECT_NE(0, names_init("/nonexistent/usb.ids"));
    ASSERT_EQ(0, names_init(FABLECUT_BIN_DIR "/usb.ids"));
    ASSERT_NE(nullptr, names_vendor(0x054c));
    EXPECT_NE(std::string::npos, std::string(names_vendor(0x054c)).find("Sony"));
    EXPECT_NE(nullptr, names_vendor(0x1d6b)); // Linux Foundation
}
