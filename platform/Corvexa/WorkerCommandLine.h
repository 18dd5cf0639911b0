#pragma once

// The command line the engine starts convworker with, one argument per
// element (no shell ever sees it): the job index, three flags, the counted
// strings (job file, profile file, media manager settings, importer name),
// the size of the job-file mapping and the counted log-file path. A counted
// string is its length in bytes followed by the text as one element, or the
// count 0 alone for an empty text.

#include <cstdint>
#include <string>
#include <vector>

namespace Moorland {

struct WorkerJobArguments
{
    std::string sWorkerPath;
    uint32_t nJobIndex = 0;
    bool bAllProcessors = false;
    bool bTwoThreads = false;
    bool bStatistics = true;
    std::string sJobFile;
    std::string sProfileFile;
    std::string sManagerConfig;
    std::string sImporterName;
    uint32_t nMapSize = 0;
    std::string sLogFile;
};

// The argument vector, program path first. Throws CBaseException when the
// line would be one the worker refuses: fewer than 14 words after the
// program, or a text whose trailing blanks the worker would cut.
std::vector<std::string> BuildWorkerCommandLine(const WorkerJobArguments& job);

} // namespace Moorland
