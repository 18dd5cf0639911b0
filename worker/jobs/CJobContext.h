#pragma once

// What every job kind of one convworker job shares: the media manager, the
// job record and its local links, the engine's options, the job clock, the
// record's watch, and the steps more than one kind takes (the job loop,
// opening the output, completing the profile from the source, checking the
// finished output, writing the finished state).

#include "CJobClock.h"
#include "CProgressReporter.h"
#include "CRecordWatch.h"
#include "CheckedCalls.h"
#include "ConvertTaskInfo2.h"
#include "IAVExporter.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "JobPlan.h"
#include "sysutils_file.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class CMemFileMapping;

namespace Moorland {

class CJobProfile;
class CSourceURL;

class CJobContext
{
public:
    CJobContext(IAVManager* manager, bool allProcessors, bool twoThreads, bool dataRateStatistics,
                const ConvertTaskLocal& job, CMemFileMapping* file);
    // Whatever was not renamed into place goes.
    ~CJobContext();
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
    // What the record says the job is; set before any job kind runs. The
    // jobs read their kind, passes, streams, aspect and range from here
    // only.
    const JobPlan& Plan() const { return m_plan; }
    void SetPlan(const JobPlan& plan) { m_plan = plan; }
    // The plan settled on the streams the opened source turned out to give
    // (SettleOnSource): whether a picture is encoded, whether sound is there.
    void SettleOnStreams(bool hasVideo, bool hasAudio) { SettleOnSource(m_plan, hasVideo, hasAudio); }

    // What the record asks of the job: every loop of every job kind looks
    // through this one watch.
    CRecordWatch& Watch() { return m_watch; }
    bool Cancelled() const { return m_watch.Cancelled(); }

    // What one unit of a job kind's work did.
    struct LoopUnit
    {
        bool more = true;       // false: nothing is left to do (the source ended)
        int64_t reachedMs = -1; // output time since the first unit, for the trim end; -1 not known
    };
    // The one loop of every job kind, which supplies only its unit of work:
    // before each unit the record's watch waits out a pause and ends the
    // loop at a cancel; `unit` reads and writes one unit; at each progress
    // tick `report` writes the figures and may end the loop (false: a part
    // is full, or an outside helper's task has ended); the
    // loop ends once the output reached the plan's trim length. Without a
    // reporter no figures are written.
    template <class Unit, class Report> void RunLoop(CProgressReporter* progress, Unit&& unit, Report&& report)
    {
        const int32_t trimLength = m_plan.trimLengthMs;
        for (;;) {
            if (!m_watch.GoOn())
                return;
            const LoopUnit done = unit();
            if (!done.more)
                return;
            if (progress && progress->Tick() && !report())
                return;
            if (trimLength != -1 && done.reachedMs >= trimLength) {
                // The range is read: the pass is complete.
                if (progress)
                    progress->EndPass();
                return;
            }
        }
    }
    // Renames the job's outputs into place and writes state 5, unless the
    // job was cancelled meanwhile.
    void Finish();

    // Every output is written under a working name beside its final one
    // (created here, empty, under a name no file had, and noted in the job
    // record) and renamed into place only when the whole job has finished: a
    // failed, cancelled or killed job leaves nothing under a final name, and
    // a file already there stays untouched until then. Throws when the
    // working file can't be made or `finalPath` is there as something other
    // than a regular file.
    std::string Stage(const std::string& finalPath);
    // Removes one staged output (a split's empty last part).
    void Unstage(const std::string& finalPath);
    // The working name of the job's destination, staged on first use.
    std::string WorkingPath();
    // What the job's outputs are written as now: the working name once the
    // destination is staged, else the destination itself.
    std::string WrittenPath() const;
    // Renames every staged output into place; throws on the first that
    // fails, leaving the whole outputs not yet in place under their working
    // names, which the text names.
    void CommitOutputs();
    // Removes every staged output still under its working name.
    void DiscardOutputs();
    // `text` with each working name replaced by its final one: what a user
    // knows the output as.
    std::string FinalNames(std::string text) const;

    // The source at `address` (its streams chosen already); throws when there is none.
    Released<IAVSource> OpenSource(const std::string& address, int* movieId, int* videoId, int* audioId,
                                   MovieInfo** movie, const std::string& failure = "No movie found in the source");
    // As OpenSource, at the job's trim start: a pass of a trimmed job reads
    // only its range. Throws when the seek fails.
    Released<IAVSource> OpenTrimmedSource(const std::string& address, int* movieId, int* videoId, int* audioId,
                                          MovieInfo** movie,
                                          const std::string& failure = "No movie found in the source");

    // A remux's source: the importer (given name, the address's protocol,
    // else "FFImporter") and the compressed packets of the movie's chosen
    // streams, at the job's trim start. The packets go before the importer.
    struct PacketSource
    {
        Released<IAVImporter> importer;
        Released<IAVCompressedSource> packets;
        int movieId = -1;
        int videoId = -1;
        int audioId = -1;
        MovieInfo* movie = nullptr;
    };
    // Throws on failure.
    PacketSource OpenPacketSource(CSourceURL& address);

    // The exporter the profile names ("FFExporter" when it names none).
    Released<IAVExporter> CreateExporter(CJobProfile& profile);
    // Gives the exporter the job's profile and opens the job's output (or
    // `fileName`, a part of a split); throws with the reason.
    void OpenJobOutput(IAVExporter* exporter, const std::string* fileName = nullptr);
    // The profile's exporter with the profile completed from the source's
    // streams (see CompleteProfile) and the job's output (or `fileName`)
    // opened; throws with the reason.
    Released<IAVExporter> PrepareOutput(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId, bool remux,
                                        const std::string* fileName = nullptr);

    // A job's opened output: its exporter, the output's first picture and
    // sound streams (-1 none) and what the source promises for each (see
    // PromisedSeconds), taken while the source's record is still there.
    struct JobOutput
    {
        Released<IAVExporter> exporter;
        int videoId = -1;
        int audioId = -1;
        double videoSeconds = -1.0;
        double audioSeconds = -1.0;
    };
    // PrepareOutput for the whole job's output of one movie. A source
    // without sound gives a file without a sound track, not an empty one
    // that players and some muxers refuse.
    JobOutput OpenOutput(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId, bool remux);
    // The exporter's encoding muxer, set to use every processor when the job
    // asks; throws when there is none.
    IEncodingMuxer* EncodingMuxerOf(IAVExporter* exporter);
    // Fills what the profile leaves open from the source's streams, the
    // display aspect as the plan says.
    void CompleteProfile(CJobProfile& profile, MovieInfo* movie, int videoId, int audioId, bool remux);

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
    void FinishOutput(const JobOutput& output);
    // Runs the timecode step; only a program that had to be killed fails the job.
    void TimecodeStep();

    // The user's files behind the job's source: for an edit description its
    // clips' files, else the source path itself.
    std::string SourceName();
    // Throws when the finished output lacks a stream it should hold or is
    // shorter than the source promised by more than a little. The promised
    // lengths are the source's stream lengths in seconds, negative for a
    // stream the output is not to hold, 0 when unknown. A file `writer`
    // finished is measured by what it wrote; without one (the file was
    // written anew by another program) it is read back, as are `parts`,
    // the files of a split, which hold the streams one after the other.
    void CheckOutput(double videoSeconds, double audioSeconds, IAVExporter* writer = nullptr, int videoOut = -1,
                     int audioOut = -1, const std::vector<std::string>* parts = nullptr);

private:
    // How long the output must hold a stream (see CheckOutput): what the
    // source gave of it, else `seconds` promised, over the job's range.
    double PromisedLength(double seconds, int64_t gaveFirstMs, int64_t gaveMs);

    IAVManager* m_manager;
    bool m_allProcessors;
    bool m_twoThreads;
    bool m_dataRateStatistics;
    ConvertTaskLocal m_job;
    CMemFileMapping* m_file;
    CJobClock m_clock;
    CRecordWatch m_watch;
    JobPlan m_plan;
    int64_t m_reachedMs = -1;
    struct Staged
    {
        std::string finalName;   // UTF-8
        std::string workingName; // UTF-8
        QuentaBased::made_entry made;
        uint32_t handle = 0; // of its entry in the record's working names, 0 none
    };
    // Removes the staged file, only while it is the one made, and marks it gone.
    void Drop(const Staged& staged);
    std::vector<Staged> m_staged;
    // Source times of the first picture and sound given and of the end of
    // the last, -1 none: each stream's length is measured from its own start.
    int64_t m_gaveVideoFirstMs = -1;
    int64_t m_gaveVideoMs = -1;
    int64_t m_gaveAudioFirstMs = -1;
    int64_t m_gaveAudioMs = -1;
    // What the source promises for the output's picture and sound streams
    // (PromisedSeconds), once the output is open.
    double m_promisedVideoSeconds = -1.0;
    double m_promisedAudioSeconds = -1.0;
};

} // namespace Moorland
