// Every shipped profile as a user gets it: the output task's rules and the
// device database fit it to a short generated source, the conversion engine
// runs convworker on it, and ffprobe checks that the file holds what the
// profile promises: codec and tag, profile and level, picture format, key
// frames, size and shape, rate, sound, bitrate, the index before the data
// where asked; the ffmpeg program decodes the result without a complaint.

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "OutputTask/OutputProfileRules.h"
#include "../ProbeOutput.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const std::string kBin = FABLECUT_BIN_DIR;

// The output task's settings object saves at exit: keep it out of the
// user's folders.
const bool kSandboxed = [] {
    static int argc = 1;
    static char name[] = "test_ProfileConversion";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    setenv("HOME", dir.path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (dir.path() + "/data").toLocal8Bit().constData(), 1);
    setenv("XDG_CONFIG_HOME", (dir.path() + "/config").toLocal8Bit().constData(), 1);
    return true;
}();

struct Released
{
    void operator()(IProfile* p) const { p->Release(); }
    void operator()(IMirendo* m) const { m->Release(); }
    void operator()(Moorland::IAVConverter* e) const { e->Release(); }
};
using ProfilePtr = std::unique_ptr<IProfile, Released>;

using MediaTest::Capture;

std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// A generated source and what an output task knows of it.
struct Source
{
    std::string path;
    int width, height;
    double fps;
    int channels;
    int sampleRate;
};

// The name ffprobe gives the codec a profile's codec name stands for.
std::string ProbeName(const std::string& name)
{
    const AVCodec* c = avcodec_find_encoder_by_name(name.c_str());
    if (!c) {
        const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(name.c_str());
        c = d ? avcodec_find_encoder(d->id) : nullptr;
    }
    return c ? avcodec_get_name(c->id) : name;
}

double Fraction(const std::string& text)
{
    int num = 0, den = 1;
    if (std::sscanf(text.c_str(), "%d/%d", &num, &den) == 2 && den != 0)
        return double(num) / den;
    return std::atof(text.c_str());
}

// The FFmpeg options a profile states ("ff:video:profile" ...), as the
// profile's text holds them.
std::map<std::string, std::string> Params(IProfile& p)
{
    std::map<std::string, std::string> out;
    TiXmlDocument doc;
    doc.Parse(p.GetText());
    TiXmlElement* params = doc.RootElement() ? doc.RootElement()->FirstChildElement("Params") : nullptr;
    for (TiXmlElement* e = params ? params->FirstChildElement("Param") : nullptr; e; e = e->NextSiblingElement("Param"))
        out[e->Attribute("Key") ? e->Attribute("Key") : ""] = e->Attribute("Value") ? e->Attribute("Value") : "";
    return out;
}

// ffprobe's names for the H.264 and ProRes profiles a profile asks for.
std::string ProfileName(const std::string& codec, const std::string& asked)
{
    static const std::map<std::string, std::string> h264 = {
        {"baseline", "Constrained Baseline"}, {"main", "Main"}, {"high", "High"}};
    static const std::map<std::string, std::string> prores = {
        {"0", "Proxy"},    {"1", "LT"},    {"2", "Standard"},    {"3", "HQ"},    {"4", "4444"},
        {"apco", "Proxy"}, {"apcs", "LT"}, {"apcn", "Standard"}, {"apch", "HQ"}, {"ap4h", "4444"}};
    const auto& table = codec == "h264" ? h264 : prores;
    auto it = table.find(asked);
    return it == table.end() ? asked : it->second;
}

size_t BoxOffset(const std::string& path, const char* box)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.find(box);
}

int LongestGop(const MediaTest::ProbedFile& file)
{
    int longest = 0, run = 0;
    bool started = false;
    for (const auto& packet : file.PacketsOf(file.videoIndex)) {
        auto flags = packet.find("flags");
        if (flags != packet.end() && flags->second.find('K') != std::string::npos) {
            if (started)
                longest = std::max(longest, run);
            started = true;
            run = 0;
        }
        ++run;
    }
    return std::max(longest, run);
}

// Bits a second of one stream, from its packets: for video
// the mean picture at the nominal rate, for sound the bytes over the time.
double MeasuredRate(const MediaTest::ProbedFile& file, int index, double fps)
{
    double bytes = 0, seconds = 0;
    int packets = 0;
    for (const auto& packet : file.PacketsOf(index)) {
        auto size = packet.find("size");
        if (size != packet.end()) {
            bytes += std::atof(size->second.c_str());
            ++packets;
        }
        auto duration = packet.find("duration_time");
        if (duration != packet.end())
            seconds += std::atof(duration->second.c_str());
    }
    if (packets == 0)
        return 0;
    if (fps > 0)
        return bytes * 8 / packets * fps;
    return seconds > 0 ? bytes * 8 / seconds : 0;
}

struct Job
{
    int id = 0;
    std::string name;
    std::string comment;
    ProfilePtr profile;      // as the output task hands it to the engine
    bool fixedFrame = false; // the shipped profile sets the picture size
    const Source* source = nullptr;
    std::string out;
    int task = -1;
};

class Problems
{
public:
    template <typename A, typename B> void Equal(const char* what, const A& want, const B& got)
    {
        std::ostringstream w, g;
        w << want;
        g << got;
        if (w.str() != g.str())
            m_text += std::string(what) + ": wanted " + w.str() + ", got " + g.str() + "\n";
    }
    void Check(bool ok, const std::string& what)
    {
        if (!ok)
            m_text += what + "\n";
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

// What the file must hold, read from the profile the engine was given and
// from the source where the profile leaves a value open.
std::string CheckOutput(const Job& job)
{
    Problems p;
    IProfile& profile = *job.profile;
    const Source& src = *job.source;
    const std::string& out = job.out;
    std::map<std::string, std::string> params = Params(profile);
    IFileProfile* file = profile.GetFileProfile();
    const bool remux = file->GetRemux() == 1;
    const int include = file->GetAVInclude();
    const std::string muxer = file->GetMuxerName();

    const MediaTest::ProbedFile probed = MediaTest::ProbeFile(
        out,
        "codec_name,codec_tag_string,profile,level,pix_fmt,width,height,display_aspect_ratio,sample_aspect_ratio,"
        "r_frame_rate,bit_rate,sample_rate,channels",
        "packet=stream_index,size,duration_time,flags");
    auto v = probed.video;
    auto a = probed.audio;
    const std::string decode = Capture("ffmpeg -nostdin -v error -xerror -i " + Quote(out) + " -f null - 2>&1");
    p.Equal("decoding complaints", "", decode);

    if (include == 1) {
        p.Check(v.count("codec_name") == 0, "a video stream in an audio profile");
    } else if (remux) {
        p.Equal("copied video", "h264", v["codec_name"]);
        p.Equal("copied width", src.width, v["width"]);
    } else {
        IVideoProfile* video = profile.GetVideoProfile();
        const std::string codec = ProbeName(video->GetCodecName());
        p.Equal("video codec", codec, v["codec_name"]);
        const char* fourcc = video->GetFourCC();
        const bool tagged = muxer == "mov" || muxer == "mp4" || muxer == "avi" || muxer == "ipod" || muxer == "psp";
        if (fourcc && *fourcc && tagged)
            p.Equal("codec tag", fourcc, v["codec_tag_string"]);
        if (params.count("ff:video:profile"))
            p.Equal("codec profile", ProfileName(codec, params["ff:video:profile"]), v["profile"]);
        else if (codec == "prores" && fourcc)
            p.Equal("ProRes flavour", ProfileName(codec, fourcc), v["profile"]);
        if (params.count("ff:video:level") && codec == "h264") {
            const long level = std::lround(std::atof(params["ff:video:level"].c_str()) * 10);
            p.Equal("level", level, v["level"]);
            // What a decoder of that level plays: macroblocks a second and a picture.
            static const std::map<long, std::pair<double, double>> limits = {{30, {40500, 1620}},
                                                                             {31, {108000, 3600}},
                                                                             {40, {245760, 8192}},
                                                                             {41, {245760, 8192}},
                                                                             {42, {522240, 8704}}};
            auto limit = limits.find(level);
            const double mbs =
                double((std::atoi(v["width"].c_str()) + 15) / 16) * ((std::atoi(v["height"].c_str()) + 15) / 16);
            if (limit != limits.end()) {
                p.Check(mbs <= limit->second.second,
                        "a picture of " + std::to_string(mbs) + " macroblocks at level " + std::to_string(level));
                p.Check(mbs * Fraction(v["r_frame_rate"]) <= limit->second.first,
                        std::to_string(mbs * Fraction(v["r_frame_rate"])) + " macroblocks a second at level " +
                            std::to_string(level));
            }
        }
        if (params.count("ff:video:pix_fmt"))
            p.Equal("picture format", params["ff:video:pix_fmt"], v["pix_fmt"]);
        if (params.count("ff:video:g"))
            p.Check(LongestGop(probed) <= std::atoi(params["ff:video:g"].c_str()),
                    "GOP " + std::to_string(LongestGop(probed)) + " longer than g=" + params["ff:video:g"]);
        const double fps = video->GetFrameRate() > 0 ? video->GetFrameRate() : src.fps;
        if (muxer == "dvd")
            p.Check(LongestGop(probed) <= (std::fabs(fps - 25) < 0.5 ? 15 : 18),
                    "GOP of " + std::to_string(LongestGop(probed)) + " pictures on a DVD");
        p.Check(std::fabs(Fraction(v["r_frame_rate"]) - fps) < 0.01,
                "frame rate " + v["r_frame_rate"] + " for " + std::to_string(fps));

        // The frame: the profile's size, or the source's where it is open;
        // a fixed frame keeps the source's shape when the profile says so.
        const int w = video->GetWidth() > 0 ? video->GetWidth() : src.width;
        const int h = video->GetHeight() > 0 ? video->GetHeight() : src.height;
        const int outW = std::atoi(v["width"].c_str()), outH = std::atoi(v["height"].c_str());
        const std::string sarText = std::regex_replace(v["sample_aspect_ratio"], std::regex(":"), "/");
        const double sar = Fraction(sarText) > 0 ? Fraction(sarText) : 1.0; // "N/A" and "0:1": square
        const double shown = outH > 0 ? outW * sar / outH : 0;
        const char* aspect = video->GetAspect();
        const bool keepsShape = params.count("use_org_video_aspect") && params["use_org_video_aspect"] != "0";
        const bool quickTime = std::string(file->GetExporter() ? file->GetExporter() : "") == "QTExporter";
        // The QuickTime writer's fixed frames are its FourCC's own.
        if (job.fixedFrame && !quickTime)
            p.Check((aspect && *aspect) || keepsShape, "a fixed frame that stretches the picture");
        if (aspect && *aspect) {
            p.Check(std::fabs(shown - Fraction(std::regex_replace(aspect, std::regex(":"), "/"))) < 0.03,
                    "shown as " + std::to_string(shown) + ", not " + aspect);
        } else if (keepsShape) {
            p.Check(outW <= w && outH <= h, "frame " + v["width"] + "x" + v["height"] + " beyond the profile's");
            p.Check(std::fabs(shown - double(src.width) / src.height) < 0.03,
                    "shown as " + std::to_string(shown) + ", the source is " +
                        std::to_string(double(src.width) / src.height));
        } else {
            p.Equal("width", w, outW);
            p.Equal("height", h, outH);
        }

        // Rate-controlled encoders stay near the promise; the comment's
        // Mbit/s is what a fixed-rate codec really gives. On the busy test
        // picture H.263 and Motion JPEG, and anything under 300 kbit/s, run
        // out of coarser quantizers before their rate, as with the ffmpeg
        // program: only a larger overshoot would be a fault there.
        const double rate = MeasuredRate(probed, probed.videoIndex, fps);
        const int kbps = video->GetBitrate();
        const double tolerance = codec == "h263" || codec == "mjpeg" || kbps < 300 ? 3.5 : 1.6;
        if (rate > 0 && kbps > 3 && codec != "dnxhd")
            p.Check(rate <= kbps * 1000.0 * tolerance,
                    "video at " + std::to_string(rate) + " bit/s for " + std::to_string(kbps) + " kbit/s");
        if (muxer == "dvd")
            p.Check(rate <= 9800000, "DVD video at " + std::to_string(rate) + " bit/s");
        std::smatch m;
        if (std::regex_search(job.comment, m, std::regex("([0-9]+) Mbit/s")) && codec == "dnxhd")
            p.Check(std::fabs(rate / 1e6 - std::atof(m[1].str().c_str())) < std::atof(m[1].str().c_str()) * 0.05,
                    "video at " + std::to_string(rate / 1e6) + " Mbit/s, the comment says " + m[1].str());
    }

    if (include == 2) {
        p.Check(a.count("codec_name") == 0, "a sound stream in a video profile");
    } else if (remux) {
        p.Equal("copied sound", "aac", a["codec_name"]);
    } else {
        IAudioProfile* audio = profile.GetAudioProfile();
        p.Equal("audio codec", ProbeName(audio->GetCodecName()), a["codec_name"]);
        p.Equal("sample rate", audio->GetSampleRate() > 0 ? audio->GetSampleRate() : src.sampleRate, a["sample_rate"]);
        p.Equal("channels", audio->GetChannels() > 0 ? audio->GetChannels() : src.channels, a["channels"]);
        p.Check(src.channels > 2 || std::atoi(a["channels"].c_str()) <= 2,
                "a " + std::to_string(src.channels) + "-channel source spread over " + a["channels"] + " channels");
        // The sound the comment names is the sound the file holds.
        static const std::pair<const char*, const char*> named[] = {
            {"AC-3", "ac3"},  {"AAC", "aac"},   {"MP3", "mp3"}, {"Vorbis", "vorbis"},
            {"Opus", "opus"}, {"FLAC", "flac"}, {"PCM", "pcm_"}};
        std::string mentioned;
        bool matches = false;
        for (const auto& [word, name] : named) {
            if (job.comment.find(word) != std::string::npos) {
                mentioned += std::string(" ") + word;
                matches = matches || a["codec_name"].rfind(name, 0) == 0;
            }
        }
        p.Check(mentioned.empty() || matches, "the comment names" + mentioned + ", the file holds " + a["codec_name"]);
        const double rate = MeasuredRate(probed, probed.audioIndex, 0);
        const bool pcm = std::strncmp(audio->GetCodecName(), "pcm_", 4) == 0;
        if (rate > 0 && !pcm && audio->GetBitrate() > 0 && ProbeName(audio->GetCodecName()) != "vorbis")
            p.Check(rate > audio->GetBitrate() * 0.6 && rate < audio->GetBitrate() * 1.4,
                    "sound at " + std::to_string(rate) + " bit/s for " + std::to_string(audio->GetBitrate()));
    }

    auto movflags = params.find("ff:format:movflags");
    if (movflags != params.end() && movflags->second.find("faststart") != std::string::npos)
        p.Check(BoxOffset(out, "moov") < BoxOffset(out, "mdat"), "the index comes after the data");
    return p.Text();
}

class ProfileConversion : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        char tmpl[] = "/tmp/profile-conversion-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        s_dir = tmpl;
        GetQuentaLogger()->SetLogFile((s_dir + "/engine.log").c_str(), false);
        const std::string ff = "ffmpeg -nostdin -v error -y ";
        // 4:3 and small; 5.1 sound for the surround profiles; 1080p59.94 for
        // the profiles that pin a level, whose limits it passes; five pictures
        // a second for the Ultra HD profiles that keep the source's rate. The
        // sound is noisy enough for an encoder to use the bits it is given.
        s_small = {s_dir + "/small.mp4", 320, 240, 25.0, 2, 48000};
        s_surround = {s_dir + "/surround.mp4", 320, 240, 25.0, 6, 48000};
        s_hd = {s_dir + "/hd5994.mp4", 1920, 1080, 60000.0 / 1001, 2, 48000};
        s_sparse = {s_dir + "/sparse.mp4", 320, 240, 5.0, 2, 48000};
        auto make = [&](const Source& s, const char* size, const char* rate) {
            const std::string cmd =
                ff + "-f lavfi -i testsrc2=size=" + size + ":rate=" + rate +
                ":duration=1 -f lavfi -i "
                "anoisesrc=color=pink:amplitude=0.5:sample_rate=48000:duration=1 -c:v libx264 -preset ultrafast "
                "-pix_fmt yuv420p -c:a aac -ac " +
                std::to_string(s.channels) + " -b:a 384k " + Quote(s.path);
            return std::system(cmd.c_str());
        };
        ASSERT_EQ(0, make(s_small, "320x240", "25"));
        ASSERT_EQ(0, make(s_surround, "320x240", "25"));
        ASSERT_EQ(0, make(s_hd, "1920x1080", "60000/1001"));
        ASSERT_EQ(0, make(s_sparse, "320x240", "5"));
    }
    static void TearDownTestSuite()
    {
        GetQuentaLogger()->SetLogFile("", false);
        std::system(("rm -rf " + Quote(s_dir)).c_str());
    }
    static std::string EngineLog()
    {
        std::ifstream in(s_dir + "/engine.log");
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    static std::string s_dir;
    static Source s_small, s_surround, s_hd, s_sparse;
};

std::string ProfileConversion::s_dir;
Source ProfileConversion::s_small, ProfileConversion::s_surround, ProfileConversion::s_hd, ProfileConversion::s_sparse;

} // namespace

TEST_F(ProfileConversion, EveryShippedProfileGivesWhatItPromises)
{
    if (access((kBin + "/convworker").c_str(), X_OK) != 0)
        GTEST_SKIP() << "convworker is not built";
    TiXmlDocument lib;
    ASSERT_TRUE(lib.LoadFile((kBin + "/all_profile.xml").c_str())) << lib.ErrorDesc();
    std::unique_ptr<IMirendo, Released> devices(CreateMirendo());
    ASSERT_TRUE(devices);
    std::unique_ptr<Moorland::IAVConverter, Released> engine(CreateAVConverter(nullptr));
    ASSERT_TRUE(engine);
    engine->SetMaxRunProgressCount(4);

    std::vector<Job> jobs;
    for (TiXmlElement* c = lib.RootElement()->FirstChildElement("Category"); c; c = c->NextSiblingElement("Category")) {
        for (TiXmlElement* l = c->FirstChildElement("ProfileLnk"); l; l = l->NextSiblingElement("ProfileLnk")) {
            Job job;
            l->QueryIntAttribute("ID", &job.id);
            job.name = l->Attribute("Name") ? l->Attribute("Name") : "";
            job.comment = l->Attribute("Comment") ? l->Attribute("Comment") : "";
            job.profile.reset(CreateProfile());
            ASSERT_TRUE(job.profile->LoadFile((kBin + "/profile/" + std::to_string(job.id) + ".xml").c_str()))
                << job.name;
            IProfile* p = job.profile.get();
            std::string level = p->GetParams()->GetString("ff:video:level");
            IVideoProfile* v = p->GetVideoProfile();
            job.fixedFrame = v->GetWidth() > 0 && v->GetHeight() > 0;
            job.source = !level.empty() && p->GetFileProfile()->GetAVInclude() != 1 ? &s_hd
                         : v->GetWidth() >= 3840 && v->GetFrameRate() == 0          ? &s_sparse
                         : p->GetAudioProfile()->GetChannels() > 2                  ? &s_surround
                                                                                    : &s_small;
            // The output task's rules, in its order, and its destination.
            const Source& src = *job.source;
            TaskSourceInfo info;
            info.pszVideoCodec = "h264";
            info.pszAudioCodec = "aac";
            info.nWidth = src.width;
            info.nHeight = src.height;
            info.dFrameRate = src.fps;
            info.nVideoBitrate = 1000000;
            info.nAudioBitrate = 128000;
            info.nSampleRate = src.sampleRate;
            info.nChannels = src.channels;
            const bool lossless = p->GetParams()->GetInt("remux") == 3;
            OutputProfileRules::AdjustParams(p);
            OutputProfileRules::AdjustForLossless(p, lossless, 1000000, 128000, QStringList{"0"});
            OutputProfileRules::AdjustForConversion(p, lossless, info, devices.get());
            job.out = s_dir + "/" + std::to_string(job.id) +
                      OutputProfileRules::DestinationExtension(p, ".mp4").toStdString();
            job.task = engine->AddConvertTask(src.path.c_str(), job.out.c_str(), p, false, "");
            ASSERT_GE(job.task, 0) << job.name << ": " << GetQuentaException()->GetExceptionMsg();
            jobs.push_back(std::move(job));
        }
    }
    ASSERT_GE(jobs.size(), 90u);
    ASSERT_TRUE(engine->StartConvert());

    // States 4 (failed) and 5 (finished) end a task. Four readers check the
    // files in the engine's order while later tasks still convert.
    std::vector<Moorland::ConvertTaskInfo2*> records;
    for (const Job& job : jobs)
        records.push_back(engine->GetConvertTaskInfo(job.task));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(8);
    std::vector<std::string> results(jobs.size());
    std::atomic<size_t> next{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (size_t i; (i = next++) < jobs.size();) {
                int state = records[i]->GetState();
                while (state != 4 && state != 5 && std::chrono::steady_clock::now() < deadline) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    state = records[i]->GetState();
                }
                results[i] =
                    state == 5 ? CheckOutput(jobs[i]) : "the conversion ended in state " + std::to_string(state) + "\n";
            }
        });
    }
    for (std::thread& t : readers)
        t.join();
    bool anyFailed = false;
    for (size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ("", results[i]) << jobs[i].id << " " << jobs[i].name << "\n" << jobs[i].profile->GetText();
        anyFailed = anyFailed || !results[i].empty();
    }
    if (anyFailed)
        ADD_FAILURE() << "engine log:\n" << EngineLog();
}
