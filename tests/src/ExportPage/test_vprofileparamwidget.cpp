// The two parameter editors on a fake device database: what the lists offer
// and select, what a save writes, and how the audio bitrate is settled.

#include "ExportTestCatalogue.h"

#include "IMirendo.h"
#include "ExportPage/vprofileparamspwidget.h"
#include "ExportPage/vprofileparamwidget.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

#include <string>

using namespace ExportTest;

namespace {

// The device database the editors make: answers a set list, or echoes the
// profile's own list; records the last question.
struct FakeMirendo : IMirendo
{
    bool AdjustProfile(const TaskSourceInfo*, IProfile*) override { return true; }
    const char* GetAudioBitrateList(const char* codec, int rate, int channels, const char* list) override
    {
        lastCodec = codec;
        lastRate = rate;
        lastChannels = channels;
        answer = answerSet ? fixedAnswer : std::string(list);
        if (narrowByChannels)
            answer = channels == 2 ? "64000,96000,128000" : "64000,96000";
        return answer.c_str();
    }
    void Release() override { delete this; }

    static inline bool answerSet = false;
    static inline bool narrowByChannels = false;
    static inline std::string fixedAnswer;
    static inline std::string lastCodec;
    static inline int lastRate = 0;
    static inline int lastChannels = 0;
    std::string answer;
};

QApplication* App()
{
    return GuiTest::App("test_vprofileparamwidget");
}

void SetText(QComboBox* box, const QString& text)
{
    if (box->isEditable()) {
        box->setEditText(text);
        return;
    }
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
}

class ParamEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        App();
        FakeMirendo::answerSet = false;
        FakeMirendo::narrowByChannels = false;
        GetQuentaException()->Clear();
    }
    template <typename T> QComboBox* Box(T& w, const char* name)
    {
        auto* box = w.template findChild<QComboBox*>(name);
        EXPECT_NE(box, nullptr) << name;
        return box;
    }
};

} // namespace

extern "C" IMirendo* CreateMirendo()
{
    return new FakeMirendo;
}

struct ColCase
{
    const char* what;
    const char* values;
    QVariant value;
    int flags;
    QStringList entries;
    QString text;
    bool editable;
};

TEST_F(ParamEditor, ShowColItemOffersTheColumnAndSelectsTheValue)
{
    const QString original = "original", autoText = "auto";
    const ColCase cases[] = {
        {"size found",
         "original,auto,640*480",
         QString("640*480"),
         4,
         {"original", "auto", "640*480"},
         "640*480",
         true},
        {"-1*-1 is auto",
         "original,auto,640*480",
         QString("-1*-1"),
         4,
         {"original", "auto", "640*480"},
         autoText,
         true},
        {"size 0 is an empty edit text",
         "original,auto,640*480",
         QString(),
         4,
         {"original", "auto", "640*480"},
         "",
         true},
        {"missing size is the edit text",
         "original,auto,640*480",
         QString("800*600"),
         4,
         {"original", "auto", "640*480"},
         "800*600",
         true},
        {"no original: not editable, first kept",
         "320*240,640*480",
         QString("800*600"),
         4,
         {"320*240", "640*480"},
         "320*240",
         false},
        {"number 0 is original", "original,auto,1000", 0, 4, {"original", "auto", "1000"}, original, true},
        {"number -1 is auto", "original,auto,25", -1.0, 4, {"original", "auto", "25"}, autoText, true},
        {"bitrate codes by name",
         "0,1,3,2000",
         2000,
         4 | 8,
         {"original", "high quality", "low quality", "2000"},
         "2000",
         true},
        {"channels by name", "1,2,6", 2, 2, {"Mono", "Stereo", "5.1 Channels"}, "Stereo", false},
        {"a count without a name stays a number", "1,2,4", 4, 2, {"Mono", "Stereo", "4"}, "4", false},
        {"size column listing 0 and -1*-1",
         "0,-1*-1,640*480",
         QString("-1*-1"),
         4,
         {"original", "auto", "640*480"},
         autoText,
         true},
        {"frame-rate column listing 0 and -1", "0,-1,25", 0.0, 4, {"original", "auto", "25"}, original, true},
        {"empty parts dropped", "aac,,mp3,", QString("mp3"), 0, {"aac", "mp3"}, "mp3", false},
    };
    VProfileParamWidget editor;
    ProfileFields fields;
    fields.id = 1;
    ProfilePtr profile = LoadProfileText(fields);
    IColItem* column = profile->GetVSizeItem();
    ASSERT_NE(column, nullptr);
    QComboBox box;
    for (const ColCase& c : cases) {
        SCOPED_TRACE(c.what);
        column->SetValueList(c.values);
        editor.showColItem(column, &box, c.value, VProfileParamWidget::ColItemFlags(c.flags));
        QStringList entries;
        for (int i = 0; i < box.count(); ++i)
            entries << box.itemText(i);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(C_CBBTEXT(&box), c.text);
        if (c.flags & 4)
            EXPECT_EQ(box.isEditable(), c.editable);
    }
    EXPECT_THROW(editor.showColItem(nullptr, &box, 0, {}), CBaseException);
}

struct SaveCase
{
    const char* what;
    const char* list;
    QString text;
    int width, height; // for the size list
    double number;     // bitrate or frame rate
};

TEST_F(ParamEditor, SaveWritesTheListsWithinTheirLimits)
{
    VProfileParamWidget editor;
    ProfileFields fields;
    fields.id = 7;
    fields.columns["VBitrate"] = "0,1,2,3,1000,2000";
    fields.columns["VFramerate"] = "original,auto,24,25";
    ProfilePtr profile = LoadProfileText(fields);
    editor.showProfile(profile.get());
    ASSERT_EQ(editor.currentProfile(), profile.get());
    const SaveCase sizes[] = {
        {"plain", "cbbVSize", "640*480", 640, 480, 0}, {"original any case", "cbbVSize", "ORIGINAL", 0, 0, 0},
        {"auto", "cbbVSize", "auto", -1, -1, 0},       {"empty", "cbbVSize", "", -1, -1, 0},
        {"word", "cbbVSize", "big", -1, -1, 0},        {"no number", "cbbVSize", "abc*480", 0, 480, 0},
        {"no height", "cbbVSize", "640*", 640, 0, 0},  {"below -1", "cbbVSize", "-5*480", 0, 480, 0},
        {"-1*-1", "cbbVSize", "-1*-1", -1, -1, 0},     {"too wide", "cbbVSize", "5001*480", 0, 0, 0},
        {"too high", "cbbVSize", "640*6000", 0, 0, 0}, {"largest", "cbbVSize", "5000*5000", 5000, 5000, 0},
    };
    for (const SaveCase& c : sizes) {
        SCOPED_TRACE(c.what);
        SetText(Box(editor, c.list), c.text);
        ASSERT_TRUE(editor.saveToProfile(profile.get(), false));
        EXPECT_EQ(profile->GetVideoProfile()->GetWidth(), c.width);
        EXPECT_EQ(profile->GetVideoProfile()->GetHeight(), c.height);
    }
    const SaveCase numbers[] = {
        {"kbps", "cbbVBitRate", "30000", 0, 0, 30000},
        {"above 30000", "cbbVBitRate", "30001", 0, 0, 0},
        {"named", "cbbVBitRate", "high quality", 0, 0, 1},
        {"original", "cbbVBitRate", "original", 0, 0, 0},
        {"auto", "cbbVBitRate", "auto", 0, 0, -1},
        {"fps", "cbbVFrameRate", "120", 0, 0, 120},
        {"fps above", "cbbVFrameRate", "120.5", 0, 0, 0},
        {"fps below", "cbbVFrameRate", "-3", 0, 0, 0},
        {"fps auto", "cbbVFrameRate", "auto", 0, 0, -1},
        {"fps original", "cbbVFrameRate", "Original", 0, 0, 0},
        {"fps exact", "cbbVFrameRate", "29.97", 0, 0, 29.97},
    };
    for (const SaveCase& c : numbers) {
        SCOPED_TRACE(c.what);
        SetText(Box(editor, c.list), c.text);
        ASSERT_TRUE(editor.saveToProfile(profile.get(), false));
        if (QString(c.list) == "cbbVBitRate")
            EXPECT_EQ(profile->GetVideoProfile()->GetBitrate(), int(c.number));
        else
            EXPECT_DOUBLE_EQ(profile->GetVideoProfile()->GetFrameRate(), c.number);
    }
}

TEST_F(ParamEditor, FourCCFollowsTheCodecOnlyForLowerCaseAvi)
{
    struct Case
    {
        const char* ext;
        bool column;
        int codecIndex;
        const char* fourCC;
    } cases[] = {
        {".avi", true, 1, "MP4V"}, {".avi", true, 2, ""}, {".AVI", true, 1, ""},
        {".avi", false, 1, ""},    {".mp4", true, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ext) + " " + std::to_string(c.codecIndex));
        ProfileFields fields;
        fields.id = 8;
        fields.ext = c.ext;
        fields.columns["VCodec"] = "h264,mpeg4,hevc";
        if (c.column)
            fields.columns["FourCC"] = "H264,MP4V";
        ProfilePtr profile = LoadProfileText(fields);
        VProfileParamWidget editor;
        editor.showProfile(profile.get());
        Box(editor, "cbbVCodec")->setCurrentIndex(c.codecIndex);
        ASSERT_TRUE(editor.SaveSettingToCurProfile());
        const char* fourCC = profile->GetVideoProfile()->GetFourCC();
        EXPECT_STREQ(fourCC ? fourCC : "", c.fourCC);
        EXPECT_EQ(QString(profile->GetVideoProfile()->GetCodecName()), Box(editor, "cbbVCodec")->currentText());
    }
}

TEST_F(ParamEditor, StreamSelectionRemuxAndChannels)
{
    ProfileFields fields;
    fields.id = 9;
    fields.columns["AChannel"] = "1,2,4";
    {
        SCOPED_TRACE("video only: audio untouched");
        fields.avInclude = 2;
        ProfilePtr profile = LoadProfileText(fields);
        VProfileParamWidget editor;
        editor.showProfile(profile.get());
        EXPECT_FALSE(editor.findChild<QGroupBox*>("gbAudio")->isEnabled());
        EXPECT_EQ(Box(editor, "cbbAChannels")->count(), 0);
        SetText(Box(editor, "cbbVSize"), "320*240");
        ASSERT_TRUE(editor.SaveSettingToCurProfile());
        EXPECT_EQ(profile->GetVideoProfile()->GetWidth(), 320);
        EXPECT_EQ(profile->GetAudioProfile()->GetChannels(), 2);
        EXPECT_EQ(profile->GetAudioProfile()->GetBitrate(), 128000);
    }
    {
        SCOPED_TRACE("audio only: video untouched, a channel count without a name saves as itself");
        fields.avInclude = 1;
        ProfilePtr profile = LoadProfileText(fields);
        VProfileParamWidget editor;
        editor.showProfile(profile.get());
        EXPECT_FALSE(editor.findChild<QGroupBox*>("gbVideo")->isEnabled());
        EXPECT_EQ(Box(editor, "cbbVSize")->count(), 0);
        SetText(Box(editor, "cbbAChannels"), "4");
        ASSERT_TRUE(editor.SaveSettingToCurProfile());
        EXPECT_EQ(profile->GetAudioProfile()->GetChannels(), 4);
        SetText(Box(editor, "cbbAChannels"), "Mono");
        ASSERT_TRUE(editor.SaveSettingToCurProfile());
        EXPECT_EQ(profile->GetAudioProfile()->GetChannels(), 1);
        EXPECT_EQ(profile->GetVideoProfile()->GetWidth(), 640);
    }
    {
        SCOPED_TRACE("remux: shown, saved as is");
        fields.avInclude = 0;
        fields.remux = 1;
        ProfilePtr profile = LoadProfileText(fields);
        VProfileParamWidget editor;
        editor.showProfile(profile.get());
        EXPECT_EQ(Box(editor, "cbbVSize")->currentText(), "640*480");
        SetText(Box(editor, "cbbVSize"), "320*240");
        EXPECT_TRUE(editor.SaveSettingToCurProfile());
        EXPECT_EQ(profile->GetVideoProfile()->GetWidth(), 640);
    }
    {
        SCOPED_TRACE("nothing shown: the save fails with Bad pointer");
        VProfileParamWidget editor;
        editor.showProfile(nullptr);
        GetQuentaException()->Clear();
        EXPECT_FALSE(editor.SaveSettingToCurProfile());
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
    }
}

TEST_F(ParamEditor, AudioBitrateIsNarrowedByTheDeviceDatabase)
{
    ProfileFields fields;
    fields.id = 10;
    fields.abitrate = 192000;
    ProfilePtr profile = LoadProfileText(fields);
    FakeMirendo::answerSet = true;
    FakeMirendo::fixedAnswer = "64000,96000,128000";
    VProfileParamWidget editor;
    editor.showProfile(profile.get());
    QComboBox* bitrates = Box(editor, "cbbABitRate");
    EXPECT_EQ(bitrates->count(), 3);
    EXPECT_EQ(bitrates->currentText(), "128000");
    EXPECT_EQ(FakeMirendo::lastCodec, "aac");
    EXPECT_EQ(FakeMirendo::lastRate, 44100);
    EXPECT_EQ(FakeMirendo::lastChannels, 2);
    // A choice still offered after a change stays chosen.
    bitrates->setCurrentIndex(1);
    SetText(Box(editor, "cbbASampleRate"), "48000");
    EXPECT_EQ(FakeMirendo::lastRate, 48000);
    EXPECT_EQ(bitrates->currentText(), "96000");
    ASSERT_TRUE(editor.SaveSettingToCurProfile());
    EXPECT_EQ(profile->GetAudioProfile()->GetBitrate(), 96000);
    EXPECT_EQ(profile->GetAudioProfile()->GetSampleRate(), 48000);
}

TEST_F(ParamEditor, ShowingAProfileKeepsItsBitrateWhenTheDatabaseOffersIt)
{
    // Asked for another channel count, the database would not offer 128000.
    FakeMirendo::narrowByChannels = true;
    ProfileFields fields;
    fields.id = 12;
    fields.abitrate = 128000;
    ProfilePtr profile = LoadProfileText(fields);
    VProfileParamWidget editor;
    editor.showProfile(profile.get());
    EXPECT_EQ(Box(editor, "cbbABitRate")->currentText(), "128000");
    ASSERT_TRUE(editor.SaveSettingToCurProfile());
    EXPECT_EQ(profile->GetAudioProfile()->GetBitrate(), 128000);
    // Showing it again, over the lists of the first showing, changes nothing.
    editor.showProfile(profile.get());
    EXPECT_EQ(Box(editor, "cbbABitRate")->currentText(), "128000");
    SetText(Box(editor, "cbbAChannels"), "Mono");
    EXPECT_EQ(Box(editor, "cbbABitRate")->currentText(), "96000");
}

TEST_F(ParamEditor, SizeAndChannelEditorSettlesTheBitrateWhenSaving)
{
    struct Case
    {
        const char* answer;
        int stored;
        int expected;
    } cases[] = {{"64000,96000,128000", 192000, 128000}, {"64000,192000", 192000, 192000}, {"", 192000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ProfileFields fields;
        fields.id = 11;
        fields.abitrate = c.stored;
        fields.avInclude = 2; // the stream selection changes nothing here
        ProfilePtr profile = LoadProfileText(fields);
        FakeMirendo::answerSet = true;
        FakeMirendo::fixedAnswer = c.answer;
        VProfileParamSPWidget editor;
        editor.showProfile(profile.get());
        SetText(Box(editor, "cbbAChannels"), "5.1 Channels");
        SetText(Box(editor, "cbbVSize"), "1280*720");
        ASSERT_TRUE(editor.SaveSettingToCurProfile());
        EXPECT_EQ(profile->GetAudioProfile()->GetBitrate(), c.expected);
        EXPECT_EQ(profile->GetAudioProfile()->GetChannels(), 6);
        EXPECT_EQ(FakeMirendo::lastChannels, 6);
        EXPECT_EQ(profile->GetVideoProfile()->GetWidth(), 1280);
        EXPECT_EQ(profile->GetVideoProfile()->GetHeight(), 720);
    }
    VProfileParamSPWidget editor;
    GetQuentaException()->Clear();
    EXPECT_FALSE(editor.SaveSettingToCurProfile());
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
}

// Both panels share their boundaries; a failure must still name the panel it
// happened in, so that the log points at the right list.
TEST_F(ParamEditor, EachPanelNamesItselfInTheErrorsItRecords)
{
    VProfileParamWidget full;
    VProfileParamSPWidget small;
    const struct
    {
        VProfileParamBase* editor;
        const char* unit;
    } cases[] = {
        {&full, "vprofileparamwidget"},
        {&small, "vprofileparamspwidget"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        GetQuentaException()->Clear();
        c.editor->showProfile(nullptr);
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
        int line = 0;
        const std::string shown = GetQuentaException()->GetExceptionSource(&line);
        EXPECT_EQ(shown.substr(shown.rfind('/') + 1), c.unit);
        EXPECT_EQ(c.editor->currentProfile(), nullptr);

        GetQuentaException()->Clear();
        EXPECT_FALSE(c.editor->SaveSettingToCurProfile());
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_BAD_POINTER);
        const std::string saved = GetQuentaException()->GetExceptionSource(&line);
        EXPECT_EQ(saved.substr(saved.rfind('/') + 1), c.unit);
    }
}
