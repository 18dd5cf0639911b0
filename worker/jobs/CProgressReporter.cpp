#include "CProgressReporter.h"

#include "CJobClock.h"
#include "ConvertTaskInfo2.h"

#include <algorithm>

namespace Moorland {

CProgressReporter::CProgressReporter(ConvertTaskInfo2* record, const CJobClock& clock, int pass, int passCount,
                                     bool writeFigures, uint32_t interval)
    : m_record(record), m_clock(clock), m_pass(std::max(pass, 0)), m_passCount(std::max(passCount, 1)),
      m_writeFigures(writeFigures), m_interval(std::max<uint32_t>(interval, 1))
{}

bool CProgressReporter::Tick()
{
    ++m_units;
    const bool counted = m_units % m_interval == 0;
    if (!counted && (!m_byClock || m_units % kClockEveryUnits != 0))
        return false;
    const uint32_t now = m_clock.Milliseconds();
    if (!counted && now - m_lookedMs < kLookMs)
        return false;
    m_lookedMs = now;
    return true;
}

void CProgressReporter::Report(double passFraction, uint64_t bytes, double writtenFraction)
{
    if (!m_writeFigures)
        return;
    const double elapsed = m_clock.Seconds();
    m_record->SetElapsedTime(elapsed);
    m_record->SetBytesWritten(m_writesBytes ? static_cast<int64_t>(bytes) : 0);
    const double passPercent = 100.0 * passFraction;
    const double percent = std::min(100.0, passPercent / m_passCount + (100 * m_pass) / m_passCount);
    m_record->SetPercent(percent);
    const double sizedPercent = writtenFraction >= 0 ? 100.0 * writtenFraction : passPercent;
    if (sizedPercent > 0.01)
        m_record->SetEstimatedSize(static_cast<int64_t>(static_cast<double>(bytes) / (sizedPercent / 100)));
    if (passPercent > 0.01) {
        if (percent > 0)
            m_record->SetRemainingTime(elapsed / (percent / 100) - elapsed);
    }
}

void CProgressReporter::ReportPosition(double positionMs, uint64_t bytes, double writtenMs)
{
    const double ms = 1000.0 * m_record->GetDuration();
    Report(positionMs / ms, bytes, writtenMs >= 0 ? writtenMs / ms : -1);
}

void CProgressReporter::EndPass()
{
    m_record->SetPercent(100.0 * (m_pass + 1) / m_passCount);
}

void CProgressReporter::ReportGiven(double percent, double elapsed, double remaining)
{
    m_record->SetPercent(percent);
    m_record->SetElapsedTime(elapsed);
    if (remaining >= 0)
        m_record->SetRemainingTime(remaining);
}

} // namespace Moorland
