#include "ProfileTestUtil.h"

#include <chrono>
#include <dirent.h>
#include <sys/stat.h>

#include <cstring>

using namespace ProfileTest;

namespace {

// Fills every value a caller can set, with texts and numbers that a careless
// store would bend (non-ASCII, NTSC rates, negatives, quotes).
void FillAll(IProfile& p)
{
    IProfileDesc* d = p.GetDesc();
    d->SetName("Téléphone \"HD\" <1080p> & more");
    d->SetID(12345);
    d->SetBaseID(123);
    d->SetFormatName("MP4");
    d->SetComment("Für große Bildschirme");
    IFileProfile* f = p.GetFileProfile();
    f->SetFileExt(".mp4");
    f->SetMuxerName("mp4");
    f->SetAVInclude(2);
    f->SetRemux(1);
    f->SetExporter("FFExporter");
    IVideoProfile* v = p.GetVideoProfile();
    v->SetCodecName("h264");
    v->SetFourCC("avc1");
    v->SetAspect("16:9");
    v->SetWidth(-1);
    v->SetHeight(720);
    v->SetFrameRate(30000.0 / 1001);
    v->SetBitrate(4500);
    IAudioProfile* a = p.GetAudioProfile();
    a->SetCodecName("aac");
    a->SetBitrate(128000);
    a->SetSampleRate(48000);
    a->SetChannels(6);
    p.GetParams()->SetInt("remux", 3);
    p.GetParams()->SetDouble("ExportPerFileSize", 734003200.5);
    p.GetParams()->SetString("FrameValueList", "0,25");
    p.GetVCodecItem()->SetValueList("h264,mpeg4");
    p.GetVSizeItem()->SetValueList("0,-1*-1,1280*720");
}

void ExpectAll(IProfile& p)
{
    ASSERT_NE(nullptr, p.GetDesc());
    EXPECT_STREQ("Téléphone \"HD\" <1080p> & more", p.GetDesc()->GetName());
    EXPECT_EQ(12345, p.GetDesc()->GetID());
    EXPECT_EQ(123, p.GetDesc()->GetBaseID());
    EXPECT_STREQ("MP4", p.GetDesc()->GetFormatName());
    EXPECT_STREQ("Für große Bildschirme", p.GetDesc()->GetComment());
    IFileProfile* f = p.GetFormatProfile();
    ASSERT_NE(nullptr, f);
    EXPECT_STREQ(".mp4", f->GetFileExt());
    EXPECT_STREQ("mp4", f->GetMuxerName());
    EXPECT_EQ(2, f->GetAVInclude());
    EXPECT_EQ(1, f->GetRemux());
    EXPECT_STREQ("FFExporter", f->GetExporterName());
    IVideoProfile* v = p.GetVideoProfile();
    ASSERT_NE(nullptr, v);
    EXPECT_STREQ("h264", v->GetCodecName());
    EXPECT_STREQ("avc1", v->GetFourCC());
    EXPECT_STREQ("16:9", v->GetAspect());
    EXPECT_EQ(-1, v->GetWidth());
    EXPECT_EQ(720, v->GetHeight());
    EXPECT_EQ(30000.0 / 1001, v->GetFrameRate()); // exactly, not to six digits
    EXPECT_EQ(4500, v->GetBitrate());
    IAudioProfile* a = p.GetAudioProfile();
    ASSERT_NE(nullptr, a);
    EXPECT_STREQ("aac", a->GetCodecName());
    EXPECT_EQ(128000, a->GetBitrate());
    EXPECT_EQ(48000, a->GetSampleRate());
    EXPECT_EQ(6, a->GetChannels());
    EXPECT_EQ(3, p.GetParams()->GetIntParam("remux"));
    EXPECT_EQ(734003200.5, p.GetParams()->GetDoubleParam("ExportPerFileSize"));
    EXPECT_STREQ("0,25", p.GetParams()->GetString("FrameValueList"));
    EXPECT_STREQ("h264,mpeg4", p.GetVCodecItem()->GetValueList());
    EXPECT_STREQ("0,-1*-1,1280*720", p.GetVSizeItem()->GetValueList());
}

class CProfileTest : public Scratch
{
};

} // namespace

TEST_F(CProfileTest, NewProfileHasEveryPartWithNeutralValues)
{
    ProfilePtr p = New();
    ASSERT_TRUE(p);
    ASSERT_NE(nullptr, p->GetVideoProfile());
    ASSERT_NE(nullptr, p->GetAudioProfile());
    ASSERT_NE(nullptr, p->GetParams());
    ASSERT_NE(nullptr, p->GetFileProfile());
    ASSERT_NE(nullptr, p->GetDesc());
    EXPECT_STREQ("", p->GetVideoProfile()->GetCodecName());
    EXPECT_EQ(nullptr, p->GetVideoProfile()->GetFourCC());
    EXPECT_EQ(nullptr, p->GetVideoProfile()->GetAspect());
    EXPECT_EQ(nullptr, p->GetFileProfile()->GetExporter());
    EXPECT_EQ(0, p->GetParams()->GetInt("remux"));
    EXPECT_EQ(0.0, p->GetParams()->GetDouble("ExportPerFileSize"));
    EXPECT_STREQ("", p->GetParams()->GetString("nothing"));
    EXPECT_FALSE(p->GetParams()->HasParam("remux"));
    // Fixed columns are never null; an unlisted one is empty.
    for (IColItem* c : {p->GetACodecItem(), p->GetAChannelItem(), p->GetABitrateItem(), p->GetASampleRateItem(),
                        p->GetVCodecItem(), p->GetVSizeItem(), p->GetVBitrateItem(), p->GetVFramerateItem()}) {
        ASSERT_NE(nullptr, c);
        EXPECT_STREQ("", c->GetValueList());
        c->Release(); // belongs to the profile: must not free it
    }
    EXPECT_EQ(nullptr, p->GetColItem("FourCC"));
}

TEST_F(CProfileTest, EveryValueSurvivesFileTextAndCloneRoundTrips)
{
    ProfilePtr p = New();
    FillAll(*p);
    ExpectAll(*p);

    ASSERT_TRUE(p->SaveFile(Path("p.xml").c_str()));
    ProfilePtr fromFile = New();
    ASSERT_TRUE(fromFile->Load(Path("p.xml").c_str()));
    ExpectAll(*fromFile);

    std::string text = p->GetText();
    ProfilePtr fromText = New();
    ASSERT_TRUE(fromText->LoadText(text.c_str()));
    ExpectAll(*fromText);
    EXPECT_EQ(text, fromText->GetText());

    ProfilePtr clone(p->Clone());
    ASSERT_TRUE(clone);
    ExpectAll(*clone);
    // The clone is a copy, not a view.
    clone->GetVideoProfile()->SetWidth(320);
    clone->GetParams()->SetInt("remux", 0);
    clone->GetVCodecItem()->SetValueList("mpeg4");
    EXPECT_EQ(-1, p->GetVideoProfile()->GetWidth());
    EXPECT_EQ(3, p->GetParams()->GetInt("remux"));
    EXPECT_STREQ("h264,mpeg4", p->GetVCodecItem()->GetValueList());
}

TEST_F(CProfileTest, ParametersAndColumnsBehaveAsAMap)
{
    ProfilePtr p = New();
    IProfileParams* params = p->GetParams();
    params->SetInt("remux", 1);
    params->SetInt("remux", 3); // replaces, no second entry
    params->SetString("YoutubeUpload", "1");
    EXPECT_EQ(3, params->GetInt("remux"));
    EXPECT_EQ(1, params->GetInt("YoutubeUpload")); // a text read as a number
    params->RemoveParam("remux");
    EXPECT_FALSE(params->HasParam("remux"));
    EXPECT_EQ(0, params->GetInt("remux"));
    std::string text = p->GetText();
    EXPECT_EQ(std::string::npos, text.find("\"remux\""));

    p->GetVCodecItem()->SetValueList("mpeg4,wmv2");
    IColItem* fourcc = p->GetColItem("FourCC");
    EXPECT_EQ(nullptr, fourcc);
    IColItem* named = p->GetColItem("VCodec");
    ASSERT_NE(nullptr, named);
    EXPECT_STREQ("VCodec", named->GetName());
    EXPECT_STREQ("mpeg4,wmv2", named->GetValueList());
    named->Release(); // the caller's: freed (ASan checks the leak otherwise)
}

TEST_F(CProfileTest, BadInputIsRefusedAndLeavesTheProfileAsItWas)
{
    Put("broken.xml", "<Profile><Desc Name=\"x\"");
    Put("other.xml", "<?xml version=\"1.0\"?><ProfileLib/>");
    Put("empty.xml", "");
    struct Case
    {
        const char* what;
        std::string path;
    } cases[] = {
        {"missing file", Path("none.xml")},
        {"truncated XML", Path("broken.xml")},
        {"another document", Path("other.xml")},
        {"empty file", Path("empty.xml")},
        {"a folder", m_dir},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProfilePtr p = New();
        p->GetDesc()->SetName("kept");
        GetQuentaException()->Clear();
        EXPECT_FALSE(p->LoadFile(c.path.c_str()));
        EXPECT_NE(0, Code());
        EXPECT_STREQ("kept", p->GetDesc()->GetName());
    }
    ProfilePtr p = New();
    EXPECT_FALSE(p->LoadText(nullptr));
    EXPECT_EQ(10021003, Code());
    EXPECT_FALSE(p->LoadFile(nullptr));
}

TEST_F(CProfileTest, MissingPartsReadAsNullAndForeignElementsArePassedOn)
{
    ProfilePtr p = New();
    ASSERT_TRUE(p->LoadText("<Profile><Desc ID=\"7\"/><StreamParams><VideoParam Width=\"640\"/></StreamParams>"
                            "</Profile>"));
    EXPECT_EQ(7, p->GetDesc()->GetID());
    EXPECT_EQ(nullptr, p->GetVideoProfile());
    EXPECT_EQ(nullptr, p->GetAudioProfile());
    EXPECT_EQ(nullptr, p->GetParams());
    EXPECT_EQ(nullptr, p->GetFormatProfile());
    EXPECT_STREQ("", p->GetVCodecItem()->GetValueList());

    ProfilePtr clone(p->Clone());
    ASSERT_TRUE(clone->SaveFile(Path("c.xml").c_str()));
    EXPECT_NE(std::string::npos, Get("c.xml").find("<VideoParam Width=\"640\""));
}

TEST_F(CProfileTest, SaveReplacesWholeFilesAndLeavesNoTemporaryBehind)
{
    Put("p.xml", std::string(100000, 'x'));
    ProfilePtr p = New();
    p->GetDesc()->SetID(42);
    ASSERT_TRUE(p->SaveFile(Path("p.xml").c_str()));
    std::string saved = Get("p.xml");
    EXPECT_EQ(0u, saved.find("<?xml"));
    EXPECT_EQ(std::string::npos, saved.find("xxx"));

    EXPECT_FALSE(p->SaveFile(Path("no/such/folder/p.xml").c_str()));
    EXPECT_EQ(10021013, Code());
    EXPECT_FALSE(p->SaveFile(""));

    int entries = 0;
    DIR* dir = opendir(m_dir.c_str());
    while (dirent* e = readdir(dir))
        if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
            ++entries;
    closedir(dir);
    EXPECT_EQ(1, entries);
}

TEST_F(CProfileTest, HostileFilesEndInAnErrorWithinASecond)
{
    auto repeat = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    Put("deep.xml", "<Profile>" + repeat("<a>", 40000) + repeat("</a>", 40000) + "</Profile>");
    Put("hidden.xml", "<Profile><!--" + repeat("</a>", 40000) + "-->" + repeat("<a>", 40000) + "</Profile>");
    std::string attributes = "<Profile><Desc";
    for (int i = 0; i < 40000; ++i)
        attributes += " a" + std::to_string(i) + "=\"1\"";
    Put("attributes.xml", attributes + "/></Profile>");
    const std::string fifo = Path("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct
    {
        const char* what;
        std::string path;
    } cases[] = {
        {"nested 40,000 deep", Path("deep.xml")},
        {"nesting behind a comment", Path("hidden.xml")},
        {"40,000 attributes", Path("attributes.xml")},
        {"FIFO", fifo},
        {"endless device", "/dev/zero"},
        {"folder", m_dir},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProfilePtr p = New();
        p->GetDesc()->SetName("kept");
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(p->LoadFile(c.path.c_str()));
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
        EXPECT_NE(0, Code());
        EXPECT_NE(std::string(GetQuentaException()->GetExceptionMsg()).find(c.path), std::string::npos)
            << GetQuentaException()->GetExceptionMsg();
        EXPECT_STREQ("kept", p->GetDesc()->GetName());
    }
    // The same text handed over directly is bounded too.
    ProfilePtr p = New();
    EXPECT_FALSE(p->LoadText(("<Profile>" + repeat("<a>", 40000)).c_str()));
}
