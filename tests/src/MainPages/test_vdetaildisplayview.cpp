#include "LibraryViewsTestMedia.h"

#include "MainPages/ccheckedheader.h"
#include "MainPages/fmdmediatreeview.h"
#include "MainPages/mediaslibmimetype.h"
#include "MainPages/mediashowdetailsdelegate.h"
#include "MainPages/vdetaildisplayview.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using Fablecut::CMediaSourceItem;
using Fablecut::CSourceData;
using Fablecut::ISourceDataItem;

namespace {

// A details page over a copy of the imported library, wired as the library
// panel wires it: removals and renames reach the library at once.
struct Details : ::testing::Test
{
    std::unique_ptr<CSourceData> library;
    std::unique_ptr<VDetailDisplayView> panel;
    FMDMediaTreeView* view = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(LibTest::Library::Get().Ok());
        library = LibTest::Library::Get().Copy();
        Make();
    }
    void Make()
    {
        panel = std::make_unique<VDetailDisplayView>();
        view = panel->treeView();
        panel->setSourceData(library.get());
        QObject::connect(panel.get(), &VDetailDisplayView::signal_MediasDetails_DeleteSelectedItem,
                         [this](QStringList paths) {
                             for (const QString& path : paths)
                                 library->RemoveSourceDataItemByFullPath(path);
                         });
        QObject::connect(panel.get(), &VDetailDisplayView::signal_MediasDetails_RenameSelectedItem,
                         [this](QString name, QString path) {
                             if (ISourceDataItem* item = library->GetSourceDataItemByFullPath(path))
                                 item->setName(name);
                         });
        panel->resize(700, 500);
        panel->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
        panel->refreshTheModel();
    }
    // Copies of the imported clips under new names, so the list is long.
    void Widen(int total)
    {
        const std::vector<ISourceDataItem*> items = library->GetSourceDataItems();
        for (int i = library->GetSourceDataItemsCount(); i < total; ++i) {
            auto* copy = new CMediaSourceItem(*static_cast<CMediaSourceItem*>(items[i % items.size()]));
            copy->SetSrcFileFullPath(LibTest::Library::Get().Dir() + QString("/copy%1.mp4").arg(i));
            copy->setName(QString("copy%1").arg(i));
            ASSERT_TRUE(library->AppendSoureDataItem(copy));
        }
        panel->refreshTheModel();
    }
    QStringList Paths() const
    {
        QStringList paths;
        for (int row = 0; row < panel->getModelsCount(); ++row)
            paths << panel->model()->index(row, 0).data(Qt::UserRole + 2).toString();
        return paths;
    }
    QPoint RowPoint(int row, int column = 1) const
    {
        return view->visualRect(panel->model()->index(row, column)).center();
    }
};

} // namespace

TEST_F(Details, ColumnWidthsFollowThePanelWidth)
{
    // A narrow panel takes the room from the name (elided), never from the
    // type at the right end.
    struct Case
    {
        int width;
        QList<int> columns;
    };
    const Case cases[] = {
        {400, {110, 100, 70, 150, 50}}, {600, {206, 100, 84, 150, 60}}, {1000, {350, 160, 140, 250, 100}}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.columns, VDetailDisplayView::ColumnWidths(c.width)) << c.width;
        panel->resize(c.width, 400);
        QCoreApplication::processEvents();
        QList<int> shown;
        for (int i = 0; i < 5; ++i)
            shown << view->header()->sectionSize(i);
        EXPECT_EQ(VDetailDisplayView::ColumnWidths(panel->ColumnsRoom(c.width)), shown) << c.width;
    }
    for (int width : {560, 640, 800}) {
        panel->resize(width, 400);
        QCoreApplication::processEvents();
        panel->refreshTheModel();
        QHeaderView* header = view->header();
        const int typeEnd = header->sectionViewportPosition(4) + header->sectionSize(4);
        EXPECT_LE(typeEnd, view->viewport()->width()) << width << ": the type column is whole";
        for (int row = 0; row < panel->getModelsCount(); ++row) {
            const QString type = panel->model()->index(row, 4).data().toString();
            EXPECT_GE(header->sectionSize(4), view->fontMetrics().horizontalAdvance(type))
                << width << ": " << type.toStdString() << " fits";
        }
    }
}

TEST_F(Details, CtrlSelectedRowsAreDeletedExactly)
{
    Widen(9);
    const QStringList before = Paths();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(5));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(2));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(7));
    ASSERT_EQ(3, panel->getSelectedCount());
    QSignalSpy deleted(panel.get(), &VDetailDisplayView::signal_MediasDetails_DeleteSelectedItem);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Delete);
    ASSERT_EQ(1, deleted.size());
    EXPECT_EQ((QStringList{before[7], before[2], before[5]}), deleted.last().at(0).toStringList());
    QStringList expected = before;
    for (int row : {7, 5, 2})
        expected.removeAt(row);
    EXPECT_EQ(expected, Paths());
    EXPECT_EQ(6, library->GetSourceDataItemsCount());
    EXPECT_EQ(before[6], panel->model()->index(view->currentIndex().row(), 0).data(Qt::UserRole + 2).toString())
        << "the row after the row-5 item is current";

    // The last row goes: the one above it becomes current.
    view->clearSelection();
    const int last = panel->getModelsCount() - 1;
    panel->slot_MediasLib_delSelectedModels({panel->model()->index(last, 0)});
    EXPECT_EQ(last - 1, view->currentIndex().row());
    deleted.clear();
    panel->slot_MediasLib_delSelectedModels({});
    ASSERT_EQ(1, deleted.size());
    EXPECT_TRUE(deleted.last().at(0).toStringList().isEmpty());
}

// Missing files keep their rows, which say so until the files are back;
// a removed prefix takes its rows out.
TEST_F(Details, MissingFilesAreMarkedAndPrefixesRemoveTheirRows)
{
    const QStringList paths = LibTest::Library::Get().Paths();
    QSignalSpy deleted(panel.get(), &VDetailDisplayView::signal_MediasDetails_DeleteSelectedItem);
    auto missingRows = [&] {
        QStringList rows;
        for (const QModelIndex& index : panel->model()->getCurModels())
            if (index.data(FMDMediaTreeModel::MissingRole).toBool())
                rows << index.data(FMDMediaTreeModel::FullPathRole).toString();
        rows.sort();
        return rows;
    };
    panel->slot_setMissingFiles({"/not/shown.mp4"});
    panel->slot_removeThoseDonotExistMedias("");
    EXPECT_EQ(0, deleted.size());
    EXPECT_TRUE(missingRows().isEmpty());
    panel->slot_setMissingFiles({paths[4], "/not/shown.mp4", paths[1]});
    EXPECT_EQ(0, deleted.size()) << "a missing file deletes nothing";
    EXPECT_EQ(6, panel->getModelsCount());
    EXPECT_EQ((QStringList{paths[1], paths[4]}), missingRows());
    for (const QModelIndex& index : panel->model()->getCurModels())
        if (index.data(FMDMediaTreeModel::FullPathRole).toString() == paths[4])
            EXPECT_TRUE(index.data(Qt::ToolTipRole).toString().contains("The file no longer exists: " + paths[4]));
    // A rebuild keeps the marks; a file back loses its mark.
    panel->refreshTheModel();
    EXPECT_EQ((QStringList{paths[1], paths[4]}), missingRows());
    panel->slot_setMissingFiles({paths[1]});
    EXPECT_EQ((QStringList{paths[1]}), missingRows());
    panel->slot_setMissingFiles({});
    EXPECT_TRUE(missingRows().isEmpty());
    panel->slot_removeThoseDonotExistMedias(LibTest::Library::Get().Dir() + "/");
    EXPECT_EQ(0, panel->getModelsCount());
    EXPECT_EQ(0, library->GetSourceDataItemsCount());
}

TEST_F(Details, SortKeysGoThroughTheHeader)
{
    qRegisterMetaType<Qt::SortOrder>();
    QSignalSpy sorted(panel.get(), &VDetailDisplayView::signal_FMDSortTypeChanged);
    panel->setFMD_SortModeType(FMD_SortNone, Qt::AscendingOrder);
    EXPECT_EQ(FMD_SortByName, panel->getFMD_SortModeType());
    panel->setFMD_SortModeType(FMD_SortBySize, Qt::DescendingOrder);
    EXPECT_EQ(FMD_SortBySize, panel->getFMD_SortModeType());
    ASSERT_GE(sorted.size(), 2);
    EXPECT_EQ(2, sorted.last().at(0).toInt());
    EXPECT_EQ(Qt::DescendingOrder, sorted.last().at(1).value<Qt::SortOrder>());
    for (int row = 1; row < panel->getModelsCount(); ++row)
        EXPECT_GE(panel->model()->itemForIndex(panel->model()->index(row - 1, 0))->fileSize,
                  panel->model()->itemForIndex(panel->model()->index(row, 0))->fileSize);
}

TEST_F(Details, RenameInPlaceReachesTheLibrary)
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(2));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F2);
    auto* editor = view->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    const QRect cell = view->visualRect(panel->model()->index(2, 0));
    EXPECT_EQ(cell.topLeft() + QPoint(50, 6), editor->pos());
    editor->selectAll();
    QTest::keyClicks(editor, "renamed clip");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the editor commits through a queued call
    EXPECT_EQ("renamed clip", library->GetSourceDataItemByIndex(2)->Name());
    EXPECT_EQ("renamed clip", panel->model()->index(2, 0).data().toString());

    // A forbidden character: the row keeps its name.
    panel->setCurrentIndex(panel->model()->index(2, 0));
    QTest::keyClick(view, Qt::Key_F2);
    editor = view->findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "a:b");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ("renamed clip", panel->model()->index(2, 0).data().toString());
}

TEST_F(Details, StaleIndexesReachNoDeletedRow)
{
    QSignalSpy plays(panel.get(), &VDetailDisplayView::signal_MediasLib_itemPlay);
    // Right-click a row, rebuild, then Play and Find Target from the menu.
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(3));
    view->contextMenu()->hide();
    ASSERT_TRUE(FMDMediaTreeView::CurrentFocusItem().isValid());
    panel->refreshTheModel();
    EXPECT_FALSE(FMDMediaTreeView::CurrentFocusItem().isValid());
    const QList<QAction*> actions = view->menuActions();
    actions[0]->trigger(); // Play
    actions[1]->trigger(); // Find Target
    EXPECT_EQ(0, plays.size());

    // Press a row (the model takes the selection), rebuild, then drag.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(1, 0));
    ASSERT_EQ(1, panel->getSelectedCount());
    panel->refreshTheModel();
    EXPECT_EQ(0, panel->getSelectedCount());
    EXPECT_EQ(nullptr, panel->model()->mimeData({panel->model()->index(0, 0)}));

    // A double click on the duration plays that row; on the name it edits.
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(4, 1));
    ASSERT_EQ(1, plays.size());
    EXPECT_EQ(LibTest::Library::Get().Paths()[4], plays.last().at(0).toString());
}

TEST_F(Details, MenuFollowsTheSelection)
{
    const QList<QAction*> a = view->menuActions(); // Play, Find, Delete, Rename, Select All, Up, Down
    auto enabled = [&a] {
        QList<bool> on;
        for (QAction* action : a)
            on << action->isEnabled();
        return on;
    };
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(20, view->viewport()->height() - 5));
    EXPECT_EQ((QList<bool>{false, false, false, false, true, false, false}), enabled());
    view->contextMenu()->hide();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(1));
    EXPECT_EQ((QList<bool>{true, true, true, true, true, true, true}), enabled());
    view->contextMenu()->hide();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(3));
    QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, RowPoint(3));
    EXPECT_EQ((QList<bool>{false, false, true, false, true, false, false}), enabled());
    view->contextMenu()->hide();

    // Move Up from the menu keeps the moved row current; on the first row it
    // changes nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(1));
    const QStringList before = Paths();
    a[5]->trigger();
    EXPECT_EQ(before[1], Paths()[0]);
    EXPECT_EQ(0, view->currentIndex().row());
    a[5]->trigger();
    EXPECT_EQ(before[1], Paths()[0]);
    EXPECT_EQ(0, view->currentIndex().row());
}

TEST_F(Details, DroppedFilesAreImportedAndLibraryRowsChangeNothing)
{
    QSignalSpy drops(panel.get(), &VDetailDisplayView::signal_MediasLib_dragTaskList);
    struct Case
    {
        QList<QUrl> urls;
        QStringList paths;
    };
    const Case cases[] = {
        {{QUrl::fromLocalFile("/m/a.mp4"), QUrl("https://example.org/x.mp4"), QUrl::fromLocalFile("/m/b.mov")},
         {"/m/a.mp4", "/m/b.mov"}},
        {{QUrl("https://example.org/x.mp4")}, {}}};
    for (const Case& c : cases) {
        drops.clear();
        QMimeData data;
        data.setUrls(c.urls);
        QDragEnterEvent enter(RowPoint(0), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(RowPoint(0), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &drop);
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(c.paths.isEmpty() ? 0 : 1, drops.size());
        if (!c.paths.isEmpty()) {
            EXPECT_EQ(c.paths, drops.last().at(0).toStringList());
        }
    }
    const QStringList before = Paths();
    panel->model()->setSelectedModels({panel->model()->index(0, 0)});
    std::unique_ptr<QMimeData> own(panel->model()->mimeData({panel->model()->index(0, 0)}));
    QDropEvent drop(RowPoint(3), Qt::CopyAction, own.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view->viewport(), &drop);
    EXPECT_EQ(before, Paths());
}

TEST(MediaShowDetailsDelegate, RowGeometryAndDragBadge)
{
    GuiTest::App("libraryviews");
    const auto g = MediaShowDetailsDelegate::GeometryOf(QRect(0, 40, 300, 40));
    EXPECT_EQ(QRect(7, 47, 34, 26), g.frame);
    EXPECT_EQ(QRect(9, 49, 29, 21), g.picture);
    EXPECT_EQ(52, g.text.left());
    EXPECT_EQ(53, g.text.top());
    EXPECT_EQ(13, g.text.height());

    QImage wide(320, 180, QImage::Format_RGB32);
    wide.fill(Qt::white);
    for (int count : {3, 12}) {
        const QImage badge = FMDMediaTreeView::DragPicture(wide, count).toImage();
        EXPECT_EQ(QSize(96, 54), badge.size());
        const QRect square((96 - 18) / 2, (54 - 18) / 2, 18, 18);
        EXPECT_EQ(qRgb(0, 0, 255), (badge.pixel(square.topLeft()) & 0xffffffu) | 0xff000000u);
        EXPECT_EQ(qRgb(255, 255, 255), badge.pixel(square.left() - 1, square.top()) | 0xff000000);
    }
}

// A row's picture keeps its shape inside the 29x21 picture box; a missing
// file's box is dimmed, bars and all.
TEST(MediaShowDetailsDelegate, PictureKeepsItsShapeAndAMissingFileIsDimmed)
{
    GuiTest::App("libraryviews");
    MediaShowDetailsDelegate painter;
    QImage tall(180, 320, QImage::Format_RGB32);
    tall.fill(Qt::red);
    QStandardItemModel model(2, 1);
    for (int row = 0; row < 2; ++row) {
        model.setData(model.index(row, 0), "tall", Qt::DisplayRole);
        model.setData(model.index(row, 0), tall, Qt::DecorationRole);
    }
    model.setData(model.index(1, 0), true, FMDMediaTreeModel::MissingRole);
    const QRect box = MediaShowDetailsDelegate::GeometryOf(QRect(0, 40, 300, 40)).picture;
    for (int row = 0; row < 2; ++row) {
        QImage canvas(300, 120, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 40, 300, 40);
        option.state = QStyle::State_Enabled;
        painter.paint(&p, option, model.index(row, 0));
        p.end();
        QRect drawn;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (qRed(canvas.pixel(x, y)) > 200 && qGreen(canvas.pixel(x, y)) < 60)
                    drawn |= QRect(x, y, 1, 1);
        if (row == 0) {
            // 9:16 in 29x21: the full height, about 12 wide, centred between white bars.
            EXPECT_EQ(box.top(), drawn.top());
            EXPECT_EQ(21, drawn.height());
            EXPECT_NEAR(21 * 9.0 / 16.0, drawn.width(), 1.0);
            EXPECT_LE(std::abs((drawn.left() - box.left()) - (box.right() - drawn.right())), 1);
            EXPECT_EQ(qRgb(255, 255, 255), canvas.pixel(box.left(), box.center().y()));
        } else {
            EXPECT_TRUE(drawn.isEmpty()) << "the picture is dimmed";
            EXPECT_LT(qGray(canvas.pixel(box.left(), box.top())), 140) << "the bars are dimmed";
        }
    }
}
