#include "QTCompressors.h"

#include <cstring>

namespace QTKit {

namespace {

using F = CompressorFamily;

constexpr AVRational kOwnRate{0, 1};
constexpr AVRational k24{24000, 1001};
constexpr AVRational k25{25, 1};
constexpr AVRational k30{30000, 1001};
constexpr AVRational k50{50, 1};
constexpr AVRational k60{60000, 1001};

constexpr int64_t kMbit = 1000000;

#define ROW_OWN(tag, enc, fam, fmt, prof)                                                                              \
    {                                                                                                                  \
        tag, enc, fam, fmt, 0, 0, kOwnRate, false, 0, prof                                                             \
    }
#define ROW_FIXED(tag, enc, fam, fmt, w, h, r, il, br)                                                                 \
    {                                                                                                                  \
        tag, enc, fam, fmt, w, h, r, il, br, nullptr                                                                   \
    }
#define ROW_NONE(tag)                                                                                                  \
    {                                                                                                                  \
        tag, nullptr, F::Plain, AV_PIX_FMT_NONE, 0, 0, kOwnRate, false, 0, nullptr                                     \
    }

// HDV and XDCAM: 4:2:0 at 25 Mbit/s (HDV 1080), 19.7 (HDV 720), 35 (XDCAM
// EX and HD); XDCAM HD422 4:2:2 at 50. MPEG IMX: intra-only 4:2:2.
#define HDV1080(tag, r, il) ROW_FIXED(tag, "mpeg2video", F::LongGOP, AV_PIX_FMT_YUV420P, 1440, 1080, r, il, 25 * kMbit)
#define HDV720(tag, r) ROW_FIXED(tag, "mpeg2video", F::LongGOP, AV_PIX_FMT_YUV420P, 1280, 720, r, false, 19700000)
#define XDEX1080(tag, r, il) ROW_FIXED(tag, "mpeg2video", F::LongGOP, AV_PIX_FMT_YUV420P, 1920, 1080, r, il, 35 * kMbit)
#define XDEX720(tag, r) ROW_FIXED(tag, "mpeg2video", F::LongGOP, AV_PIX_FMT_YUV420P, 1280, 720, r, false, 35 * kMbit)
#define XDHD1080(tag, r, il) ROW_FIXED(tag, "mpeg2video", F::LongGOP, AV_PIX_FMT_YUV420P, 1440, 1080, r, il, 35 * kMbit)
#define XD422_1080(tag, r, il)                                                                                         \
    ROW_FIXED(tag, "mpeg2video", F::LongGOP, AV_PIX_FMT_YUV422P, 1920, 1080, r, il, 50 * kMbit)
#define XD422_720(tag, r) ROW_FIXED(tag, "mpeg2video", F::LongGOP, AV_PIX_FMT_YUV422P, 1280, 720, r, false, 50 * kMbit)
#define IMX(tag, h, r, mbit) ROW_FIXED(tag, "mpeg2video", F::IMX, AV_PIX_FMT_YUV422P, 720, h, r, true, mbit* kMbit)
#define DV(tag, fmt, w, h, r, il) ROW_FIXED(tag, "dvvideo", F::DV, fmt, w, h, r, il, 0)

// Every FourCC of the plug-in's codec table, in its order.
const CompressorRow kRows[] = {
    ROW_OWN("rle ", "qtrle", F::Plain, AV_PIX_FMT_RGB24, nullptr),
    ROW_NONE("icod"),
    ROW_NONE("pxlt"),
    ROW_OWN("apcn", "prores_ks", F::ProRes, AV_PIX_FMT_YUV422P10LE, "standard"),
    ROW_OWN("apch", "prores_ks", F::ProRes, AV_PIX_FMT_YUV422P10LE, "hq"),
    ROW_OWN("apcs", "prores_ks", F::ProRes, AV_PIX_FMT_YUV422P10LE, "lt"),
    ROW_OWN("apco", "prores_ks", F::ProRes, AV_PIX_FMT_YUV422P10LE, "proxy"),
    ROW_OWN("ap4h", "prores_ks", F::ProRes, AV_PIX_FMT_YUV444P10LE, "4444"),
    DV("dvcp", AV_PIX_FMT_YUV420P, 720, 576, k25, true),
    DV("dvc ", AV_PIX_FMT_YUV411P, 720, 480, k30, true),
    DV("dvpp", AV_PIX_FMT_YUV411P, 720, 576, k25, true),
    DV("dvh5", AV_PIX_FMT_YUV422P, 1440, 1080, k25, true),
    DV("dvh6", AV_PIX_FMT_YUV422P, 1280, 1080, k30, true),
    DV("dvh2", AV_PIX_FMT_YUV422P, 1440, 1080, k25, false),
    DV("dvh3", AV_PIX_FMT_YUV422P, 1280, 1080, k30, false),
    DV("dvhq", AV_PIX_FMT_YUV422P, 960, 720, k50, false),
    DV("dvhp", AV_PIX_FMT_YUV422P, 960, 720, k60, false),
    DV("dv5n", AV_PIX_FMT_YUV422P, 720, 480, k30, true),
    DV("dv5p", AV_PIX_FMT_YUV422P, 720, 576, k25, true),
    ROW_OWN("avc1", "libx264", F::X264, AV_PIX_FMT_YUV420P, nullptr),
    HDV1080("hdv3", k25, true),
    HDV1080("hdv2", k30, true),
    HDV1080("hdv6", k24, false),
    HDV1080("hdv7", k25, false),
    HDV1080("hdv8", k30, false),
    HDV720("hdv4", k24),
    HDV720("hdv5", k25),
    HDV720("hdv1", k30),
    HDV720("hdva", k50),
    HDV720("hdv9", k60),
    ROW_OWN("mjp2", "jpeg2000", F::QScale, AV_PIX_FMT_RGB24, nullptr),
    IMX("mx3n", 512, k30, 30),
    IMX("mx4n", 512, k30, 40),
    IMX("mx5n", 512, k30, 50),
    IMX("mx3p", 608, k25, 30),
    IMX("mx4p", 608, k25, 40),
    IMX("mx5p", 608, k25, 50),
    ROW_OWN("mp4v", "mpeg4", F::QScale, AV_PIX_FMT_YUV420P, nullptr),
    ROW_OWN("raw ", "rawvideo", F::Plain, AV_PIX_FMT_RGB24, nullptr),
    ROW_OWN("jpeg", "mjpeg", F::QScale, AV_PIX_FMT_YUVJ420P, nullptr),
    ROW_OWN("png ", "png", F::Plain, AV_PIX_FMT_RGB24, nullptr),
    ROW_OWN("v210", "v210", F::Plain, AV_PIX_FMT_YUV422P10LE, nullptr),
    ROW_OWN("2vuy", "rawvideo", F::Plain, AV_PIX_FMT_UYVY422, nullptr),
    XDEX1080("xdvc", k25, true),
    XDEX1080("xdvb", k30, true),
    XDEX1080("xdvd", k24, false),
    XDEX1080("xdve", k25, false),
    XDEX1080("xdvf", k30, false),
    XDEX720("xdv4", k24),
    XDEX720("xdv5", k25),
    XDEX720("xdv1", k30),
    XDEX720("xdva", k50),
    XDEX720("xdv9", k60),
    XDHD1080("xdv3", k25, true),
    XDHD1080("xdv2", k30, true),
    XDHD1080("xdv6", k24, false),
    XDHD1080("xdv7", k25, false),
    XDHD1080("xdv8", k30, false),
    XD422_1080("xd5c", k25, true),
    XD422_1080("xd5b", k30, true),
    XD422_1080("xd5d", k24, false),
    XD422_1080("xd5e", k25, false),
    XD422_1080("xd5f", k30, false),
    XD422_720("xd54", k24),
    XD422_720("xd55", k25),
    XD422_720("xd51", k30),
    XD422_720("xd5a", k50),
    XD422_720("xd59", k60),
    ROW_OWN("AV1x", "rawvideo", F::Plain, AV_PIX_FMT_UYVY422, nullptr),
    ROW_OWN("AVdn", "dnxhd", F::DNxHR, AV_PIX_FMT_YUV422P, nullptr),
    {"AVdv", "dvvideo", F::DVAuto, AV_PIX_FMT_NONE, 0, 0, kOwnRate, true, 0, nullptr},
    {"AVd1", "dvvideo", F::DV100Auto, AV_PIX_FMT_YUV422P, 0, 0, kOwnRate, false, 0, nullptr},
    ROW_OWN("AVDJ", "mjpeg", F::QScale, AV_PIX_FMT_YUVJ422P, nullptr),
    {"AVUI", "avui", F::AVUIAuto, AV_PIX_FMT_UYVY422, 0, 0, kOwnRate, true, 0, nullptr},
    ROW_OWN("AVup", "rawvideo", F::Plain, AV_PIX_FMT_UYVY422, nullptr),
};

bool IsPalRate(AVRational rate)
{
    // 25 and 50 pictures a second are the 625-line world; everything else is
    // taken as the 525-line one.
    return rate.num > 0 &&
           (av_cmp_q(rate, k25) == 0 || av_cmp_q(rate, k50) == 0 || av_cmp_q(rate, AVRational{25, 2}) == 0);
}

} // namespace

const CompressorRow* FindCompressorRow(const char* fourCC)
{
    if (!fourCC)
        return nullptr;
    for (const CompressorRow& compressor : kRows)
        if (std::strncmp(compressor.fourCC, fourCC, 5) == 0)
            return &compressor;
    return nullptr;
}

CompressorRow ResolveCompressorRow(const CompressorRow& compressor, unsigned height, AVRational rate)
{
    CompressorRow out = compressor;
    const bool pal = IsPalRate(rate);
    switch (compressor.family) {
    case F::DVAuto:
        out.family = F::DV;
        out.width = 720;
        out.height = pal ? 576 : 480;
        out.pixFmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
        out.rate = pal ? k25 : k30;
        break;
    case F::DV100Auto:
        out.family = F::DV;
        if (height != 0 && height <= 720) {
            out.width = 960;
            out.height = 720;
            out.rate = pal ? k50 : k60;
        } else {
            out.width = pal ? 1440 : 1280;
            out.height = 1080;
            out.rate = pal ? k25 : k30;
            out.interlaced = true;
        }
        break;
    case F::AVUIAuto:
        out.family = F::Plain;
        out.width = 720;
        out.height = pal ? 576 : 486;
        out.rate = pal ? k25 : k30;
        break;
    default: break;
    }
    return out;
}

} // namespace QTKit
