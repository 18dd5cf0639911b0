// The import road through the real window: the library panel gathers, the
// page runs the progress dialog, the library manager imports on its thread,
// the failure report lists what was refused.

#include "../MainPages/GuiTestApp.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/csourcedata.h"
#include "MainPages/fmdmediatreemodel.h"
#include "MainPages/fmdmediatreeview.h"
#include "ProjectData/isourcedataitem.h"
#include "ProjectData/idcdataitem.h"
#include "main/mainwindow.h"
#include "ui_mainwindow.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "MainPages/vdetaildisplayview.h"
#include "Editor/veditorwidget.h"
#include "MainPages/vicondisplayview.h"
#include "MainPages/vresourcelib.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"
#include "SourcePage/vtimelineview.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QActionGroup>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using Fablecut::MainWindow;

namespace {

struct ImportFixture : ::testing::Test
{
    std::unique_ptr<MainWindow> window;
    VResourceLib* lib = nullptr;
    QString root;

    static void SetUpTestSuite() { GuiTest::App("test_mainwindow_import"); }

    void SetUp() override
    {
        CAppVariableInfo* s = CAppVariableInfo::GetInstance();
        s->SetInfoValue("CurSkinPath", QStringLiteral(FABLECUT_BIN_DIR "/skins/default"));
        // Folders with subfolders are taken whole, without the question.
        s->SetInfoValue("ImportSubDirOption", false);
        s->SetInfoValue("ImportSubDirResult", true);
        root = GuiTest::TempRoot() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        QDir(root).removeRecursively();
        QDir().mkpath(root);
        // Each test starts with an empty library: a list saved by the test
        // before would bring back its vanished files with a report.
        QFile::remove(s->GetAppHomePath() + "/" + s->GetInfoDefaultValue("MediaLibAutoSaveName").toString());
        // The program's languages, in English.
        IVantrel* platform = CreateVantrel();
        platform->GetLanguageProvider()->LoadLanguages(QStringLiteral(FABLECUT_BIN_DIR "/language"));
        platform->GetLanguageProvider()->SetLanguage("en_US");
        window = std::make_unique<MainWindow>(platform, nullptr);
        ASSERT_TRUE(window->StartupError().isEmpty());
        window->run();
        lib = window->form()->pgSource->GetSourceWorkSpace()->GetResourceLib();
    }

    QStringList LibraryPaths() const
    {
        QStringList paths;
        for (Fablecut::ISourceDataItem* item : window->sourceData()->GetSourceDataItems())
            paths << item->GetSrcFileFullPath();
        paths.sort();
        return paths;
    }
};

} // namespace

TEST_F(ImportFixture, AFolderWithSubfoldersLoopAndOtherFilesImportsTheClipsAndReportsTheRest)
{
    QDir().mkpath(root + "/media/B/deeper");
    QDir().mkpath(root + "/media/a");
    ASSERT_TRUE(GuiTest::MakeClip(root + "/media/B/deeper/one.mp4"));
    ASSERT_TRUE(GuiTest::MakeClip(root + "/media/a/two.mp4", false));
    ASSERT_TRUE(GuiTest::MakeClip(root + "/media/three.mp4"));
    ASSERT_TRUE(GuiTest::MakeAudioOnly(root + "/media/tone.m4a"));
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(root + "/media/a/picture.png"));
    QFile text(root + "/media/notes.txt");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not media");
    text.close();
    // A link back to the top folder: the walk must still end.
    ASSERT_TRUE(QFile::link(root + "/media", root + "/media/B/loop"));

    QStringList requested;
    QObject::connect(lib, &VResourceLib::signal_MediasLib_importSelected,
                     [&requested](QStringList paths) { requested = paths; });
    GuiTest::BoxWatcher boxes;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, window->importDialog(), &QProgressDialog::cancel);
    guard.start(60000);
    lib->ImportMediasUseFolder(root + "/media");
    EXPECT_TRUE(guard.isActive()) << "the import did not end";

    // Subfolders in name order (B before a), each complete, then the own files.
    ASSERT_EQ(6, requested.size()) << requested.join("\n").toStdString();
    EXPECT_TRUE(requested[0].endsWith("/B/deeper/one.mp4"));
    EXPECT_TRUE(requested[1].endsWith("/a/picture.png"));
    EXPECT_TRUE(requested[2].endsWith("/a/two.mp4"));
    EXPECT_TRUE(requested[3].endsWith("/notes.txt"));
    EXPECT_TRUE(requested[4].endsWith("/three.mp4"));
    EXPECT_TRUE(requested[5].endsWith("/tone.m4a"));

    EXPECT_EQ((QStringList{root + "/media/B/deeper/one.mp4", root + "/media/a/two.mp4", root + "/media/three.mp4"}),
              LibraryPaths());
    EXPECT_FALSE(window->importDialog()->isVisible());
    EXPECT_EQ(3, window->importDialog()->maximum() == 6 ? 3 : -1);
    ASSERT_EQ(1, boxes.texts.size()) << boxes.texts.join("\n").toStdString();
    const QString report = boxes.texts[0];
    EXPECT_TRUE(report.contains("following 3 files")) << report.toStdString();
    for (const char* name : {"picture.png", "notes.txt", "tone.m4a"})
        EXPECT_TRUE(report.contains(name)) << name;
    EXPECT_FALSE(report.contains("three.mp4"));

    // The views show the clips; a vanished file stays in the library, shown missing.
    EXPECT_EQ(3, lib->iconView()->getTableItemsCount());
    lib->updateLibraryMenuState();
    EXPECT_FALSE(lib->deleteSelectedAction()->isEnabled());
    EXPECT_TRUE(lib->sortGroup()->isEnabled());
    EXPECT_TRUE(lib->selectAllAction()->isEnabled());
    lib->selectAllAction()->trigger();
    lib->updateLibraryMenuState();
    EXPECT_TRUE(lib->deleteSelectedAction()->isEnabled());
    EXPECT_FALSE(lib->selectAllAction()->isEnabled());

    ASSERT_TRUE(QFile::remove(root + "/media/three.mp4"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return lib->missingFiles() == QStringList{root + "/media/three.mp4"}; }, 10000));
    EXPECT_EQ(3, LibraryPaths().size());
    EXPECT_EQ(3, lib->iconView()->getTableItemsCount());
}

TEST_F(ImportFixture, DroppedFilesAndFoldersMakeOneRequest)
{
    QDir().mkpath(root + "/drop/inner");
    ASSERT_TRUE(GuiTest::MakeClip(root + "/first.mp4"));
    ASSERT_TRUE(GuiTest::MakeClip(root + "/drop/inner/x.mp4"));
    ASSERT_TRUE(GuiTest::MakeClip(root + "/second.mp4"));
    QList<QStringList> requests;
    QObject::connect(lib, &VResourceLib::signal_MediasLib_importSelected,
                     [&requests](QStringList paths) { requests << paths; });
    GuiTest::BoxWatcher boxes;

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(root + "/gone.mp4"), QUrl::fromLocalFile(root + "/first.mp4"),
                  QUrl("https://example.org/clip.mp4"), QUrl::fromLocalFile(root + "/drop"),
                  QUrl::fromLocalFile(root + "/second.mp4")});
    VIconDisplayView* grid = lib->iconView();
    QDropEvent drop(grid->viewport()->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    ASSERT_TRUE(grid->viewport()->acceptDrops());
    QDragEnterEvent enter(grid->viewport()->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &enter);
    QCoreApplication::sendEvent(grid->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());

    ASSERT_EQ(1, requests.size());
    EXPECT_EQ((QStringList{root + "/first.mp4", root + "/drop/inner/x.mp4", root + "/second.mp4"}), requests[0]);
    EXPECT_EQ(root, CAppVariableInfo::GetInstance()->GetInfoValue("ImportFilePath", QVariant()).toString());
    EXPECT_EQ(3, LibraryPaths().size());
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("\n").toStdString();
}

TEST_F(ImportFixture, AFolderWithoutFilesSaysSo)
{
    QDir().mkpath(root + "/empty");
    QFile hidden(root + "/empty/.hidden.mp4");
    ASSERT_TRUE(hidden.open(QIODevice::WriteOnly));
    hidden.close();
    QSignalSpy requests(lib, &VResourceLib::signal_MediasLib_importSelected);
    GuiTest::BoxWatcher boxes;
    lib->ImportMediasUseFolder(root + "/empty");
    EXPECT_EQ(0, requests.count());
    ASSERT_EQ(1, boxes.texts.size());
    EXPECT_TRUE(boxes.texts[0].contains("There's no any file in directory \"" + root + "/empty\""));
}

TEST_F(ImportFixture, ExportedListImportsBackWithoutDuplicates)
{
    ASSERT_TRUE(GuiTest::MakeClip(root + "/kept.mp4"));
    GuiTest::BoxWatcher boxes;
    window->form()->pgSource->slot_MediasLib_importSelected({root + "/kept.mp4"});
    ASSERT_EQ(1, LibraryPaths().size());
    window->slot_ExportMediaLibrary(root + "/list.fml");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(root + "/list.fml"); }, 5000));
    QTest::qWait(200);
    window->slot_LoadMediaSourcefromFile(root + "/list.fml");
    EXPECT_EQ(nullptr, window->loadDialog());
    EXPECT_EQ(1, LibraryPaths().size());
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("\n").toStdString();
}

namespace {

// The share of pixels that are not near black.
double LitShare(const QImage& picture)
{
    if (picture.isNull())
        return 0;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    qint64 lit = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            lit += qGray(rgb.pixel(x, y)) > 24 ? 1 : 0;
    return double(lit) / (rgb.width() * rgb.height());
}

double MeanGray(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            sum += qGray(rgb.pixel(x, y));
    return rgb.isNull() ? 0 : sum / (rgb.width() * rgb.height());
}

} // namespace

TEST_F(ImportFixture, AnImportedClipPlaysInTheMainPlayerAndTheEditorChangesIt)
{
    const QString path = root + "/bars.mp4";
    ASSERT_TRUE(GuiTest::MakeClip(path, true, 6.0));
    window->resize(1180, 760);
    window->show();
    GuiTest::BoxWatcher boxes;
    VSourcerPage* page = window->form()->pgSource;
    page->slot_MediasLib_importSelected({path});
    ASSERT_EQ((QStringList{path}), LibraryPaths()) << boxes.texts.join("\n").toStdString();
    Fablecut::ISourceDataItem* item = window->sourceData()->GetSourceDataItemByFullPath(path);
    ASSERT_NE(nullptr, item);

    // A double click on the clip in the library plays it in the main player.
    VIconDisplayView* grid = lib->iconView();
    ASSERT_EQ(1, grid->getTableItemsCount());
    QTableWidgetItem* cell = nullptr;
    for (int r = 0; r < grid->rowCount() && !cell; ++r)
        for (int c = 0; c < grid->columnCount() && !cell; ++c)
            if (grid->item(r, c) && grid->item(r, c)->data(Qt::UserRole).toString() == path)
                cell = grid->item(r, c);
    ASSERT_NE(nullptr, cell);
    int plays = 0;
    QObject::connect(lib, &VResourceLib::signal_MediasLib_itemPlay, [&plays] { ++plays; });
    const QPoint at = grid->visualItemRect(cell).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, grid->visualItemRect(cell).center());
    ASSERT_EQ(1, plays);
    VDCMainPlayer* player = page->GetMainPlayer();
    auto* source = static_cast<IDCPlaySourceItem*>(item->GetInterFace("DC_PLAYSOURCE_INTERFACE"));
    EXPECT_EQ(source, player->GetSourceItem());

    // The picture reaches the player widget: most of it is lit test pattern.
    VDCFramePlayer* frame = player->GetFramePlayer();
    EXPECT_TRUE(QTest::qWaitFor([&] { return LitShare(frame->grab().toImage()) > 0.3; }, 15000))
        << "lit share " << LitShare(frame->grab().toImage());

    // Play and pause: the time runs while playing and rests while paused.
    auto* time = player->findChild<QLabel*>("lblPlayTime");
    auto* play = player->findChild<QToolButton*>("btnPlay");
    ASSERT_TRUE(time && play);
    const QString start = "00:00:00.000/";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !time->text().startsWith(start); }, 10000)) << time->text().toStdString();
    ASSERT_TRUE(play->isChecked());
    play->click();
    EXPECT_FALSE(play->isChecked());
    QTest::qWait(300);
    const QString paused = time->text();
    QTest::qWait(600);
    EXPECT_EQ(paused.toStdString(), time->text().toStdString());

    // The timeline makes the clip the edited one after a press in its track:
    // the work space shows the editor's picture page on it.
    VSourceWorkSpace* work = page->GetSourceWorkSpace();
    VTimeLineView* timeline = page->GetTimeLineView();
    emit timeline->signal_clipItemEditorEnableChanged(true);
    emit timeline->signal_initEditorSourceDataItemChanged(item);
    VEditorWidget* editor = work->GetEditor();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(work->libraryShown());
    auto* brightness = editor->findChild<QSlider*>("sldEffectBrightness");
    ASSERT_NE(nullptr, brightness);
    EXPECT_TRUE(brightness->isVisible());
    // The picture settings start switched off; the panel's check box turns
    // them on and tells the timeline.
    EXPECT_FALSE(brightness->isEnabled());
    QSignalSpy enabled(timeline, &VTimeLineView::signal_editorEnableChagned);
    auto* enable = editor->findChild<QCheckBox*>("CheckBox_EffectEnabled");
    ASSERT_NE(nullptr, enable);
    enable->click();
    EXPECT_EQ(1, enabled.count());
    ASSERT_TRUE(brightness->isEnabled());

    // Brightness from the editor writes the clip, tells the timeline, and the
    // picture the player shows next is brighter.
    const double before = MeanGray(frame->GetPresentedImage().copy(frame->GetCDCDrawFrameRect()));
    QSignalSpy applied(timeline, &VTimeLineView::signal_editorApplayToCurSelectedClips);
    brightness->setValue(brightness->maximum());
    auto* clip = dynamic_cast<Fablecut::CMediaSourceItem*>(item);
    ASSERT_NE(nullptr, clip);
    EXPECT_EQ(brightness->maximum(), clip->GetBrightness());
    EXPECT_GE(applied.count(), 1);
    play->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return MeanGray(frame->GetPresentedImage().copy(frame->GetCDCDrawFrameRect())) > before + 20; }, 10000))
        << before;
    player->Pause();

    // The editor speaks the program's languages.
    auto* reset = editor->findChild<QToolButton*>("btnReset");
    ASSERT_NE(nullptr, reset);
    const QList<QAction*> languages = window->languageGroup()->actions();
    ASSERT_EQ(3, languages.size());
    const struct
    {
        int entry;
        const char* reset;
    } cases[] = {{1, "Zurücksetzen"}, {2, "重新设定"}, {0, "Reset"}};
    for (const auto& c : cases) {
        languages[c.entry]->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(QString::fromUtf8(c.reset), reset->toolTip());
    }
    window->hide();
}

namespace {

// Drops local files on a view, as a file manager does.
void DropFiles(QWidget* viewport, const QStringList& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at = viewport->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
}

// Clicks an entry of a menu, opening the submenus on the way.
void ChooseFromMenu(QMenu* menu, const QStringList& texts)
{
    for (const QString& text : texts) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 3000)) << text.toStdString();
        QAction* chosen = nullptr;
        for (QAction* a : menu->actions())
            if (a->text().remove('&') == text)
                chosen = a;
        ASSERT_TRUE(chosen) << text.toStdString();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
        if (chosen->menu())
            menu = chosen->menu();
    }
}

} // namespace

TEST_F(ImportFixture, TheShownSortAndTheRowsAgreeThroughSwitchesImportsRenamesAndLanguages)
{
    // Durations 3, 1 and 2 s: the library's order (by path) is neither the
    // order by duration nor, with the sizes they get, the one by size.
    const struct
    {
        const char* name;
        double seconds;
    } clips[] = {{"a", 3.0}, {"b", 1.0}, {"c", 2.0}, {"d", 0.6}};
    QMap<QString, double> seconds;
    for (const auto& c : clips) {
        const QString path = root + "/" + c.name + ".mp4";
        ASSERT_TRUE(GuiTest::MakeClip(path, true, c.seconds));
        seconds[path] = c.seconds;
    }
    window->resize(1180, 760);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    GuiTest::BoxWatcher boxes;
    VIconDisplayView* grid = lib->iconView();
    FMDMediaTreeView* tree = lib->detailView()->treeView();
    auto gridOrder = [&] {
        QStringList paths;
        for (QTableWidgetItem* cell : grid->cellsInOrder())
            paths << cell->data(Qt::UserRole).toString();
        return paths;
    };
    auto rowOrder = [&] {
        QStringList paths;
        for (int r = 0; r < tree->model()->rowCount(); ++r)
            paths << tree->model()->index(r, 0).data(FMDMediaTreeModel::FullPathRole).toString();
        return paths;
    };
    auto checkedKey = [&] {
        QStringList checked;
        for (QMenu* m : lib->findChildren<QMenu*>())
            for (QAction* a : m->actions())
                if (a->isCheckable() && a->isChecked() && a->actionGroup() && a->actionGroup()->actions().size() == 5)
                    checked << a->text().remove(QLatin1Char('&'));
        return checked.join(",");
    };
    auto byDuration = [&](QStringList paths) {
        std::stable_sort(paths.begin(), paths.end(),
                         [&](const QString& x, const QString& y) { return seconds[x] < seconds[y]; });
        return paths;
    };
    auto bySize = [&](QStringList paths) {
        std::stable_sort(paths.begin(), paths.end(),
                         [&](const QString& x, const QString& y) { return QFileInfo(x).size() < QFileInfo(y).size(); });
        return paths;
    };
    auto openLibraryMenu = [&] {
        QTest::mouseClick(lib->findChild<QToolButton*>("btnResourceLibMenu"), Qt::LeftButton);
    };
    const QStringList three{root + "/a.mp4", root + "/b.mp4", root + "/c.mp4"};
    DropFiles(grid->viewport(), three);
    ASSERT_EQ(3, LibraryPaths().size()) << boxes.texts.join("\n").toStdString();
    EXPECT_EQ("Name", checkedKey());

    openLibraryMenu();
    ChooseFromMenu(lib->libraryMenu(), {"Sort By", "Duration"});
    EXPECT_EQ("Duration", checkedKey());
    EXPECT_EQ(byDuration(three), gridOrder()) << "grid after the menu";

    openLibraryMenu();
    ChooseFromMenu(lib->libraryMenu(), {"Details"});
    EXPECT_EQ(1, tree->header()->sortIndicatorSection());
    EXPECT_EQ(byDuration(three), rowOrder()) << "details after the switch";

    const QStringList four = three + QStringList{root + "/d.mp4"};
    DropFiles(tree->viewport(), {root + "/d.mp4"});
    ASSERT_EQ(4, LibraryPaths().size()) << boxes.texts.join("\n").toStdString();
    EXPECT_EQ("Duration", checkedKey());
    EXPECT_EQ(byDuration(four), rowOrder()) << "details after an import";

    // Rename c in place: F2 on its row, a new name, Enter.
    const int row = rowOrder().indexOf(root + "/c.mp4");
    tree->setFocus();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(tree->model()->index(row, 0)).center());
    QTest::keyClick(tree, Qt::Key_F2);
    QLineEdit* editor = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (editor = tree->findChild<QLineEdit*>()) && editor->isVisible(); }, 3000));
    editor->selectAll();
    QTest::keyClicks(editor, "zz renamed");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->sourceData()->GetSourceDataItemByFullPath(root + "/c.mp4")->Name() == "zz renamed"; },
        3000));
    EXPECT_EQ("Duration", checkedKey());
    EXPECT_EQ(byDuration(four), rowOrder()) << "details after a rename";

    // A click on the size column's header sorts by size; the icons take that sort.
    QHeaderView* header = tree->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + header->sectionSize(2) / 2, header->height() / 2));
    EXPECT_EQ("File Size", checkedKey());
    const QStringList sizeOrder = header->sortIndicatorOrder() == Qt::AscendingOrder ? bySize(four) : QStringList();
    if (!sizeOrder.isEmpty()) {
        EXPECT_EQ(sizeOrder, rowOrder()) << "details after a header click";
    }
    openLibraryMenu();
    ChooseFromMenu(lib->libraryMenu(), {"Large Icons"});
    EXPECT_EQ("File Size", checkedKey());
    EXPECT_EQ(bySize(four), gridOrder()) << "grid after the switch back";

    // Another language keeps the sort and the order.
    QList<QAction*> languages = window->languageGroup()->actions();
    ASSERT_GE(languages.size(), 2);
    languages[1]->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(bySize(four), gridOrder()) << "grid after a language change";
    QStringList checkedNow;
    for (QAction* a : lib->findChildren<QAction*>())
        if (a->isChecked() && a->actionGroup() && a->actionGroup()->actions().size() == 5)
            checkedNow << (a->actionGroup()->actions().indexOf(a) == 2 ? "size" : "other");
    EXPECT_EQ(QStringList{"size"}, checkedNow);
    languages[0]->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ("File Size", checkedKey());
    EXPECT_TRUE(boxes.texts.isEmpty()) << boxes.texts.join("\n").toStdString();
}
