#pragma once

// The job's own temporary folder. Whatever the job's libraries keep in the
// temporary folder while it runs (an encoder's two-pass statistics and the
// files it keeps beside them) goes into a folder made for the job and noted
// in its record as its outputs are, so that a worker killed at any moment
// leaves nothing there that the engine does not remove by its exact name.
// The worker runs one job, so the process's TMPDIR names the folder while
// the object lives; the folder goes with it.

#include "sysutils_file.h"

#include <cstdint>
#include <string>

class CMemFileMapping;

namespace Moorland {

struct ConvertTaskInfo2;

class CJobTempFolder
{
public:
    // Made before the job's threads start. Without a block for the record's
    // working names, or without room, the temporary folder stays as it is.
    CJobTempFolder(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord);
    ~CJobTempFolder();
    CJobTempFolder(const CJobTempFolder&) = delete;
    CJobTempFolder& operator=(const CJobTempFolder&) = delete;

    // The folder; empty when none was made.
    const std::string& Path() const { return m_made.path; }

private:
    CMemFileMapping* m_pFile;
    ConvertTaskInfo2* m_pRecord;
    QuentaBased::made_entry m_made;
    uint32_t m_nHandle = 0;
    bool m_bHadTmpDir = false;
    std::string m_sTmpDir;
};

} // namespace Moorland
