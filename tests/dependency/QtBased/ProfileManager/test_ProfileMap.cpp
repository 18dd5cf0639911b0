#include "ProfileManager/ProfileMap.h"

#include <gtest/gtest.h>

TEST(ProfileMap, NamesMatchRegardlessOfCaseAndUnknownNamesGiveMinusOne)
{
    ProfileMap& m = ProfileMap::instance;
    struct Case
    {
        const char* name;
        int channel, bitrate, framerate;
    } cases[] = {
        {"STEREO", 2, -1, -1},  {"5.1 channels", 6, -1, -1}, {"Medium Quality", -1, 2, -1},
        {"original", -1, 0, 0}, {"auto", -1, -1, -1},        {"high quality", -1, 1, -1},
        {"", -1, -1, -1},       {"4", -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString name = c.name;
        EXPECT_EQ(c.channel, m.mapValueOfAChannel(name));
        EXPECT_EQ(c.bitrate, m.mapValueOfVBitrate(name));
        EXPECT_EQ(c.framerate, m.mapValueOfVFramerate(name));
        EXPECT_EQ(QString(c.name), name); // not changed although taken by reference
    }
    EXPECT_EQ("5.1 Channels", m.mapNameOfAChannel(6));
    EXPECT_EQ("", m.mapNameOfAChannel(3));
    EXPECT_EQ(m.strOriginal, m.mapVBitrate.value(0));
    EXPECT_EQ(m.strAuto, m.mapVFramerate.value(-1));
}

TEST(ProfileMap, ListsAreRenamedInPlaceWhereTheTableHasTheValue)
{
    QStringList bitrates = {"-1", "0", "3", "2000", "abc"};
    ProfileMap::instance.mapNamesOfVBitrate(bitrates);
    EXPECT_EQ((QStringList{"auto", "original", "low quality", "2000", "original"}), bitrates);

    QStringList channels = {"1", "2", "4", "6", "8", "abc"};
    ProfileMap::instance.mapNamesOfAChannel(channels);
    EXPECT_EQ((QStringList{"Mono", "Stereo", "4", "5.1 Channels", "7.1 Channels", "abc"}), channels);

    QStringList empty;
    ProfileMap::instance.mapNamesOfAChannel(empty);
    EXPECT_TRUE(empty.isEmpty());
}
