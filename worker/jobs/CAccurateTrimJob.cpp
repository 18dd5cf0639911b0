#include "CAccurateTrimJob.h"

#include "CJobContext.h"
#include "IAccurateTrimManager.h"
#include "sysutils.h"

namespace Moorland {

namespace {
const char* const kSource = "CAccurateTrimJob";
} // namespace

CAccurateTrimJob::CAccurateTrimJob(CJobContext& job) : m_job(job) {}

void CAccurateTrimJob::DoAccurateTrim()
{
    const ConvertTaskLocal& local = m_job.Job();
    const std::string destination = QuentaBased::utf8_to_local(m_job.WorkingPath().c_str());
    Released<IAccurateTrimManager> trim(
        CheckedCall([&] { return m_job.Manager()->CreateAccurateTrimManager(destination.c_str()); },
                    "can not create accurate trim manager", __LINE__, kSource));
    CheckedCall([&] { return trim->SetSource(local.SrcPath, local.ImporterName, local.Profile); },
                "DoAccurateTrim error.", __LINE__, kSource);
    CheckedCall([&] { return trim->SetTaskInfo(m_job.Record()); }, "DoAccurateTrim error.", __LINE__, kSource);
    CheckedCall([&] { return trim->OpenFile(); }, "AccurateTrim Open to file error.", __LINE__, kSource);
    CheckedCall([&] { return trim->WriteFile(m_job.Record()); }, "AccurateTrim Write file error.", __LINE__, kSource);
    CheckedCall([&] { return trim->CloseFile(); }, "AccurateTrim Close file error.", __LINE__, kSource);
    // The trim writes the finished state itself; the file follows it into place.
    if (m_job.Record()->GetState() == CONVERT_TASK_FINISHED)
        m_job.CommitOutputs();
}

} // namespace Moorland
