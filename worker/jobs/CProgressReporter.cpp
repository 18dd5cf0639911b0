#include "CProgressReporter.h"

#include "CJobClock.h"
#include "ConvertTaskInfo2.h"

#include <algorithm>

namespace Moorland {

CProgressReporter::CProgressReporter(ConvertTaskInfo2* record, const CJobClock& clock, int pass, int passCount,
                                     bool writeFigures, uint32_t interval)
    : m_record(record), m_clock(clock), m_pass(std::max(pass, 0)), m_passCount(std::max(passCount, 1)),
      m_writeFigures(writeFigures), m_interval(std::max<uint32_t>(interval, 1))
{
}

bool CProgressReporter::Tick()
{
    return ++m_units % m_interval == 0;
}

void CProgressReporter::Report(double passFraction, uint64_t bytes)
{
    if (!m_writeFigures)
        return;
    const double elapsed = m_clock.Seconds();
    m_record->SetElapsedTime(elapsed);
    m_record->SetBytesWritten(static_cast<int64_t>(bytes));
    const double passPercent = 100.0 * passFraction;
    const double percent = std::min(100.0, passPercent / m_passCount + (100 * m_pass) / m_passCount);
    m_record->SetPercent(percent);
    if (passPercent > 0.01) {
        m_record->SetEstimatedSize(static_cast<int64_t>(static_cast<double>(bytes) / (passPercent / 100)));
        if (percent > 0)
            m_record->SetRemainingTime(elapsed / (percent / 100) - elapsed);
    }
}

void CProgressReporter::ReportPosition(double positionMs, uint64_t bytes)
{
    Report(positionMs / (1000.0 * m_record->GetDuration()), bytes);
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
