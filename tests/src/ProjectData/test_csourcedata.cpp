#include "ProjectData/csourcedata.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace Fablecut;

namespace {

// A library item that counts how often it was freed and copied.
class CountedItem : public ISourceDataItem
{
public:
    CountedItem(QString path, std::map<std::string, int>& freed) : m_path(path), m_freed(freed) {}
    const QImage* GetThumbnailData() const override { return nullptr; }
    unsigned int GetPixelHeight() const override { return 0; }
    unsigned int GetPixelWidth() const override { return 0; }
    unsigned int GetViewHeight() const override { return 0; }
    unsigned int GetViewWidth() const override { return 0; }
    void* GetInterFace(const char*) override { return nullptr; }
    CBaseTime GetDuration() const override { return 0.0; }
    bool Interlaced() const override { return false; }
    void Free() override
    {
        ++m_freed[m_path.toStdString()];
        delete this;
    }
    ISourceDataItem* CloneDataItem() override { return new CountedItem(m_path, m_freed); }
    int GetItemType() const override { return 0; }
    QString GetSourceFormat() const override { return QString(); }
    QString GetSrcFileFullPath() const override { return m_path; }
    void setName(QString) override {}
    QString Name() const override { return QString(); }
    CBaseTime GetTrimStartPoint() const override { return 0.0; }
    void SetTrimStartPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimEndPoint() const override { return 0.0; }
    void SetTrimEndPoint(const CBaseTime&, bool) override {}
    CBaseTime GetTrimDuration() const override { return 0.0; }
    void SetStartPoint(const CBaseTime&) override {}
    CBaseTime GetStartPoint() const override { return 0.0; }
    QDateTime LastModifiedDateTime() const override { return QDateTime(); }
    qint64 GetSourceFileSize() const override { return 0; }

private:
    QString m_path;
    std::map<std::string, int>& m_freed;
};

} // namespace

TEST(CSourceData, IndexRuleAndEmptyList)
{
    std::map<std::string, int> freed;
    CSourceData list;
    EXPECT_EQ(nullptr, list.GetSourceDataItemByIndex(0));
    EXPECT_EQ(nullptr, list.GetSourceDataItemByIndex(-1));
    EXPECT_EQ(nullptr, list.GetSourceDataItemByIndex(5));
    EXPECT_FALSE(list.RemoveSourceDataItemByIndex(-1));
    EXPECT_EQ(-1, list.IndexOfSourceDataItem(nullptr));
    list.ClearAllSourceDataItems();

    ISourceDataItem* a = list.AppendSoureDataItem(new CountedItem("/a", freed));
    ISourceDataItem* b = list.AppendSoureDataItem(new CountedItem("/b", freed));
    ISourceDataItem* c = list.AppendSoureDataItem(new CountedItem("/c", freed));
    ASSERT_EQ(3, list.GetSourceDataItemsCount());
    EXPECT_EQ(c, list.GetSourceDataItemByIndex(-1));
    EXPECT_EQ(c, list.GetSourceDataItemByIndex(-7));
    EXPECT_EQ(nullptr, list.GetSourceDataItemByIndex(3));
    EXPECT_EQ(b, list.GetSourceDataItemByFullPath("/b"));
    EXPECT_EQ(nullptr, list.GetSourceDataItemByFullPath("/B"));

    EXPECT_TRUE(list.RemoveSourceDataItem(a));
    EXPECT_EQ(b, list.GetSourceDataItemByIndex(0));
    EXPECT_EQ(c, list.GetSourceDataItemByIndex(1));
    EXPECT_EQ(1, freed["/a"]);
    EXPECT_FALSE(list.RemoveSourceDataItemByFullPath("/a"));
    EXPECT_TRUE(list.RemoveSourceDataItemByIndex(-1));
    EXPECT_EQ(1, freed["/c"]);
}

TEST(CSourceData, PathsStayUniqueAndOwnershipIsClear)
{
    std::map<std::string, int> freed;
    {
        CSourceData list;
        auto* first = new CountedItem("/m/Clip.mov", freed);
        ASSERT_EQ(first, list.AppendSoureDataItem(first));
        EXPECT_EQ(first, list.AppendSoureDataItem(first)) << "the same pointer again";
        EXPECT_EQ(1, list.GetSourceDataItemsCount());

        auto* twin = new CountedItem("/m/Clip.mov", freed);
        EXPECT_EQ(nullptr, list.AppendSoureDataItem(twin));
        EXPECT_EQ(0, freed["/m/Clip.mov"]) << "a refused item stays the caller's";
        twin->Free();

        auto* otherCase = new CountedItem("/m/clip.mov", freed);
        EXPECT_EQ(otherCase, list.AppendSoureDataItem(otherCase));

        CountedItem* mine = new CountedItem("/m/copy.mov", freed);
        ISourceDataItem* copy = list.AddSoureDataItem(mine);
        EXPECT_NE(nullptr, copy);
        EXPECT_NE(static_cast<ISourceDataItem*>(mine), copy);
        mine->Free();
        EXPECT_EQ(copy, list.GetSourceDataItemByFullPath("/m/copy.mov"));
        EXPECT_EQ(nullptr, list.AppendSoureDataItem(nullptr));
        EXPECT_EQ(3, list.GetSourceDataItemsCount());
    }
    EXPECT_EQ(2, freed["/m/Clip.mov"]) << "the refused twin and the listed item, once each";
    EXPECT_EQ(1, freed["/m/clip.mov"]);
    EXPECT_EQ(2, freed["/m/copy.mov"]);

    CSourceData list;
    list.AppendSoureDataItem(new CountedItem("/x", freed));
    list.ClearAllSourceDataItems();
    EXPECT_EQ(0, list.GetSourceDataItemsCount());
    EXPECT_EQ(1, freed["/x"]);
}
