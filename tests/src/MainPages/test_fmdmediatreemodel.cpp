#include "LibraryViewsTestMedia.h"

#include "MainPages/ccheckedheader.h"
#include "MainPages/fmdmediatreemodel.h"
#include "MainPages/mediaslibmimetype.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

using Fablecut::CSourceData;
using Fablecut::ISourceDataItem;

namespace {

struct Model : ::testing::Test
{
    std::unique_ptr<CSourceData> library;
    std::unique_ptr<FMDMediaTreeModel> model;

    void SetUp() override
    {
        ASSERT_TRUE(LibTest::Library::Get().Ok());
        library = LibTest::Library::Get().Copy();
        model = std::make_unique<FMDMediaTreeModel>();
        model->setSourceData(library.get());
        model->refreshTheModel();
    }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, column).data().toString();
        return texts;
    }
    QStringList Paths() const
    {
        QStringList paths;
        for (int row = 0; row < model->rowCount(); ++row)
            paths << model->index(row, 0).data(Qt::UserRole + 2).toString();
        return paths;
    }
};

} // namespace

TEST(FMDMediaItem, SizeAndDurationTexts)
{
    struct Size
    {
        qint64 bytes;
        const char* text;
    };
    const Size sizes[] = {{1572864, "1.5 MB"},
                          {10485, "0 MB"},
                          {10486, "0.01 MB"},
                          {123456789, "117.73 MB"},
                          {5000000000LL, "4768.37 MB"},
                          {1649267441664LL, "1.57286e+06 MB"},
                          {0, "0 MB"},
                          {30LL * 1024 * 1024 * 1024 * 1024, "3.14573e+07 MB"}};
    for (const Size& s : sizes)
        EXPECT_EQ(s.text, FMDMediaItem::SizeText(s.bytes)) << s.bytes;

    struct Duration
    {
        double seconds;
        const char* text;
    };
    const Duration durations[] = {
        {1.5, "00:00:01.500"},     {3600, "01:00:00.000"},  {61.3, "00:01:01.299"},  {0, "00:00:00.000"},
        {86399.5, "23:59:59.500"}, {86400, "24:00:00.000"}, {90000, "25:00:00.000"}, {-1, ""}};
    for (const Duration& d : durations) {
        FMDMediaItem node;
        node.setDuration(CBaseTime(d.seconds));
        EXPECT_EQ(d.text, node.durationText) << d.seconds;
        EXPECT_DOUBLE_EQ(d.seconds, node.duration.ToSeconds());
    }
}

TEST(FMDMediaItem, ChildrenRefusePositionsOutsideTheList)
{
    FMDMediaItem root;
    auto* first = new FMDMediaItem(false, &root);
    EXPECT_EQ(&root, first->parent());
    auto* loose = new FMDMediaItem;
    EXPECT_FALSE(root.insertChild(2, loose));
    EXPECT_FALSE(root.insertChild(-1, loose));
    EXPECT_TRUE(root.insertChild(0, loose));
    EXPECT_EQ((QList<FMDMediaItem*>{loose, first}), root.children());
    EXPECT_EQ(nullptr, root.takeChild(2));
    EXPECT_EQ(nullptr, root.takeChild(-1));
    std::unique_ptr<FMDMediaItem> taken(root.takeChild(1));
    EXPECT_EQ(first, taken.get());
    EXPECT_EQ(nullptr, taken->parent());
}

TEST_F(Model, RowsShowTheLibraryPerFilter)
{
    const QStringList all = LibTest::Library::Get().Paths();
    EXPECT_EQ(all, Paths());
    EXPECT_EQ((QStringList{"MOV", "avi", "mp4", "mp4", "wav", "mp4"}), Column(4));
    const QRegularExpression date("^\\d{4}/\\d\\d/\\d\\d/ \\d\\d:\\d\\d:\\d\\d$");
    for (int row = 0; row < model->rowCount(); ++row) {
        ISourceDataItem* item = library->GetSourceDataItemByIndex(row);
        EXPECT_EQ(item->Name(), model->index(row, 0).data().toString());
        EXPECT_EQ(FMDMediaItem::DurationText(item->GetDuration()), model->index(row, 1).data().toString());
        EXPECT_EQ(FMDMediaItem::SizeText(item->GetSourceFileSize()), model->index(row, 2).data().toString());
        EXPECT_TRUE(date.match(model->index(row, 3).data().toString()).hasMatch());
        const QString tip = model->index(row, 3).data(Qt::ToolTipRole).toString();
        EXPECT_EQ(tip, model->index(row, 0).data(Qt::ToolTipRole).toString());
        EXPECT_EQ(5, tip.split("\n").size());
        EXPECT_TRUE(tip.startsWith("Name: " + item->Name()));
        EXPECT_EQ(0x81, model->index(row, 0).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(0x84, model->index(row, 2).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(QSize(160, 40), model->index(row, 0).data(Qt::SizeHintRole).toSize());
        EXPECT_EQ(QSize(150, 40), model->index(row, 3).data(Qt::SizeHintRole).toSize());
        EXPECT_FALSE(model->index(row, 0).data(Qt::CheckStateRole).isValid());
        EXPECT_FALSE(model->index(row, 1).data(Qt::DecorationRole).isValid());
    }
    QImage music(8, 8, QImage::Format_RGB32);
    music.fill(Qt::green);
    model->setMusicThumbnail(music);
    EXPECT_TRUE(model->index(4, 0).data(Qt::DecorationRole).value<QImage>().isNull())
        << "a new music picture waits for the next rebuild";

    model->setDataType(MeDiasDisplayVideo);
    EXPECT_EQ((QStringList{all[0], all[1], all[2], all[3], all[5]}), Paths());
    model->setDataType(MeDiasDisplayAudio);
    EXPECT_EQ(QStringList{all[4]}, Paths());
    EXPECT_EQ(music, model->index(0, 0).data(Qt::DecorationRole).value<QImage>());
    model->setDataType(MeDiasDisplayAll);
    EXPECT_EQ(*library->GetSourceDataItemByIndex(2)->GetThumbnailData(),
              model->index(2, 0).data(Qt::DecorationRole).value<QImage>());

    EXPECT_FALSE(model->headerData(0, Qt::Vertical, Qt::DisplayRole).isValid());
    EXPECT_EQ(QSize(0, 30), model->headerData(0, Qt::Horizontal, Qt::SizeHintRole).toSize());
    EXPECT_EQ("Duration", model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString());
    EXPECT_FALSE(model->headerData(5, Qt::Horizontal, Qt::DisplayRole).isValid());
    EXPECT_FALSE(model->index(0, 5).isValid());
    EXPECT_EQ(0, model->rowCount(model->index(0, 1)));
}

TEST_F(Model, RenameRefusalsAndAcceptedNames)
{
    // The library panel renames the library item at once, as the program does.
    QObject::connect(model.get(), &FMDMediaTreeModel::signal_MediasDetails_RenameSelectedItem,
                     [this](QString name, QString path) { library->GetSourceDataItemByFullPath(path)->setName(name); });
    QSignalSpy renames(model.get(), &FMDMediaTreeModel::signal_MediasDetails_RenameSelectedItem);
    struct Case
    {
        QString name;
        int column;
        int role;
        bool accepted;
    };
    const QString current = model->index(1, 0).data().toString();
    const Case cases[] = {{current, 0, Qt::EditRole, false},      {"", 0, Qt::EditRole, false},
                          {"a?b", 0, Qt::EditRole, false},        {"a:b", 0, Qt::EditRole, false},
                          {"a/b", 0, Qt::EditRole, false},        {"fine", 1, Qt::EditRole, false},
                          {"fine", 0, Qt::CheckStateRole, false}, {"fine", 0, Qt::DisplayRole, false},
                          {"back\\slash", 0, Qt::EditRole, true}, {"star*", 0, Qt::EditRole, true},
                          {"   ", 0, Qt::EditRole, true}};
    const QString second = LibTest::Library::Get().Paths()[1];
    for (const Case& c : cases) {
        renames.clear();
        model->sort(0, Qt::DescendingOrder);
        const QModelIndex target = model->index(Paths().indexOf(second), c.column);
        EXPECT_EQ(c.accepted, model->setData(target, c.name, c.role)) << c.name.toStdString();
        EXPECT_EQ(c.accepted ? 1 : 0, renames.size()) << c.name.toStdString();
        if (c.accepted) {
            EXPECT_EQ(c.name, renames.last().at(0).toString());
            EXPECT_EQ(second, renames.last().at(1).toString());
            // The rebuild keeps the sort the header shows.
            const QStringList rebuilt = Paths();
            model->sort(0, Qt::DescendingOrder);
            EXPECT_EQ(Paths(), rebuilt) << "the rebuild keeps the sort";
            EXPECT_EQ(c.name, model->index(Paths().indexOf(second), 0).data().toString());
        }
    }
    EXPECT_EQ(Qt::ItemIsSelectable | Qt::ItemIsEnabled, model->flags(model->index(0, 2)));
    EXPECT_TRUE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(Qt::NoItemFlags, model->flags(QModelIndex()));

    // A row made by insertRows has no library item behind it.
    ASSERT_TRUE(model->insertRows(0, 2));
    EXPECT_EQ((QStringList{"00:00:00.000", "0 MB", "2012/06/19", "*"}),
              (QStringList{model->index(0, 1).data().toString(), model->index(0, 2).data().toString(),
                           model->index(0, 3).data().toString(), model->index(0, 4).data().toString()}));
    EXPECT_FALSE(model->setData(model->index(0, 0), "orphan", Qt::EditRole));
}

TEST_F(Model, SortOrdersTheRowsByEachColumn)
{
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    for (int column = 0; column < 5; ++column) {
        for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            model->sort(column, order);
            for (int row = 1; row < model->rowCount(); ++row) {
                const FMDMediaItem* a = model->itemForIndex(model->index(row - 1, 0));
                const FMDMediaItem* b = model->itemForIndex(model->index(row, 0));
                const auto fa = MediaSourceLibSort::FieldsOf(a);
                const auto fb = MediaSourceLibSort::FieldsOf(b);
                const auto& lo = order == Qt::AscendingOrder ? fa : fb;
                const auto& hi = order == Qt::AscendingOrder ? fb : fa;
                switch (column) {
                case 0: EXPECT_LE(lo.name, hi.name); break;
                case 1: EXPECT_LE(lo.durationUs, hi.durationUs); break;
                case 2: EXPECT_LE(lo.size, hi.size); break;
                case 3: EXPECT_LE(lo.date, hi.date); break;
                case 4: EXPECT_LE(lo.type, hi.type); break;
                }
            }
        }
    }
    EXPECT_EQ(10, resets.size());
    model->setDataType(MeDiasDisplayAudio);
    resets.clear();
    model->sort(0, Qt::AscendingOrder);
    EXPECT_EQ(0, resets.size()) << "one row: nothing to sort";
}

TEST_F(Model, MovesStayInsideTheRows)
{
    QSignalSpy changes(model.get(), &QAbstractItemModel::dataChanged);
    const QModelIndex first = model->index(0, 0);
    EXPECT_EQ(first, model->moveUp(first));
    const QModelIndex last = model->index(model->rowCount() - 1, 0);
    EXPECT_EQ(last, model->moveDown(last));
    EXPECT_EQ(0, changes.size());
    EXPECT_FALSE(model->moveItem(model->itemForIndex(QModelIndex()), 0, 99).isValid());
    EXPECT_FALSE(model->moveItem(model->itemForIndex(QModelIndex()), -1, 0).isValid());
    EXPECT_EQ(0, changes.size());

    const QStringList before = Paths();
    const QModelIndex moved = model->moveDown(model->index(1, 0));
    EXPECT_EQ(2, moved.row());
    ASSERT_EQ(1, changes.size());
    EXPECT_EQ(1, changes.last().at(0).toModelIndex().row());
    EXPECT_EQ(2, changes.last().at(1).toModelIndex().row());
    EXPECT_EQ(before[1], Paths()[2]);
    EXPECT_EQ(before[2], Paths()[1]);

    EXPECT_FALSE(model->insertRows(99, 1));
    EXPECT_FALSE(model->insertRows(0, 0));
    EXPECT_FALSE(model->removeRows(5, 2));
    EXPECT_FALSE(model->removeRows(0, 0));
    EXPECT_FALSE(model->removeRows(-1, 1));
    EXPECT_EQ(6, model->rowCount());
}

TEST_F(Model, PayloadComesFromTheSelectionListAndNeverFromDeletedRows)
{
    const QStringList paths = LibTest::Library::Get().Paths();
    EXPECT_EQ(QStringList{"mediasLibMimeType"}, model->mimeTypes());
    EXPECT_EQ(nullptr, model->mimeData({model->index(0, 0)})) << "empty selection list";
    model->setSelectedModels({model->index(3, 0), model->index(1, 0)});
    EXPECT_EQ(nullptr, model->mimeData({}));
    std::unique_ptr<QMimeData> data(model->mimeData({model->index(5, 0)}));
    ASSERT_TRUE(data);
    EXPECT_EQ(QStringList{"mediasLibMimeType"}, data->formats());
    const QByteArray payload = data->data(STR_MediasLibMimeType);
    EXPECT_EQ(8, qUncompress(payload).size());
    EXPECT_EQ((QVector<quint32>{MediasLibPayload::HandleOfPath(paths[3]), MediasLibPayload::HandleOfPath(paths[1])}),
              MediasLibPayload::Unpack(payload));
    EXPECT_EQ((QList<ISourceDataItem*>{library->GetSourceDataItemByIndex(3), library->GetSourceDataItemByIndex(1)}),
              MediasLibPayload::ReadItems(payload, library.get()));

    // A row without a library item gives a zero in its place.
    ASSERT_TRUE(model->insertRows(0, 1));
    model->setSelectedModels({model->index(2, 0), model->index(0, 0), model->index(4, 0)});
    data.reset(model->mimeData({model->index(0, 0)}));
    const QVector<quint32> entries = MediasLibPayload::Unpack(data->data(STR_MediasLibMimeType));
    EXPECT_EQ((QVector<quint32>{MediasLibPayload::HandleOfPath(paths[1]), 0, MediasLibPayload::HandleOfPath(paths[3])}),
              entries);

    // A removed row leaves the list; a rebuild empties it.
    model->removeRows(2, 1);
    EXPECT_EQ(2, model->getSelectedCount());
    model->refreshTheModel();
    EXPECT_EQ(0, model->getSelectedCount());
    EXPECT_EQ(nullptr, model->mimeData({model->index(0, 0)}));
}

TEST_F(Model, StaysConsistentThroughEveryChange)
{
    QAbstractItemModelTester tester(model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    model->refreshTheModel();
    model->sort(2, Qt::DescendingOrder);
    model->moveUp(model->index(3, 0));
    model->moveDown(model->index(0, 0));
    model->insertRows(2, 3);
    model->insertRows(0, 1, model->index(0, 0));
    EXPECT_EQ(1, model->rowCount(model->index(0, 0)));
    EXPECT_EQ(model->index(0, 0), model->index(0, 3, model->index(0, 0)).parent());
    model->announceItemChanged(model->itemForIndex(model->index(0, 0, model->index(0, 0))));
    model->removeRows(0, 1, model->index(0, 0));
    model->removeRows(1, 2);
    model->setDataType(MeDiasDisplayVideo);
    model->clear();
    EXPECT_EQ(0, model->rowCount());
    EXPECT_FALSE(model->index(0, 0).isValid());
    EXPECT_EQ(nullptr, model->itemForIndex(QModelIndex()));
    model->refreshTheModel();
    EXPECT_EQ(5, model->rowCount());

    const QStringList names = model->pathForIndex(model->index(2, 1));
    EXPECT_EQ(QStringList{model->index(2, 1).data().toString()}, names);
    const QString path = model->index(2, 0).data(Qt::UserRole + 2).toString();
    EXPECT_EQ(model->index(2, 0), model->indexForPath({path}));
    EXPECT_FALSE(model->indexForPath({}).isValid());
    EXPECT_FALSE(model->indexForPath({"/nowhere"}).isValid());
}

TEST(CCheckedHeader, SectionsAreClickable)
{
    GuiTest::App("libraryviews");
    CCheckedHeader header(Qt::Horizontal);
    EXPECT_TRUE(header.sectionsClickable());
}
