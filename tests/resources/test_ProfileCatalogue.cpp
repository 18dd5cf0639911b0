// The shipped profile catalogue as the programs find it beside themselves:
// every link has a profile that loads, every codec and muxer it names exists
// in the installed FFmpeg, and every profile really encodes with the ffmpeg
// program.

#include "Basilvo/Basilvo.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "profileConfig.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <QTemporaryDir>

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kBin = FABLECUT_BIN_DIR;

struct ProfileRelease
{
    void operator()(IProfile* p) const { p->Release(); }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileRelease>;

struct Link
{
    int id;
    int categoryId;
    int categoryType;
    std::string name;
};

bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        out.push_back(item);
    return out;
}

// The encoder a profile's codec name stands for: an encoder of that name, else
// the default encoder of the codec of that name.
const AVCodec* Encoder(const std::string& name)
{
    if (const AVCodec* c = avcodec_find_encoder_by_name(name.c_str()))
        return c;
    const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(name.c_str());
    return d ? avcodec_find_encoder(d->id) : nullptr;
}

class ProfileCatalogue : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_links.clear();
        s_categories.clear();
        TiXmlDocument doc;
        ASSERT_TRUE(doc.LoadFile((kBin + "/all_profile.xml").c_str())) << doc.ErrorDesc();
        TiXmlElement* root = doc.RootElement();
        ASSERT_STREQ("ProfileLib", root->Value());
        root->QueryIntAttribute("DefaultID", &s_defaultId);
        for (TiXmlElement* c = root->FirstChildElement("Category"); c; c = c->NextSiblingElement("Category")) {
            int cid = 0, type = 0;
            c->QueryIntAttribute("ID", &cid);
            c->QueryIntAttribute("Type", &type);
            s_categories[cid] = type;
            for (TiXmlElement* l = c->FirstChildElement("ProfileLnk"); l; l = l->NextSiblingElement("ProfileLnk")) {
                Link link{0, cid, type, l->Attribute("Name") ? l->Attribute("Name") : ""};
                l->QueryIntAttribute("ID", &link.id);
                s_links.push_back(link);
            }
        }
    }

    static ProfilePtr Load(int id)
    {
        ProfilePtr p(CreateProfile());
        std::string path = kBin + "/profile/" + std::to_string(id) + ".xml";
        if (!p || !p->LoadFile(path.c_str()))
            return nullptr;
        return p;
    }

    static std::vector<Link> s_links;
    static std::map<int, int> s_categories;
    static int s_defaultId;
};

std::vector<Link> ProfileCatalogue::s_links;
std::map<int, int> ProfileCatalogue::s_categories;
int ProfileCatalogue::s_defaultId = 0;

} // namespace

TEST_F(ProfileCatalogue, EveryLinkHasItsProfileAndIcons)
{
    ASSERT_GE(s_links.size(), 50u);
    std::set<int> ids;
    std::set<int> typesSeen;
    for (const auto& [cid, type] : s_categories) {
        EXPECT_TRUE(ids.insert(cid).second) << "category " << cid;
        EXPECT_GE(type, 2);
        EXPECT_LE(type, 6);
        typesSeen.insert(type);
        EXPECT_TRUE(Exists(kBin + "/ICON/" + std::to_string(cid) + ".png")) << "category " << cid;
    }
    EXPECT_EQ((std::set<int>{2, 3, 4, 5, 6}), typesSeen); // every page has categories
    for (const char* name : {"star", "10000", "20000"}) // the star mark, Custom and Recent
        EXPECT_TRUE(Exists(kBin + "/ICON/" + name + ".png")) << name;
    for (const Link& link : s_links) {
        SCOPED_TRACE(link.name);
        EXPECT_TRUE(ids.insert(link.id).second) << "ID " << link.id << " twice";
        EXPECT_GT(link.id, 0);
        EXPECT_LT(link.id, 10000); // application range
        ProfilePtr p = Load(link.id);
        ASSERT_TRUE(p) << GetQuentaException()->GetExceptionMsg();
        ASSERT_NE(nullptr, p->GetDesc());
        EXPECT_EQ(link.id, p->GetDesc()->GetID());
        EXPECT_EQ(link.name, p->GetDesc()->GetName());
        EXPECT_NE(nullptr, p->GetVideoProfile()); // the editors use the parts without a test
        EXPECT_NE(nullptr, p->GetAudioProfile());
        EXPECT_NE(nullptr, p->GetParams());
        ASSERT_NE(nullptr, p->GetFileProfile());
        EXPECT_EQ('.', p->GetFileProfile()->GetFileExt()[0]);
        bool lossless = link.categoryType == 5;
        EXPECT_EQ(lossless, p->GetParams()->GetInt("remux") == 3);
        if (link.categoryType == 6 && link.name.rfind("YouTube", 0) == 0) {
            EXPECT_EQ(1, p->GetParams()->GetInt("YoutubeUpload"));
        }
        EXPECT_TRUE(Exists(kBin + "/ICON/" + std::to_string(link.id) + ".png"));
    }
    EXPECT_NE(0u, ids.count(s_defaultId)) << "default profile " << s_defaultId;
}

TEST_F(ProfileCatalogue, TheCatalogueLoadsThroughTheProfileLibrary)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ProfileNodeManager mgr;
    ProfileConfig* cfg = mgr.getProfileConfig();
    QString bin = QString::fromStdString(kBin);
    cfg->setAppLibFilePath(bin + "/all_profile.xml");
    cfg->setAppProfileDir(bin + "/profile");
    cfg->setAppProfileIconDir(bin + "/ICON");
    cfg->setUserProfileDir(home.path() + "/custom");
    cfg->setUserLibFilePath(home.path() + "/custom.xml");
    cfg->setConfigFilePath(home.path() + "/profile_config.xml");
    cfg->setCatDataTypeSupport(true);
    mgr.beginUpdate();
    ASSERT_TRUE(cfg->execLoadData()) << GetQuentaException()->GetExceptionMsg();
    mgr.endUpdate();
    EXPECT_GT(cfg->getRecentLimited(), 0);
    std::unique_ptr<IProfile, ProfileRelease> def(cfg->createDefaultProfile());
    ASSERT_TRUE(def);
    EXPECT_EQ(s_defaultId, def->GetDesc()->GetID());
    // Every shown category lists its links, and each of them loads.
    size_t loaded = 0;
    for (CatData* cat : mgr.getCatNode()->GetList()) {
        mgr.setActiveCatData(cat);
        mgr.reBuildLnkViewList(false);
        for (LnkData* lnk : mgr.getLnkNode()->GetList()) {
            std::unique_ptr<IProfile, ProfileRelease> p(mgr.loadProfile(*lnk));
            EXPECT_TRUE(p) << lnk->name.toStdString();
            ++loaded;
        }
    }
    EXPECT_EQ(s_links.size(), loaded);
    mgr.setSearchText("iphone");
    EXPECT_GE(mgr.getSearchedCount(), 1);
}

namespace {

bool Lists(IColItem* column, const std::string& value)
{
    for (const std::string& entry : Split(column->GetValueList()))
        if (entry == value)
            return true;
    return false;
}

std::string Text(double v)
{
    std::ostringstream s;
    s << v;
    return s.str();
}

} // namespace

// The parameter editors show a profile's values by finding them in its option
// columns and write back what they show; a value the columns do not offer (in
// a list that cannot be typed into) or that the editor's ranges refuse would
// be lost the first time the page hands the profile out.
TEST_F(ProfileCatalogue, EveryStoredValueIsOneTheEditorsOffer)
{
    std::unique_ptr<IMirendo, void (*)(IMirendo*)> devices(CreateMirendo(), [](IMirendo* m) { m->Release(); });
    for (const Link& link : s_links) {
        SCOPED_TRACE(link.name);
        ProfilePtr p = Load(link.id);
        ASSERT_TRUE(p);
        if (p->GetFileProfile()->GetRemux() == 1)
            continue;
        int include = p->GetFileProfile()->GetAVInclude();
        if (include != 1) {
            IVideoProfile* v = p->GetVideoProfile();
            EXPECT_TRUE(Lists(p->GetVCodecItem(), v->GetCodecName())) << v->GetCodecName();
            bool sizeTyped = Lists(p->GetVSizeItem(), "0");
            std::string size = v->GetWidth() == -1 ? "-1*-1"
                                                  : std::to_string(v->GetWidth()) + "*" + std::to_string(v->GetHeight());
            if (v->GetWidth() != 0) {
                EXPECT_TRUE(sizeTyped || Lists(p->GetVSizeItem(), size)) << size;
            }
            EXPECT_LE(v->GetWidth(), 5000);
            EXPECT_LE(v->GetHeight(), 5000);
            EXPECT_LE(v->GetBitrate(), 30000);
            EXPECT_TRUE(Lists(p->GetVBitrateItem(), "0") || Lists(p->GetVBitrateItem(), std::to_string(v->GetBitrate())))
                << v->GetBitrate();
            EXPECT_GE(v->GetFrameRate(), 0.0);
            EXPECT_LE(v->GetFrameRate(), 120.0);
            EXPECT_TRUE(Lists(p->GetVFramerateItem(), "0") || Lists(p->GetVFramerateItem(), Text(v->GetFrameRate())))
                << v->GetFrameRate();
        }
        if (include != 2) {
            IAudioProfile* a = p->GetAudioProfile();
            EXPECT_TRUE(Lists(p->GetACodecItem(), a->GetCodecName())) << a->GetCodecName();
            EXPECT_TRUE(Lists(p->GetASampleRateItem(), std::to_string(a->GetSampleRate()))) << a->GetSampleRate();
            EXPECT_TRUE(Lists(p->GetAChannelItem(), std::to_string(a->GetChannels()))) << a->GetChannels();
            EXPECT_TRUE(Lists(p->GetABitrateItem(), std::to_string(a->GetBitrate()))) << a->GetBitrate();
            // The editors narrow the bitrates through the device database and
            // keep the profile's own only when it is offered.
            std::string offered = devices->GetAudioBitrateList(a->GetCodecName(), a->GetSampleRate(),
                                                               a->GetChannels(), p->GetABitrateItem()->GetValueList());
            bool kept = false;
            for (const std::string& entry : Split(offered))
                kept |= entry == std::to_string(a->GetBitrate());
            EXPECT_TRUE(kept) << a->GetBitrate() << " not in " << offered;
        }
    }
}

// A device profile names its entry of the device database; an unknown name
// would leave the device's limits unapplied.
TEST_F(ProfileCatalogue, DeviceProfilesNameKnownDevices)
{
    std::unique_ptr<IMirendo, void (*)(IMirendo*)> devices(CreateMirendo(), [](IMirendo* m) { m->Release(); });
    TaskSourceInfo huge;
    huge.nWidth = 7680;
    huge.nHeight = 4320;
    huge.dFrameRate = 120.0;
    int named = 0;
    for (const Link& link : s_links) {
        ProfilePtr p = Load(link.id);
        ASSERT_TRUE(p);
        std::string device = p->GetParams()->GetString("Device");
        EXPECT_EQ(link.categoryType == 4, !device.empty()) << link.name << " device " << device;
        if (device.empty())
            continue;
        ++named;
        SCOPED_TRACE(link.name + " on " + device);
        p->GetVideoProfile()->SetWidth(-1);
        p->GetVideoProfile()->SetHeight(-1);
        p->GetVideoProfile()->SetFrameRate(-1);
        ASSERT_TRUE(devices->AdjustProfile(&huge, p.get()));
        EXPECT_LE(p->GetVideoProfile()->GetWidth(), 3840);
        EXPECT_LE(p->GetVideoProfile()->GetFrameRate(), 60.0);
    }
    EXPECT_GT(named, 10);
}

TEST_F(ProfileCatalogue, CodecsAndMuxersExistInTheInstalledFFmpeg)
{
    for (const Link& link : s_links) {
        SCOPED_TRACE(link.name);
        ProfilePtr p = Load(link.id);
        ASSERT_TRUE(p);
        IFileProfile* file = p->GetFileProfile();
        std::string muxerName = file->GetMuxerName();
        const AVOutputFormat* muxer = nullptr;
        if (std::strcmp(file->GetFileExt(), ".*") != 0) {
            muxer = av_guess_format(muxerName.c_str(), nullptr, nullptr);
            ASSERT_NE(nullptr, muxer) << "muxer " << muxerName;
            EXPECT_STREQ(muxerName.c_str(), muxer->name);
        } else {
            EXPECT_EQ("", muxerName); // the source's own format
        }
        if (file->GetRemux() == 1) {
            EXPECT_STREQ("", p->GetVideoProfile()->GetCodecName());
            continue;
        }
        int include = file->GetAVInclude();
        std::vector<std::pair<std::string, std::string>> codecs; // what, names
        if (include != 1) {
            codecs.push_back({"video", p->GetVideoProfile()->GetCodecName()});
            for (const std::string& c : Split(p->GetVCodecItem()->GetValueList()))
                codecs.push_back({"video column", c});
        }
        if (include != 2) {
            codecs.push_back({"audio", p->GetAudioProfile()->GetCodecName()});
            for (const std::string& c : Split(p->GetACodecItem()->GetValueList()))
                codecs.push_back({"audio column", c});
        }
        for (const auto& [what, name] : codecs) {
            const AVCodec* enc = Encoder(name);
            ASSERT_NE(nullptr, enc) << what << " codec " << name;
            EXPECT_EQ(what[0] == 'v' ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO, enc->type) << name;
            EXPECT_FALSE(enc->capabilities & AV_CODEC_CAP_EXPERIMENTAL) << name << " is experimental";
            EXPECT_FALSE(enc->capabilities & AV_CODEC_CAP_HARDWARE) << name << " needs hardware";
            for (const char* hw : {"nvenc", "vaapi", "qsv", "v4l2m2m", "omx"})
                EXPECT_EQ(nullptr, std::strstr(enc->name, hw)) << name << " resolves to " << enc->name;
            if (muxer) {
                EXPECT_NE(0, avformat_query_codec(muxer, enc->id, FF_COMPLIANCE_NORMAL))
                    << muxer->name << " cannot hold " << name;
            }
        }
        IColItem* fourcc = p->GetColItem("FourCC");
        if (fourcc) {
            EXPECT_EQ(Split(p->GetVCodecItem()->GetValueList()).size(), Split(fourcc->GetValueList()).size());
            fourcc->Release();
        }
    }
}

namespace {

std::string Quote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// An ffmpeg command that encodes a short test picture and tone with the
// profile's own settings; the open values (original, auto) get small ones.
std::string EncodeCommand(IProfile& p)
{
    IVideoProfile* v = p.GetVideoProfile();
    IAudioProfile* a = p.GetAudioProfile();
    IFileProfile* f = p.GetFileProfile();
    int include = f->GetAVInclude();
    int w = v->GetWidth() > 0 ? v->GetWidth() : 320;
    int h = v->GetHeight() > 0 ? v->GetHeight() : 240;
    double fps = v->GetFrameRate() > 0 ? v->GetFrameRate() : 25.0;
    int rate = a->GetSampleRate() > 0 ? a->GetSampleRate() : 48000;
    int channels = a->GetChannels() > 0 ? a->GetChannels() : 2;
    std::ostringstream cmd;
    // NTSC rates are stored as typed and stand for their exact fractions.
    std::ostringstream rateText;
    rateText << fps;
    for (int base : {24000, 30000, 60000})
        if (std::fabs(fps - base / 1001.0) < 0.01)
            rateText.str(std::to_string(base) + "/1001");
    cmd << "ffmpeg -nostdin -v error -y";
    if (include != 1)
        cmd << " -f lavfi -i testsrc=size=" << w << "x" << h << ":rate=" << rateText.str() << ":duration=0.1";
    if (include != 2)
        cmd << " -f lavfi -i sine=frequency=440:sample_rate=" << rate << ":duration=0.1";
    if (include != 1) {
        cmd << " -c:v " << Encoder(v->GetCodecName())->name;
        if (v->GetBitrate() > 3)
            cmd << " -b:v " << v->GetBitrate() << "k";
        if (v->GetFourCC() && std::strcmp(f->GetMuxerName(), "avi") == 0)
            cmd << " -tag:v " << Quote(v->GetFourCC());
        if (v->GetAspect())
            cmd << " -aspect " << v->GetAspect();
    }
    if (include != 2) {
        cmd << " -c:a " << Encoder(a->GetCodecName())->name << " -ac " << channels << " -ar " << rate;
        if (a->GetBitrate() > 0 && std::strncmp(a->GetCodecName(), "pcm_", 4) != 0)
            cmd << " -b:a " << a->GetBitrate();
    }
    return cmd.str();
}

} // namespace

TEST_F(ProfileCatalogue, EveryProfileEncodesWithTheFFmpegProgram)
{
    if (std::system("ffmpeg -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "no ffmpeg program";
    char tmpl[] = "/tmp/catalogueXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    std::string dir = tmpl;

    struct Job
    {
        std::string name;
        std::string command;
    };
    std::vector<Job> jobs;
    std::unique_ptr<IMirendo, void (*)(IMirendo*)> devices(CreateMirendo(), [](IMirendo* m) { m->Release(); });
    for (const Link& link : s_links) {
        ProfilePtr p = Load(link.id);
        ASSERT_TRUE(p);
        IFileProfile* f = p->GetFileProfile();
        if (f->GetRemux() == 1)
            continue; // copies, encodes nothing
        std::string out = dir + "/" + std::to_string(link.id) + f->GetFileExt();
        // Fitted to the test picture as an output task fits it to its source.
        TaskSourceInfo src;
        src.pszVideoCodec = "h264";
        src.pszAudioCodec = "aac";
        src.nWidth = 320;
        src.nHeight = 240;
        src.dFrameRate = 25.0;
        src.nSampleRate = 48000;
        src.nChannels = 2;
        src.nAudioBitrate = 128000;
        ASSERT_TRUE(devices->AdjustProfile(&src, p.get()));
        std::string cmd = EncodeCommand(*p);
        // The FFmpeg options the profile carries, for the encoder or the muxer.
        std::ostringstream opts;
        std::string text = p->GetText();
        TiXmlDocument doc;
        doc.Parse(text.c_str());
        TiXmlElement* params = doc.RootElement()->FirstChildElement("Params");
        for (TiXmlElement* e = params ? params->FirstChildElement("Param") : nullptr; e;
             e = e->NextSiblingElement("Param")) {
            std::string key = e->Attribute("Key") ? e->Attribute("Key") : "";
            std::string value = e->Attribute("Value") ? e->Attribute("Value") : "";
            if (key == "ff:video:pix_fmt" && f->GetAVInclude() != 1)
                opts << " -pix_fmt " << Quote(value);
            else if (key.rfind("ff:video:", 0) == 0 && f->GetAVInclude() != 1)
                opts << " -" << key.substr(9) << ":v " << Quote(value);
            else if (key.rfind("ff:audio:", 0) == 0 && f->GetAVInclude() != 2)
                opts << " -" << key.substr(9) << ":a " << Quote(value);
            else if (key.rfind("ff:format:", 0) == 0)
                opts << " -" << key.substr(10) << " " << Quote(value);
        }
        cmd += opts.str() + " -f " + f->GetMuxerName() + " " + Quote(out) + " 2>&1";
        jobs.push_back({link.name, cmd});
    }

    // Two at a time: the slow ones (4K HEVC) overlap the quick ones.
    auto run = [](const Job& job) {
        std::string output;
        FILE* pipe = popen(job.command.c_str(), "r");
        if (!pipe)
            return std::string("cannot start ffmpeg");
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        int status = pclose(pipe);
        return status == 0 ? std::string() : "exit " + std::to_string(status) + ": " + output;
    };
    for (size_t i = 0; i < jobs.size(); i += 2) {
        auto second = i + 1 < jobs.size() ? std::async(std::launch::async, run, jobs[i + 1])
                                          : std::async(std::launch::deferred, [] { return std::string(); });
        std::string first = run(jobs[i]);
        EXPECT_EQ("", first) << jobs[i].name << "\n" << jobs[i].command;
        std::string other = second.get();
        if (i + 1 < jobs.size()) {
            EXPECT_EQ("", other) << jobs[i + 1].name << "\n" << jobs[i + 1].command;
        }
    }
    std::system(("rm -rf " + Quote(dir)).c_str());
}
