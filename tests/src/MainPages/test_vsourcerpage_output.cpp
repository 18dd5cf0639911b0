// What the paused main player shows after each edit made with the mouse and
// the keys in the clip editor is what a conversion of the same timeline
// writes at that time: the import/edit page over the real project manager,
// media layer and engine, and each timeline converted through the output
// task, the real conversion engine and convworker, the outputs checked with
// ffprobe and decoded with ffmpeg.

#include "GuiTestApp.h"

#include "SourcerPageFixture.h"

#include "../../EventLoopWait.h"
#include "../../MediaTestFolder.h"
#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IProfile.h"
#include "ProjectData/cclipsettings.h"
#include "ProjectData/cmediasourceitem.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "SourcePage/vclipitem.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "SourcePage/vruler.h"
#include "Editor/veditorwidget.h"
#include "Editor/veffectoptions.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"

#include <QCheckBox>
#include <QLabel>
#include <QElapsedTimer>
#include <QSlider>
#include <QTest>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolButton>

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
    return GuiTest::App("test_vsourcerpage_output");
}

using EventLoop::WaitFor;
using PageTest::Content;
using PageTest::MeanDifference;
using PageTest::Small;

// Picture `index` of a file, decoded by ffmpeg.
QImage OutputPicture(const std::string& path, int index, const std::string& dir)
{
    const std::string png = dir + "/picture-" + std::to_string(index) + ".png";
    if (!MediaTest::Run("ffmpeg -nostdin -v error -y -i '" + path + "' -vf \"select=eq(n\\," + std::to_string(index) +
                        ")\" -frames:v 1 '" + png + "'"))
        return QImage();
    return QImage(QString::fromStdString(png));
}

std::string Probe(const std::string& path, const char* entries)
{
    const std::string command = "ffprobe -v error -select_streams v:0 -show_entries stream=" + std::string(entries) +
                                " -of csv=p=0 '" + path + "'";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, p))
            out += buffer;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// The loudest sample of a stretch of a file's sound, in dB (ffmpeg's
// volumedetect); digital silence reads -200, a file without sound NaN.
double MaxVolume(const std::string& path, double from, double length)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -ss " + std::to_string(from) + " -t " +
                                std::to_string(length) + " -i '" + path + "' -vn -af volumedetect -f null - 2>&1";
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, p))
            out += buffer;
        pclose(p);
    }
    const size_t at = out.find("max_volume:");
    if (at == std::string::npos)
        return std::nan("");
    const std::string value = out.substr(at + 11);
    if (value.find("-inf") == value.find_first_not_of(' '))
        return -200.0;
    return std::atof(value.c_str());
}

using PageTest::EngineRelease;
using PageTest::ProfileRelease;

// The import/edit page as the main window wires it, holding a timeline of
// clips of one 320 x 240 file whose picture changes once a second.
class PageWithTimeline : public PageTest::SourcerPageTest
{
protected:
    static void SetUpTestSuite()
    {
        s_folder.reset(new MediaTest::Folder("sourcerpage-output"));
        s_ok = !s_folder->Dir().empty() &&
               MediaTest::Run(s_folder->FFmpeg() +
                              "-f lavfi -i testsrc2=size=320x240:rate=1:duration=3 -vf fps=25 -c:v libx264 "
                              "-preset ultrafast -crf 10 -pix_fmt yuv420p clip.mp4") &&
               MediaTest::Run(s_folder->FFmpeg() + "-f lavfi -i testsrc2=size=320x240 -frames:v 1 still.png") &&
               MediaTest::Run(s_folder->FFmpeg() +
                              "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 "
                              "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -c:v libx264 "
                              "-preset ultrafast -pix_fmt yuv420p -c:a aac -shortest sound.mp4") &&
               MediaTest::Run("mkdir -p '" + s_folder->Path("out") + "'");
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    void SetUp() override
    {
        App();
        ASSERT_TRUE(s_ok);
        ASSERT_NE(media.manager, nullptr);
        if (access((kBin + "/convworker").c_str(), X_OK) != 0)
            GTEST_SKIP() << "convworker is not built";
        library.SetAVManager(media.manager);
        library.SetSrcFileFullPath(QString::fromStdString(s_folder->Path("clip.mp4")));
        library.setName("clip");
        ASSERT_TRUE(library.OpenImporter()) << GetQuentaException()->GetExceptionMsg();
        library.UpdateMovieInfos();
        ShowPage();
        editor = page->GetSourceWorkSpace()->findChild<VEditorWidget*>();
        ASSERT_NE(editor, nullptr);
    }

public:
    void Insert(int clips)
    {
        QList<Fablecut::ISourceDataItem*> items;
        for (int i = 0; i < clips; ++i)
            items << &library;
        mgr->slot_InsertItemsByIndex(items, -1);
        page->GetTimeLineView()->getScene()->updateClipsTime(false);
        QApplication::processEvents();
    }
    Fablecut::ISourceDataItem* ClipAt(int index) { return mgr->GetTimelineItem()->getItemByIndex(index); }

    static double MeanLevel(const QImage& image)
    {
        double sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += qGray(image.pixel(x, y));
        return image.isNull() ? 0 : sum / (image.width() * image.height());
    }
    static int ChannelSpread(const QImage& image)
    {
        int worst = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) {
                const QRgb p = image.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(p) - qGreen(p)), std::abs(qGreen(p) - qBlue(p))});
            }
        return worst;
    }
    template <typename T> T* Find(const char* name)
    {
        T* found = page->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void Click(const char* name)
    {
        if (auto* button = Find<QAbstractButton>(name))
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
    }
    void Check(const char* name, bool on)
    {
        auto* box = Find<QCheckBox>(name);
        if (box && box->isChecked() != on)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
    }
    void Keys(const char* slider, Qt::Key key, int times)
    {
        auto* s = Find<QSlider>(slider);
        if (!s)
            return;
        s->setFocus(Qt::MouseFocusReason);
        for (int i = 0; i < times; ++i)
            QTest::keyClick(s, key);
    }
    void PickEffect(EffectType type)
    {
        auto* chooser = Find<VEffectOptions>("wEffectOptions");
        if (!chooser)
            return;
        for (int r = 0; r < chooser->rowCount(); ++r)
            for (int c = 0; c < chooser->columnCount(); ++c)
                if (chooser->item(r, c) && chooser->item(r, c)->data(VEffectOptions::EffectTypeRole).toInt() == type)
                    QTest::mouseClick(chooser->viewport(), Qt::LeftButton, {},
                                      chooser->visualItemRect(chooser->item(r, c)).center());
    }
    // Waits until the picture differs from `before`; the milliseconds it took, -1 when it never did.
    int WaitChange(const QImage& before, int ms = 3000)
    {
        QElapsedTimer t;
        t.start();
        const bool changed = WaitFor(
            [&] {
                const QImage now = Shown();
                return !now.isNull() && (now.size() != before.size() || MeanDifference(now, before) > 0.5);
            },
            ms);
        return changed ? static_cast<int>(t.elapsed()) : -1;
    }

    // Queues a conversion of the timeline as it stands now.
    Moorland::ConvertTaskInfo2* Queue(const QString& name)
    {
        if (!engine) {
            engine.reset(CreateAVConverter(nullptr));
            engine->SetMaxRunProgressCount(2);
            engine->SetUseCPUCore(1);
        }
        std::unique_ptr<IProfile, ProfileRelease> profile(CreateProfile());
        if (!profile || !profile->LoadFile((kBin + "/profile/101.xml").c_str()))
            return nullptr;
        auto task = std::make_unique<CMMOutputTask>(media.manager, nullptr, nullptr);
        task->SetSrcTimelineItem(mgr->GetTimelineItem());
        task->SetProfile(profile.get());
        task->SetOutputDstFloder(QString::fromStdString(s_folder->Path("out")));
        task->SetOutputDstName(name);
        GetQuentaException()->Clear();
        Moorland::ConvertTaskInfo2* record = task->GenerateConverterTask(engine.get());
        tasks.push_back(std::move(task));
        return record;
    }
    // Runs every queued conversion to its end; true when all finished well.
    bool RunAll(const std::vector<Moorland::ConvertTaskInfo2*>& records)
    {
        if (!engine || !engine->StartConvert())
            return false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        for (;;) {
            bool all = true;
            for (auto* r : records)
                all = all && (r->GetState() == 4 || r->GetState() == 5);
            if (all)
                break;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (auto* r : records)
            if (r->GetState() != 5)
                return false;
        return true;
    }

    static std::unique_ptr<MediaTest::Folder> s_folder;
    static bool s_ok;
    CMediaSourceItem library;
    VEditorWidget* editor = nullptr;
    std::unique_ptr<Moorland::IAVConverter, EngineRelease> engine;
    std::vector<std::unique_ptr<CMMOutputTask>> tasks;
};

std::unique_ptr<MediaTest::Folder> PageWithTimeline::s_folder;
bool PageWithTimeline::s_ok = false;

// One edit of the table, as the user makes it.
struct Edit
{
    const char* what;
    int page; // the editor page: 1 picture, 3 3D
    std::function<void(PageWithTimeline&)> act;
    bool turned;
};

// What one edit left on screen, and the conversion queued with it.
struct Seen
{
    const Edit* edit;
    QImage shown;
    int ms;
    int waited;
    Moorland::ConvertTaskInfo2* record;
    CMMOutputTask* task;
};

} // namespace

TEST_F(PageWithTimeline, ThePausedPlayerShowsEachEditAtOnceAsTheConversionWritesIt)
{
    Insert(1);
    ClickTimeline(1.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000)) << "the timeline is loaded, paused";
    const QImage plain = Settled();
    ASSERT_FALSE(plain.isNull());
    const int plainMs = static_cast<int>(player->GetIPlayerCurTime().ToSeconds());

    const std::vector<Edit> edits = {
        {"brightness up", 1, [](PageWithTimeline& p) { p.Keys("sldEffectBrightness", Qt::Key_PageUp, 5); }, false},
        {"brightness down", 1, [](PageWithTimeline& p) { p.Keys("sldEffectBrightness", Qt::Key_PageDown, 5); }, false},
        {"contrast up", 1, [](PageWithTimeline& p) { p.Keys("sldEffectContrast", Qt::Key_PageUp, 6); }, false},
        {"saturation down", 1, [](PageWithTimeline& p) { p.Keys("sldEffectSaturation", Qt::Key_PageDown, 7); }, false},
        {"gray", 1, [](PageWithTimeline& p) { p.PickEffect(EffectGray); }, false},
        {"aged film", 1, [](PageWithTimeline& p) { p.PickEffect(EffectAgedFilm); }, false},
        {"mirror", 1, [](PageWithTimeline& p) { p.Click("btnFlipHorizontal"); }, false},
        {"half turn", 1,
         [](PageWithTimeline& p) {
             p.Click("btnRotateCW");
             p.Click("btnRotateCW");
         },
         false},
        {"turn clockwise", 1, [](PageWithTimeline& p) { p.Click("btnRotateCW"); }, true},
        {"turn anticlockwise", 1, [](PageWithTimeline& p) { p.Click("btnRotateCCW"); }, true},
        {"3D red/green", 3, [](PageWithTimeline& p) { p.Click("btn3DEffectRedGreen"); }, false},
    };
    std::vector<Seen> seen;
    std::vector<Moorland::ConvertTaskInfo2*> records;
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        // Each edit starts from the untouched clip: the picture page reset,
        // 3D switched off, then the edit's page switched on.
        Click("btnEffectEditorPage");
        Check("CheckBox_EffectEnabled", true);
        Click("btnReset");
        Click("btn3DEditorPage");
        Check("CheckBox_EffectEnabled", false);
        Click(edit.page == 3 ? "btn3DEditorPage" : "btnEffectEditorPage");
        Check("CheckBox_EffectEnabled", true);
        // (Switching 3D on shows red/blue at once: that page starts from it.)
        ASSERT_TRUE(edit.page == 3 || WaitFor([&] { return MeanDifference(Shown(), plain) < 0.5; }, 3000))
            << "back to the plain picture: " << MeanDifference(Shown(), plain) << " " << Shown().width() << "x"
            << Shown().height() << " " << plain.width() << "x" << plain.height();
        const QImage before = Settled();
        edit.act(*this);
        const int waited = WaitChange(before);
        EXPECT_GE(waited, 0) << "the paused player shows the edit without play or seek";
        EXPECT_TRUE(Paused());
        Seen s{&edit, Settled(), static_cast<int>(player->GetIPlayerCurTime().ToSeconds()), waited, nullptr, nullptr};
        s.record = Queue(QString("edit%1").arg(seen.size()));
        ASSERT_NE(s.record, nullptr) << GetQuentaException()->GetExceptionMsg();
        records.push_back(s.record);
        s.task = tasks.back().get();
        if (edit.turned)
            EXPECT_GT(s.shown.height(), s.shown.width()) << "a quarter turn shows tall";
        else
            EXPECT_LT(s.shown.height(), s.shown.width());
        seen.push_back(std::move(s));
    }

    // Clockwise is clockwise: the turned picture is the plain one turned
    // to the right (the test picture has nothing symmetric about it).
    const QTransform right = QTransform().rotate(90), left = QTransform().rotate(-90);
    for (const Seen& s : seen) {
        if (!s.edit->turned)
            continue;
        const bool cw = std::string(s.edit->what) == "turn clockwise";
        const QSize size(48, 64);
        const double toRight = MeanDifference(Small(s.shown, size), Small(plain.transformed(right), size));
        const double toLeft = MeanDifference(Small(s.shown, size), Small(plain.transformed(left), size));
        EXPECT_LT(cw ? toRight : toLeft, 6.0) << s.edit->what;
        EXPECT_GT(cw ? toLeft : toRight, 20.0) << s.edit->what;
    }

    ASSERT_TRUE(RunAll(records)) << "every conversion finishes";
    for (const Seen& s : seen) {
        SCOPED_TRACE(s.edit->what);
        const std::string out = s.task->GetTaskDstFilePath().toStdString();
        EXPECT_EQ(Probe(out, "width,height"), "320,240") << "a turn changes nothing about the output's frame";
        const int index = (s.ms > 0 ? s.ms : plainMs) * 25 / 1000 + 2;
        const QImage frame = OutputPicture(out, index, s_folder->Dir());
        ASSERT_FALSE(frame.isNull());
        const double aspect = static_cast<double>(s.shown.width()) / s.shown.height();
        const QSize size = s.edit->turned ? QSize(45, 60) : QSize(80, 60);
        const double diff = MeanDifference(Small(s.shown, size), Small(Content(frame, aspect), size));
        EXPECT_LE(diff, 3.0) << "the player shows what the file gets";
        if (getenv("FABLECUT_TEST_VERBOSE"))
            fprintf(stderr, "%s: shown after %d ms, %dx%d, %.2f levels from the file's picture %d\n", s.edit->what,
                    s.waited, s.shown.width(), s.shown.height(), diff, index);
    }
}

TEST_F(PageWithTimeline, ATurnedFirstClipKeepsItsShapeAndLeavesTheOthersAndThePixelsSquare)
{
    Insert(3);
    ClickTimeline(1.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    const QImage plain = Settled();
    // Where in its clip the picture on screen lies, in pictures.
    const int offset = static_cast<int>(player->GetIPlayerCurTime().ToSeconds()) * 25 / 1000 + 2;
    Click("btnEffectEditorPage");
    Check("CheckBox_EffectEnabled", true);
    const QImage before = Shown();
    Click("btnRotateCW");
    ASSERT_GE(WaitChange(before), 0);
    const QImage turned = Settled();
    EXPECT_GT(turned.height(), turned.width());
    // The next clip, chosen with the mouse, shows its own untouched picture.
    ClickTimeline(4.5);
    ASSERT_TRUE(
        WaitFor([&] { return Shown().width() > Shown().height() && MeanDifference(Shown(), plain) < 3.0; }, 5000))
        << "another clip's turn is not shown on this one";

    Moorland::ConvertTaskInfo2* record = Queue("threeclips");
    ASSERT_NE(record, nullptr) << GetQuentaException()->GetExceptionMsg();
    ASSERT_TRUE(RunAll({record}));
    const std::string out = tasks.back()->GetTaskDstFilePath().toStdString();
    EXPECT_EQ(Probe(out, "width,height"), "320,240");
    const std::string sar = Probe(out, "sample_aspect_ratio");
    EXPECT_TRUE(sar == "1:1" || sar == "N/A" || sar == "0:1" || sar.empty()) << sar;
    const QSize land(80, 60), tall(45, 60);
    const QImage first = OutputPicture(out, offset, s_folder->Dir());
    EXPECT_LE(
        MeanDifference(Small(Content(first, 0.75), tall), Small(plain.transformed(QTransform().rotate(90)), tall)), 4.0)
        << "the turned clip stands upright between bars";
    EXPECT_LT(qGray(first.pixel(20, 120)), 20) << "bar";
    for (int index : {offset + 75, offset + 150}) {
        const QImage other = OutputPicture(out, index, s_folder->Dir());
        EXPECT_LE(MeanDifference(Small(other, land), Small(plain, land)), 4.0)
            << index << ": fills the frame unchanged";
    }
}

TEST_F(PageWithTimeline, EachPictureTakesTheSettingsOfItsOwnClipUpToTheBorder)
{
    Insert(2);
    // The first clip gray, the second untouched.
    ClickTimeline(1.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    Click("btnEffectEditorPage");
    Check("CheckBox_EffectEnabled", true);
    PickEffect(EffectGray);
    ASSERT_TRUE(WaitFor([&] { return ChannelSpread(Shown()) <= 2; }, 3000));
    // Pictures just before the border are the first clip's: gray, though its
    // source has already gone on to the second clip; those after it are not.
    struct Case
    {
        double at;
        bool gray;
    } cases[] = {{2.92, true}, {2.5, true}, {3.08, false}, {2.96, true}, {1.0, true}};
    for (const Case& c : cases) {
        ClickRuler(c.at);
        const bool settled = WaitFor(
            [&] {
                const int ms = static_cast<int>(player->GetIPlayerCurTime().ToSeconds());
                return Paused() && std::abs(ms - c.at * 1000) < 60;
            },
            5000);
        ASSERT_TRUE(settled) << c.at << ": " << player->GetIPlayerCurTime().ToSeconds();
        const QImage shown = Settled();
        if (c.gray)
            EXPECT_LE(ChannelSpread(shown), 2) << c.at;
        else
            EXPECT_GT(ChannelSpread(shown), 60) << c.at;
        // The time box follows the play head (at its next tick).
        QLabel* box = Find<QLabel>("lblPlayTime");
        const QString expected = QString("00:00:0%1.").arg(int(c.at));
        EXPECT_TRUE(WaitFor([&] { return box->text().startsWith(expected); }, 1000))
            << c.at << ": " << box->text().toStdString();
    }
}

TEST_F(PageWithTimeline, AResizeOrASplitWhilePausedDrawsThePictureWholeAtTheNewSize)
{
    Insert(1);
    ClickTimeline(1.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    const QImage before = Settled();
    {
        // Paused and left alone, the player draws nothing more: a paint
        // that shows a presented picture asks for no new one.
        QSignalSpy presents(player, &VDCFramePlayer::signal_FramePresented);
        // A present already under way as the picture settled may still land
        // on a loaded machine: wait for a quiet spell, then watch.
        WaitFor(
            [&] {
                const int seen = presents.count();
                WaitFor([] { return false; }, 300);
                return presents.count() == seen;
            },
            3000);
        presents.clear();
        WaitFor([] { return false; }, 600);
        EXPECT_EQ(presents.count(), 0);
    }
    for (QSize size : {QSize(1500, 950), QSize(1000, 700)}) {
        page->resize(size);
        ASSERT_TRUE(WaitFor([&] { return player->GetPresentedImage().size() == player->size(); }, 3000))
            << player->width() << "x" << player->height();
        const QImage shown = Settled();
        EXPECT_LE(MeanDifference(Small(shown, QSize(80, 60)), Small(before, QSize(80, 60))), 6.0)
            << "the same picture, the whole of it, at the new size";
        EXPECT_NEAR(double(shown.width()) / shown.height(), 4.0 / 3.0, 0.02);
    }
    // Split at a picture inside the clip, then a ruler seek into the second
    // part: the timeline's picture keeps its shape, never stretched to the player.
    ClickRuler(1.5);
    ASSERT_TRUE(
        WaitFor([&] { return Paused() && std::abs(player->GetIPlayerCurTime().ToSeconds() - 1500) < 60; }, 5000));
    Click("btnSplit");
    ASSERT_TRUE(WaitFor([&] { return mgr->GetTimelineItem()->ChildItemsCount() == 2; }, 3000));
    ClickRuler(2.2);
    ASSERT_TRUE(
        WaitFor([&] { return Paused() && std::abs(player->GetIPlayerCurTime().ToSeconds() - 2200) < 60; }, 5000))
        << player->GetIPlayerCurTime().ToSeconds();
    const QImage afterSplit = Settled();
    EXPECT_NEAR(double(afterSplit.width()) / afterSplit.height(), 4.0 / 3.0, 0.02)
        << afterSplit.width() << "x" << afterSplit.height();
    EXPECT_EQ(player->GetPresentedImage().size(), player->size());
}

// Each edit in the clip editor, made with the mouse or the keyboard, reaches
// the timeline's clip through the project manager, which tells the timeline
// once; the paused player redraws at once, and the other clip keeps its own.
TEST_F(PageWithTimeline, EachEditorEditChangesTheTimelineClipThroughTheManagerOnce)
{
    Insert(2);
    ClickTimeline(1.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    CMediaSourceItem* edited = dynamic_cast<CMediaSourceItem*>(ClipAt(0));
    CMediaSourceItem* other = dynamic_cast<CMediaSourceItem*>(ClipAt(1));
    ASSERT_NE(edited, nullptr);
    ASSERT_NE(other, nullptr);
    Click("btnEffectEditorPage");
    Check("CheckBox_EffectEnabled", true);
    Click("btn3DEditorPage");
    Check("CheckBox_EffectEnabled", true);
    QApplication::processEvents();

    struct Row
    {
        const char* what;
        int page;
        std::function<void(PageWithTimeline&)> act;
        std::function<bool(const CMediaSourceItem&)> shows;
        bool redraws;
    };
    const int brightness = edited->GetBrightness();
    const int contrast = edited->GetContrast();
    const double volume = edited->GetVolume();
    const int depth = edited->Get3DEffectDepth();
    const std::vector<Row> rows = {
        {"brightness up", 1, [](PageWithTimeline& p) { p.Keys("sldEffectBrightness", Qt::Key_PageUp, 1); },
         [&](const CMediaSourceItem& c) { return c.GetBrightness() > brightness; }, true},
        {"contrast down", 1, [](PageWithTimeline& p) { p.Keys("sldEffectContrast", Qt::Key_PageDown, 1); },
         [&](const CMediaSourceItem& c) { return c.GetContrast() < contrast; }, true},
        {"gray", 1, [](PageWithTimeline& p) { p.PickEffect(EffectGray); },
         [](const CMediaSourceItem& c) { return c.GetEffectType() == EffectGray; }, true},
        {"mirror", 1, [](PageWithTimeline& p) { p.Click("btnFlipHorizontal"); },
         [](const CMediaSourceItem& c) { return c.IsMirror(); }, true},
        {"turn clockwise", 1, [](PageWithTimeline& p) { p.Click("btnRotateCW"); },
         [](const CMediaSourceItem& c) { return c.GetRotationAngle() % 360 != 0; }, true},
        {"3D red/green", 3, [](PageWithTimeline& p) { p.Click("btn3DEffectRedGreen"); },
         [](const CMediaSourceItem& c) { return c.Get3DEffectType() == E3DEffectType(2); }, true},
        {"3D deeper", 3, [](PageWithTimeline& p) { p.Click("btnDepthAdd"); },
         [&](const CMediaSourceItem& c) { return c.Get3DEffectDepth() == depth + 1; }, false},
        {"volume down", 2, [](PageWithTimeline& p) { p.Keys("sldVolumeAdjust", Qt::Key_PageDown, 1); },
         [&](const CMediaSourceItem& c) { return c.GetVolume() < volume; }, false},
        {"mute", 2, [](PageWithTimeline& p) { p.Click("btnVolumeControl"); },
         [](const CMediaSourceItem& c) { return c.GetMute(); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Click(row.page == 1 ? "btnEffectEditorPage" : row.page == 2 ? "btnVolumeEditorPage" : "btn3DEditorPage");
        QApplication::processEvents();
        const QImage before = Settled();
        QSignalSpy changed(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
        row.act(*this);
        EXPECT_EQ(changed.size(), 1) << "one notice for one edit";
        EXPECT_TRUE(row.shows(*edited));
        if (row.redraws) {
            EXPECT_GE(WaitChange(before), 0) << "the paused player shows the edit";
        }
        EXPECT_TRUE(Paused());
    }
    EXPECT_EQ(other->GetBrightness(), brightness) << "the clip not being edited keeps its settings";
    EXPECT_FALSE(other->IsMirror());
    EXPECT_FALSE(other->GetMute());
    EXPECT_EQ(other->GetEffectType(), EffectNone);
}

// The paused picture of a clip follows the settings copied to it from the
// clip being edited (Apply to all), and a change made past the editor by
// another caller of the project manager: the player hears the manager's
// notice of every change, with nothing to poll.
TEST_F(PageWithTimeline, ThePausedPictureFollowsEachChangeTheManagerTells)
{
    Insert(2);
    ClickTimeline(0.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    Click("btnEffectEditorPage");
    Check("CheckBox_EffectEnabled", true);
    Keys("sldEffectBrightness", Qt::Key_PageUp, 5);
    const int brightness = CClipSettings::Of(ClipAt(0)).brightness;
    ASSERT_GT(brightness, 0) << "the first clip is the one edited";
    // The second clip on screen; the first stays the one edited.
    ClickRuler(3.5);
    ASSERT_TRUE(
        WaitFor([&] { return Paused() && std::abs(player->GetIPlayerCurTime().ToSeconds() - 3500) < 60; }, 5000))
        << player->GetIPlayerCurTime().ToSeconds();
    const QImage before = Settled();
    ASSERT_EQ(CClipSettings::Of(ClipAt(1)).brightness, 0);

    QSignalSpy notices(mgr.get(), &CMProjectMgr::signal_TimelineChanged);
    Click("btnApplyToAllClipItems");
    EXPECT_EQ(CClipSettings::Of(ClipAt(1)).brightness, brightness) << "the page's settings are copied";
    EXPECT_EQ(notices.size(), 1) << "one clip changed by the copy, one notice";
    EXPECT_GE(WaitChange(before, 2000), 0) << "the shown picture of the second clip takes the copied settings";
    EXPECT_GT(MeanLevel(Shown()), MeanLevel(before) + 5) << "brighter";
    EXPECT_TRUE(Paused());

    // No editor asks the player to redraw: the notice alone does.
    const QImage copied = Settled();
    CClipSettingsChange gray;
    gray.effect = EffectGray;
    ASSERT_TRUE(mgr->ChangeClipSettings(ClipAt(1), gray));
    EXPECT_GE(WaitChange(copied, 2000), 0) << "the change told by the manager is shown";
    EXPECT_LE(ChannelSpread(Settled()), 2) << "gray";
    EXPECT_TRUE(Paused());
}

// A clip muted on the volume page is silent in the converted file, and the
// unmuted clip beside it keeps its sound: the file sounds as the player did.
TEST_F(PageWithTimeline, AMutedClipConvertsSilentBesideAnUnmutedOne)
{
    CMediaSourceItem sound;
    sound.SetAVManager(media.manager);
    sound.SetSrcFileFullPath(QString::fromStdString(s_folder->Path("sound.mp4")));
    sound.setName("sound");
    ASSERT_TRUE(sound.OpenImporter()) << GetQuentaException()->GetExceptionMsg();
    sound.UpdateMovieInfos();
    mgr->slot_InsertItemsByIndex({&sound, &sound}, -1);
    page->GetTimeLineView()->getScene()->updateClipsTime(false);
    QApplication::processEvents();
    const double first = ClipAt(0)->GetTrimDuration().ToSeconds();
    ASSERT_GT(first, 1.5);

    ClickTimeline(0.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    Click("btnVolumeEditorPage");
    Click("btnVolumeControl");
    ASSERT_TRUE(CClipSettings::Of(ClipAt(0)).SoundLines().mute) << "the mute button mutes the clip being edited";
    ASSERT_FALSE(CClipSettings::Of(ClipAt(1)).SoundLines().mute);

    Moorland::ConvertTaskInfo2* record = Queue("muted-beside-unmuted");
    ASSERT_NE(record, nullptr) << GetQuentaException()->GetExceptionMsg();
    ASSERT_TRUE(RunAll({record})) << "the conversion finishes";
    const std::string out = tasks.back()->GetTaskDstFilePath().toStdString();
    const double muted = MaxVolume(out, 0.2, first - 0.4);
    const double loud = MaxVolume(out, first + 0.2, first - 0.4);
    ASSERT_FALSE(std::isnan(loud)) << "the file has sound";
    EXPECT_LT(muted, -60.0) << "the muted clip is silent";
    EXPECT_GT(loud, -30.0) << "the clip beside it is heard";
}

TEST_F(PageWithTimeline, DeletingTheClipOnScreenLeavesThePlayerBlank)
{
    Insert(1);
    ClickTimeline(1.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    ASSERT_GT(MeanLevel(Settled()), 40);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_EQ(mgr->GetTimelineItem()->ChildItemsCount(), 0);
    EXPECT_TRUE(WaitFor([&] { return MeanLevel(player->GetPresentedImage()) < 3; }, 3000))
        << "no picture of the deleted clip stays: " << MeanLevel(player->GetPresentedImage());
    EXPECT_EQ(Find<QLabel>("lblPlayTime")->text(), "00:00:00.000/00:00:00.000");
}

// A delete that leaves clips behind: the player shows the picture at the
// play head at once (its time and the timeline's length), never an empty 0/0.
TEST_F(PageWithTimeline, DeletingAClipLeavesThePictureAtThePlayHead)
{
    Insert(3);
    // The play head inside the first clip, then that clip chosen: the head
    // stays, and after the delete it lies inside the clip that moved up.
    ClickRuler(1.5);
    ClickTimeline(0.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_EQ(mgr->GetTimelineItem()->ChildItemsCount(), 2);
    EXPECT_TRUE(WaitFor([&] { return !Shown().isNull() && MeanLevel(Shown()) > 40; }, 5000))
        << "the remaining clip's picture is shown: " << MeanLevel(player->GetPresentedImage());
    auto* time = Find<QLabel>("lblPlayTime");
    EXPECT_TRUE(WaitFor([&] { return !time->text().endsWith("/00:00:00.000"); }, 3000))
        << "the player holds the timeline: " << time->text().toStdString();
}

TEST_F(PageWithTimeline, AStillImageShowsItsColourEditAsTheConversionWritesIt)
{
    CMediaSourceItem still;
    still.SetAVManager(media.manager);
    still.SetSrcFileFullPath(QString::fromStdString(s_folder->Path("still.png")));
    ASSERT_TRUE(still.OpenImporter()) << GetQuentaException()->GetExceptionMsg();
    still.UpdateMovieInfos();
    mgr->slot_InsertItemsByIndex({&still}, -1);
    page->GetTimeLineView()->getScene()->updateClipsTime(false);
    QApplication::processEvents();
    ClickTimeline(0.5);
    ASSERT_TRUE(WaitFor([&] { return Paused() && !Shown().isNull(); }, 10000));
    const QImage plain = Settled();
    Click("btnEffectEditorPage");
    Check("CheckBox_EffectEnabled", true);
    Keys("sldEffectContrast", Qt::Key_PageUp, 6);
    Keys("sldEffectBrightness", Qt::Key_PageDown, 3);
    ASSERT_GE(WaitChange(plain), 0);
    const QImage shown = Settled();
    const int ms = static_cast<int>(player->GetIPlayerCurTime().ToSeconds());
    Moorland::ConvertTaskInfo2* record = Queue("still");
    ASSERT_NE(record, nullptr) << GetQuentaException()->GetExceptionMsg();
    ASSERT_TRUE(RunAll({record}));
    const QImage frame =
        OutputPicture(tasks.back()->GetTaskDstFilePath().toStdString(), ms * 25 / 1000 + 1, s_folder->Dir());
    ASSERT_FALSE(frame.isNull());
    const QSize size(80, 60);
    EXPECT_LE(MeanDifference(Small(shown, size), Small(Content(frame, 4.0 / 3.0), size)), 3.0);
}
