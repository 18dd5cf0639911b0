// A program whose folder holds no media base library: the writer can't make
// its converters and says so, rather than start a movie it can't fill.
#include "COrlendar.h"

#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

TEST(COrlendarNoMoorlan, BeginWritingFailsWithTheLibraryPath)
{
    char dir[] = "/tmp/orlendarnomXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string path = std::string(dir) + "/x.mov";
    COrlendar w;
    w.SetFrameRate(25);
    w.SetVideoDimension(160, 120);
    w.SetChannel(2);
    w.SetSampleRate(48000);
    ASSERT_TRUE(w.SetCodecByName("jpeg"));
    w.SetFileName(path.c_str());
    w.SetAVInclude(true, true);
    EXPECT_FALSE(w.BeginWriting());
    const std::string msg = GetQuentaException()->GetExceptionMsg();
    EXPECT_NE(msg.find("libMoorlan.so"), std::string::npos) << msg;
    EXPECT_NE(msg.find("nomoorlan/"), std::string::npos) << msg;
    EXPECT_NE(access(path.c_str(), F_OK), 0); // no file was started
    std::system((std::string("rm -rf '") + dir + "'").c_str());
}
