#pragma once

// The media library: one ordered list of library items, owned by the list and
// unique by source path. No lock of its own: the library manager guards it.

#include "isourcedataitem.h"

#include <QString>

#include <vector>

namespace Fablecut {

class CSourceData
{
public:
    CSourceData() = default;
    ~CSourceData();

    CSourceData(const CSourceData&) = delete;
    CSourceData& operator=(const CSourceData&) = delete;

    int GetSourceDataItemsCount() const { return static_cast<int>(m_items.size()); }
    std::vector<ISourceDataItem*> GetSourceDataItems() const { return m_items; }
    int IndexOfSourceDataItem(ISourceDataItem* item);
    // Null for an empty list or an index at or past the count; any negative
    // index gives the last item.
    ISourceDataItem* GetSourceDataItemByIndex(int index);
    // Exact, case-sensitive comparison of the full path.
    ISourceDataItem* GetSourceDataItemByFullPath(QString path);
    // Takes the item itself. Null when it is null or its path is already
    // held by another item (the caller keeps it then); an item already in the
    // list is answered unchanged.
    ISourceDataItem* AppendSoureDataItem(ISourceDataItem* item);
    // As AppendSoureDataItem, but adds a copy; the caller keeps its item.
    ISourceDataItem* AddSoureDataItem(ISourceDataItem* item);
    bool RemoveSourceDataItem(ISourceDataItem* item);
    bool RemoveSourceDataItemByIndex(int index);
    bool RemoveSourceDataItemByFullPath(QString path);
    void ClearAllSourceDataItems();

private:
    ISourceDataItem* Add(ISourceDataItem* item, bool bCopy);

    std::vector<ISourceDataItem*> m_items;
};

} // namespace Fablecut
