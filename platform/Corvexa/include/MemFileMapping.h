#pragma once

// The job file: the one channel between the conversion engine and convworker.
// A 32-bit capacity word, then the data area. The data area starts with the
// job table (one 32-bit link per job index); records and texts are linked by
// 32-bit offsets from the start of the data area, never by addresses, so each
// process maps the file wherever it likes.
//
// The arena is filled from both ends: InsertData grows upward from offset 0,
// MallcMemory and new texts grow downward from the end. Only the process that
// created the file allocates in it: a process that merely opened the file has
// no idea what the creator holds, so its allocations are refused rather than
// laid over the creator's texts. A worker reports its error text into the
// block the creator reserved for it in the record (see WriteJobErrorText).

#include "ConvertTaskInfo2.h"

#include <cstdint>
#include <memory>
#include <string>

class IQuentaException;

// A link into the data area of the process's job file.
class CMemFileMapTypePtr
{
public:
    CMemFileMapTypePtr(uint32_t nLink = 0) : m_nLink(nLink) {}

    // Null for 0 and for a link outside the mapped data area.
    void* GetPtr() const;
    uint32_t GetLink() const { return m_nLink; }

    // Base of the process's mapping (the capacity word); null while no job
    // file is mapped.
    static unsigned char* m_pbaseAddress;
    // Bytes of the data area that lie inside the mapping.
    static uint32_t m_nDataSize;

protected:
    uint32_t m_nLink;
};
static_assert(sizeof(CMemFileMapTypePtr) == 4, "a link is one 32-bit word");

// A text in the process's job file, linked by one 32-bit word.
// A stored text never grows and never moves: a new text that is no longer
// than the stored one overwrites it in place; a longer one cannot be stored.
class CSharedString : public CMemFileMapTypePtr
{
public:
    explicit CSharedString(uint32_t nLink = 0) : CMemFileMapTypePtr(nLink) {}
    explicit CSharedString(const char* sText);

    // As Assign; a failure is left in the thread's last-error record.
    CSharedString& operator=(const char* sText);
    // Null makes the link null. False when the text could not be stored: the
    // stored text is then unchanged and the failure recorded.
    bool Assign(const char* sText);
    // The text, or null when the link is null or does not name a whole text
    // inside the data area.
    const char* c_str() const;
};
static_assert(sizeof(CSharedString) == 4, "a shared text is one 32-bit link");

class CMemFileMapping
{
public:
    // The process-wide instance. With a path: opens that existing job file
    // (the worker's case); null after recording the failure. Without a path:
    // creates a job file of its own beside the log file. Later calls return
    // the existing instance and ignore both arguments.
    static CMemFileMapping* GetInstance(uint32_t nSize, const char* sPath);
    // Creating side with a chosen path: the file is made (or extended) to hold
    // nSize bytes, emptied, and becomes the process-wide instance, which
    // allocates. The file is deleted by FreeInstance. Throws on failure.
    static CMemFileMapping* CreateInstance(uint32_t nSize, const std::string& sPath);
    // A new instance over an existing job file, which is not changed. The
    // instance never allocates. Null after recording the failure.
    static CMemFileMapping* OpenFileMap(const std::string& sPath, uint32_t nSize);
    // Destroys the instance; deletes the file when this process created it.
    static void FreeInstance();

    // Maps an existing file of at least nSize bytes and makes it an empty
    // arena with every block reserved. Throws on failure, also when the file
    // system has no room for the blocks.
    CMemFileMapping(const std::string& sPath, uint32_t nSize);
    ~CMemFileMapping();
    CMemFileMapping(const CMemFileMapping&) = delete;
    CMemFileMapping& operator=(const CMemFileMapping&) = delete;

    // Address of nLength bytes at data offset nOffset; false and null when
    // the range leaves the data area.
    bool ReadData(uint32_t nOffset, uint32_t nLength, void** ppOut);
    // Appends at the low end; false when there is no room.
    bool InsertData(const void* pData, uint32_t nLength, void** ppOut = nullptr);
    // Link of a zeroed block from the high end; 0 when there is no room. A
    // block is never handed out at data offset 0, which would read as null.
    uint32_t MallcMemory(uint32_t nLength, void** ppOut = nullptr);
    // Gives back up to nLength bytes this instance appended at the low end.
    bool ReleaseData(uint32_t nLength, void* pIgnored = nullptr);

    // The record of a job index. Null, with the reason recorded, when the
    // table entry, the link or the record lies outside the data area.
    Moorland::ConvertTaskInfo2* GetJobRecord(uint32_t nIndex);
    // The record and the addresses of its texts, for the process's own use.
    bool GetJob(uint32_t nIndex, Moorland::ConvertTaskLocal& local);
    // A whole zero-terminated text at a link, or null (0, out of range, or no
    // terminator before the end of the data area).
    const char* GetText(uint32_t nLink) const;
    // The text assignment rule on a link field (see CSharedString).
    bool AssignText(uint32_t& nLink, const char* sText);

    // Stores a failed job's error text: into the block the creator reserved
    // in the record (cut to fit), else by the text assignment rule. False,
    // with the reason recorded, when it could not be stored.
    bool WriteJobErrorText(Moorland::ConvertTaskInfo2* pRecord, const char* sText);

    // Creating side: the job table of nCount entries, which must be the first
    // bytes appended.
    bool ReserveJobTable(uint32_t nCount);
    // Creating side: appends a record for a job index of the table with its
    // two texts and an error-text block of nErrorCapacity bytes. Null, with
    // the reason recorded, when the file has no room.
    Moorland::ConvertTaskInfo2* AddJob(uint32_t nIndex, const char* sSrcPath, const char* sDstPath,
                                       uint32_t nErrorCapacity = 1000);

    uint32_t GetCapacity() const { return m_nDataSize; }
    uint32_t GetFree() const { return m_nFree; }
    bool IsCreator() const { return m_bOwner; }
    const std::string& GetFileName() const { return m_sFileName; }

private:
    CMemFileMapping() = default;
    void Map(const std::string& sPath, uint32_t nSize, bool bReadFileLength);
    void Unmap();
    bool InData(uint32_t nOffset, uint32_t nLength) const;
    unsigned char* Data() const { return m_pBase + 4; }

    std::string m_sFileName;
    uint32_t m_nSize = 0;     // bytes mapped
    uint32_t m_nDataSize = 0; // bytes of the data area inside the mapping
    uint32_t m_nFree = 0;
    unsigned char* m_pBase = nullptr;
    unsigned char* m_pLow = nullptr;
    unsigned char* m_pLowStart = nullptr;
    unsigned char* m_pHigh = nullptr;
    int m_nFd = -1;
    bool m_bOwner = false;      // made the arena, so it may allocate
    uint32_t m_nTableCount = 0; // creating side: entries of the job table

    static std::unique_ptr<CMemFileMapping> m_instance;
    static bool m_bcreateFlag;
    static std::string m_createFileName;
};

// Gives the first nLength bytes of the open file fd their blocks, so that
// writing them through a shared mapping cannot fault; 0, or the errno value
// (ENOSPC when the file system has no room).
int ReserveBlocks(int fd, uint64_t nLength);

namespace Moorland {

// Longest error text a job reports, in characters.
constexpr size_t kMaxJobErrorText = 999;

// "Quenta Exception Code: <code>\nMsg: <msg>\nFile: <file>\nLine: <line>",
// cut to its first 999 characters.
std::string ComposeJobErrorText(IQuentaException* pError);

// Ends a job as failed: while the state is 1 or 2, stores the error text and
// then writes state 4. After a cancel request (or any other state) nothing is
// written. Returns whether the record now shows the failure; a text that could
// not be stored still lets the state become 4 and is reported as false.
bool ReportJobFailure(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord, IQuentaException* pError);

} // namespace Moorland
