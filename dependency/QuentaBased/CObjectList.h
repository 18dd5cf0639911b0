#pragma once

// The handle list: an ordered list of object pointers that frees its elements
// through a policy when it owns them.

#include "CBaseException.h"

#include <cstddef>
#include <vector>

namespace QuentaBased {

// The default free policy: destroys the object; null is ignored.
template <typename T> struct ObjectHandleFree
{
    static void Free(T item) { delete item; }
};

} // namespace QuentaBased

template <typename T, typename FreePolicy = QuentaBased::ObjectHandleFree<T>> class CHandleList
{
public:
    // An owning list frees what it still holds when it is cleared or destroyed,
    // and what is removed from it with Remove.
    explicit CHandleList(bool owned = true) : m_owned(owned) {}
    ~CHandleList() { Clear(); }

    CHandleList(const CHandleList&) = delete;
    CHandleList& operator=(const CHandleList&) = delete;

    bool IsOwned() const { return m_owned; }
    unsigned int GetCount() const { return static_cast<unsigned int>(m_items.size()); }

    // Appends the item and returns its index.
    unsigned int Add(T item)
    {
        m_items.push_back(item);
        return GetCount() - 1;
    }

    // Throws 10021000 "index error" outside the list.
    T At(unsigned int index) const
    {
        CheckIndex(index);
        return m_items[index];
    }

    // Takes the element out without freeing it: the caller owns it now.
    // Throws 10021000 "index error" outside the list.
    T Extract(unsigned int index)
    {
        CheckIndex(index);
        const T item = m_items[index];
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
        return item;
    }

    // Takes the first occurrence out, frees it when the list owns it, and
    // returns its former index. Throws 10021005 "Object is not exist" when the
    // list does not hold it.
    unsigned int Remove(T& item)
    {
        const T target = item; // `item` may refer into the list itself
        for (std::size_t i = 0; i < m_items.size(); ++i) {
            if (m_items[i] == target) {
                m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i));
                if (m_owned)
                    FreePolicy::Free(target);
                return static_cast<unsigned int>(i);
            }
        }
        QB_THROW(QB_ERR_NOT_FOUND, "Object is not exist");
    }

    // Empties the list, freeing every element when the list owns them.
    void Clear()
    {
        std::vector<T> items;
        items.swap(m_items);
        if (m_owned) {
            for (T item : items)
                FreePolicy::Free(item);
        }
    }

private:
    void CheckIndex(unsigned int index) const
    {
        if (index >= m_items.size())
            QB_THROW(QB_ERR_INDEX, "index error");
    }

    std::vector<T> m_items;
    bool m_owned;
};

namespace QuentaBased {
using ::CHandleList;
} // namespace QuentaBased
