// The paused main player and the converted file show a clip laid as its
// display matrix says (turns, mirrors, both) and as the user turned it,
// interlaced clips too: the import/edit page over the real project manager,
// media layer and engine, each timeline converted through the output task,
// the real conversion engine and convworker; reference pictures are the
// source laid so by the ffmpeg program's filters.

#include "GuiTestApp.h"

#include "SourcerPageFixture.h"

#include "../../EventLoopWait.h"
#include "../../MediaTestFolder.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "Basilvo/Basilvo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IProfile.h"
#include "OutputTask/cmmoutputtask.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "MainPages/vsourcerpage.h"
#include "SourcePage/vruler.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <thread>

using Fablecut::CMediaSourceItem;

namespace {

const std::string kBin = FABLECUT_BIN_DIR;

QApplication* App()
{
    return GuiTest::App("test_vsourcerpage_turns");
}

using EventLoop::WaitFor;
using PageTest::Content;
using PageTest::MeanDifference;
using PageTest::Small;

// Picture `index` of a file, decoded by ffmpeg through `filters` ("" none).
QImage Picture(const std::string& path, int index, const std::string& filters, const std::string& png)
{
    const std::string chain = "select=eq(n\\," + std::to_string(index) + ")" + (filters.empty() ? "" : "," + filters);
    if (!MediaTest::Run("ffmpeg -nostdin -v error -y -i '" + path + "' -vf \"" + chain + "\" -frames:v 1 '" + png +
                        "'"))
        return QImage();
    return QImage(QString::fromStdString(png));
}

using PageTest::EngineRelease;
using PageTest::ProfileRelease;

// One clip of the table: a file made here, how the player and the file must
// show it (the ffmpeg program's filters on the plain source), and what the
// user does to it on the clip editor.
struct Clip
{
    const char* what;
    std::string file;
    std::string make; // ffmpeg arguments after the source, before the file name
    int matrix[4];    // a b c d of the display matrix written into an MP4; 0 0 0 0 none
    const char* laid; // filters that lay the plain source as it must be shown
    bool turnedByUser;
};

// The import/edit page as the main window wires it, its timeline holding one
// clip of each file of a table; every source shows one still picture that
// has nothing symmetric about it.
class PageWithClips : public PageTest::SourcerPageTest
{
protected:
    static void SetUpTestSuite()
    {
        s_folder.reset(new MediaTest::Folder("sourcerpage-turns"));
        s_ok = !s_folder->Dir().empty() && MediaTest::Run("mkdir -p '" + s_folder->Path("out") + "'");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    void SetUp() override
    {
        App();
        ASSERT_TRUE(s_ok);
        ASSERT_NE(media.manager, nullptr);
        if (access((kBin + "/convworker").c_str(), X_OK) != 0)
            GTEST_SKIP() << "convworker is not built";
        ShowPage();
    }

public:
    // Makes each clip's file, imports it and puts it on the timeline, one
    // second each, in the table's order.
    bool MakeTimeline(const std::vector<Clip>& clips)
    {
        QList<Fablecut::ISourceDataItem*> items;
        for (const Clip& c : clips) {
            const std::string path = s_folder->Path(c.file.c_str());
            if (!MediaTest::Run(s_folder->FFmpeg() + "-f lavfi -i testsrc2=size=320x240:rate=1:duration=1 " + c.make +
                                " '" + path + "'"))
                return false;
            if ((c.matrix[0] || c.matrix[1] || c.matrix[2] || c.matrix[3]) &&
                !MediaTest::SetMp4Matrix(path, c.matrix[0], c.matrix[1], c.matrix[2], c.matrix[3]))
                return false;
            auto item = std::make_unique<CMediaSourceItem>();
            item->SetAVManager(media.manager);
            item->SetSrcFileFullPath(QString::fromStdString(path));
            item->setName(QString::fromStdString(c.file));
            if (!item->OpenImporter())
                return false;
            item->UpdateMovieInfos();
            items << item.get();
            library.push_back(std::move(item));
        }
        mgr->slot_InsertItemsByIndex(items, -1);
        page->GetTimeLineView()->getScene()->updateClipsTime(false);
        QApplication::processEvents();
        return mgr->GetTimelineItem()->ChildItemsCount() == static_cast<int>(clips.size());
    }

    void Click(const char* name)
    {
        auto* button = page->findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
    }
    void Check(const char* name, bool on)
    {
        auto* box = page->findChild<QCheckBox*>(name);
        ASSERT_NE(box, nullptr) << name;
        if (box->isChecked() != on)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    }
    // The picture at a time of the timeline, paused there by a click on the
    // ruler, once it has stayed the same for a while.
    QImage ShownAt(double seconds)
    {
        ClickRuler(seconds);
        if (!WaitFor(
                [&] {
                    return Paused() && !Shown().isNull() &&
                           std::abs(player->GetIPlayerCurTime().ToSeconds() - seconds * 1000) < 60;
                },
                10000))
            return QImage();
        return Settled();
    }

    // Converts the timeline as it stands through the engine and convworker;
    // the output's path, empty when the conversion did not finish well.
    std::string Convert(const QString& name)
    {
        engine.reset(CreateAVConverter(nullptr));
        engine->SetMaxRunProgressCount(1);
        engine->SetUseCPUCore(1);
        std::unique_ptr<IProfile, ProfileRelease> profile(CreateProfile());
        if (!profile || !profile->LoadFile((kBin + "/profile/101.xml").c_str()))
            return "";
        task = std::make_unique<CMMOutputTask>(media.manager, nullptr, nullptr);
        task->SetSrcTimelineItem(mgr->GetTimelineItem());
        task->SetProfile(profile.get());
        task->SetOutputDstFloder(QString::fromStdString(s_folder->Path("out")));
        task->SetOutputDstName(name);
        GetQuentaException()->Clear();
        Moorland::ConvertTaskInfo2* record = task->GenerateConverterTask(engine.get());
        if (!record || !engine->StartConvert())
            return "";
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
        while (record->GetState() != 4 && record->GetState() != 5) {
            if (std::chrono::steady_clock::now() > deadline)
                return "";
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return record->GetState() == 5 ? task->GetTaskDstFilePath().toStdString() : "";
    }

    // Each clip paused in the player and in the converted file against the
    // plain source laid by the clip's filters: same shape, same picture.
    void ExpectLaidAsTold(const std::vector<Clip>& clips, const std::string& out)
    {
        const std::string plain = s_folder->Path("plain.mp4");
        ASSERT_TRUE(MediaTest::Run(s_folder->FFmpeg() + "-f lavfi -i testsrc2=size=320x240:rate=1:duration=1 " +
                                   "-vf fps=25 -c:v libx264 -preset ultrafast -crf 10 -pix_fmt yuv420p '" + plain +
                                   "'"));
        std::vector<QImage> shown;
        for (size_t i = 0; i < clips.size(); ++i)
            shown.push_back(ShownAt(i + 0.5));
        for (size_t i = 0; i < clips.size(); ++i) {
            const Clip& c = clips[i];
            SCOPED_TRACE(c.what);
            const QImage reference =
                Picture(plain, 12, c.laid, s_folder->Dir() + "/reference-" + std::to_string(i) + ".png");
            ASSERT_FALSE(reference.isNull());
            // The player shows a clip whose shape is not the timeline's
            // between bars, as the file gets it. Two scalers differ by a
            // few levels; a missing mirror costs about 20, a missing turn
            // more than 60.
            const double aspect = static_cast<double>(reference.width()) / reference.height();
            const QSize size = aspect < 1 ? QSize(45, 60) : QSize(80, 60);
            ASSERT_FALSE(shown[i].isNull()) << "the player pauses on the clip";
            const QImage onScreen = Small(Content(shown[i], aspect), size);
            const double player = MeanDifference(onScreen, Small(reference, size));
            EXPECT_LE(player, 8.0) << "the player shows the clip as it must stand";
            const QImage frame =
                Picture(out, static_cast<int>(i) * 25 + 12, "", s_folder->Dir() + "/out-" + std::to_string(i) + ".png");
            ASSERT_FALSE(frame.isNull());
            const QImage inFile = Small(Content(frame, aspect), size);
            const double file = MeanDifference(inFile, Small(reference, size));
            EXPECT_LE(file, 8.0) << "the converted file holds the clip as it must stand";
            const double between = MeanDifference(inFile, onScreen);
            EXPECT_LE(between, 5.0) << "the player shows what the file gets";
            if (getenv("FABLECUT_TEST_VERBOSE"))
                fprintf(stderr, "%s: %dx%d shown, %.2f from the reference, file %.2f, between %.2f\n", c.what,
                        shown[i].width(), shown[i].height(), player, file, between);
        }
    }

    static std::unique_ptr<MediaTest::Folder> s_folder;
    static bool s_ok;
    std::vector<std::unique_ptr<CMediaSourceItem>> library;
    std::unique_ptr<Moorland::IAVConverter, EngineRelease> engine;
    std::unique_ptr<CMMOutputTask> task;
};

std::unique_ptr<MediaTest::Folder> PageWithClips::s_folder;
bool PageWithClips::s_ok = false;

const std::string kH264 = "-vf fps=25 -c:v libx264 -preset ultrafast -crf 10 -pix_fmt yuv420p";

} // namespace

// A display matrix may turn the picture, mirror it, or both: phones' front
// cameras and editors write mirrors. The upright clip comes first, so that
// the timeline (and the file) keep its landscape frame.
TEST_F(PageWithClips, DisplayMatricesAreShownAndConvertedAsTheyLayThePicture)
{
    const std::vector<Clip> clips = {
        {"no matrix", "upright.mp4", kH264, {1, 0, 0, 1}, "", false},
        {"quarter turn clockwise", "turn90.mp4", kH264, {0, 1, -1, 0}, "transpose=clock", false},
        {"half turn", "turn180.mp4", kH264, {-1, 0, 0, -1}, "hflip,vflip", false},
        {"quarter turn anticlockwise", "turn270.mp4", kH264, {0, -1, 1, 0}, "transpose=cclock", false},
        {"mirror left to right", "hflip.mp4", kH264, {-1, 0, 0, 1}, "hflip", false},
        {"mirror upside down", "vflip.mp4", kH264, {1, 0, 0, -1}, "vflip", false},
        {"mirror, then a quarter turn clockwise", "hflip90.mp4", kH264, {0, -1, -1, 0}, "hflip,transpose=clock", false},
        {"mirror, then a turn anticlockwise", "hflip270.mp4", kH264, {0, 1, 1, 0}, "hflip,transpose=cclock", false},
    };
    ASSERT_TRUE(MakeTimeline(clips));
    const std::string out = Convert("matrices");
    ASSERT_FALSE(out.empty()) << "the conversion finishes";
    ExpectLaidAsTold(clips, out);
}

// A quarter turn the user gives an interlaced clip (a camera's 1080i, here
// small) is shown by the paused player as the file gets it, for both field
// orders, in MPEG-2 and H.264.
TEST_F(PageWithClips, AQuarterTurnOfAnInterlacedClipIsShownAsTheFileGetsIt)
{
    const std::string field = "-vf fps=25,setfield=";
    const std::vector<Clip> clips = {
        {"progressive, left alone", "progressive.mp4", kH264, {0, 0, 0, 0}, "", false},
        {"MPEG-2 TS, top field first",
         "tff.ts",
         field + "tff -c:v mpeg2video -flags +ildct+ilme -top 1 -q:v 2",
         {0, 0, 0, 0},
         "transpose=clock",
         true},
        {"MPEG-2 TS, bottom field first",
         "bff.ts",
         field + "bff -c:v mpeg2video -flags +ildct+ilme -top 0 -q:v 2",
         {0, 0, 0, 0},
         "transpose=clock",
         true},
        {"H.264 M2TS, top field first",
         "tff.m2ts",
         field + "tff -c:v libx264 -preset ultrafast -crf 10 -flags +ildct+ilme -x264-params tff=1 -f mpegts "
                 "-mpegts_m2ts_mode 1",
         {0, 0, 0, 0},
         "transpose=clock",
         true},
        {"H.264 MP4, bottom field first",
         "bff.mp4",
         field + "bff -c:v libx264 -preset ultrafast -crf 10 -flags +ildct+ilme -x264-params bff=1",
         {0, 0, 0, 0},
         "transpose=clock",
         true},
    };
    ASSERT_TRUE(MakeTimeline(clips));
    for (size_t i = 0; i < clips.size(); ++i) {
        ASSERT_EQ(library[i]->Interlaced(), i != 0) << clips[i].what;
        if (!clips[i].turnedByUser)
            continue;
        SCOPED_TRACE(clips[i].what);
        ClickTimeline(i + 0.5);
        ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
        Click("btnEffectEditorPage");
        Check("CheckBox_EffectEnabled", true);
        Click("btnRotateCW");
        auto* clip = dynamic_cast<CMediaSourceItem*>(mgr->GetTimelineItem()->getItemByIndex(static_cast<int>(i)));
        ASSERT_NE(clip, nullptr);
        EXPECT_NE(clip->GetRotationAngle() % 360, 0) << "the button turns the clip under the play head";
    }
    const std::string out = Convert("interlaced");
    ASSERT_FALSE(out.empty()) << "the conversion finishes";
    ExpectLaidAsTold(clips, out);
}
