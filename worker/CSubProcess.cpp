#include "CSubProcess.h"

#include "CBaseException.h"
#include "sysutils_path.h"

namespace Moorland {

namespace {

std::string WorkerFolder()
{
    try {
        return QuentaBased::extract_file_path(QuentaBased::get_executable_path());
    } catch (const CBaseException&) {
        return std::string();
    }
}

} // namespace

CSubProcess::CSubProcess(const std::string& sCmdLine) : m_process(sCmdLine, WorkerFolder()) {}

CSubProcess::~CSubProcess() = default;

bool CSubProcess::Run(bool bStartSuspended)
{
    return m_process.Run(bStartSuspended);
}

bool CSubProcess::RunBackgroundly(bool bStartSuspended)
{
    return m_process.RunBackgroundly(bStartSuspended);
}

bool CSubProcess::Wait(unsigned int nMilliseconds)
{
    return m_process.Wait(nMilliseconds);
}

bool CSubProcess::GetExitCode(unsigned int& nCode)
{
    return m_process.GetExitCode(nCode);
}

int CSubProcess::Suspend()
{
    return m_process.Suspend();
}

int CSubProcess::Resume()
{
    return m_process.Resume();
}

bool CSubProcess::Terminate(unsigned int nExitCode)
{
    return m_process.Terminate(nExitCode);
}

} // namespace Moorland
