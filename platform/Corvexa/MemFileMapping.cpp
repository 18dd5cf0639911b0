#include "MemFileMapping.h"

#include "CBaseException.h"
#include "IQuentaException.h"
#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using Moorland::ConvertTaskInfo2;

// Errors of the job file are reported under its own source name, whatever
// the build calls the file.
#define JOBFILE_SOURCE "MemFileMapping"
#define JOBFILE_THROW(code, msg) throw CBaseException((code), (msg), __LINE__, JOBFILE_SOURCE)
#define JOBFILE_THROW_ERRNO(code, opText, err)                                                                         \
    throw CBaseException((code), ::QuentaBased::ErrnoMessage((opText), (err)), __LINE__, JOBFILE_SOURCE)
#define JOBFILE_GUARDED(failValue, ...)                                                                                \
    ::QuentaBased::CallGuarded((failValue), __LINE__, JOBFILE_SOURCE, [&]() __VA_ARGS__)

unsigned char* CMemFileMapTypePtr::m_pbaseAddress = nullptr;
uint32_t CMemFileMapTypePtr::m_nDataSize = 0;

std::unique_ptr<CMemFileMapping> CMemFileMapping::m_instance;
bool CMemFileMapping::m_bcreateFlag = false;
std::string CMemFileMapping::m_createFileName;

namespace {

constexpr uint32_t kRecordSize = sizeof(ConvertTaskInfo2);

// Length of the text at data offset nLink, or -1 when no terminator lies
// before the end of the data area.
long BoundedLength(const unsigned char* pData, uint32_t nDataSize, uint32_t nLink)
{
    if (nLink == 0 || nLink >= nDataSize)
        return -1;
    const void* pEnd = std::memchr(pData + nLink, 0, nDataSize - nLink);
    if (!pEnd)
        return -1;
    return static_cast<const unsigned char*>(pEnd) - (pData + nLink);
}

std::string TempFolder()
{
    const char* sTmp = std::getenv("TMPDIR");
    std::string sDir = (sTmp && *sTmp) ? sTmp : "/tmp";
    if (sDir.back() != '/')
        sDir += '/';
    return sDir;
}

// The folder new job files go to: beside the log file, else the temp folder.
std::string JobFileFolder()
{
    IQuentaLogger* pLogger = GetQuentaLogger();
    const char* sLog = pLogger ? pLogger->GetLogFile() : nullptr;
    if (sLog && *sLog) {
        std::string sPath(sLog);
        size_t nSlash = sPath.rfind('/');
        if (nSlash != std::string::npos)
            return sPath.substr(0, nSlash + 1);
    }
    return TempFolder();
}

// Makes sure the file at sPath is at least nSize bytes long, creating it when
// it does not exist; new bytes read as zero.
void PrepareFile(const std::string& sPath, uint32_t nSize)
{
    int fd = ::open(sPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        JOBFILE_THROW_ERRNO(QB_ERR_UNEXPECTED, "file open failed", errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        JOBFILE_THROW_ERRNO(QB_ERR_UNEXPECTED, "file open failed", err);
    }
    // Whole 64-byte blocks, always a little more than asked for.
    off_t nWanted = (static_cast<off_t>(nSize) / 64 + 64) * 64;
    if (st.st_size < static_cast<off_t>(nSize) && ::ftruncate(fd, nWanted) != 0) {
        int err = errno;
        ::close(fd);
        JOBFILE_THROW_ERRNO(QB_ERR_FILE_IO, "ftruncate", err);
    }
    ::close(fd);
}

} // namespace

int ReserveBlocks(int fd, uint64_t nLength)
{
    int err;
    do {
        err = ::posix_fallocate(fd, 0, static_cast<off_t>(nLength));
    } while (err == EINTR);
    return err;
}

// ---------------------------------------------------------------------------
// Links and texts

void* CMemFileMapTypePtr::GetPtr() const
{
    if (m_nLink == 0 || !m_pbaseAddress || m_nLink >= m_nDataSize)
        return nullptr;
    return m_pbaseAddress + 4 + m_nLink;
}

CSharedString::CSharedString(const char* sText) : CMemFileMapTypePtr(0)
{
    Assign(sText);
}

CSharedString& CSharedString::operator=(const char* sText)
{
    Assign(sText);
    return *this;
}

bool CSharedString::Assign(const char* sText)
{
    return JOBFILE_GUARDED(false, {
        CMemFileMapping* pFile = CMemFileMapping::GetInstance(0, nullptr);
        if (!pFile)
            QuentaBased::ThrowLastError();
        return pFile->AssignText(m_nLink, sText);
    });
}

const char* CSharedString::c_str() const
{
    if (!m_pbaseAddress)
        return nullptr;
    if (BoundedLength(m_pbaseAddress + 4, m_nDataSize, m_nLink) < 0)
        return nullptr;
    return reinterpret_cast<const char*>(m_pbaseAddress + 4 + m_nLink);
}

// ---------------------------------------------------------------------------
// The instance

CMemFileMapping* CMemFileMapping::GetInstance(uint32_t nSize, const char* sPath)
{
    if (m_instance)
        return m_instance.get();
    if (sPath) {
        CMemFileMapping* pFile = OpenFileMap(sPath, nSize);
        if (!pFile)
            return nullptr;
        m_instance.reset(pFile);
        CMemFileMapTypePtr::m_pbaseAddress = pFile->m_pBase;
        CMemFileMapTypePtr::m_nDataSize = pFile->m_nDataSize;
        return pFile;
    }
    if (nSize == 0)
        JOBFILE_THROW(QB_ERR_BAD_PARAM, "Bad param");
    // A unique name made by creating the file exclusively, so two engines
    // never share one job file.
    std::string sBuf = JobFileFolder() + "jobXXXXXX.share";
    int fd = ::mkstemps(&sBuf[0], 6);
    if (fd < 0) {
        sBuf = TempFolder() + "jobXXXXXX.share";
        fd = ::mkstemps(&sBuf[0], 6);
    }
    if (fd < 0)
        JOBFILE_THROW(QB_ERR_UNEXPECTED, "create file failed and read execute file path shard data failed too");
    ::close(fd);
    try {
        return CreateInstance(nSize, sBuf);
    } catch (...) {
        ::unlink(sBuf.c_str());
        throw;
    }
}

CMemFileMapping* CMemFileMapping::CreateInstance(uint32_t nSize, const std::string& sPath)
{
    if (sPath.empty() || nSize == 0)
        JOBFILE_THROW(QB_ERR_BAD_PARAM, "Bad param");
    PrepareFile(sPath, nSize);
    std::unique_ptr<CMemFileMapping> pFile(new CMemFileMapping(sPath, nSize));
    // The instance it replaces goes, but a file of the same name is the new one.
    if (m_bcreateFlag && m_createFileName == sPath)
        m_bcreateFlag = false;
    FreeInstance();
    m_instance = std::move(pFile);
    m_bcreateFlag = true;
    m_createFileName = sPath;
    CMemFileMapTypePtr::m_pbaseAddress = m_instance->m_pBase;
    CMemFileMapTypePtr::m_nDataSize = m_instance->m_nDataSize;
    return m_instance.get();
}

CMemFileMapping* CMemFileMapping::OpenFileMap(const std::string& sPath, uint32_t nSize)
{
    return JOBFILE_GUARDED(static_cast<CMemFileMapping*>(nullptr), {
        std::unique_ptr<CMemFileMapping> pFile(new CMemFileMapping());
        pFile->Map(sPath, nSize, true);
        // The capacity word is only believed as far as the mapping reaches.
        uint32_t nCapacity;
        std::memcpy(&nCapacity, pFile->m_pBase, 4);
        if (nCapacity < pFile->m_nDataSize)
            pFile->m_nDataSize = nCapacity;
        // An opener allocates nothing: its cursors meet at the end.
        pFile->m_pLow = pFile->m_pLowStart = pFile->m_pHigh = pFile->Data() + pFile->m_nDataSize;
        pFile->m_nFree = 0;
        pFile->m_bOwner = false;
        return pFile.release();
    });
}

void CMemFileMapping::FreeInstance()
{
    m_instance.reset();
    CMemFileMapTypePtr::m_pbaseAddress = nullptr;
    CMemFileMapTypePtr::m_nDataSize = 0;
    if (m_bcreateFlag) {
        ::unlink(m_createFileName.c_str());
        m_bcreateFlag = false;
        m_createFileName.clear();
    }
}

CMemFileMapping::CMemFileMapping(const std::string& sPath, uint32_t nSize)
{
    if (sPath.empty() || nSize == 0)
        JOBFILE_THROW(QB_ERR_BAD_PARAM, "Bad param");
    if (nSize < 4)
        JOBFILE_THROW(QB_ERR_BAD_PARAM, "Bad param");
    // No destructor runs for a constructor that throws: close what Map opened.
    try {
        Map(sPath, nSize, false);
    } catch (...) {
        Unmap();
        throw;
    }
    // Emptied by cutting the file to nothing and back to its length, which
    // leaves it without blocks: they are reserved before a byte is written.
    // A page the file system cannot give a block to when it is first touched
    // is no error a caller could handle but a SIGBUS that ends the process
    // with everything it holds.
    struct stat st;
    const bool bEmptied = ::fstat(m_nFd, &st) == 0 && ::ftruncate(m_nFd, 0) == 0;
    if (bEmptied && ::ftruncate(m_nFd, st.st_size) != 0) {
        const int err = errno;
        Unmap();
        JOBFILE_THROW_ERRNO(QB_ERR_UNEXPECTED, "can't empty sharedData", err);
    }
    const int nReserved = ReserveBlocks(m_nFd, m_nSize);
    if (nReserved != 0) {
        Unmap();
        JOBFILE_THROW_ERRNO(QB_ERR_FILE_IO, "can't reserve the blocks of sharedData", nReserved);
    }
    if (!bEmptied)
        std::memset(m_pBase, 0, m_nSize);
    m_nDataSize = m_nSize - 4;
    std::memcpy(m_pBase, &m_nDataSize, 4);
    m_nFree = m_nDataSize;
    m_pLow = m_pLowStart = Data();
    m_pHigh = Data() + m_nDataSize;
    m_bOwner = true;
}

CMemFileMapping::~CMemFileMapping()
{
    Unmap();
}

void CMemFileMapping::Map(const std::string& sPath, uint32_t nSize, bool bReadFileLength)
{
    m_sFileName = sPath;
    m_nFd = ::open(sPath.c_str(), O_RDWR | O_CLOEXEC);
    if (m_nFd < 0)
        JOBFILE_THROW_ERRNO(QB_ERR_UNEXPECTED, "can't open sharedData", errno);
    // Bytes past the end of the file would fault when touched, so a short
    // file is mapped only as far as it reaches.
    struct stat st;
    if (::fstat(m_nFd, &st) != 0)
        JOBFILE_THROW_ERRNO(QB_ERR_UNEXPECTED, "can't open sharedData", errno);
    uint64_t nLength = nSize;
    if (static_cast<uint64_t>(st.st_size) < nLength) {
        if (!bReadFileLength)
            JOBFILE_THROW(QB_ERR_UNEXPECTED, "mmap file failed: the file is shorter than the mapping");
        nLength = static_cast<uint64_t>(st.st_size);
    }
    if (nLength < 4)
        JOBFILE_THROW(QB_ERR_UNEXPECTED, "mmap file failed: no capacity word");
    void* p = ::mmap(nullptr, nLength, PROT_READ | PROT_WRITE, MAP_SHARED, m_nFd, 0);
    if (p == MAP_FAILED)
        JOBFILE_THROW_ERRNO(QB_ERR_UNEXPECTED, "mmap file failed", errno);
    m_pBase = static_cast<unsigned char*>(p);
    m_nSize = static_cast<uint32_t>(nLength);
    m_nDataSize = m_nSize - 4;
}

void CMemFileMapping::Unmap()
{
    if (m_pBase)
        ::munmap(m_pBase, m_nSize);
    m_pBase = nullptr;
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
}

bool CMemFileMapping::InData(uint32_t nOffset, uint32_t nLength) const
{
    return nOffset <= m_nDataSize && nLength <= m_nDataSize - nOffset;
}

// ---------------------------------------------------------------------------
// The arena

bool CMemFileMapping::ReadData(uint32_t nOffset, uint32_t nLength, void** ppOut)
{
    return JOBFILE_GUARDED(false, {
        if (!ppOut)
            JOBFILE_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!InData(nOffset, nLength)) {
            *ppOut = nullptr;
            return false;
        }
        *ppOut = Data() + nOffset;
        return true;
    });
}

bool CMemFileMapping::InsertData(const void* pData, uint32_t nLength, void** ppOut)
{
    return JOBFILE_GUARDED(false, {
        if (!pData)
            JOBFILE_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (m_nFree < nLength)
            return false;
        std::memcpy(m_pLow, pData, nLength);
        if (ppOut)
            *ppOut = m_pLow;
        m_pLow += nLength;
        m_nFree -= nLength;
        return true;
    });
}

uint32_t CMemFileMapping::MallcMemory(uint32_t nLength, void** ppOut)
{
    if (m_nFree < nLength)
        return 0;
    unsigned char* pBlock = m_pHigh - nLength;
    if (pBlock == Data())
        return 0;
    m_pHigh = pBlock;
    std::memset(pBlock, 0, nLength);
    if (ppOut)
        *ppOut = pBlock;
    m_nFree -= nLength;
    return static_cast<uint32_t>(pBlock - Data());
}

bool CMemFileMapping::ReleaseData(uint32_t nLength, void*)
{
    uint32_t nAppended = static_cast<uint32_t>(m_pLow - m_pLowStart);
    uint32_t n = nLength < nAppended ? nLength : nAppended;
    m_pLow -= n;
    m_nFree += n;
    return true;
}

// ---------------------------------------------------------------------------
// Records and texts

ConvertTaskInfo2* CMemFileMapping::GetJobRecord(uint32_t nIndex)
{
    return JOBFILE_GUARDED(static_cast<ConvertTaskInfo2*>(nullptr), {
        void* pEntry = nullptr;
        if (nIndex > (UINT32_MAX - 4) / 4 || !ReadData(4 * nIndex, 4, &pEntry))
            JOBFILE_THROW(QB_ERR_INDEX, "job index is outside the job table");
        uint32_t nLink;
        std::memcpy(&nLink, pEntry, 4);
        if (nLink == 0)
            JOBFILE_THROW(QB_ERR_NOT_FOUND, "no job record at this job index");
        // Records lie on 4-byte boundaries so that the state word can be
        // shared atomically.
        if (nLink % 4 != 0 || !InData(nLink, kRecordSize))
            JOBFILE_THROW(QB_ERR_MEDIA, "job record link is outside the job file");
        return reinterpret_cast<ConvertTaskInfo2*>(Data() + nLink);
    });
}

bool CMemFileMapping::GetJob(uint32_t nIndex, Moorland::ConvertTaskLocal& local)
{
    ConvertTaskInfo2* pRecord = GetJobRecord(nIndex);
    if (!pRecord)
        return false;
    return JOBFILE_GUARDED(false, {
        const char* sSrc = GetText(pRecord->SrcPathText);
        const char* sDst = GetText(pRecord->DstPathText);
        if (!sSrc || !sDst)
            JOBFILE_THROW(QB_ERR_MEDIA, "job record text link is outside the job file");
        local.pRecord = pRecord;
        local.SrcPath = sSrc;
        local.DstPath = sDst;
        return true;
    });
}

const char* CMemFileMapping::GetText(uint32_t nLink) const
{
    if (BoundedLength(Data(), m_nDataSize, nLink) < 0)
        return nullptr;
    return reinterpret_cast<const char*>(Data() + nLink);
}

bool CMemFileMapping::AssignText(uint32_t& nLink, const char* sText)
{
    return JOBFILE_GUARDED(false, {
        if (!sText) {
            nLink = 0;
            return true;
        }
        size_t nNew = std::strlen(sText);
        if (nLink != 0) {
            long nOld = BoundedLength(Data(), m_nDataSize, nLink);
            if (nOld < 0)
                JOBFILE_THROW(QB_ERR_MEDIA, "text link is outside the job file");
            char* sOld = reinterpret_cast<char*>(Data() + nLink);
            if (nNew > static_cast<size_t>(nOld))
                JOBFILE_THROW(QB_ERR_DEST_SMALL, "the new text is longer than the stored one");
            std::memmove(sOld, sText, nNew + 1);
            return true;
        }
        if (nNew + 1 > m_nFree)
            JOBFILE_THROW(QB_ERR_DEST_SMALL, "no room for the text in the job file");
        void* pBlock = nullptr;
        uint32_t nNewLink = MallcMemory(static_cast<uint32_t>(nNew + 1), &pBlock);
        if (nNewLink == 0)
            JOBFILE_THROW(QB_ERR_DEST_SMALL, "no room for the text in the job file");
        std::memcpy(pBlock, sText, nNew + 1);
        nLink = nNewLink;
        return true;
    });
}

bool CMemFileMapping::WriteJobErrorText(ConvertTaskInfo2* pRecord, const char* sText)
{
    return JOBFILE_GUARDED(false, {
        if (!pRecord || !sText)
            JOBFILE_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        uint32_t nLink = pRecord->ErrorText;
        uint32_t nCapacity = pRecord->ErrorTextCapacity;
        if (nLink != 0 && nCapacity != 0) {
            if (!InData(nLink, nCapacity))
                JOBFILE_THROW(QB_ERR_MEDIA, "error text block is outside the job file");
            size_t n = std::strlen(sText);
            if (n > nCapacity - 1)
                n = nCapacity - 1;
            unsigned char* pBlock = Data() + nLink;
            std::memcpy(pBlock, sText, n);
            pBlock[n] = 0;
            return true;
        }
        if (!AssignText(nLink, sText))
            QuentaBased::ThrowLastError();
        pRecord->ErrorText = nLink;
        return true;
    });
}

bool CMemFileMapping::ReserveJobTable(uint32_t nCount)
{
    return JOBFILE_GUARDED(false, {
        if (!m_bOwner)
            JOBFILE_THROW(QB_ERR_UNEXPECTED, "only the creator of a job file writes jobs");
        if (m_pLow != Data())
            JOBFILE_THROW(QB_ERR_UNEXPECTED, "the job table must come first in the job file");
        if (nCount == 0 || nCount > m_nFree / 4)
            JOBFILE_THROW(QB_ERR_DEST_SMALL, "no room for the job table");
        std::string sZeros(static_cast<size_t>(nCount) * 4, '\0');
        if (!InsertData(sZeros.data(), nCount * 4))
            return false;
        m_nTableCount = nCount;
        return true;
    });
}

ConvertTaskInfo2* CMemFileMapping::AddJob(uint32_t nIndex, const char* sSrcPath, const char* sDstPath,
                                          uint32_t nErrorCapacity)
{
    return JOBFILE_GUARDED(static_cast<ConvertTaskInfo2*>(nullptr), {
        if (!sSrcPath || !sDstPath)
            JOBFILE_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_bOwner)
            JOBFILE_THROW(QB_ERR_UNEXPECTED, "only the creator of a job file writes jobs");
        if (nIndex >= m_nTableCount)
            JOBFILE_THROW(QB_ERR_INDEX, "job index is outside the job table");
        uint64_t nNeed = uint64_t(kRecordSize) + std::strlen(sSrcPath) + 1 + std::strlen(sDstPath) + 1 + nErrorCapacity;
        if (nNeed >= m_nFree)
            JOBFILE_THROW(QB_ERR_DEST_SMALL, "no room for the job in the job file");
        ConvertTaskInfo2 record;
        std::memset(&record, 0, sizeof record);
        record.TrimLength = -1;
        record.Pass = 1;
        void* pRecord = nullptr;
        InsertData(&record, kRecordSize, &pRecord);
        ConvertTaskInfo2* pRec = static_cast<ConvertTaskInfo2*>(pRecord);
        uint32_t nLink = 0;
        AssignText(nLink, sSrcPath);
        pRec->SrcPathText = nLink;
        nLink = 0;
        AssignText(nLink, sDstPath);
        pRec->DstPathText = nLink;
        if (nErrorCapacity != 0) {
            pRec->ErrorText = MallcMemory(nErrorCapacity);
            pRec->ErrorTextCapacity = nErrorCapacity;
        }
        uint32_t nRecordLink = static_cast<uint32_t>(static_cast<unsigned char*>(pRecord) - Data());
        std::memcpy(Data() + 4 * nIndex, &nRecordLink, 4);
        return pRec;
    });
}

// ---------------------------------------------------------------------------
// Failure report

namespace Moorland {

std::string ComposeJobErrorText(IQuentaException* pError)
{
    int nLine = 0;
    const char* sFile = pError->GetExceptionSource(&nLine);
    std::string sText = "Quenta Exception Code: " + std::to_string(pError->GetExceptionCode()) +
                        "\nMsg: " + pError->GetExceptionMsg() + "\nFile: " + (sFile ? sFile : "") +
                        "\nLine: " + std::to_string(nLine);
    if (sText.size() > kMaxJobErrorText)
        sText.resize(kMaxJobErrorText);
    return sText;
}

bool ReportJobFailure(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord, IQuentaException* pError)
{
    if (!pFile || !pRecord || !pError)
        return false;
    int32_t nState = pRecord->GetState();
    if (nState != CONVERT_TASK_RUNNING && nState != CONVERT_TASK_PAUSED)
        return false;
    std::string sText = ComposeJobErrorText(pError);
    const uint32_t nOldLink = pRecord->ErrorText;
    bool bStored = pFile->WriteJobErrorText(pRecord, sText.c_str());
    // The text goes first, so a reader that sees 4 finds it; a pause or a
    // resume in between is overridden, a cancel request is not.
    for (;;) {
        if (pRecord->ChangeState(nState, CONVERT_TASK_FAILED))
            return bStored;
        nState = pRecord->GetState();
        if (nState != CONVERT_TASK_RUNNING && nState != CONVERT_TASK_PAUSED)
            break;
    }
    // Something else (a cancel request) ended the job while the text was
    // being written: the job did not fail, so the text is taken back.
    if (bStored) {
        if (pRecord->ErrorText == nOldLink && nOldLink != 0) // written in place
            pFile->WriteJobErrorText(pRecord, "");
        else
            pRecord->ErrorText = nOldLink;
    }
    return false;
}

} // namespace Moorland
