// The shipped profile catalogue as the programs find it beside themselves:
// every link has a profile that loads, and every codec and muxer it names
// exists in the installed FFmpeg. What each profile really gives is checked
// through the engine and its worker (test_ProfileConversion).

#include "Basilvo/Basilvo.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "ProfileManager/profileConfig.h"

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
#include <fstream>
#include <iterator>
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
    for (const char* name : {"star", "10000", "20000"})   // the star mark, Custom and Recent
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

// The format page loads a category's first profile: each format there is a
// category of its own, and no two of its cells carry the same picture.
TEST_F(ProfileCatalogue, EachFormatHasACellAndAnIconOfItsOwn)
{
    std::map<int, int> linksOf;
    for (const Link& link : s_links)
        if (link.categoryType == 2)
            ++linksOf[link.categoryId];
    ASSERT_GE(linksOf.size(), 30u);
    std::map<std::string, int> icons;
    for (const auto& [cid, type] : s_categories) {
        if (type != 2)
            continue;
        EXPECT_EQ(1, linksOf[cid]) << "category " << cid;
        std::ifstream in(kBin + "/ICON/" + std::to_string(cid) + ".png", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(bytes.empty()) << "category " << cid;
        const auto [at, fresh] = icons.emplace(bytes, cid);
        EXPECT_TRUE(fresh) << "categories " << at->second << " and " << cid << " look alike";
    }
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
            std::string size =
                v->GetWidth() == -1 ? "-1*-1" : std::to_string(v->GetWidth()) + "*" + std::to_string(v->GetHeight());
            if (v->GetWidth() != 0) {
                EXPECT_TRUE(sizeTyped || Lists(p->GetVSizeItem(), size)) << size;
            }
            EXPECT_LE(v->GetWidth(), 5000);
            EXPECT_LE(v->GetHeight(), 5000);
            EXPECT_LE(v->GetBitrate(), 30000);
            EXPECT_TRUE(Lists(p->GetVBitrateItem(), "0") ||
                        Lists(p->GetVBitrateItem(), std::to_string(v->GetBitrate())))
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
            std::string offered = devices->GetAudioBitrateList(a->GetCodecName(), a->GetSampleRate(), a->GetChannels(),
                                                               p->GetABitrateItem()->GetValueList());
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
