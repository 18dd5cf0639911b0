// The demuxer under every source: a stop from another thread and the end of
// the data as its header promises it.
#include "CFFDemuxer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Solvane::CFFDemuxer;

namespace {

std::string MakeClip(const std::string& name)
{
    // Made once per run and removed at exit.
    struct Folder
    {
        std::string path;
        Folder()
        {
            char tmpl[] = "/tmp/demuxer-test-XXXXXX";
            path = mkdtemp(tmpl) ? tmpl : "";
        }
        ~Folder()
        {
            if (!path.empty())
                std::system(("rm -rf '" + path + "'").c_str());
        }
    };
    static const Folder dir;
    const std::string path = dir.path + "/" + name;
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=2 "
                                "-c:v mpeg4 -g 10 '" +
                                path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

int ReadAll(CFFDemuxer& demux, CFFDemuxer::ReadResult& last)
{
    FF::PacketPtr packet = FF::MakePacket();
    int count = 0;
    while ((last = demux.Read(packet.get())) == CFFDemuxer::ReadResult::Packet) {
        av_packet_unref(packet.get());
        ++count;
    }
    return count;
}

} // namespace

TEST(CFFDemuxer, ReadsToTheEndAndAgainAfterASeek)
{
    const std::string path = MakeClip("clip.avi");
    ASSERT_FALSE(path.empty());
    CFFDemuxer demux(path);
    CFFDemuxer::ReadResult last;
    EXPECT_EQ(ReadAll(demux, last), 50);
    EXPECT_EQ(last, CFFDemuxer::ReadResult::End);
    EXPECT_FALSE(demux.Failed());
    demux.Seek(0, 0, true, 0);
    EXPECT_EQ(ReadAll(demux, last), 50);
}

TEST(CFFDemuxer, AStopMakesReadsFailNotEnd)
{
    const std::string path = MakeClip("stop.avi");
    ASSERT_FALSE(path.empty());
    CFFDemuxer demux(path);
    FF::PacketPtr packet = FF::MakePacket();
    ASSERT_EQ(demux.Read(packet.get()), CFFDemuxer::ReadResult::Packet);
    av_packet_unref(packet.get());
    demux.Stop();
    EXPECT_EQ(demux.Read(packet.get()), CFFDemuxer::ReadResult::Failed);
    EXPECT_TRUE(demux.Failed());
    try {
        demux.ThrowIfFailed();
        ADD_FAILURE() << "no failure recorded";
    } catch (const CBaseException& e) {
        EXPECT_NE(std::string(e.GetMsg()).find("Stopped"), std::string::npos) << e.GetMsg();
        EXPECT_NE(std::string(e.GetMsg()).find(path), std::string::npos) << e.GetMsg();
    }
}

TEST(CFFDemuxer, OnlyTheStreamsInUseAreRead)
{
    const std::string dir = MakeClip("two.avi");
    ASSERT_FALSE(dir.empty());
    const std::string path = dir.substr(0, dir.rfind('/')) + "/two.mkv";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=1 "
                           "-f lavfi -i sine=duration=1 -c:v mpeg4 -c:a pcm_s16le '" +
                           path + "'")
                              .c_str()),
              0);
    CFFDemuxer demux(path);
    demux.Use({1});
    FF::PacketPtr packet = FF::MakePacket();
    int count = 0;
    while (demux.Read(packet.get()) == CFFDemuxer::ReadResult::Packet) {
        EXPECT_EQ(packet->stream_index, 1);
        av_packet_unref(packet.get());
        ++count;
    }
    EXPECT_GT(count, 0);
    EXPECT_FALSE(demux.Failed());
}
