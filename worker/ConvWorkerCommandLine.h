#pragma once

// The command line the conversion engine starts convworker with: the job
// index, three flags, four counted strings (job file, profile file, media
// manager configuration, importer name), the job file's mapping size and a
// counted log file path. A counted string is a character count followed by
// the words of the text, joined again by single blanks.

#include <cstdint>
#include <string>

namespace Moorland {

struct WorkerCommandLine
{
    int jobIndex = 0;
    bool allProcessors = false;
    bool twoThreads = false;
    bool dataRateStatistics = false;
    std::string jobFile;
    std::string profileFile;  // UTF-8
    std::string config;       // UTF-8
    std::string importerName; // empty: chosen from the source
    uint32_t mappingSize = 0;
    std::string logFile; // empty: no log file
};

// False when the words do not make a whole command line (fewer than 14
// after the program name, or a count or the mapping size missing): every
// word is read only after a check that it exists.
bool ParseWorkerCommandLine(int argc, const char* const* argv, WorkerCommandLine& out);

} // namespace Moorland
