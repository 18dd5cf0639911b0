#pragma once

// The progress figures of the job record, written the same way by every
// job kind: the loop counts its units of work (frames, packets, blocks) and
// looks at how far it got every kInterval-th unit. A pass covers its share
// of the job: with two passes the first runs 0 to 50, the second 50 to 100.

#include <cstdint>

namespace Moorland {

class CJobClock;
struct ConvertTaskInfo2;

class CProgressReporter
{
public:
    static const uint32_t kInterval = 160;
    // A loop whose units are slow (a 4K picture each) also looks at least
    // this often by the job's clock, so that the figures a user watches move.
    static constexpr uint32_t kLookMs = 100;
    // The clock is read every this many units only: a unit can be a packet
    // copied, cheaper than reading the clock.
    static constexpr uint32_t kClockEveryUnits = 8;

    // `pass` counts from 0. With `writeFigures` false the units are still
    // counted (a byte limit is checked on the same beat), but nothing is
    // written. `interval` other than kInterval only for loops whose units
    // are rare (a job of subtitles alone looks at every one).
    CProgressReporter(ConvertTaskInfo2* record, const CJobClock& clock, int pass = 0, int passCount = 1,
                      bool writeFigures = true, uint32_t interval = kInterval);

    // Counts one unit; true when it is time to look at the figures: every
    // interval-th unit and, when asked for, kLookMs after the last look.
    // A loop that checks a size limit at its looks keeps to the units: its
    // parts end where they always have.
    bool Tick();
    void LookByTheClockToo() { m_byClock = true; }
    // A pass that only gathers an encoder's statistics writes nothing to
    // the file: the bytes it reports size the estimate, not the bytes written.
    void WritesNoBytes() { m_writesBytes = false; }
    bool WritesFigures() const { return m_writeFigures; }

    // How far the pass got as a part of it (0 to 1), and the output's bytes
    // so far: elapsed time, bytes, percent and, once the pass has got
    // anywhere, the estimated size and the remaining time.
    void Report(double passFraction, uint64_t bytes, double writtenFraction = -1);
    // As Report, the pass's progress given as milliseconds against the
    // record's duration: of output written, or of source handed to encoders
    // that hold pictures back (`writtenMs` then says how much of it the
    // bytes are, for the size estimate).
    void ReportPosition(double positionMs, uint64_t bytes, double writtenMs = -1);
    // The pass is complete: percent is its share in full.
    void EndPass();
    // Figures a job's outside helper works out itself (the disc creator).
    void ReportGiven(double percent, double elapsed, double remaining);

private:
    ConvertTaskInfo2* m_record;
    const CJobClock& m_clock;
    int m_pass;
    int m_passCount;
    bool m_writeFigures;
    uint32_t m_interval;
    uint32_t m_units = 0;
    uint32_t m_lookedMs = 0;
    bool m_byClock = false;
    bool m_writesBytes = true;
};

} // namespace Moorland
