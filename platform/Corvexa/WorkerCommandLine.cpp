#include "WorkerCommandLine.h"

#include "CBaseException.h"

namespace Moorland {

namespace {

// The worker reads words into a text until it holds the count, then trims
// trailing blanks; one element holding the whole text satisfies the count at
// once, whatever blanks it holds inside.
void AppendCounted(std::vector<std::string>& args, const std::string& sText, const char* sWhat)
{
    if (!sText.empty() && sText.back() == ' ')
        QB_THROW(QB_ERR_BAD_PARAM, std::string("the worker cannot take a ") + sWhat + " that ends with a blank");
    args.push_back(std::to_string(sText.size()));
    if (!sText.empty())
        args.push_back(sText);
}

} // namespace

std::vector<std::string> BuildWorkerCommandLine(const WorkerJobArguments& job)
{
    if (job.sWorkerPath.empty() || job.sJobFile.empty() || job.sProfileFile.empty() || job.nMapSize == 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    std::vector<std::string> args;
    args.push_back(job.sWorkerPath);
    args.push_back(std::to_string(job.nJobIndex));
    args.push_back(job.bAllProcessors ? "1" : "0");
    args.push_back(job.bTwoThreads ? "1" : "0");
    args.push_back(job.bStatistics ? "1" : "0");
    AppendCounted(args, job.sJobFile, "job file path");
    AppendCounted(args, job.sProfileFile, "profile file path");
    AppendCounted(args, job.sManagerConfig, "media manager setting");
    AppendCounted(args, job.sImporterName, "importer name");
    args.push_back(std::to_string(job.nMapSize));
    AppendCounted(args, job.sLogFile, "log file path");
    // The worker refuses a line of 13 words or fewer after its name.
    if (args.size() - 1 < 14)
        QB_THROW(QB_ERR_BAD_PARAM, "the worker command line needs a media manager setting and a log file");
    return args;
}

} // namespace Moorland
