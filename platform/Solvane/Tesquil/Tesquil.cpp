// Tesquil <movie> <frame rate x 10000> <start frame>
// Adds a timecode track starting at the given frame to a QuickTime or MP4
// movie. The movie's streams are copied unchanged into a new file beside it,
// which then replaces the movie; the movie is never left half rewritten.
// Exit codes: 0 done, 1 bad arguments, 2 the movie can't be read, 3 the new
// movie can't be written.

#include "FFOwners.h"

extern "C" {
#include <libavutil/timecode.h>
}

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int Fail(int code, const std::string& what, int err = 0)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    if (err)
        av_strerror(err, text, sizeof text);
    std::fprintf(stderr, "Tesquil: %s%s%s\n", what.c_str(), err ? ": " : "", text);
    return code;
}

// 299700 -> 30000/1001, 250000 -> 25/1.
AVRational RateOf(long long tenThousandths)
{
    if (tenThousandths % 10000 == 0)
        return AVRational{static_cast<int>(tenThousandths / 10000), 1};
    const double fps = tenThousandths / 10000.0;
    const double ntsc = std::round(fps * 1.001);
    if (std::fabs(ntsc * 1000.0 / 1001.0 - fps) < 0.001)
        return AVRational{static_cast<int>(ntsc) * 1000, 1001};
    return av_d2q(fps, 100000);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return Fail(1, "usage: Tesquil <movie> <frame rate x 10000> <start frame>");
    const std::string path = argv[1];
    char* end = nullptr;
    const long long rateCode = std::strtoll(argv[2], &end, 10);
    if (!end || *end || rateCode <= 0)
        return Fail(1, std::string("bad frame rate ") + argv[2]);
    const long long start = std::strtoll(argv[3], &end, 10);
    if (!end || *end || start < 0 || start > INT32_MAX)
        return Fail(1, std::string("bad start frame ") + argv[3]);

    const AVRational rate = RateOf(rateCode);
    const int fps = static_cast<int>(std::lround(av_q2d(rate)));
    const int flags = (rate.den == 1001 && (fps == 30 || fps == 60)) ? AV_TIMECODE_FLAG_DROPFRAME : 0;
    AVTimecode tc;
    int err = av_timecode_init(&tc, rate, flags, static_cast<int>(start), nullptr);
    if (err < 0)
        return Fail(1, "bad timecode", err);
    char text[AV_TIMECODE_STR_SIZE];
    av_timecode_make_string(&tc, text, 0);

    AVFormatContext* in = nullptr;
    err = avformat_open_input(&in, path.c_str(), nullptr, nullptr);
    if (err < 0)
        return Fail(2, "can't open " + path, err);
    FF::InputFormatPtr input(in);
    err = avformat_find_stream_info(in, nullptr);
    if (err < 0)
        return Fail(2, "can't read " + path, err);

    const std::string temp = path + ".tesquil.tmp";
    AVFormatContext* outCtx = nullptr;
    err = avformat_alloc_output_context2(&outCtx, nullptr, "mov", temp.c_str());
    if (err < 0 || !outCtx)
        return Fail(3, "can't make the muxer", err);
    FF::OutputFormatPtr out(outCtx);
    int video = -1;
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        AVStream* src = in->streams[i];
        // An existing timecode track is replaced by the new one.
        if (src->codecpar->codec_type == AVMEDIA_TYPE_DATA && src->codecpar->codec_tag == MKTAG('t', 'm', 'c', 'd'))
            continue;
        AVStream* dst = avformat_new_stream(outCtx, nullptr);
        if (!dst || avcodec_parameters_copy(dst->codecpar, src->codecpar) < 0)
            return Fail(3, "can't copy the streams");
        dst->codecpar->codec_tag = 0;
        dst->time_base = src->time_base;
        dst->avg_frame_rate = src->avg_frame_rate;
        dst->sample_aspect_ratio = src->sample_aspect_ratio;
        av_dict_copy(&dst->metadata, src->metadata, 0);
        av_dict_set(&dst->metadata, "timecode", nullptr, 0);
        if (video < 0 && src->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            video = dst->index;
            av_dict_set(&dst->metadata, "timecode", text, 0);
        }
    }
    if (video < 0)
        return Fail(2, path + " has no video stream");
    av_dict_copy(&outCtx->metadata, in->metadata, 0);
    av_dict_set(&outCtx->metadata, "timecode", nullptr, 0);

    std::vector<int> map(in->nb_streams, -1);
    for (unsigned i = 0, j = 0; i < in->nb_streams; ++i) {
        AVStream* src = in->streams[i];
        if (!(src->codecpar->codec_type == AVMEDIA_TYPE_DATA && src->codecpar->codec_tag == MKTAG('t', 'm', 'c', 'd')))
            map[i] = static_cast<int>(j++);
    }
    err = avio_open(&outCtx->pb, temp.c_str(), AVIO_FLAG_WRITE);
    if (err < 0)
        return Fail(3, "can't create " + temp, err);
    err = avformat_write_header(outCtx, nullptr);
    FF::PacketPtr packet = FF::MakePacket();
    while (err >= 0) {
        err = av_read_frame(in, packet.get());
        if (err == AVERROR_EOF) {
            err = 0;
            break;
        }
        if (err < 0) {
            ::unlink(temp.c_str());
            return Fail(2, "can't read " + path, err);
        }
        const int index = packet->stream_index;
        if (map[index] < 0) {
            av_packet_unref(packet.get());
            continue;
        }
        packet->stream_index = map[index];
        av_packet_rescale_ts(packet.get(), in->streams[index]->time_base, outCtx->streams[map[index]]->time_base);
        packet->pos = -1;
        err = av_interleaved_write_frame(outCtx, packet.get());
    }
    if (err >= 0)
        err = av_write_trailer(outCtx);
    if (err >= 0) {
        avio_flush(outCtx->pb);
        err = outCtx->pb->error;
    }
    int closeErr = avio_closep(&outCtx->pb);
    if (err >= 0)
        err = closeErr;
    if (err < 0) {
        ::unlink(temp.c_str());
        return Fail(3, "can't write " + temp, err);
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return Fail(3, "can't replace " + path);
    }
    return 0;
}
