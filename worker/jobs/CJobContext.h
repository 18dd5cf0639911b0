#pragma once

// What every job kind of one convworker job shares: the media manager, the
// job record and its local links, the engine's options, the job clock, and
// the steps more than one kind takes (waiting out a pause, opening the
// output, completing the profile from the source, checking the finished
// output, writing the finished state).

#include "CJobClock.h"
#include "CheckedCalls.h"
#include "ConvertTaskInfo2.h"
#include "IAVExporter.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"

#include <cstdint>
#include <string>

class CMemFileMapping;

namespace Moorland {

class CJobProfile;
class CSourceURL;

class CJobContext
{
public:
    CJobContext(IAVManager* manager, bool allProcessors, bool twoThreads, bool dataRateStatistics,
                const ConvertTaskLocal& job, CMemFileMapping* file);
    CJobContext(const CJobContext&) = delete;
    CJobContext& operator=(const CJobContext&) = delete;

    IAVManager* Manager() const { return m_manager; }
    ConvertTaskInfo2* Record() const { return m_job.pRecord; }
    const ConvertTaskLocal& Job() const { return m_job; }
    CMemFileMapping* File() const { return m_file; }
    std::string SourcePath() const { return m_job.SrcPath ? m_job.SrcPath : ""; }
    std::string DestinationPath() const { return m_job.DstPath ? m_job.DstPath : ""; }

    bool AllProcessors() const { return m_allProcessors; }
    bool TwoThreads() const { return m_twoThreads; }
    // A ProRes job writes on one thread.
    void UseOneThread() { m_twoThreads = false; }
    bool DataRateStatistics() const { return m_dataRateStatistics; }
    CJobClock& Clock() { return m_clock; }

    // Waits out a pause; the state seen afterwards (never 2).
    int WaitWhilePaused();
    bool Cancelled() const { return Record()->GetState() == CONVERT_TASK_CANCEL; }
    // Writes state 5 unless the job was cancelled meanwhile.
    void Finish();

    // The source at `address` (its streams chosen already); throws when there is none.
    Released<IAVSource> OpenSource(const std::string& address, int* movieId, int* videoId, int* audioId,
                                   MovieInfo** movie, const std::string& failure = "No movie found in the source");
    // The exporter the profile names ("FFExporter" when it names none).
    Released<IAVExporter> CreateExporter(CJobProfile& profile);
    // Gives the exporter the job's profile and opens the job's output (or
    // `fileName`, a part of a split); throws with the reason.
    void OpenJobOutput(IAVExporter* exporter, const std::string* fileName = nullptr);
    // The exporter's encoding muxer, set to use every processor when the job
    // asks; throws when there is none.
    IEncodingMuxer* EncodingMuxerOf(IAVExporter* exporter);
    // Fills what the profile leaves open from the source's streams.
    void CompleteProfile(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId, bool remux,
                         bool useOrgAspect, bool prores);

    // The latest source time (ms) a pass has read up to, -1 before any.
    int64_t ReachedMs() const { return m_reachedMs; }
    void Reached(int64_t ms);
    // Fails a job whose source ended well before its stated duration.
    void CheckSourceEnd(uint32_t sourceMs, int64_t lastMs);
    // Notes where the pictures and the sound the source gave end: the
    // output's check measures each stream against that.
    void Gave(IRawVideoFrame* video, IRawAudioFrame* audio);
    // The length (s) a source stream promises for an output stream: -1 when
    // the output holds no such stream, 0 when unknown.
    static double PromisedSeconds(MovieInfo* movie, int sourceId, int outputId);
    // After the output is closed: the media manager's DRM verdict, the
    // timecode step of a ProRes job, the output's check, the bytes on disk
    // and state 5.
    void FinishOutput(double videoSeconds, double audioSeconds, bool prores);
    // Runs the timecode step; only a program that had to be killed fails the job.
    void TimecodeStep();

    // The user's files behind the job's source: for an edit description its
    // clips' files, else the source path itself.
    std::string SourceName();
    // Throws when the finished output lacks a stream it should hold or is
    // shorter than the source promised by more than a little. The promised
    // lengths are the source's stream lengths in seconds, negative for a
    // stream the output is not to hold, 0 when unknown.
    void CheckOutput(double videoSeconds, double audioSeconds);
    // A failed job's partial output goes; a cancelled one keeps it.
    void RemoveFailedOutput();

private:
    IAVManager* m_manager;
    bool m_allProcessors;
    bool m_twoThreads;
    bool m_dataRateStatistics;
    ConvertTaskLocal m_job;
    CMemFileMapping* m_file;
    CJobClock m_clock;
    int64_t m_reachedMs = -1;
    int64_t m_gaveVideoMs = -1; // source time of the end of the pictures given, -1 none
    int64_t m_gaveAudioMs = -1;
    bool m_outputOpened = false; // this job made the file at the destination
};

} // namespace Moorland
