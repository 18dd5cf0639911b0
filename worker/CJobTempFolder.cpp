#include "CJobTempFolder.h"

#include "Basilvo/Basilvo.h"
#include "Basilvo/QuentaLogger.h"
#include "CBaseException.h"
#include "WorkNames.h"

#include <cstdlib>

namespace Moorland {

CJobTempFolder::CJobTempFolder(CMemFileMapping* pFile, ConvertTaskInfo2* pRecord) : m_pFile(pFile), m_pRecord(pRecord)
{
    CWorkNames names(pFile, pRecord);
    if (!names.Reserved())
        return;
    const char* sTmp = std::getenv("TMPDIR");
    m_bHadTmpDir = sTmp != nullptr;
    m_sTmpDir = sTmp ? sTmp : "";
    std::string sParent = (sTmp && *sTmp) ? sTmp : "/tmp";
    while (sParent.size() > 1 && sParent.back() == '/')
        sParent.pop_back();
    try {
        m_made = QuentaBased::create_working_folder(sParent + "/fablecut-job");
    } catch (const CBaseException& e) {
        // A job that keeps nothing there runs all the same.
        GetQuentaLogger()->Log(LOG_WARN, "CJobTempFolder", e.GetMsg(), nullptr, 0);
        return;
    }
    m_nHandle = names.Note(WORK_NAME_FOLDER, m_made);
    if (m_nHandle == 0) {
        QuentaBased::remove_made_folder(m_made);
        m_made = QuentaBased::made_entry();
        return;
    }
    ::setenv("TMPDIR", m_made.path.c_str(), 1);
}

CJobTempFolder::~CJobTempFolder()
{
    if (m_nHandle == 0)
        return;
    if (m_bHadTmpDir)
        ::setenv("TMPDIR", m_sTmpDir.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    QuentaBased::remove_made_folder(m_made);
    CWorkNames(m_pFile, m_pRecord).SetState(m_nHandle, WORK_NAME_GONE);
}

} // namespace Moorland
