#include "WorkNames.h"

#include "MemFileMapping.h"

#include <cstring>

namespace Moorland {

namespace {

constexpr uint32_t kHead = sizeof(WorkNamesHead);

uint32_t Padded(uint32_t n)
{
    return (n + 3u) & ~3u;
}

uint64_t Load64(const unsigned char* p)
{
    uint64_t n;
    std::memcpy(&n, p, sizeof n);
    return n;
}

void Store64(unsigned char* p, uint64_t n)
{
    std::memcpy(p, &n, sizeof n);
}

uint32_t LoadUsed(const unsigned char* pBlock)
{
    const auto* pHead = reinterpret_cast<const WorkNamesHead*>(pBlock);
    return __atomic_load_n(&pHead->Used, __ATOMIC_ACQUIRE);
}

} // namespace

CWorkNames::CWorkNames(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord)
{
    if (!pFile || !pRecord || pRecord->WorkNames == 0 || pRecord->WorkNames % 4 != 0 ||
        pRecord->WorkNamesCapacity < kHead)
        return;
    void* pBlock = nullptr;
    if (!pFile->ReadData(pRecord->WorkNames, pRecord->WorkNamesCapacity, &pBlock) || !pBlock)
        return;
    m_pBlock = static_cast<unsigned char*>(pBlock);
    m_nCapacity = pRecord->WorkNamesCapacity;
}

bool CWorkNames::Reserve(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord, uint32_t nLink, uint32_t nCapacity)
{
    void* pBlock = nullptr;
    if (!pFile || !pRecord || nLink == 0 || nLink % 4 != 0 || nCapacity < kHead ||
        !pFile->ReadData(nLink, nCapacity, &pBlock) || !pBlock)
        return false;
    std::memset(pBlock, 0, nCapacity);
    pRecord->WorkNamesCapacity = nCapacity;
    __atomic_store_n(&pRecord->WorkNames, nLink, __ATOMIC_RELEASE);
    return true;
}

uint32_t CWorkNames::Note(WorkNameKind kind, const QuentaBased::made_entry& made)
{
    if (!m_pBlock || made.path.size() + 1 > UINT16_MAX)
        return 0;
    const uint32_t nUsed = LoadUsed(m_pBlock);
    const uint32_t nName = static_cast<uint32_t>(made.path.size() + 1);
    const uint32_t nSize = Padded(sizeof(WorkNameEntry) + nName);
    if (nUsed > m_nCapacity - kHead || nSize > m_nCapacity - kHead - nUsed)
        return 0;
    const uint32_t nAt = kHead + nUsed;
    unsigned char* p = m_pBlock + nAt;
    WorkNameEntry entry{};
    entry.Kind = kind;
    entry.State = WORK_NAME_MADE;
    entry.NameBytes = static_cast<uint16_t>(nName);
    Store64(entry.Device, made.device);
    Store64(entry.Inode, made.inode);
    std::memcpy(p, &entry, sizeof entry);
    std::memcpy(p + sizeof entry, made.path.c_str(), nName);
    // The entry is whole before the head counts it.
    auto* pHead = reinterpret_cast<WorkNamesHead*>(m_pBlock);
    pHead->Count += 1;
    __atomic_store_n(&pHead->Used, nUsed + nSize, __ATOMIC_RELEASE);
    return nAt;
}

void CWorkNames::SetState(uint32_t nHandle, WorkNameState state)
{
    if (!m_pBlock || nHandle < kHead || nHandle > m_nCapacity - sizeof(WorkNameEntry))
        return;
    auto* pState = m_pBlock + nHandle + offsetof(WorkNameEntry, State);
    __atomic_store_n(pState, static_cast<uint8_t>(state), __ATOMIC_RELEASE);
}

void CWorkNames::Renote(uint32_t nHandle, const QuentaBased::made_entry& made)
{
    if (!m_pBlock || nHandle < kHead || nHandle > m_nCapacity - sizeof(WorkNameEntry))
        return;
    // A worker killed half-way leaves an entry that matches no file, which
    // only means it is left alone.
    Store64(m_pBlock + nHandle + offsetof(WorkNameEntry, Device), made.device);
    Store64(m_pBlock + nHandle + offsetof(WorkNameEntry, Inode), made.inode);
}

std::vector<CWorkNames::Entry> CWorkNames::Entries() const
{
    std::vector<Entry> entries;
    if (!m_pBlock)
        return entries;
    uint32_t nUsed = LoadUsed(m_pBlock);
    if (nUsed > m_nCapacity - kHead)
        nUsed = m_nCapacity - kHead;
    uint32_t nAt = kHead;
    const uint32_t nEnd = kHead + nUsed;
    while (nAt + sizeof(WorkNameEntry) <= nEnd) {
        WorkNameEntry entry;
        std::memcpy(&entry, m_pBlock + nAt, sizeof entry);
        const uint32_t nSize = Padded(sizeof(WorkNameEntry) + entry.NameBytes);
        if (entry.NameBytes == 0 || nSize > nEnd - nAt)
            break;
        const char* sName = reinterpret_cast<const char*>(m_pBlock + nAt + sizeof entry);
        if (sName[entry.NameBytes - 1] != '\0')
            break;
        Entry e;
        e.kind = static_cast<WorkNameKind>(entry.Kind);
        e.state = static_cast<WorkNameState>(entry.State);
        e.made.path = sName;
        e.made.device = Load64(entry.Device);
        e.made.inode = Load64(entry.Inode);
        entries.push_back(e);
        nAt += nSize;
    }
    return entries;
}

std::vector<std::string> CWorkNames::RemoveMade()
{
    std::vector<std::string> removed;
    if (!m_pBlock)
        return removed;
    uint32_t nAt = kHead;
    for (const Entry& e : Entries()) {
        const uint32_t nHandle = nAt;
        nAt += Padded(sizeof(WorkNameEntry) + static_cast<uint32_t>(e.made.path.size() + 1));
        if (e.state != WORK_NAME_MADE)
            continue;
        const bool bGone = e.kind == WORK_NAME_FOLDER ? QuentaBased::remove_made_folder(e.made)
                                                      : QuentaBased::remove_made_file(e.made);
        if (bGone)
            removed.push_back(e.made.path);
        SetState(nHandle, WORK_NAME_GONE);
    }
    return removed;
}

} // namespace Moorland
