#pragma once

// What the tests of libCorvexa.so with the real convworker share: a short
// source, an MP4 profile, the engine's worker among this process's children,
// the temporary folder the engine and its workers see, and what ffprobe
// says of an output.

#include "CorvexaTestUtil.h"
#include "../../ProbeOutput.h"

#include "Basilvo/QuentaLogger.h"
#include "IAVConverter.h"
#include "IProfile.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace CorvexaTest {

inline const std::string kWorker = std::string(FABLECUT_BIN_DIR) + "/convworker";

struct EngineReleaser
{
    void operator()(Moorland::IAVConverter* p) const { p->Release(); }
};
struct ProfileReleaser
{
    void operator()(IProfile* p) const { p->Release(); }
};
using EnginePtr = std::unique_ptr<Moorland::IAVConverter, EngineReleaser>;
using ProfilePtr = std::unique_ptr<IProfile, ProfileReleaser>;

using MediaTest::Capture;

// "codec,seconds" of an output's video stream and container, as ffprobe reads them.
inline std::string VideoAndLength(const std::string& sPath)
{
    const std::string s =
        Capture("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name:format=duration "
                "-of csv=p=0 '" +
                sPath + "' 2>&1");
    std::istringstream lines(s);
    std::string sCodec, sDuration;
    std::getline(lines, sCodec);
    std::getline(lines, sDuration);
    return sCodec + "," + std::to_string(static_cast<int>(std::atof(sDuration.c_str()) + 0.5));
}

// A clip of the given seconds, 320x240 at 25 pictures a second with sound.
inline bool MakeSource(const std::string& sPath, int nSeconds)
{
    const std::string d = std::to_string(nSeconds);
    return std::system(("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=" + d +
                        " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + d +
                        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -b:a 64k '" + sPath + "'")
                           .c_str()) == 0;
}

// MP4 with the given video encoder and AAC sound.
inline IProfile* MakeProfile(const char* sVideoCodec)
{
    IProfile* p = CreateProfile();
    if (!p)
        return nullptr;
    p->GetDesc()->SetFormatName("MP4");
    p->GetFileProfile()->SetFileExt(".mp4");
    p->GetFileProfile()->SetMuxerName("mp4");
    p->GetFileProfile()->SetAVInclude(0);
    p->GetFileProfile()->SetExporter("FFExporter");
    p->GetVideoProfile()->SetCodecName(sVideoCodec);
    p->GetVideoProfile()->SetWidth(0);
    p->GetVideoProfile()->SetHeight(0);
    p->GetVideoProfile()->SetBitrate(600);
    p->GetAudioProfile()->SetCodecName("aac");
    p->GetAudioProfile()->SetBitrate(64000);
    return p;
}

// The convworker children of this process.
inline std::vector<int> WorkerPids()
{
    std::vector<int> pids;
    std::istringstream children(Capture("cat /proc/" + std::to_string(getpid()) + "/task/*/children"));
    for (int nChild; children >> nChild;) {
        std::ifstream comm("/proc/" + std::to_string(nChild) + "/comm");
        std::string sName;
        if (std::getline(comm, sName) && sName == "convworker")
            pids.push_back(nChild);
    }
    return pids;
}

// Every path below sDir, folders with a trailing '/', sorted.
inline std::vector<std::string> Tree(const std::string& sDir, const std::string& sUnder = std::string())
{
    std::vector<std::string> paths;
    DIR* pDir = opendir((sDir + "/" + sUnder).c_str());
    if (!pDir)
        return paths;
    while (const dirent* pEntry = readdir(pDir)) {
        const std::string sName = pEntry->d_name;
        if (sName == "." || sName == "..")
            continue;
        const std::string sPath = sUnder.empty() ? sName : sUnder + "/" + sName;
        struct stat st;
        if (lstat((sDir + "/" + sPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            paths.push_back(sPath + "/");
            for (const std::string& s : Tree(sDir, sPath))
                paths.push_back(s);
        } else {
            paths.push_back(sPath);
        }
    }
    closedir(pDir);
    std::sort(paths.begin(), paths.end());
    return paths;
}

inline std::string Joined(const std::vector<std::string>& names)
{
    std::string s;
    for (const std::string& n : names)
        s += n + " ";
    return s;
}

// The temporary folder this process, its engines and their workers use
// while the object lives.
class ScopedTmpDir
{
public:
    explicit ScopedTmpDir(const std::string& sDir)
    {
        const char* sOld = std::getenv("TMPDIR");
        m_bHad = sOld != nullptr;
        m_sOld = sOld ? sOld : "";
        setenv("TMPDIR", sDir.c_str(), 1);
    }
    ~ScopedTmpDir() { m_bHad ? setenv("TMPDIR", m_sOld.c_str(), 1) : unsetenv("TMPDIR"); }
    ScopedTmpDir(const ScopedTmpDir&) = delete;
    ScopedTmpDir& operator=(const ScopedTmpDir&) = delete;

private:
    bool m_bHad = false;
    std::string m_sOld;
};

// A suite over the real worker in a temporary folder of its own: the
// engine logs there while the suite runs, the folder goes with the suite,
// and a test skips where convworker is not built.
class RealWorkerSuite : public ::testing::Test
{
protected:
    static void EndSuite(const std::string& sDir)
    {
        GetQuentaLogger()->SetLogFile("", false);
        std::system(("rm -rf '" + sDir + "'").c_str());
    }
    void SetUp() override
    {
        if (access(kWorker.c_str(), X_OK) != 0)
            GTEST_SKIP() << "convworker is not built";
    }
};

} // namespace CorvexaTest
