#pragma once

// The job of one convworker process: reads the job profile, decides the kind
// of job, carries it out through the media manager and reports the outcome
// in the job record only: state 5 for a finished job, the error text and
// state 4 for a failed one. A cancel request (state 3) is never overwritten.

#include "CAVEncodingThread.h"
#include "CFramesQueue.h"
#include "ConvertTaskInfo2.h"
#include "IAVManager.h"
#include "MultiUtils.h"
#include "StreamStatist.h"

#include <cstdint>
#include <string>
#include <vector>

class CMemFileMapping;

namespace Moorland {

class CJobProfile;
class CSourceURL;

// The job's elapsed-time clock: time spent paused is not counted.
class CJobClock
{
public:
    CJobClock();
    void Pause();
    void Resume();
    uint32_t Milliseconds() const;
    double Seconds() const { return Milliseconds() / 1000.0; }

private:
    uint64_t m_start;
    uint64_t m_carried = 0;
    bool m_paused = false;
};

// Seconds of a job from the source's milliseconds and the record's trim
// range; never below 0.001 (1.0 instead), so percentages never divide by 0.
double JobDuration(uint32_t sourceMs, int32_t trimStartMs, int32_t trimLengthMs);

// The profile's frame rate as the exporter takes it: the source's rate when
// the profile has none, 30 outside 1 to 120, rounded on its ten-thousandths.
double CompleteFrameRate(double profileRate, uint32_t sourceNum, uint32_t sourceDen);

// The picture of width x height fitted to a display aspect (even sizes).
void FitToAspect(int width, int height, double aspect, int* outWidth, int* outHeight);

// Opens the packet source of a remux: the importer (given name, the
// address's protocol, else "FFImporter"), the movie and its two streams.
// The caller releases the returned importer and *source. Throws on failure.
IAVImporter* CreateCompressedSource(IAVManager* manager, CSourceURL& address, const char* importerName,
                                    IAVCompressedSource** source, int* movieId, int* videoId, int* audioId,
                                    MovieInfo** movieInfo);

class CAVConverterSubProcess
{
public:
    // Sets the record's state to 1. `file` is the job file holding the record.
    CAVConverterSubProcess(IAVManager* manager, bool allProcessors, bool twoThreads, bool dataRateStatistics,
                           const ConvertTaskLocal& job, CMemFileMapping* file);
    virtual ~CAVConverterSubProcess();
    CAVConverterSubProcess(const CAVConverterSubProcess&) = delete;
    CAVConverterSubProcess& operator=(const CAVConverterSubProcess&) = delete;

    // Runs the job. 0 or 1; the outcome is in the record.
    virtual int Execute();
    void Cancel();
    void Pause(bool pause);

    static bool IsProResCodec(const char* name);
    // Adds the source's timecode to the finished movie with Tesquil. False
    // with the reason recorded; never fails the job.
    bool WriteTimecodeToProRes();

    // Job paths, each also usable on its own.
    void DoCopy(IAVSource* source);
    bool DoAccurateTrim();
    void DoDiscCreator();
    IAVExporter* PrepareExporter(std::string fileName);
    // Gives the exporter the job's profile and opens the job's output;
    // throws with the reason.
    void OpenJobOutput(IAVExporter* exporter);
    // The exporter's encoding muxer, set to use every processor when the job
    // asks; throws when there is none.
    IEncodingMuxer* EncodingMuxerOf(IAVExporter* exporter);
    // One pass of a transcode into the muxer, until the end of the source,
    // the trim end, a cancel or the byte limit. False after a failure, with
    // the reason recorded; a cancel is no failure.
    bool DoExport(IAVSource* source, int videoId, int audioId, int pass, int passCount, IEncodingMuxer* muxer,
                  uint64_t byteLimit);
    int DoExportBySize();
    void DoReMux(IAVCompressedSource* source, int videoId, int videoOut, int audioId, int audioOut,
                 INoEncodingMuxer* muxer);
    void DoMultiExportExecute(bool useAspectText);
    void DoMultiExport(IAVSource2* source, SMItemInfo* items, int count, IMultiMuxer2* muxer, int pass,
                       int passCount);

private:
    ConvertTaskInfo2* Record() const { return m_job.pRecord; }
    // Waits out a pause; the state seen afterwards (never 2).
    int WaitWhilePaused(CJobClock& clock);
    // Writes state 5 unless the job was cancelled meanwhile.
    void Finish();
    int DoDirect(CSourceURL& address, CJobProfile& profile, int remux, bool useOrgAspect, bool prores);
    // Fills what the profile leaves open from the source's streams.
    void CompleteProfile(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId, bool remux,
                         bool useOrgAspect, bool prores);
    // Runs WriteTimecodeToProRes; only a program that had to be killed fails the job.
    void TimecodeStep();
    // Fails a job whose source ended well before its stated duration.
    void CheckSourceEnd(uint32_t sourceMs, int64_t lastMs);
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

    IAVManager* m_manager;
    bool m_dataRateStatistics;
    bool m_allProcessors;
    bool m_twoThreads;
    ConvertTaskLocal m_job;
    CMemFileMapping* m_file;
    CAVEncodingThread* m_thread = nullptr;
    CFramesQueue* m_queue = nullptr;
    // multi-stream state
    SMItemInfo* m_items = nullptr;
    int m_itemCount = 0;
    std::vector<int64_t> m_lastSubtitleTime;
    bool m_preReadSubtitle = false;
    CFramesQueue2* m_queue2 = nullptr;
    CAVEncodingThread2* m_thread2 = nullptr;
    CPreReadSubtitle m_subtitles;
    uint64_t m_carriedBytes = 0;
    uint32_t m_carriedMs = 0;
    // The latest source time (ms) a pass has read up to, -1 before any.
    int64_t m_reachedMs = -1;
    // Whether the last DoExport read any frame (a part begun at the source's
    // end reads none).
    bool m_partFrames = false;
    CJobClock m_clock;
    uint64_t m_partLimit = 0;
    int32_t m_partReserve = 5242880;
    bool m_timecodeTimedOut = false;
    bool m_outputOpened = false;   // this job made the file at the destination
};

} // namespace Moorland
