// Plays the conversion engine for one Blu-ray disc job of convworker, for
// the benchmark:
//   bd_creator_bench <bin folder> <disc project file>
// Writes a disc profile ("remux" 4, "DiscType" 2) and a job file, runs
// convworker under /usr/bin/time -v and prints
// "state <n> seconds <wall> cpu <user+system> kbytes <peak resident>".

#include "IProfile.h"
#include "MemFileMapping.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 1;
    const std::string bin = argv[1], project = argv[2];
    const std::string work = project + ".bench";
    IProfile* profile = CreateProfile();
    if (!profile)
        return 2;
    profile->GetParams()->SetInt("remux", 4);
    profile->GetParams()->SetInt("DiscType", 2);
    const std::string profilePath = work + ".xml";
    if (!profile->SaveFile(profilePath.c_str()))
        return 2;
    profile->Release();

    const uint32_t size = 64 * 1024;
    const std::string jobFile = work + ".map";
    CMemFileMapping* file = CMemFileMapping::CreateInstance(size, jobFile);
    if (!file->ReserveJobTable(1))
        return 3;
    Moorland::ConvertTaskInfo2* record = file->AddJob(0, project.c_str(), (work + ".unused").c_str());
    if (!record)
        return 3;
    const std::string config = "SELECTED_DECODER=NO_SELECTED_DECODER";
    const std::string timeLog = work + ".time";
    const std::string logFile = work + ".log";
    const std::string command = "/usr/bin/time -v -o '" + timeLog + "' '" + bin + "/convworker' 0 1 1 1 " +
                                std::to_string(jobFile.size()) + " '" + jobFile + "' " +
                                std::to_string(profilePath.size()) + " '" + profilePath + "' " +
                                std::to_string(config.size()) + " " + config + " 0 " + std::to_string(size) + " " +
                                std::to_string(logFile.size()) + " '" + logFile + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return 4;
    std::ifstream in(timeLog);
    std::string line, wall, peak;
    double cpu = 0.0;
    while (std::getline(in, line)) {
        if (line.find("Elapsed (wall clock)") != std::string::npos)
            wall = line.substr(line.rfind(' ') + 1);
        if (line.find("Maximum resident set size") != std::string::npos)
            peak = line.substr(line.rfind(' ') + 1);
        if (line.find("User time (seconds)") != std::string::npos ||
            line.find("System time (seconds)") != std::string::npos)
            cpu += std::atof(line.substr(line.rfind(' ') + 1).c_str());
    }
    // m:ss.cc into seconds
    double seconds = 0.0;
    std::istringstream w(wall);
    std::string part;
    while (std::getline(w, part, ':'))
        seconds = seconds * 60.0 + std::atof(part.c_str());
    const char* error = file->GetText(record->ErrorText);
    if (error && *error)
        std::fprintf(stderr, "%s\n", error);
    std::printf("state %d seconds %.3f cpu %.2f kbytes %s\n", record->GetState(), seconds, cpu, peak.c_str());
    std::remove(profilePath.c_str());
    std::remove(timeLog.c_str());
    std::remove(logFile.c_str());
    CMemFileMapping::FreeInstance();
    return 0;
}
