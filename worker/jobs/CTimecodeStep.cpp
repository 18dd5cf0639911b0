#include "CTimecodeStep.h"

#include "CBaseException.h"
#include "CSubProcess.h"
#include "JobRules.h"
#include "sysutils.h"

#include <vector>

#include <unistd.h>

namespace Moorland {

namespace {
const char* const kSource = "CTimecodeStep";
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)
} // namespace

CTimecodeStep::CTimecodeStep(IAVManager* manager, std::string moviePath)
    : m_manager(manager), m_path(std::move(moviePath))
{}

bool CTimecodeStep::WriteTimecodeToProRes()
{
    m_timedOut = false;
    return QB_GUARDED(false, {
        bool found = false;
        const std::string timecodeText = ManagerProperty(m_manager, "MXFTimecode", &found);
        const int timecode = QuentaBased::StrToInt(timecodeText);
        if (!found || timecode == 0)
            RAISE(QB_ERR_UNEXPECTED, "source has no time code");
        const std::string rateText = ManagerProperty(m_manager, "MXFOrigFramerate");
        if (rateText.empty())
            RAISE(QB_ERR_UNEXPECTED, "have no frame rate info");
        const std::vector<std::string> parts = QuentaBased::StrSplit(rateText, ",");
        if (parts.size() != 2)
            RAISE(QB_ERR_UNEXPECTED, "wrong frame rate :" + rateText);
        const int num = QuentaBased::StrToInt(parts[0]);
        const int den = QuentaBased::StrToInt(parts[1]);
        if (den == 0)
            RAISE(QB_ERR_UNEXPECTED, "divide zero error framerate:" + rateText);
        // The destination travels as one quoted argument word, never through a shell.
        std::string quoted;
        for (char c : m_path) {
            if (c == '"' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        const long long rate = static_cast<long long>(static_cast<double>(num) / den * 10000.0);
        const std::string command =
            "Tesquil \"" + quoted + "\" " + std::to_string(rate) + " " + std::to_string(timecode);
        CSubProcess child(command);
        if (!child.RunBackgroundly(false))
            RAISE(QB_ERR_UNEXPECTED, "cannot run Tesquil Process");
        if (!child.Wait(29000)) {
            child.Terminate(1);
            ::unlink((m_path + ".tesquil.tmp").c_str());
            m_timedOut = true;
            RAISE(QB_ERR_UNEXPECTED, "Tesquil Process deadlock: " + m_path);
        }
        unsigned code = 0;
        child.GetExitCode(code);
        if (code != 0)
            RAISE(QB_ERR_UNEXPECTED,
                  QuentaBased::Format("Append mov timecode failed. err code:%d", static_cast<int>(code)));
        return true;
    });
}

} // namespace Moorland
