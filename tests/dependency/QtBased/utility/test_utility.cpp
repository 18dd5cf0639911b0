#include "utility/utility.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <vector>

TEST(utility, FormatBytesToStr)
{
    const struct
    {
        uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0 B"},
        {999, "999 B"},
        {1000, "1000 B"},
        {1001, "    1.00 KB"},
        {1500000, "    1.50 MB"},
        {2500000000ull, "    2.50 GB"},
        {5000000000000ull, " 5000.00 GB"},
        {18446744073709551615ull, "18446744073.71 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatBytesToStr(c.bytes), c.text) << c.bytes;
}

TEST(utility, RatiosAndRates)
{
    const struct
    {
        double ratio;
        const char* text;
    } ratios[] = {{1.77, "16:9"},   {1.80, "16:9"}, {1.81, "1.81:1"}, {1.31, "4:3"},
                  {1.30, "1.30:1"}, {1.23, "5:4"},  {1.2, "1.20:1"},  {2.35, "2.35:1"}};
    for (const auto& r : ratios)
        EXPECT_EQ(FormatDisplayAspectRatio(r.ratio), r.text) << r.ratio;

    EXPECT_EQ(FormatAudioChannel(2), "2");
    EXPECT_EQ(FormatAudioChannel(6), "5.1");
    EXPECT_EQ(FormatAudioChannel(8), "7.1");

    auto rate = [](uint64_t num, uint64_t den) { return (num << 32) | den; };
    const struct
    {
        uint64_t rate;
        bool valid;
    } rates[] = {{rate(30000, 1001), true}, {rate(121, 1), false}, {rate(120, 1), true},
                 {rate(1, 1), true},        {rate(1, 2), false},   {rate(25, 0), false}};
    for (const auto& r : rates)
        EXPECT_EQ(is_valid_framerate(r.rate), r.valid) << HiDword(r.rate) << "/" << LoDword(r.rate);

    EXPECT_DOUBLE_EQ(CalcDisPlayRatio(65537, 720, 480), 1.5);
    EXPECT_DOUBLE_EQ(CalcDisPlayRatio(0, 720, 480), 1.5);
    EXPECT_NEAR(CalcDisPlayRatio((32u << 16) | 27u, 720, 480), 1.778, 0.001);
}

TEST(utility, ProcessSoundBuf)
{
    const struct
    {
        unsigned volume;
        std::vector<short> in;
        std::vector<short> out;
    } cases[] = {
        {50, {100, -100, 20000}, {50, -50, 10000}},
        {200, {100, 20000, -20000}, {200, 32767, -32768}},
        {100, {123, -7}, {123, -7}},
        {0, {123, -7}, {0, 0}},
        // Far beyond 12800 % the factor saturates rather than turning negative.
        {1000000, {1, -1}, {127, -128}},
    };
    for (const auto& c : cases) {
        std::vector<short> samples = c.in;
        ProcessSoundBuf(samples.data(), static_cast<unsigned>(samples.size() * 2), c.volume);
        EXPECT_EQ(samples, c.out) << c.volume;
    }
    short one = 1000;
    ProcessSoundBuf(&one, 1, 50); // shorter than one sample
    EXPECT_EQ(one, 1000);
    ProcessSoundBuf(nullptr, 4, 50);
}

TEST(utility, RawFrameSaveToFileHonoursStride)
{
    QTemporaryDir dir;
    // 3 x 2 pixels in rows of 16 bytes: the 4 padding bytes of each row must not show.
    const unsigned width = 3, height = 2, stride = 16;
    std::vector<uint32_t> frame(stride / 4 * height, 0xDEADBEEFu);
    const uint32_t pixels[2][3] = {{0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}, {0xFFFFFFFFu, 0xFF000000u, 0xFF808080u}};
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x)
            frame[y * stride / 4 + x] = pixels[y][x];

    const struct
    {
        bool upright;
        const char* name;
    } cases[] = {{true, "upright.png"}, {false, "bottomup.png"}};
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.name);
        ASSERT_TRUE(RawFrameSaveToFile(frame.data(), c.upright, 0, width, height, stride, path.toUtf8().constData(),
                                       SNAPSHOT_FORMAT_PNG));
        QImage image(path);
        ASSERT_EQ(image.size(), QSize(3, 2));
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < width; ++x) {
                const unsigned row = c.upright ? y : height - 1 - y;
                EXPECT_EQ(image.pixel(x, y), pixels[row][x]) << c.name << " " << x << "," << y;
            }
    }

    // A stride shorter than a row would read past the frame: refused.
    try {
        RawFrameSaveToFile(frame.data(), true, 0, width, height, 8, dir.filePath("bad.png").toUtf8().constData(),
                           SNAPSHOT_FORMAT_PNG);
        FAIL() << "short stride accepted";
    } catch (CBaseException& e) {
        EXPECT_EQ(e.GetCode(), QB_ERR_BAD_PARAM);
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("bad.png")));
}

TEST(utility, FileSystemQueries)
{
    QTemporaryDir dir;
    const QByteArray root = dir.path().toUtf8();
    EXPECT_GT(getPathDiskFreeSpace(root.constData()), 0u);
    const struct
    {
        const char* path;
        int code;
    } failures[] = {{nullptr, QB_ERR_BAD_POINTER}, {"", QB_ERR_BAD_PARAM}, {"/no/such/place", QB_ERR_UNEXPECTED}};
    for (const auto& f : failures) {
        EXPECT_EQ(getPathDiskFreeSpace(f.path), 0u);
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), f.code);
    }
    EXPECT_STREQ(getPathDiskFreeSpace("") == 0 ? GetQuentaException()->GetExceptionMsg() : "", "path empty");

    EXPECT_TRUE(is_dir_can_write(root.constData()));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), 0);
    EXPECT_FALSE(is_dir_can_write((root + "/missing").constData()));
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "is_dir_can_write: Can't stat the directory");
    EXPECT_FALSE(is_dir_can_write(nullptr));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
    if (geteuid() != 0) {
        EXPECT_FALSE(is_dir_can_write("/proc/1"));
        EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "is_dir_can_write: Can't Write");
    }

    const std::string base = dir.path().toStdString();
    EXPECT_EQ(makePath((base + "/a.txt").c_str()), base + "/a.txt");
    QFile(dir.filePath("a.txt")).open(QIODevice::WriteOnly);
    EXPECT_EQ(makePath((base + "/a.txt").c_str()), base + "/a_0.txt");
    QFile(dir.filePath("a_0.txt")).open(QIODevice::WriteOnly);
    EXPECT_EQ(makePath((base + "/a.txt").c_str()), base + "/a_1.txt");
    QFile(dir.filePath("noext")).open(QIODevice::WriteOnly);
    EXPECT_EQ(makePath((base + "/noext").c_str()), base + "/noext_0");
}

TEST(utility, MakeRenderHTML)
{
    std::string face = "Sans";
    std::string text = "Hello";
    EXPECT_EQ(makeRenderHTML(3, 255, 0, 16, 1, face, true, false, true, true, text),
              "<font size=\"3\" color=\"#FF001001\" face=\"Sans\" fontstyle=\"italic underline strikeline\">"
              "Hello</font>");
    std::string longText(5000, 'x');
    const std::string html = makeRenderHTML(1, 0, 0, 0, 0, face, false, true, false, false, longText);
    EXPECT_NE(html.find("fontstyle=\"bold \">" + longText + "</font>"), std::string::npos);
}
