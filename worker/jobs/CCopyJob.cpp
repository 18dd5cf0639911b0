#include "CCopyJob.h"

#include "CJobContext.h"
#include "CProgressReporter.h"
#include "IQuentaStream.h"
#include "JobRules.h"
#include "moorlan_srcutils/moorlan_url.h"
#include "quenta_base_streams.h"
#include "sysutils.h"

#include <memory>
#include <vector>

namespace Moorland {

namespace {
const char* const kSource = "CCopyJob";
#define RAISE(code, message) throw CBaseException((code), (message), __LINE__, kSource)
} // namespace

CCopyJob::CCopyJob(CJobContext& job) : m_job(job) {}

void CCopyJob::DoCopy()
{
    ConvertTaskInfo2* record = m_job.Record();
    const ConvertTaskLocal& local = m_job.Job();
    CSourceURL address(m_job.SourcePath());
    ChooseStreams(address, m_job.Plan().streams);
    int movieId = -1, videoId = -1, audioId = -1;
    MovieInfo* movie = nullptr;
    Released<IAVSource> source = m_job.OpenSource(address.GetURL(), &movieId, &videoId, &audioId, &movie);

    auto* in = static_cast<IQuentaStream*>(source->GetInterface("IQuentaStream"));
    if (!in)
        RAISE(QB_ERR_UNEXPECTED, "The source not support directly copy");
    IQuentaStream* out = local.DstStream;
    std::unique_ptr<QuentaBased::CFileStream> file;
    if (!out) {
        if (!local.DstPath)
            RAISE(QB_ERR_BAD_POINTER, "Bad pointer");
        file.reset(new QuentaBased::CFileStream(m_job.WorkingPath(), 0xFFFF));
        out = file.get();
    }
    if (!in->IsStream())
        in->Seek(0, soFromBeginning);
    const int64_t size = in->GetSize();
    const int64_t total = size == 0 ? 1 : size;
    std::vector<unsigned char> buffer(65536);
    const double duration = source->GetDuration() / 1000.0;
    record->SetDuration(duration == 0.0 ? 1.0 : duration);
    CProgressReporter progress(record, m_job.Clock());
    int64_t bytes = 0;
    // The copy has no trim range: the source's bytes go whole.
    m_job.RunLoop(
        &progress,
        [&] {
            CJobContext::LoopUnit unit;
            if (in->Eof()) {
                unit.more = false;
                return unit;
            }
            const unsigned n =
                CheckedCallIf([&] { return in->Read(buffer.data(), static_cast<unsigned>(buffer.size())); },
                              [](unsigned got) { return got == static_cast<unsigned>(-1); },
                              "Can't read the source " + m_job.SourcePath(), __LINE__, kSource, QB_ERR_FILE_IO);
            if (n == 0) {
                unit.more = false;
                return unit;
            }
            CheckedCallIf([&] { return out->Write(buffer.data(), n); }, [n](unsigned put) { return put != n; },
                          std::string("Can't write to ") + (local.DstPath ? local.DstPath : "the output stream"),
                          __LINE__, kSource, QB_ERR_FILE_IO);
            bytes += n;
            return unit;
        },
        [&] {
            progress.Report(static_cast<double>(bytes) / total, static_cast<uint64_t>(bytes));
            return true;
        });
    record->SetBytesWritten(bytes);
    file.reset();
    if (!m_job.Cancelled()) {
        // A source cut while it was read (a download stopped, a disk pulled)
        // would give a file as broken as it: the copy is whole or fails.
        if (size > 0 && bytes < size)
            RAISE(QB_ERR_MEDIA, QuentaBased::Format("The source %s ended at %lld of its %lld bytes: it is damaged "
                                                    "or cut short",
                                                    m_job.SourceName().c_str(), static_cast<long long>(bytes),
                                                    static_cast<long long>(size)));
        record->SetPercent(100.0);
        m_job.CheckOutput(CJobContext::PromisedSeconds(movie, videoId, videoId),
                          CJobContext::PromisedSeconds(movie, audioId, audioId));
    }
    source.reset();
    m_job.Finish();
}

} // namespace Moorland
