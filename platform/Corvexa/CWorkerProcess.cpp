#include "CWorkerProcess.h"

#include "CBaseException.h"

namespace Moorland {

CWorkerProcess::CWorkerProcess(const std::vector<std::string>& args, const std::vector<int>& cpus)
{
    if (args.empty() || args[0].empty())
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");

    QuentaBased::CProcessLauncher::Options options;
    options.args = args;
    options.cpus = cpus;
    // The worker dies with the engine.
    options.endWithStarter = true;
    if (!m_child.Start(options)) {
        if (m_child.Pid() > 0) {
            // The child was made but could not run the worker.
            throw CBaseException(
                QB_ERR_UNEXPECTED,
                QuentaBased::ErrnoMessage("cannot run the conversion worker " + args[0] + ", execv error",
                                          m_child.StartErrno()),
                __LINE__, __FILE__);
        }
        QB_THROW(QB_ERR_UNEXPECTED, m_child.ErrorText().empty() ? std::string("fork error") : m_child.ErrorText());
    }
}

CWorkerProcess::~CWorkerProcess()
{
    m_child.KillAndCollect();
}

} // namespace Moorland
