#include "LibraryViewsTestMedia.h"

#include "MainPages/mediaslibmimetype.h"
#include "MainPages/mediashowimagedelegate.h"
#include "MainPages/vicondisplayview.h"

#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

#include <gtest/gtest.h>

using Fablecut::CSourceData;
using Fablecut::ISourceDataItem;

namespace {

// A grid over a copy of the imported library, wired as the library panel
// wires it: a removal request takes the items out of the library at once.
struct Grid : ::testing::Test
{
    std::unique_ptr<CSourceData> library;
    std::unique_ptr<VIconDisplayView> grid;

    void SetUp() override
    {
        ASSERT_TRUE(LibTest::Library::Get().Ok());
        library = LibTest::Library::Get().Copy();
        qRegisterMetaType<Fablecut::ISourceDataItem*>();
        grid = std::make_unique<VIconDisplayView>();
        grid->setSourData(library.get());
        QObject::connect(grid.get(), &VIconDisplayView::signal_MediasLib_DelSelected, [this](QStringList paths) {
            for (const QString& path : paths)
                library->RemoveSourceDataItemByFullPath(path);
        });
        grid->setCurItemViewType(MediaItemViewSmall);
        grid->resize(3 * 80 + 20, 400);
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        grid->afterChangeViewSize();
    }

    QStringList ShownPaths() const
    {
        QStringList paths;
        for (QTableWidgetItem* cell : grid->cellsInOrder())
            paths << cell->data(Qt::UserRole).toString();
        return paths;
    }
    QPoint CenterOf(int row, int column) const { return grid->visualItemRect(grid->item(row, column)).center(); }
    QVector<quint32> DragEntries()
    {
        std::unique_ptr<QMimeData> data(grid->mimeData(grid->selectedItems()));
        return data ? MediasLibPayload::Unpack(data->data(STR_MediasLibMimeType)) : QVector<quint32>{};
    }
};

quint32 HandleOf(const QString& path)
{
    return MediasLibPayload::HandleOfPath(path);
}

} // namespace

TEST_F(Grid, ColumnsFollowTheWidthWithRoomForTheScrollBar)
{
    struct Case
    {
        MediaItemViewType type;
        int width;
        int columns;
    };
    const Case cases[] = {{MediaItemViewSmall, 300, 3}, {MediaItemViewSmall, 250, 2}, {MediaItemViewSmall, 50, 1},
                          {MediaItemViewSmall, 256, 3}, {MediaItemViewLarge, 400, 2}, {MediaItemViewLarge, 100, 1}};
    for (const Case& c : cases) {
        grid->setCurItemViewType(c.type);
        EXPECT_EQ(c.columns, grid->columnsForWidth(c.width)) << c.width;
        grid->resize(c.width, 300);
        QCoreApplication::processEvents();
        EXPECT_EQ(c.columns, grid->gridColumns()) << c.width;
        EXPECT_EQ(c.columns, grid->columnCount()) << c.width;
        EXPECT_EQ(LibTest::Library::Get().Paths(), ShownPaths()) << "every item still shown at " << c.width;
    }
}

TEST_F(Grid, FilterLeavesBlankCellsInPlace)
{
    grid->resize(4 * 80 + 16, 400);
    QCoreApplication::processEvents();
    ASSERT_EQ(4, grid->columnCount());
    const QStringList paths = LibTest::Library::Get().Paths();
    struct Case
    {
        MeDiasSourceDisplayType type;
        QList<int> shownIndexes;
    };
    const Case cases[] = {
        {MeDiasDisplayAll, {0, 1, 2, 3, 4, 5}}, {MeDiasDisplayVideo, {0, 1, 2, 3, 5}}, {MeDiasDisplayAudio, {4}}};
    for (const Case& c : cases) {
        grid->setDataType(c.type);
        EXPECT_EQ(2, grid->rowCount());
        EXPECT_EQ(c.shownIndexes.size(), grid->getTableItemsCount());
        for (int i = 0; i < 8; ++i) {
            QTableWidgetItem* cell = grid->item(i / 4, i % 4);
            ASSERT_TRUE(cell) << i;
            EXPECT_EQ(1000, cell->type());
            const bool shown = c.shownIndexes.contains(i);
            EXPECT_EQ(shown ? paths[i] : QString(), cell->data(Qt::UserRole).toString()) << i;
            EXPECT_EQ(shown, cell->flags() != Qt::NoItemFlags) << i;
        }
    }
}

TEST_F(Grid, CellsCarryTheirItemsThumbnailsAndTexts)
{
    QImage audio(20, 20, QImage::Format_RGB32);
    audio.fill(Qt::magenta);
    grid->setAudioItemThumbnial(audio);
    grid->refreshData(false);
    for (QTableWidgetItem* cell : grid->cellsInOrder()) {
        ISourceDataItem* item = library->GetSourceDataItemByFullPath(cell->data(Qt::UserRole).toString());
        ASSERT_TRUE(item);
        const QImage shown = cell->data(Qt::DecorationRole).value<QImage>();
        if (item->GetItemType() == 1) {
            EXPECT_EQ(audio, shown);
        } else {
            ASSERT_FALSE(item->GetThumbnailData()->isNull()) << item->Name().toStdString();
            EXPECT_EQ(*item->GetThumbnailData(), shown);
        }
        const QString text = cell->data(Qt::DisplayRole).toString();
        EXPECT_EQ(text, cell->toolTip());
        EXPECT_EQ(item->GetSourceFileSize(), cell->data(Qt::UserRole + 4).toLongLong());
        EXPECT_DOUBLE_EQ(item->GetDuration().ToSeconds(), cell->data(Qt::UserRole + 2).toDouble());
        EXPECT_EQ(item->LastModifiedDateTime().toString("yyyy/MM/dd/ hh:mm:ss"), cell->data(Qt::UserRole + 6));
        EXPECT_TRUE(text.endsWith("." + cell->data(Qt::UserRole + 8).toString())) << text.toStdString();
    }

    struct Case
    {
        const char* name;
        const char* suffix;
        const char* shown;
    };
    const Case cases[] = {{"clip", "mp4", "clip.mp4"},
                          {"clip.mp4", "mp4", "clip.mp4"},
                          {"clip.MP4", "mp4", "clip.MP4.mp4"},
                          {"a.mp4 copy", "mp4", "a.mp4 copy"},
                          {"noext", "", "noext."}};
    for (const Case& c : cases)
        EXPECT_EQ(c.shown, VIconDisplayView::DisplayText(c.name, c.suffix)) << c.name;
}

TEST_F(Grid, SortKeysOrderShownItemsAndBlankCells)
{
    grid->setDataType(MeDiasDisplayVideo); // the sound file's cell is blank
    for (int key = FMD_SortByName; key <= FMD_SortByType; ++key) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            grid->setFMD_SortModeType(static_cast<FMD_SortModeType>(key), order);
            EXPECT_EQ(key, grid->getFMD_SortModeType());
            QVector<QTableWidgetItem*> all;
            for (int r = 0; r < grid->rowCount(); ++r)
                for (int c = 0; c < grid->columnCount(); ++c)
                    all << grid->item(r, c);
            ASSERT_EQ(6, all.size());
            EXPECT_EQ(6, grid->getTableItemsCount());
            for (int i = 1; i < all.size() - 1; ++i) { // the last cell is the blank one
                const auto a = MediaSourceLibSort::FieldsOf(all[i - 1]);
                const auto b = MediaSourceLibSort::FieldsOf(all[i]);
                auto less = [key](const MediaSourceLibSort::Fields& x, const MediaSourceLibSort::Fields& y) {
                    switch (key) {
                    case FMD_SortByName: return x.name < y.name;
                    case FMD_SortByDuration: return x.durationUs < y.durationUs;
                    case FMD_SortBySize: return x.size < y.size;
                    case FMD_SortByDate: return x.date < y.date;
                    default: return x.type < y.type;
                    }
                };
                const bool inOrder = order == Qt::AscendingOrder ? !less(b, a) : !less(a, b);
                EXPECT_TRUE(inOrder) << "key " << key << " order " << order << " at " << i;
            }
            // Blank cells go after the items, in either order: no gap opens the grid.
            EXPECT_EQ(Qt::NoItemFlags, all[5]->flags()) << key;
        }
    }
    // A rebuild (an import, a filter, a new column count) keeps the sort.
    QStringList sorted;
    for (QTableWidgetItem* cell : grid->cellsInOrder())
        sorted << cell->data(Qt::UserRole).toString();
    grid->refreshData(false);
    QStringList rebuilt;
    for (QTableWidgetItem* cell : grid->cellsInOrder())
        rebuilt << cell->data(Qt::UserRole).toString();
    EXPECT_EQ(sorted, rebuilt) << "a rebuild keeps the last sort";
}

TEST_F(Grid, PainterCentresFitsAndMarksTheThumbnail)
{
    MediaShowImageDelegate painter;
    Static_Enum_ItemViewType = MediaItemViewSmall;
    QImage mark(15, 15, QImage::Format_RGB32);
    mark.fill(Qt::blue);
    painter.setItemSelectedImg(mark);
    QImage wide(640, 360, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QImage tall(360, 640, QImage::Format_RGB32);
    tall.fill(Qt::red);

    QStandardItemModel model(4, 1);
    model.setData(model.index(0, 0), "/m/a.mp4", Qt::UserRole);
    model.setData(model.index(0, 0), wide, Qt::DecorationRole);
    model.setData(model.index(1, 0), wide, Qt::DecorationRole); // blank: no path
    model.setData(model.index(2, 0), "/m/tall.mp4", Qt::UserRole);
    model.setData(model.index(2, 0), tall, Qt::DecorationRole);
    model.setData(model.index(3, 0), "/m/gone.mp4", Qt::UserRole);
    model.setData(model.index(3, 0), wide, Qt::DecorationRole);
    model.setData(model.index(3, 0), true, MediaShowImageDelegate::MissingRole);

    // The 64x48 box of a small cell: a wide picture lies between bars above
    // and below it, a tall one between bars beside it.
    struct Case
    {
        int row;
        bool selected;
        QRect picture;
        bool marked;
    };
    const Case cases[] = {{0, false, QRect(168, 90, 64, 36), false},
                          {0, true, QRect(168, 90, 64, 36), true},
                          {1, true, QRect(), false},
                          {2, false, QRect(186, 84, 27, 48), false}};
    const QRgb red = qRgb(255, 0, 0);
    for (const Case& c : cases) {
        QImage canvas(400, 300, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        QStyleOptionViewItem option;
        option.rect = QRect(160, 72, 80, 72);
        option.state =
            QStyle::State_Enabled | (c.selected ? QStyle::State_Selected | QStyle::State_HasFocus : QStyle::State_None);
        painter.paint(&p, option, model.index(c.row, 0));
        p.end();
        EXPECT_EQ(QRect(168, 84, 64, 48), painter.thumbnailRect(option.rect));
        QRect drawn;
        for (int y = 80; y < 136; ++y)
            for (int x = 160; x < 240; ++x)
                if (canvas.pixel(x, y) == red)
                    drawn |= QRect(x, y, 1, 1);
        if (c.marked)
            drawn |= QRect(216, 110, 15, 15); // under the mark
        EXPECT_EQ(c.picture, drawn) << c.row;
        EXPECT_EQ(c.marked, canvas.pixel(216, 110) == qRgb(0, 0, 255)) << c.row;
        EXPECT_EQ(c.marked, canvas.pixel(230, 124) == qRgb(0, 0, 255)) << c.row;
        if (c.picture.isEmpty()) {
            EXPECT_EQ(qRgb(255, 255, 255), canvas.pixel(200, 108)) << "a blank cell stays empty";
        }
    }
    {
        // A missing file's picture is dimmed, bars and all, under its word.
        QImage canvas(400, 300, QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        QStyleOptionViewItem option;
        option.rect = QRect(160, 72, 80, 72);
        option.state = QStyle::State_Enabled;
        painter.paint(&p, option, model.index(3, 0));
        p.end();
        EXPECT_LT(qGray(canvas.pixel(168, 85)), 140) << "the bar is dimmed";
        EXPECT_LT(qRed(canvas.pixel(169, 92)), 140) << "the picture is dimmed";
        EXPECT_EQ(qRgb(255, 255, 255), canvas.pixel(167, 84)) << "outside the box nothing changes";
    }

    // One-pixel stripes shrunk tenfold: area averaging gives an even grey,
    // point sampling would give solid black or white.
    QImage stripes(640, 480, QImage::Format_RGB32);
    for (int x = 0; x < 640; ++x)
        for (int y = 0; y < 480; ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    model.setData(model.index(0, 0), stripes, Qt::DecorationRole);
    QImage canvas(400, 300, QImage::Format_RGB32);
    QPainter p(&canvas);
    QStyleOptionViewItem option;
    option.rect = QRect(160, 72, 80, 72);
    painter.paint(&p, option, model.index(0, 0));
    p.end();
    for (int x = 170; x < 230; x += 7) {
        const int grey = qGray(canvas.pixel(x, 100));
        EXPECT_GT(grey, 90) << x;
        EXPECT_LT(grey, 165) << x;
    }
}

TEST_F(Grid, DragPayloadNamesTheSelectionInOrder)
{
    EXPECT_EQ(nullptr, grid->mimeData({})) << "nothing selected, no drag";
    const QStringList paths = LibTest::Library::Get().Paths();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(1, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CenterOf(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, CenterOf(0, 1));
    ASSERT_EQ(3, grid->dragList().size());
    QVector<quint32> expected;
    for (QTableWidgetItem* cell : grid->dragList())
        expected << HandleOf(cell->data(Qt::UserRole).toString());
    std::unique_ptr<QMimeData> data(grid->mimeData({}));
    ASSERT_TRUE(data);
    EXPECT_EQ(12, qUncompress(data->data(STR_MediasLibMimeType)).size());
    EXPECT_EQ(expected, DragEntries());
    EXPECT_EQ((QSet<quint32>{HandleOf(paths[5]), HandleOf(paths[0]), HandleOf(paths[1])}),
              QSet<quint32>(expected.begin(), expected.end()));

    // The library lets one go before the grid is rebuilt: its entry becomes
    // zero in place, and the reader inserts the other two.
    ASSERT_TRUE(library->RemoveSourceDataItemByFullPath(paths[0]));
    ASSERT_EQ(nullptr, library->GetSourceDataItemByFullPath(paths[0]));
    const QVector<quint32> entries = DragEntries();
    ASSERT_EQ(3, entries.size());
    for (int i = 0; i < 3; ++i) {
        const QString path = grid->dragList()[i]->data(Qt::UserRole).toString();
        EXPECT_EQ(path == paths[0] ? 0u : HandleOf(path), entries[i]);
    }
    const QList<ISourceDataItem*> read = MediasLibPayload::ReadItems(MediasLibPayload::Pack(entries), library.get());
    EXPECT_EQ(2, read.size());

    // Dropping its own payload back on the grid changes nothing.
    std::unique_ptr<QMimeData> again(grid->mimeData({}));
    QSignalSpy drops(grid.get(), &VIconDisplayView::signal_MediasLib_dragTaskList);
    QDragEnterEvent enter(CenterOf(0, 0), Qt::CopyAction, again.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(CenterOf(0, 0), Qt::CopyAction, again.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(0, drops.size());
}

TEST_F(Grid, PressedCellAndDragListDoNotOutliveARebuild)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 0));
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 0));
    ASSERT_FALSE(grid->dragList().isEmpty());
    grid->refreshData(false); // deletes every cell
    EXPECT_TRUE(grid->dragList().isEmpty());
    EXPECT_EQ(nullptr, grid->mimeData({}));
    grid->slot_actionViewItemPath(); // must not reach the deleted cell
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 0));
}

TEST_F(Grid, RemovalMovesTheCurrentCellAndKeepsTheLibraryInStep)
{
    struct Case
    {
        QList<QPoint> cells;
        QPoint current;
    };
    // Six items in three columns.
    const Case cases[] = {{{QPoint(0, 1)}, QPoint(0, 1)},
                          {{QPoint(1, 2)}, QPoint(1, 1)},
                          {{QPoint(1, 0)}, QPoint(1, 0)},
                          {{QPoint(0, 0), QPoint(1, 1)}, QPoint(1, 0)}};
    for (const Case& c : cases) {
        SetUp();
        QList<QTableWidgetItem*> cells;
        QStringList paths;
        for (const QPoint& rc : c.cells) {
            cells << grid->item(rc.x(), rc.y());
            paths << cells.last()->data(Qt::UserRole).toString();
        }
        QSignalSpy removed(grid.get(), &VIconDisplayView::signal_MediasLib_DelSelected);
        grid->removeItems(cells);
        ASSERT_EQ(c.cells.size(), removed.size());
        EXPECT_EQ(paths, removed.last().at(0).toStringList());
        EXPECT_EQ(6 - c.cells.size(), library->GetSourceDataItemsCount());
        EXPECT_EQ(6 - c.cells.size(), grid->getTableItemsCount());
        for (const QString& path : paths)
            EXPECT_FALSE(ShownPaths().contains(path));
        EXPECT_EQ(c.current, QPoint(grid->currentRow(), grid->currentColumn()));
    }

    // Everything removed: cell (0, 0) is current.
    grid->slot_mediasLibSelectedAll();
    grid->slot_removeSelectedItem();
    EXPECT_EQ(0, library->GetSourceDataItemsCount());
    EXPECT_EQ(0, grid->getTableItemsCount());
}

TEST_F(Grid, KeysMenuAndMissingFilesRemoveItems)
{
    const QStringList paths = LibTest::Library::Get().Paths();
    QSignalSpy removed(grid.get(), &VIconDisplayView::signal_MediasLib_DelSelected);
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_Backspace);
    EXPECT_EQ(0, removed.size()) << "Backspace without a selection";

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 1));
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_Backspace);
    ASSERT_EQ(1, removed.size());
    EXPECT_EQ(QStringList{paths[1]}, removed.last().at(0).toStringList());

    // Right-click one item of a selection of two: Play and Find Target off,
    // Delete removes both.
    grid->clearSelection();
    grid->item(0, 0)->setSelected(true);
    grid->item(0, 2)->setSelected(true);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, Qt::NoModifier, CenterOf(0, 2));
    const QList<QAction*> actions = grid->menuActions();
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_TRUE(actions[2]->isEnabled());
    grid->contextMenu()->hide();
    actions[2]->trigger();
    EXPECT_EQ(3, library->GetSourceDataItemsCount());

    // Right-click below the last row: no item, Delete off.
    grid->clearSelection();
    QTest::mouseClick(grid->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(40, grid->viewport()->height() - 4));
    EXPECT_FALSE(actions[2]->isEnabled());
    grid->contextMenu()->hide();

    removed.clear();
    grid->slot_removeThoseDonotExistMedias("");
    EXPECT_EQ(0, removed.size()) << "an empty prefix removes nothing";
    grid->slot_setMissingFiles({"/not/shown.mp4"});
    EXPECT_EQ(0, removed.size());
    // A missing file keeps its cell, marked; the mark goes when it is back.
    const QString first = grid->cellsInOrder().front()->data(VIconDisplayView::RolePath).toString();
    grid->slot_setMissingFiles({QDir::toNativeSeparators(first)});
    EXPECT_EQ(0, removed.size());
    EXPECT_EQ(3, library->GetSourceDataItemsCount());
    EXPECT_TRUE(grid->getItemByFullPath(first)->data(VIconDisplayView::RoleMissing).toBool());
    EXPECT_TRUE(grid->getItemByFullPath(first)->toolTip().contains("The file no longer exists"));
    grid->refreshData(false);
    EXPECT_TRUE(grid->getItemByFullPath(first)->data(VIconDisplayView::RoleMissing).toBool());
    grid->slot_setMissingFiles({});
    EXPECT_FALSE(grid->getItemByFullPath(first)->data(VIconDisplayView::RoleMissing).toBool());
    grid->slot_removeThoseDonotExistMedias(LibTest::Library::Get().Dir() + "/");
    EXPECT_EQ(0, library->GetSourceDataItemsCount());
    EXPECT_EQ(0, grid->getTableItemsCount());
}

TEST_F(Grid, DoubleClickPlaysOnlyLibraryItems)
{
    QSignalSpy plays(grid.get(), &VIconDisplayView::signal_MediasLib_itemPlay);
    ASSERT_TRUE(plays.isValid());
    // A double click as the window system delivers it: a click, then the
    // second press as a double click.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 0));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 0));
    ASSERT_EQ(1, plays.size());
    EXPECT_EQ(library->GetSourceDataItemByIndex(0), plays.last().at(0).value<ISourceDataItem*>());
    library->RemoveSourceDataItemByIndex(1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 1));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CenterOf(0, 1));
    EXPECT_EQ(1, plays.size()) << "a cell whose item is gone plays nothing";
}
