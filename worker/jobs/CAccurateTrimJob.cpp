#include "CAccurateTrimJob.h"

#include "CJobContext.h"
#include "CProgressReporter.h"
#include "IAccurateTrimManager.h"
#include "sysutils.h"

#include <sys/stat.h>

namespace Moorland {

namespace {
const char* const kSource = "CAccurateTrimJob";
} // namespace

CAccurateTrimJob::CAccurateTrimJob(CJobContext& job) : m_job(job) {}

void CAccurateTrimJob::DoAccurateTrim()
{
    const ConvertTaskLocal& local = m_job.Job();
    ConvertTaskInfo2* record = m_job.Record();
    const std::string destination = QuentaBased::utf8_to_local(m_job.WorkingPath().c_str());
    Released<IAccurateTrimManager> trim(
        CheckedCall([&] { return m_job.Manager()->CreateAccurateTrimManager(destination.c_str()); },
                    "can not create accurate trim manager", __LINE__, kSource));
    CheckedCall([&] { return trim->SetSource(local.SrcPath, local.ImporterName, local.Profile); },
                "DoAccurateTrim error.", __LINE__, kSource);
    CheckedCall([&] { return trim->SetTaskInfo(record); }, "DoAccurateTrim error.", __LINE__, kSource);
    CheckedCall([&] { return trim->OpenFile(); }, "AccurateTrim Open to file error.", __LINE__, kSource);

    // The trim copies packet by packet; pause, cancel and the figures are
    // the job loop's, as for every other job kind.
    CProgressReporter progress(record, m_job.Clock());
    progress.LookByTheClockToo();
    bool written = false;
    auto figures = [&] {
        int64_t writtenMs = 0, lengthMs = 0;
        uint64_t bytes = 0;
        trim->GetProgress(&writtenMs, &lengthMs, &bytes);
        progress.ReportPosition(static_cast<double>(writtenMs), bytes);
    };
    m_job.RunLoop(
        &progress,
        [&] {
            CJobContext::LoopUnit unit;
            const int more = trim->WriteNext();
            if (more < 0)
                QuentaBased::ThrowLastError();
            unit.more = more == 1;
            written = more == 0;
            return unit;
        },
        [&] {
            figures();
            return true;
        });
    if (!written) {
        // Cancelled: the output never gets its trailer and goes.
        trim->CloseFile();
        return;
    }
    CheckedCall([&] { return trim->CloseFile(); }, "AccurateTrim Close file error.", __LINE__, kSource);
    figures();
    // The bytes are the file's, its header and index included.
    struct stat st
    {
    };
    if (stat(destination.c_str(), &st) == 0)
        record->SetBytesWritten(static_cast<int64_t>(st.st_size));
    record->SetPercent(100.0);
    m_job.Finish();
}

} // namespace Moorland
