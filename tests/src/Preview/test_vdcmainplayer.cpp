// The main player panel on a trimmed clip: display, slider and time signal
// counted from the trim start, seeks, the stop at the trim end, the frame
// strip's thumbnails, clicks and wheel steps, mute, and the snapshot button.

#include "PlayersTestMedia.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "utility/VPlayerSlider.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "FrameSelect/vmframeselectview.h"
#include "FrameSelect/vvideoframepixmapitem.h"
#include "FrameSelect/vvideoframeview.h"

#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QTest>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QGraphicsScene>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>

using PlayersTest::WaitFor;

namespace {

class MainPlayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PELLINO_REQUIRE_MEDIA();
        clip = PlayersTest::Clip(manager.manager, PellinoTest::Media::Get().Indexed());
        ASSERT_TRUE(clip);
        // The clip plays from 1 s to 3 s of its source (pictures 25 to 74).
        clip->SetTrimStartPoint(CBaseTime(1.0), true);
        clip->SetTrimEndPoint(CBaseTime(3.0), true);
        panel = std::make_unique<VDCMainPlayer>();
        panel->resize(640, 520);
        panel->SetAVManager(manager.manager);
        panel->show();
        frame = panel->GetFramePlayer();
    }
    void TearDown() override
    {
        panel.reset();
        clip.reset();
    }
    QString Display() { return panel->findChild<QLabel*>("lblPlayTime")->text(); }
    QToolButton* Button(const char* name) { return panel->findChild<QToolButton*>(name); }
    int ShownIndex()
    {
        const QImage all = frame->GetPresentedImage();
        return all.isNull() ? -1 : PlayersTest::PictureIndex(all.copy(frame->GetCDCDrawFrameRect()));
    }
    bool Shows(int index)
    {
        return WaitFor([&] { return ShownIndex() == index; });
    }

    MediaTest::ManagerHolder manager;
    std::unique_ptr<Fablecut::CMediaSourceItem> clip;
    std::unique_ptr<VDCMainPlayer> panel;
    VDCFramePlayer* frame = nullptr;
};

TEST_F(MainPlayer, WithoutAnItemTheControlsRest)
{
    panel->slot_OnUpdatePlayerTime();
    EXPECT_EQ(Display(), "00:00:00.000/00:00:00.000");
    EXPECT_EQ(panel->findChild<VPlayerSlider*>("sldPlayer")->value(), 0);
    EXPECT_EQ(panel->findChild<VPlayerSlider*>("sldVolume")->value(), 100);
    EXPECT_TRUE(Button("btnSnapshot")->isEnabled());
    EXPECT_FALSE(panel->Seek(CBaseTime(1.0)));
}

TEST_F(MainPlayer, CountsFromTheTrimStartAndStopsAtTheTrimEnd)
{
    ASSERT_TRUE(panel->SetSourceItem(clip.get(), true));
    EXPECT_TRUE(panel->GetEnablePlayer());
    panel->slot_OnUpdatePlayerTime();
    EXPECT_EQ(Display(), "00:00:00.000/00:00:02.000");

    QSignalSpy seeked(panel.get(), &VDCMainPlayer::signal_mainplayer_seeked);
    QSignalSpy times(panel.get(), &VDCMainPlayer::signal_mainplayer_playtimechanged);
    // Seeks take engine times (in the source): 2 s is 1 s into the range.
    ASSERT_TRUE(panel->Seek(CBaseTime(2.0)));
    EXPECT_EQ(seeked.count(), 1);
    EXPECT_TRUE(Shows(50)) << ShownIndex();
    ASSERT_TRUE(WaitFor([&] { return times.count() > 0; }));
    EXPECT_NEAR(times.last().at(0).value<CBaseTime>().ToSeconds(), 1.0, 1e-6);
    panel->slot_OnUpdatePlayerTime();
    EXPECT_EQ(Display(), "00:00:01.000/00:00:02.000");
    EXPECT_EQ(panel->findChild<VPlayerSlider*>("sldPlayer")->value(), 1000);

    // Stopped: a seek past the trim end is refused, one inside it is taken
    // (also when it lies past the range's length).
    panel->Stop();
    EXPECT_EQ(frame->GetPlayerRunState(), DCPlayerStopped);
    EXPECT_FALSE(panel->Seek(CBaseTime(3.5)));
    panel->Stop();
    EXPECT_TRUE(panel->Seek(CBaseTime(2.5)));
    EXPECT_TRUE(Shows(62)) << ShownIndex();

    // Playing on reaches the trim end and stops like the stop button.
    QSignalSpy stopped(panel.get(), &VDCMainPlayer::signal_mainplayer_stoped);
    std::vector<int> seen;
    QObject::connect(frame, &VDCFramePlayer::signal_FramePresented, [&] { seen.push_back(ShownIndex()); });
    const int timesBeforePlay = times.count();
    panel->Play();
    EXPECT_TRUE(Button("btnPlay")->isChecked());
    EXPECT_EQ(Button("btnPlay")->toolTip(), "Pause");
    ASSERT_TRUE(WaitFor([&] { return stopped.count() > 0; }));
    EXPECT_FALSE(Button("btnPlay")->isChecked());
    EXPECT_EQ(Button("btnPlay")->toolTip(), "Play");
    EXPECT_EQ(frame->GetPlayerRunState(), DCPlayerStopped);
    // The panel's tick stops at the trim end by the player's clock, and a
    // player on a busy machine leaves out pictures that come too late: which
    // ones were drawn says nothing, their order and range do.
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_GE(seen[i], 62) << "at " << i << ": nothing before the place played from";
        EXPECT_LE(seen[i], 74) << "at " << i << ": nothing past the trim end";
        if (i > 0)
            EXPECT_GE(seen[i], seen[i - 1]) << "at " << i << ": pictures in their order";
    }
    // It stopped because its time reached the end of the range (1.96 s is
    // the last picture's), not before.
    double reached = 0;
    for (int i = timesBeforePlay; i < times.count(); ++i)
        reached = std::max(reached, times.at(i).at(0).value<CBaseTime>().ToSeconds());
    EXPECT_GE(reached, 1.9);
}

// A left click of the mouse on the strip's thumbnail `index`.
void ClickThumbnail(VMFrameSelectView* strip, int index)
{
    auto* view = strip->findChild<VVideoFrameView*>("frameImage");
    ASSERT_NE(view, nullptr);
    for (QGraphicsItem* item : view->scene()->items()) {
        auto* thumb = dynamic_cast<VVideoFramePixmapItem*>(item);
        if (thumb && thumb->getIndex() == index) {
            const QPoint at = view->mapFromScene(thumb->mapToScene(thumb->pixmap().rect().center()));
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            return;
        }
    }
    ADD_FAILURE() << "no thumbnail " << index;
}

// One notch of the mouse wheel over the strip (negative: toward the user).
void Wheel(VMFrameSelectView* strip, int delta)
{
    auto* view = strip->findChild<VVideoFrameView*>("frameImage");
    const QPointF at(view->viewport()->width() / 2.0, view->viewport()->height() / 2.0);
    QWheelEvent event(at, view->viewport()->mapToGlobal(at.toPoint()), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &event);
}

TEST_F(MainPlayer, TheStripShowsTheNeighboursAndStepsByClickAndWheel)
{
    ASSERT_TRUE(panel->SetSourceItem(clip.get(), true));
    VMFrameSelectView* strip = panel->GetFrameSelectView();
    strip->resize(600, 70);
    strip->show();
    PlayersTest::Pump(50);
    ASSERT_TRUE(panel->Seek(CBaseTime(2.0)));
    ASSERT_TRUE(Shows(50));
    strip->updateClipFrames();
    const int count = strip->getItemsCount();
    ASSERT_GE(count, 3);
    ASSERT_EQ(count % 2, 1);
    QList<QImage> thumbs = strip->getShownImages();
    ASSERT_EQ(thumbs.size(), count);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(PlayersTest::PictureIndex(thumbs[i]), 50 + i - count / 2) << "thumbnail " << i;
    EXPECT_EQ(ShownIndex(), 50) << "fetching thumbnails leaves the picture";

    // A click two right of the centre moves two pictures on.
    ClickThumbnail(strip, count / 2 + 2);
    EXPECT_TRUE(Shows(52)) << ShownIndex();
    // Five wheel notches toward the user within 300 ms: five pictures on.
    for (int i = 0; i < 5; ++i)
        Wheel(strip, -120);
    EXPECT_TRUE(Shows(57)) << ShownIndex();
    // Both directions cancel out.
    for (int d : {-120, 120, 120})
        Wheel(strip, d);
    EXPECT_TRUE(Shows(56)) << ShownIndex();
    PlayersTest::Pump(400);
    EXPECT_EQ(ShownIndex(), 56);
    EXPECT_EQ(frame->GetPlayerRunState(), DCPlayerPaused);
    // The refresh after the steps shows the new neighbours.
    ASSERT_TRUE(WaitFor([&] {
        QList<QImage> t = strip->getShownImages();
        return t.size() == count && PlayersTest::PictureIndex(t[count / 2]) == 56;
    }));
    // A click left of the centre goes back, also with the skin's backgrounds.
    QPixmap hover(80, 62), normal(80, 62);
    hover.fill(Qt::blue);
    normal.fill(Qt::darkGray);
    strip->setImgHoverBg(hover);
    strip->setImgNormalBg(normal);
    strip->updateClipFrames();
    ClickThumbnail(strip, count / 2 - 1);
    EXPECT_TRUE(Shows(55)) << ShownIndex();
}

TEST_F(MainPlayer, MuteRemembersTheVolume)
{
    ASSERT_TRUE(panel->SetSourceItem(clip.get(), false));
    // The time tick joins the volume slider to the player.
    PlayersTest::Pump(300);
    auto* volume = panel->findChild<VPlayerSlider*>("sldVolume");
    volume->setValue(250);
    EXPECT_EQ(frame->GetVolume(), 250u);
    panel->SetMute(true);
    EXPECT_EQ(volume->value(), 0);
    EXPECT_EQ(frame->GetVolume(), 0u);
    panel->SetMute(false);
    EXPECT_EQ(volume->value(), 250);
    EXPECT_EQ(frame->GetVolume(), 250u);
    volume->setValue(0);
    EXPECT_TRUE(Button("btnVolume")->isChecked());
}

TEST_F(MainPlayer, TheSnapshotButtonPausesAndSavesThePictureAtTheSetSize)
{
    ASSERT_TRUE(panel->SetSourceItem(clip.get(), false));
    QTemporaryDir dir;
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTASORGSIZE, false);
    settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTWIDTH, 160);
    settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTHEIGHT, 120);
    settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH, dir.path());
    ASSERT_TRUE(panel->Seek(CBaseTime(2.0)));
    panel->Play();
    QSignalSpy paused(panel.get(), &VDCMainPlayer::signal_mainplayer_paused);
    const QString target = dir.path() + "/sub/shot.PNG";
    QDir().mkpath(dir.path() + "/sub");
    ModalDriver driver([&](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        EXPECT_TRUE(files->directory().absolutePath() == QDir(dir.path()).absolutePath());
        files->selectFile(target);
        QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(panel.get(), "on_btnSnapshot_clicked", Qt::DirectConnection);
    EXPECT_TRUE(driver.seen());
    EXPECT_GE(paused.count(), 1);
    EXPECT_EQ(frame->GetPlayerRunState(), DCPlayerPaused);
    QImage saved(target, "PNG");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(160, 120));
    EXPECT_EQ(settings->GetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH, QVariant()).toString(),
              QDir::toNativeSeparators(dir.path() + "/sub"));
}

TEST_F(MainPlayer, ASnapshotIsWrittenInTheTypeItsNameAndTheChosenFilterSay)
{
    ASSERT_TRUE(panel->SetSourceItem(clip.get(), false));
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTASORGSIZE, true);
    settings->SetInfoValue(VARIABLE_INFO_SANPSHOT_SAVE_FILTER, "PNG (*.png);;JPEG (*.jpg *.jpeg);;BMP (*.bmp)");
    const struct
    {
        const char* what;
        const char* typed;  // "" keeps the proposed name
        const char* filter; // "" keeps the first one offered
        const char* suffix; // of the file written
        const char* format; // as the file's own bytes say
    } cases[] = {
        {"the proposed name", "", "", "png", "png"},
        {"a name without suffix, JPEG chosen", "shot", "JPEG (*.jpg *.jpeg)", "jpg", "jpeg"},
        {"a .bmp name while PNG is chosen", "shot.bmp", "", "bmp", "bmp"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH, dir.path());
        ModalDriver driver([&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(files, nullptr);
            if (*c.filter)
                files->selectNameFilter(c.filter);
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            if (*c.typed) {
                name->selectAll();
                QTest::keyClicks(name, c.typed);
            }
            QTest::keyClick(name, Qt::Key_Return);
        });
        QTest::mouseClick(Button("btnSnapshot"), Qt::LeftButton);
        EXPECT_TRUE(driver.seen()) << c.what;
        const QFileInfoList written = QDir(dir.path()).entryInfoList(QDir::Files);
        ASSERT_EQ(1, written.size()) << c.what;
        EXPECT_EQ(QString(c.suffix), written[0].suffix()) << c.what << ": " << written[0].fileName().toStdString();
        QImageReader reader(written[0].filePath());
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(QByteArray(c.format), reader.format()) << c.what;
    }
}

// A snapshot that cannot be written is told, naming the file; the folder
// remembered for the next snapshot stays the one that worked.
TEST_F(MainPlayer, ASnapshotThatCannotBeWrittenIsTold)
{
    ASSERT_TRUE(panel->SetSourceItem(clip.get(), false));
    QTemporaryDir dir;
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTASORGSIZE, true);
    settings->SetInfoValue(VARIABLE_INFO_SANPSHOT_SAVE_FILTER, "PNG (*.png)");
    settings->SetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH, dir.path());
    // A folder nobody can write into, whoever runs the test: a plain file
    // stands where the folder should be.
    const QString blocker = dir.path() + "/holiday";
    {
        QFile f(blocker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString target = blocker + "/shot.png";
    QStringList told;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || !w->inherits("VRichMessageBox"))
                continue;
            if (auto* caption = w->findChild<QLabel*>("lblCaption"))
                told << caption->text();
            static_cast<QDialog*>(w)->done(QDialog::Accepted);
        }
    });
    watch.start(20);
    ModalDriver driver([&](QDialog* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        files->selectFile(target);
        QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
    });
    QTest::mouseClick(Button("btnSnapshot"), Qt::LeftButton);
    EXPECT_TRUE(driver.seen());
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains("could not be saved")) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains(QDir::toNativeSeparators(target))) << told[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_EQ(settings->GetInfoValue(VARIABLE_INFO_SNAPSHOTSAVEPATH, QVariant()).toString(), dir.path());
}

TEST(ImageFormats, SuffixesNameTheirFormat)
{
    const struct
    {
        const char* suffix;
        DCImageFormatType type;
    } cases[] = {{"jpg", DCImageJPG}, {"Jpeg", DCImageJPEG}, {"PNG", DCImagePNG}, {"tiff", DCImageTIFF},
                 {"tif", DCImageBMP}, {"", DCImageBMP},      {"tga", DCImageTGA}};
    for (const auto& c : cases)
        EXPECT_EQ(ImageFormatStrToType(c.suffix), c.type) << c.suffix;
}

} // namespace
