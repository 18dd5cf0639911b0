#include "MainPages/fmdmediatreemodel.h"
#include "MainPages/mediasourcelibsort.h"

#include <QRandomGenerator>
#include <QTableWidgetItem>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Entry
{
    const char* name;
    const char* path;
    double duration;
    qint64 size;
    const char* date;
    const char* suffix;
};

// The same entries as details items and as icon cells.
struct Both
{
    std::vector<std::unique_ptr<FMDMediaItem>> items;
    std::vector<std::unique_ptr<QTableWidgetItem>> cells;
    QList<FMDMediaItem*> itemList;
    QVector<QTableWidgetItem*> cellList;

    explicit Both(const std::vector<Entry>& entries)
    {
        for (const Entry& e : entries) {
            auto item = std::make_unique<FMDMediaItem>();
            item->name = e.name;
            item->fullPath = e.path;
            item->duration = e.duration;
            item->fileSize = e.size;
            item->dateText = e.date;
            item->typeText = e.suffix;
            itemList.append(item.get());
            items.push_back(std::move(item));
            auto cell = std::make_unique<QTableWidgetItem>();
            cell->setData(Qt::DisplayRole, QString(e.name));
            cell->setData(Qt::UserRole, QString(e.path));
            cell->setData(Qt::UserRole + 2, e.duration);
            cell->setData(Qt::UserRole + 4, e.size);
            cell->setData(Qt::UserRole + 6, QString(e.date));
            cell->setData(Qt::UserRole + 8, QString(e.suffix));
            cellList.append(cell.get());
            cells.push_back(std::move(cell));
        }
    }

    // Sorts both and returns the paths of each, which must agree.
    QStringList Sort(int key, Qt::SortOrder order)
    {
        MediaSourceLibSort sorter;
        sorter.setFMD_SortModeType(static_cast<FMD_SortModeType>(key), order);
        sorter.sortMediaResource(itemList);
        sorter.sortMediaResource(cellList);
        QStringList fromItems, fromCells;
        for (FMDMediaItem* item : itemList)
            fromItems << item->fullPath;
        for (QTableWidgetItem* cell : cellList)
            fromCells << cell->data(Qt::UserRole).toString();
        EXPECT_EQ(fromItems, fromCells);
        return fromItems;
    }
};

struct SortCase
{
    const char* what;
    std::vector<Entry> entries;
    int key;
    Qt::SortOrder order;
    QStringList expected;
};

} // namespace

TEST(MediaSourceLibSort, KeysOrdersAndTieBreaks)
{
    const std::vector<SortCase> cases = {
        {"same name, path decides ascending",
         {{"b.mov", "/y/b.mov", 1, 1, "", "mov"}, {"b.mov", "/x/b.mov", 1, 1, "", "mov"}},
         1,
         Qt::AscendingOrder,
         {"/x/b.mov", "/y/b.mov"}},
        {"same name, path decides descending",
         {{"b.mov", "/x/b.mov", 1, 1, "", "mov"}, {"b.mov", "/y/b.mov", 1, 1, "", "mov"}},
         1,
         Qt::DescendingOrder,
         {"/y/b.mov", "/x/b.mov"}},
        {"code-unit order: upper case first",
         {{"apple", "/a", 1, 1, "", "mov"}, {"Zoo", "/z", 1, 1, "", "mov"}},
         1,
         Qt::AscendingOrder,
         {"/z", "/a"}},
        {"durations within a microsecond are equal: names decide",
         {{"b", "/b", 10.0000004, 1, "", "mov"}, {"a", "/a", 10.0000001, 1, "", "mov"}},
         2,
         Qt::AscendingOrder,
         {"/a", "/b"}},
        {"durations that differ sort by duration",
         {{"a", "/a", 12.5, 1, "", "mov"}, {"b", "/b", 3.25, 1, "", "mov"}},
         2,
         Qt::AscendingOrder,
         {"/b", "/a"}},
        {"sizes beyond 32 bits",
         {{"a", "/a", 1, 5000000000LL, "", "mov"}, {"b", "/b", 1, 1000000000LL, "", "mov"}},
         3,
         Qt::AscendingOrder,
         {"/b", "/a"}},
        {"equal sizes descending: greater name first",
         {{"a", "/a", 1, 7, "", "mov"}, {"b", "/b", 1, 7, "", "mov"}},
         3,
         Qt::DescendingOrder,
         {"/b", "/a"}},
        {"date text order is time order",
         {{"a", "/a", 1, 1, "2024/05/01/ 13:00:00", "mov"}, {"b", "/b", 1, 1, "2024/05/01/ 09:30:00", "mov"}},
         4,
         Qt::AscendingOrder,
         {"/b", "/a"}},
        {"suffix MOV before mov",
         {{"a", "/a.mov", 1, 1, "", "mov"}, {"b", "/b.MOV", 1, 1, "", "MOV"}},
         5,
         Qt::AscendingOrder,
         {"/b.MOV", "/a.mov"}},
        {"one entry is left alone", {{"a", "/a", 1, 1, "", "mov"}}, 1, Qt::DescendingOrder, {"/a"}},
        {"an unknown key leaves the order",
         {{"b", "/b", 1, 1, "", ""}, {"a", "/a", 1, 1, "", ""}},
         9,
         Qt::AscendingOrder,
         {"/b", "/a"}},
    };
    for (const SortCase& c : cases) {
        Both both(c.entries);
        EXPECT_EQ(c.expected, both.Sort(c.key, c.order)) << c.what;
    }
}

TEST(MediaSourceLibSort, TwoThousandNearlyEqualDurationsSortConsistently)
{
    // Durations a few tenths of a microsecond apart chain across the old
    // tolerance; the sort must still end (no out-of-range reads under the
    // sanitizers) and agree with itself in both orders.
    std::vector<Entry> entries;
    std::vector<std::string> names, paths;
    names.reserve(2000);
    paths.reserve(2000);
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        names.push_back("clip" + std::to_string(random.bounded(500)));
        paths.push_back("/media/" + std::to_string(i) + ".mov");
    }
    for (int i = 0; i < 2000; ++i)
        entries.push_back({names[i].c_str(), paths[i].c_str(), 5.0 + i * 3e-7, 100, "", "mov"});
    Both both(entries);
    const QStringList up = both.Sort(2, Qt::AscendingOrder);
    ASSERT_EQ(2000, up.size());
    for (int i = 1; i < both.itemList.size(); ++i) {
        const FMDMediaItem* a = both.itemList[i - 1];
        const FMDMediaItem* b = both.itemList[i];
        const qint64 ka = MediaSourceLibSort::DurationKey(a->duration.ToSeconds());
        const qint64 kb = MediaSourceLibSort::DurationKey(b->duration.ToSeconds());
        ASSERT_LE(ka, kb);
        if (ka == kb)
            ASSERT_LE(a->name, b->name);
    }
    const QStringList down = both.Sort(2, Qt::DescendingOrder);
    ASSERT_EQ(2000, down.size());
    EXPECT_EQ(QSet<QString>(up.begin(), up.end()), QSet<QString>(down.begin(), down.end()));
}
