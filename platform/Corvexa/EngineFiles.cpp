#include "EngineFiles.h"

#include "ConvertTaskInfo2.h"
#include "MemFileMapping.h"
#include "WorkNames.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Moorland {

const char* const kJobFileName = "jobs.share";

namespace {

const char* const kSource = "Corvexa";

[[noreturn]] void ThrowNoRoom(const std::string& sTempFolder)
{
    QB_THROW(QB_ERR_FILE_IO, "No space left in " + sTempFolder + " for the conversion's work files");
}

} // namespace

void ThrowWhenNoRoom(const std::string& sFolder, const std::string& sTempFolder, uint64_t nBytes)
{
    struct statvfs st;
    if (::statvfs(sFolder.c_str(), &st) == 0 && uint64_t(st.f_bavail) * st.f_frsize < nBytes)
        ThrowNoRoom(sTempFolder);
}

std::unique_ptr<CMemFileMapping> CreateJobFile(const std::string& sFolder, const std::string& sTempFolder)
{
    const std::string sPath = sFolder + "/" + kJobFileName;
    int fd = ::open(sPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "open error", errno);
    if (::ftruncate(fd, kJobFileSize) != 0) {
        int err = errno;
        ::close(fd);
        ::unlink(sPath.c_str());
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "ftruncate error", err);
    }
    ::close(fd);
    std::unique_ptr<CMemFileMapping> pFile;
    try {
        // The mapping reserves its blocks: a full temporary folder is a
        // task that cannot run, never a process that dies.
        pFile.reset(new CMemFileMapping(sPath, kJobFileSize));
    } catch (...) {
        ::unlink(sPath.c_str());
        ThrowWhenNoRoom(sFolder, sTempFolder, kJobFileSize);
        throw;
    }
    if (!pFile->ReserveJobTable(kMaxJobs)) {
        pFile.reset();
        ::unlink(sPath.c_str());
        QuentaBased::ThrowLastError();
    }
    return pFile;
}

void RemoveDeadEngineJobs(const std::string& sFolder)
{
    const std::string sJobFile = sFolder + "/" + kJobFileName;
    struct stat st;
    if (::lstat(sJobFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 4)
        return;
    const uint32_t nSize = static_cast<uint32_t>(std::min<off_t>(st.st_size, kJobFileSize));
    // An engine that died while writing may have left holes, and reading a
    // hole through a mapping takes a block on some file systems (tmpfs): the
    // blocks are reserved first, and a file that cannot have them is left.
    int fd = ::open(sJobFile.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return;
    const int nReserved = ReserveBlocks(fd, nSize);
    ::close(fd);
    if (nReserved != 0) {
        if (IQuentaLogger* pLogger = GetQuentaLogger())
            pLogger->Log(LOG_WARN, kSource, ("no room to read " + sJobFile + "; what its workers left stays").c_str(),
                         nullptr, 0);
        return;
    }
    std::unique_ptr<CMemFileMapping> pFile(CMemFileMapping::OpenFileMap(sJobFile, nSize));
    for (uint32_t n = 0; pFile && n < kMaxJobs; ++n) {
        // Table entries are read as they lie: most are empty, and an empty
        // one is nothing to report.
        void* pEntry = nullptr;
        uint32_t nLink = 0;
        if (!pFile->ReadData(4 * n, 4, &pEntry) || !pEntry)
            break;
        std::memcpy(&nLink, pEntry, 4);
        ConvertTaskInfo2* pRecord = nLink != 0 ? pFile->GetJobRecord(n) : nullptr;
        if (!pRecord)
            continue;
        for (const std::string& sGone : CWorkNames(pFile.get(), pRecord).RemoveMade()) {
            if (IQuentaLogger* pLogger = GetQuentaLogger())
                pLogger->Log(LOG_INFO, kSource,
                             ("removed " + sGone + ", which a worker of an engine that died left unfinished").c_str(),
                             nullptr, 0);
        }
    }
    GetQuentaException()->Clear();
}

std::string FileTail(const std::string& sPath, size_t nMaxBytes)
{
    int fd = ::open(sPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::string();
    struct stat st;
    std::string sText;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        off_t nStart = st.st_size > static_cast<off_t>(nMaxBytes) ? st.st_size - static_cast<off_t>(nMaxBytes) : 0;
        sText.resize(static_cast<size_t>(st.st_size - nStart));
        ssize_t n = ::pread(fd, &sText[0], sText.size(), nStart);
        sText.resize(n > 0 ? static_cast<size_t>(n) : 0);
    }
    ::close(fd);
    return sText;
}

} // namespace Moorland
