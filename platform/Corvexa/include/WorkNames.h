#pragma once

// The working files and folders one job's worker made, by their exact names,
// in the block the engine reserved for them in the job file (linked from the
// record's WorkNames). The worker notes each one right after making it and
// marks it gone once it is renamed into place or removed; the engine removes
// what a worker that ended still had marked made, and only while each is
// still the file or folder that was made (its device and inode), so nothing
// a user put under a look-alike name, or later under the same name, is ever
// touched.
//
// Block layout (little-endian, 4-byte aligned): an 8-byte head, then the
// entries one after another. A killed worker leaves at most an entry the
// head does not count yet, which is never read.

#include "ConvertTaskInfo2.h"
#include "sysutils_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CMemFileMapping;

namespace Moorland {

enum WorkNameKind : uint8_t {
    WORK_NAME_FILE = 1,
    WORK_NAME_FOLDER = 2,
};

enum WorkNameState : uint8_t {
    WORK_NAME_GONE = 0, // renamed into place or removed by the worker
    WORK_NAME_MADE = 1, // still there under its working name
    WORK_NAME_KEPT = 2, // a finished output that could not be put in place: the user's now
};

#pragma pack(push, 4)
struct WorkNamesHead
{
    uint32_t Used;  // bytes of whole entries after the head
    uint32_t Count; // entries
};
struct WorkNameEntry
{
    uint8_t Kind;       // WorkNameKind
    uint8_t State;      // WorkNameState
    uint16_t NameBytes; // the name and its terminator, which follow the entry
    uint32_t Reserved;
    unsigned char Device[8]; // uint64
    unsigned char Inode[8];  // uint64
};
#pragma pack(pop)
static_assert(sizeof(WorkNamesHead) == 8, "working names layout");
static_assert(offsetof(WorkNameEntry, Kind) == 0, "working names layout");
static_assert(offsetof(WorkNameEntry, State) == 1, "working names layout");
static_assert(offsetof(WorkNameEntry, NameBytes) == 2, "working names layout");
static_assert(offsetof(WorkNameEntry, Device) == 8, "working names layout");
static_assert(offsetof(WorkNameEntry, Inode) == 16, "working names layout");
static_assert(sizeof(WorkNameEntry) == 24, "working names layout");

class CWorkNames
{
public:
    // The block of `pRecord` in `pFile`; holds nothing when none is reserved
    // or its link leaves the file.
    CWorkNames(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord);

    bool Reserved() const { return m_pBlock != nullptr; }
    // Engine: makes the block at nLink of nCapacity bytes the record's, empty.
    static bool Reserve(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord, uint32_t nLink, uint32_t nCapacity);

    // Worker: notes a file or folder it has just made. The entry's handle
    // for SetState; 0 when there is no block or no room.
    uint32_t Note(WorkNameKind kind, const QuentaBased::made_entry& made);
    void SetState(uint32_t nHandle, WorkNameState state);
    // The worker's own step has put a new file of its own under the noted
    // name (a rewrite renamed over it): the entry takes its device and inode.
    void Renote(uint32_t nHandle, const QuentaBased::made_entry& made);

    struct Entry
    {
        WorkNameKind kind;
        WorkNameState state;
        QuentaBased::made_entry made;
    };
    std::vector<Entry> Entries() const;

    // Engine, once the worker has ended: removes every file and folder still
    // marked made that is still what the worker made, and marks it gone. The
    // paths removed.
    std::vector<std::string> RemoveMade();

private:
    unsigned char* m_pBlock = nullptr;
    uint32_t m_nCapacity = 0;
};

} // namespace Moorland
