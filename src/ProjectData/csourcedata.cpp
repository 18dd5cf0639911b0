#include "csourcedata.h"

#include <algorithm>

namespace Fablecut {

namespace {

struct source_item_equal_by_path
{
    QString path;
    bool operator()(ISourceDataItem* item) const { return item && item->GetSrcFileFullPath() == path; }
};

// Remembers the last item the predicate held for.
struct find_tilte_by_name_func
{
    source_item_equal_by_path pred;
    ISourceDataItem* found = nullptr;
    void operator()(ISourceDataItem* item)
    {
        if (pred(item))
            found = item;
    }
};

struct func_free_item
{
    void operator()(ISourceDataItem* item) const
    {
        if (item)
            item->Free();
    }
};

} // namespace

CSourceData::~CSourceData()
{
    ClearAllSourceDataItems();
}

int CSourceData::IndexOfSourceDataItem(ISourceDataItem* item)
{
    if (!item)
        return -1;
    auto it = std::find(m_items.begin(), m_items.end(), item);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

ISourceDataItem* CSourceData::GetSourceDataItemByIndex(int index)
{
    if (m_items.empty() || index >= static_cast<int>(m_items.size()))
        return nullptr;
    if (index < 0)
        return m_items.back();
    return m_items[index];
}

ISourceDataItem* CSourceData::GetSourceDataItemByFullPath(QString path)
{
    find_tilte_by_name_func finder{source_item_equal_by_path{path}};
    finder = std::for_each(m_items.begin(), m_items.end(), finder);
    return finder.found;
}

ISourceDataItem* CSourceData::Add(ISourceDataItem* item, bool bCopy)
{
    if (!item)
        return nullptr;
    if (IndexOfSourceDataItem(item) != -1)
        return item;
    if (GetSourceDataItemByFullPath(item->GetSrcFileFullPath()))
        return nullptr;
    ISourceDataItem* added = bCopy ? item->CloneDataItem() : item;
    if (!added)
        return nullptr;
    try {
        m_items.push_back(added);
    } catch (...) {
        if (bCopy)
            added->Free();
        throw;
    }
    return added;
}

ISourceDataItem* CSourceData::AppendSoureDataItem(ISourceDataItem* item)
{
    return Add(item, false);
}

ISourceDataItem* CSourceData::AddSoureDataItem(ISourceDataItem* item)
{
    return Add(item, true);
}

bool CSourceData::RemoveSourceDataItem(ISourceDataItem* item)
{
    const int index = IndexOfSourceDataItem(item);
    if (index < 0)
        return false;
    m_items.erase(m_items.begin() + index);
    func_free_item()(item);
    return true;
}

bool CSourceData::RemoveSourceDataItemByIndex(int index)
{
    ISourceDataItem* item = GetSourceDataItemByIndex(index);
    return item ? RemoveSourceDataItem(item) : false;
}

bool CSourceData::RemoveSourceDataItemByFullPath(QString path)
{
    ISourceDataItem* item = GetSourceDataItemByFullPath(path);
    return item ? RemoveSourceDataItem(item) : false;
}

void CSourceData::ClearAllSourceDataItems()
{
    std::vector<ISourceDataItem*> items;
    items.swap(m_items);
    std::for_each(items.begin(), items.end(), func_free_item());
}

} // namespace Fablecut
