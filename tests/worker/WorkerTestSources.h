#pragma once

// What the tests that hand convworker real jobs share: the sizes of the job
// file they write, profiles released with their holder, and the sources the
// ffmpeg program makes once per process in a folder of their own, and the
// plan the conversion engine writes into every job record it adds.

#include "CJobProfile.h"
#include "ConvertTaskInfo2.h"
#include "IProfile.h"
#include "JobPlan.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

namespace WorkerTest {

const uint32_t kJobFileSize = 64 * 1024;
// The block the engine reserves for a job's working names, smaller here.
const uint32_t kWorkNamesBytes = 8 * 1024;

inline bool Shell(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

struct ProfileRelease
{
    void operator()(IProfile* p) const
    {
        if (p)
            p->Release();
    }
};

// Plans the job in `record` as the conversion engine does when it adds a
// task: from the profile file and the source, with the passes and the range
// the record's fields ask (the engine's caller's two-pass choice and trim).
// A pass count no engine writes stays, for the worker's value check to
// refuse; a record that carries a plan already keeps it. False when the
// profile can't be read.
inline bool PlanLikeTheEngine(Moorland::ConvertTaskInfo2* record, const std::string& profileFile,
                              const std::string& source, const std::string& importer = "")
{
    Moorland::JobPlan plan;
    if (!record || Moorland::ReadJobPlan(record, &plan))
        return record != nullptr;
    IProfile* profile = Moorland::CJobProfile::Create();
    const bool loaded = profile && Moorland::CJobProfile::Load(profile, profileFile);
    Moorland::JobSource asked;
    asked.path = source.c_str();
    asked.importerName = importer.c_str();
    asked.trimStartMs = record->TrimStart;
    asked.trimLengthMs = record->TrimLength;
    asked.twoPass = record->Pass == 2;
    if (loaded)
        plan = Moorland::PlanJob(profile, asked);
    if (profile)
        Moorland::CJobProfile::Release(profile);
    if (record->Pass != 1 && record->Pass != 2)
        plan.passes = record->Pass;
    Moorland::WriteJobPlan(record, plan);
    return loaded;
}

// A temporary folder named after `prefix` whose sources `make` writes (given
// the folder, true when all were made); removed with the object unless the
// environment holds `keepVariable`, which keeps the sources and outputs for
// a look afterwards.
class SourceFolder
{
public:
    SourceFolder(const std::string& prefix, const std::function<bool(const std::string& dir)>& make,
                 const char* keepVariable = nullptr)
        : m_keepVariable(keepVariable)
    {
        std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
        if (!mkdtemp(&tmpl[0]))
            return;
        m_dir = tmpl;
        m_ok = make(m_dir);
    }
    ~SourceFolder()
    {
        if (!m_dir.empty() && !(m_keepVariable && std::getenv(m_keepVariable)))
            Shell("rm -rf '" + m_dir + "'");
    }
    SourceFolder(const SourceFolder&) = delete;
    SourceFolder& operator=(const SourceFolder&) = delete;

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    bool Ok() const { return m_ok; }

private:
    const char* m_keepVariable;
    std::string m_dir;
    bool m_ok = false;
};

} // namespace WorkerTest
