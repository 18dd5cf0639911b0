// Every thumbnail keeps its picture's shape inside its cell: wide, 4:3, tall
// and phone clips turned by their display matrix, imported through the real
// window, as the small and large icon grids, the details list and the
// timeline draw them, and the piece a split makes.

#include "MainWindowTestKit.h"
#include "../../MediaTestFolder.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "MainPages/fmdmediatreemodel.h"
#include "MainPages/fmdmediatreeview.h"
#include "MainPages/mediashowdetailsdelegate.h"
#include "MainPages/mediashowimagedelegate.h"
#include "MainPages/vdetaildisplayview.h"
#include "MainPages/vicondisplayview.h"
#include "MainPages/vresourcelib.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/ctimelineitem.h"
#include "ProjectData/isourcedataitem.h"
#include "SourcePage/vclipitem.h"
#include "SourcePage/vruler.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"
#include "main/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using Fablecut::MainWindow;

namespace {

struct Shape
{
    const char* name;
    int width, height; // as encoded
    int turn;          // the display matrix's clockwise turn
    double aspect;     // as shown: width / height
};

const Shape kShapes[] = {
    {"wide.mp4", 320, 180, 0, 16.0 / 9.0},        {"four-three.mp4", 320, 240, 0, 4.0 / 3.0},
    {"tall.mp4", 180, 320, 0, 9.0 / 16.0},        {"phone-90.mp4", 320, 180, 90, 9.0 / 16.0},
    {"phone-270.mp4", 320, 180, 270, 9.0 / 16.0},
};

// The red picture of every fixture among the window's greys.
bool IsPicture(QRgb p)
{
    return qRed(p) >= 140 && qGreen(p) <= 110 && qBlue(p) <= 110;
}

QRect PictureIn(const QImage& shot, const QRect& within)
{
    QRect found;
    const QRect area = within.intersected(shot.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (IsPicture(shot.pixel(x, y)))
                found |= QRect(x, y, 1, 1);
    return found;
}

// The drawn picture has the shape it is shown at, within a pixel or two of
// rounding and smoothing at its edges.
void ExpectShape(const QRect& drawn, double aspect, const std::string& where)
{
    ASSERT_FALSE(drawn.isEmpty()) << where << ": no picture drawn";
    const double widthForHeight = drawn.height() * aspect;
    EXPECT_LE(std::abs(drawn.width() - widthForHeight), 2.5)
        << where << ": drawn " << drawn.width() << "x" << drawn.height() << ", shape " << aspect;
}

class Thumbnails : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        GuiTest::App("test_mainwindow_thumbnails");
        s_folder = std::make_unique<MediaTest::Folder>("fablecut-shapes");
        for (const Shape& s : kShapes) {
            const std::string path = s_folder->Path(s.name);
            s_ok = s_ok && MediaTest::Run(
                               s_folder->FFmpeg() + "-f lavfi -i color=c=0xD02020:s=" + std::to_string(s.width) + "x" +
                               std::to_string(s.height) + ":r=5 -t 8 -c:v mpeg4 -pix_fmt yuv420p '" + path + "'");
            if (s.turn)
                s_ok = s_ok && MediaTest::TurnMp4(path, s.turn);
        }
    }
    static void TearDownTestSuite() { s_folder.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_ok);
        CAppVariableInfo* s = CAppVariableInfo::GetInstance();
        QFile::remove(s->GetAppHomePath() + "/" + s->GetInfoDefaultValue("MediaLibAutoSaveName").toString());
        s->SetInfoValue("CurSkinPath", QStringLiteral(FABLECUT_BIN_DIR "/skins/default"));
        s->SetInfoValue("TimeLineViewScaleValue", 12);
        IVantrel* platform = CreateVantrel();
        platform->GetLanguageProvider()->LoadLanguages(QStringLiteral(FABLECUT_BIN_DIR "/language"));
        platform->GetLanguageProvider()->SetLanguage("en_US");
        window = std::make_unique<MainWindow>(platform, nullptr);
        ASSERT_TRUE(window->StartupError().isEmpty());
        window->resize(1280, 800);
        window->run();
        lib = window->form()->pgSource->GetSourceWorkSpace()->GetResourceLib();
        QStringList paths;
        for (const Shape& s : kShapes)
            paths << Path(s);
        window->form()->pgSource->slot_MediasLib_importSelected(paths);
        ASSERT_EQ(int(std::size(kShapes)), window->sourceData()->GetSourceDataItemsCount());
    }
    void TearDown() override { window.reset(); }

    static QString Path(const Shape& s) { return QString::fromStdString(s_folder->Path(s.name)); }

    // Chooses an entry of the library menu with the pointer.
    void ChooseFromLibraryMenu(QAction* action)
    {
        QTest::mouseClick(lib->findChild<QToolButton*>("btnResourceLibMenu"), Qt::LeftButton);
        QMenu* menu = lib->libraryMenu();
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        QApplication::processEvents();
    }
    QAction* MenuAction(const QString& text)
    {
        for (QAction* a : lib->libraryMenu()->actions())
            if (a->text().remove('&') == text)
                return a;
        ADD_FAILURE() << "no library menu entry " << text.toStdString();
        return nullptr;
    }

    void ExpectGrid(const char* view)
    {
        VIconDisplayView* grid = lib->iconView();
        auto* delegate = static_cast<MediaShowImageDelegate*>(grid->itemDelegate());
        const QImage shot = grid->viewport()->grab().toImage();
        for (const Shape& s : kShapes) {
            QTableWidgetItem* cell = grid->getItemByFullPath(Path(s));
            ASSERT_NE(cell, nullptr) << s.name;
            const QRect box = delegate->thumbnailRect(grid->visualItemRect(cell));
            const QRect drawn = PictureIn(shot, box.adjusted(-2, -2, 2, 2));
            ExpectShape(drawn, s.aspect, std::string(view) + " " + s.name);
            EXPECT_TRUE(box.contains(drawn.adjusted(1, 1, -1, -1))) << view << " " << s.name << ": inside its box";
        }
    }

    std::unique_ptr<MainWindow> window;
    VResourceLib* lib = nullptr;
    static inline std::unique_ptr<MediaTest::Folder> s_folder;
    static inline bool s_ok = true;
};

} // namespace

TEST_F(Thumbnails, EveryViewKeepsThePictureShape)
{
    // The imported thumbnails themselves have the shown shape.
    for (Fablecut::ISourceDataItem* item : window->sourceData()->GetSourceDataItems()) {
        const QImage* thumb = item->GetThumbnailData();
        ASSERT_TRUE(thumb && !thumb->isNull()) << item->Name().toStdString();
        for (const Shape& s : kShapes)
            if (Path(s) == item->GetSrcFileFullPath())
                EXPECT_NEAR(double(thumb->width()) / thumb->height(), s.aspect, 0.02) << s.name;
    }

    ChooseFromLibraryMenu(MenuAction("Small Icons"));
    ExpectGrid("small icons");
    ChooseFromLibraryMenu(MenuAction("Large Icons"));
    ExpectGrid("large icons");

    ChooseFromLibraryMenu(MenuAction("Details"));
    VDetailDisplayView* details = lib->detailView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return details->isVisible(); }, 2000));
    FMDMediaTreeView* tree = details->treeView();
    const QImage rows = tree->viewport()->grab().toImage();
    int checked = 0;
    for (const QModelIndex& index : details->model()->getCurModels()) {
        const QString path = index.data(FMDMediaTreeModel::FullPathRole).toString();
        for (const Shape& s : kShapes) {
            if (Path(s) != path)
                continue;
            const QRect box = MediaShowDetailsDelegate::GeometryOf(tree->visualRect(index)).picture;
            ExpectShape(PictureIn(rows, box.adjusted(-1, -1, 1, 1)), s.aspect, std::string("details ") + s.name);
            ++checked;
        }
    }
    EXPECT_EQ(int(std::size(kShapes)), checked);

    // The timeline: every clip dropped on the track, each drawn at its shape.
    ChooseFromLibraryMenu(MenuAction("Small Icons"));
    VIconDisplayView* grid = lib->iconView();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->getItemByFullPath(Path(kShapes[0]))).center());
    for (size_t i = 1; i < std::size(kShapes); ++i)
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          grid->visualItemRect(grid->getItemByFullPath(Path(kShapes[i]))).center());
    std::unique_ptr<QMimeData> payload(grid->mimeData({}));
    ASSERT_NE(payload, nullptr);
    VTimeLineView* panel = window->form()->pgSource->GetTimeLineView();
    VTrackView* track = panel->getTrackView();
    MainWindowTest::DropOnTrack(track, payload.get());
    VTrackScene* scene = panel->getScene();
    const CTimelineItem* line = scene->getTimeLineItem();
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->ChildItemsCount() == int(std::size(kShapes)); }, 5000));
    QApplication::processEvents();

    auto expectTrack = [&](const char* when) {
        const QImage shot = track->viewport()->grab().toImage();
        for (VClipItem* clip : scene->getClipItems()) {
            const QString path = scene->getSourceDataItemPathByClipItem(clip);
            const QRect onScreen = track->mapFromScene(clip->sceneBoundingRect()).boundingRect();
            for (const Shape& s : kShapes)
                if (Path(s) == path && onScreen.right() < shot.width())
                    ExpectShape(PictureIn(shot, onScreen), s.aspect, std::string(when) + " " + s.name);
        }
    };
    expectTrack("timeline");

    // A split of the tall phone clip: the new piece's thumbnail is the
    // picture at its shape, not fitted into a wide canvas.
    const Shape& phone = kShapes[3];
    double start = 0;
    for (Fablecut::ISourceDataItem* clip : line->GetChildItems()) {
        if (clip->GetSrcFileFullPath() == Path(phone)) {
            start = clip->GetStartPoint().ToSeconds();
            break;
        }
    }
    const double middle = start + 4.0;
    QTest::mouseClick(track->viewport(), Qt::LeftButton, {}, track->mapFromScene(QPointF(middle, 40.0)));
    VRuler* ruler = panel->getRuler();
    const int x =
        static_cast<int>(std::lround(middle * panel->getPixelsPerSecond())) - track->horizontalScrollBar()->value();
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(x, ruler->height() / 2));
    VDCFramePlayer* player = window->form()->pgSource->GetMainPlayer()->GetFramePlayer();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return std::abs(player->GetIPlayerCurTime().ToSeconds() - middle * 1000) < 300; }, 10000))
        << player->GetIPlayerCurTime().ToSeconds();
    QTest::qWait(200);
    QTest::mouseClick(panel->findChild<QToolButton*>("btnSplit"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return line->ChildItemsCount() == int(std::size(kShapes)) + 1; }, 5000));
    Fablecut::ISourceDataItem* piece = nullptr;
    for (Fablecut::ISourceDataItem* clip : line->GetChildItems())
        if (clip->GetSrcFileFullPath() == Path(phone) && clip->GetStartPoint().ToSeconds() > start + 1.0)
            piece = clip;
    ASSERT_NE(piece, nullptr);
    const QImage* thumb = piece->GetThumbnailData();
    ASSERT_TRUE(thumb && !thumb->isNull());
    EXPECT_NEAR(double(thumb->width()) / thumb->height(), phone.aspect, 0.02)
        << thumb->width() << "x" << thumb->height();
    // Within the pixel the scaler blends at the picture's edges.
    for (QPoint corner : {QPoint(3, 3), QPoint(thumb->width() - 4, thumb->height() - 4)})
        EXPECT_TRUE(IsPicture(thumb->pixel(corner)))
            << "no bars around the picture, " << thumb->width() << "x" << thumb->height();
    // A moved trim start grabs the thumbnail again, at the clip's shape.
    Fablecut::ISourceDataItem* turned = nullptr;
    for (Fablecut::ISourceDataItem* clip : line->GetChildItems())
        if (clip->GetSrcFileFullPath() == Path(kShapes[4]))
            turned = clip;
    ASSERT_NE(turned, nullptr);
    ASSERT_TRUE(scene->getProjectMgr()->slot_SetItemTrimStartPoint(turned, CBaseTime(1.0)));
    thumb = turned->GetThumbnailData();
    ASSERT_TRUE(thumb && !thumb->isNull());
    EXPECT_NEAR(double(thumb->width()) / thumb->height(), kShapes[4].aspect, 0.02)
        << thumb->width() << "x" << thumb->height();
    scene->updateClipsTime(false);
    QApplication::processEvents();
    expectTrack("after the split and a trim");
}
