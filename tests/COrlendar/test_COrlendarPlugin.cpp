// libCOrlendar.so as a media library meets it: loaded at run time, found by
// name, exporting nothing but its factory, its codec table and the error
// service, and keeping its errors in its own records.
#include "FakeProfile.h"
#include "orlendar/IOrlendar.h"
#include "MovieProbe.h"
#include "OrlendarScratch.h"
#include "OrlendarWriteJob.h"

#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

using namespace OrlendarTest;

namespace {

const char kPlugin[] = FABLECUT_BIN_DIR "/libCOrlendar.so";

class COrlendarPlugin : public Scratch
{
protected:
    void SetUp() override
    {
        Scratch::SetUp();
        m_lib = dlopen(kPlugin, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_lib, nullptr) << dlerror();
        m_create = reinterpret_cast<IOrlendar* (*)()>(dlsym(m_lib, "Create_OrlendarImp"));
        m_table = static_cast<const CodecInfo*>(dlsym(m_lib, "CodecInfoArray"));
        ASSERT_TRUE(m_create && m_table);
    }
    void TearDown() override
    {
        if (m_lib)
            dlclose(m_lib);
        Scratch::TearDown();
    }

    void* m_lib = nullptr;
    IOrlendar* (*m_create)() = nullptr;
    const CodecInfo* m_table = nullptr;
};

} // namespace

TEST(COrlendarPluginExports, OnlyTheFactoryAndTheTable)
{
    const std::string out = MovieProbe::Run(std::string("nm -D --defined-only '") + kPlugin + "' | awk '{print $3}'");
    std::set<std::string> names;
    std::istringstream in(out);
    for (std::string name; in >> name;)
        names.insert(name);
    const std::set<std::string> expected = {"CodecInfoArray", "Create_OrlendarImp"};
    EXPECT_EQ(names, expected) << out;
    // The media base library is loaded at run time, not linked; the error
    // service is the process's one.
    const std::string needed = MovieProbe::Run(std::string("readelf -d '") + kPlugin + "' | grep NEEDED");
    EXPECT_EQ(needed.find("Moorlan"), std::string::npos) << needed;
    EXPECT_NE(needed.find("libBasilvo.so"), std::string::npos) << needed;
}

TEST_F(COrlendarPlugin, CodecTableHas75DistinctRows)
{
    std::set<std::string> names, fourCCs;
    size_t rows = 0;
    for (const CodecInfo* row = m_table; row->fourCC; ++row, ++rows) {
        ASSERT_NE(row->name, nullptr);
        EXPECT_EQ(std::strlen(row->fourCC), 4u) << row->name;
        names.insert(row->name);
        fourCCs.insert(row->fourCC);
    }
    EXPECT_EQ(rows, 75u);
    EXPECT_EQ(m_table[75].name, nullptr);
    EXPECT_EQ(names.size(), 75u);
    EXPECT_EQ(fourCCs.size(), 75u);
    EXPECT_STREQ(m_table[0].name, "Animation");
    EXPECT_STREQ(m_table[0].fourCC, "rle ");
    EXPECT_STREQ(m_table[19].fourCC, "avc1");
    EXPECT_STREQ(m_table[38].name, "None");
    EXPECT_STREQ(m_table[38].fourCC, "raw ");
    EXPECT_STREQ(m_table[74].name, "Avid Packed Codec");
    EXPECT_STREQ(m_table[74].fourCC, "AVup");
}

TEST_F(COrlendarPlugin, WritesAMovieAndKeepsItsErrorsToItself)
{
    FakeProfile profile;
    profile.video.SetCodecName("H.264");
    IOrlendar* writer = m_create();
    ASSERT_NE(writer, nullptr);
    writer->SetProfile(&profile);
    ASSERT_TRUE(writer->SetCodecByType());
    writer->SetVideoDimension();
    writer->SetFrameRate();
    writer->SetSampleRate();
    writer->SetAudioChannel();
    writer->SetCodecQuality();
    const std::string path = Path("plugin.mov");
    writer->SetFileName(path.c_str());
    ASSERT_TRUE(writer->BeginWriting()) << GetQuentaException()->GetExceptionMsg();
    Feeding f;
    ASSERT_TRUE(Feed(
        f, [&](Moorland::IRawVideoFrame* v) { return writer->WriteVideo(0, v); },
        [&](Moorland::IRawAudioFrame* a) { return writer->WriteAudio(1, a); }));
    ASSERT_TRUE(writer->EndWriting()) << GetQuentaException()->GetExceptionMsg();
    delete writer; // through the interface
    const auto streams = MovieProbe::Streams(path);
    const MovieProbe::Stream* v = MovieProbe::Find(streams, "video");
    const MovieProbe::Stream* a = MovieProbe::Find(streams, "audio");
    ASSERT_TRUE(v && a);
    EXPECT_EQ(v->at("codec_tag_string"), "avc1");
    EXPECT_EQ(MovieProbe::Num(*v, "nb_frames"), 50);
    EXPECT_EQ(a->at("codec_name"), "pcm_f32le");

    // A failure lands in the calling thread's own record, where the host
    // reads it.
    GetQuentaException()->Clear();
    FakeProfile unknown;
    unknown.video.SetCodecName("h.264");
    IOrlendar* other = m_create();
    other->SetProfile(&unknown);
    EXPECT_FALSE(other->SetCodecByType());
    EXPECT_STREQ(GetQuentaException()->GetExceptionMsg(), "SetCodecByType is error");
    EXPECT_NE(GetQuentaException()->GetExceptionCode(), 0);
    delete other;
}
