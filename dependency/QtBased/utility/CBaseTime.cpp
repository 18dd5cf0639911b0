#include "CBaseTime.h"

#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

const double kEqualTolerance = 0.00001;

// Registered once so that queued signals can carry the type by name.
const int s_nBaseTimeTypeId = qRegisterMetaType<CBaseTime>("CBaseTime");

// Truncation toward zero that stays defined for any double.
int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Printf(const char* format, ...)
{
    // Measured first: a time of 1e300 seconds prints 305 digits, and a text
    // cut short would read as another time.
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

struct TimeParts
{
    int nHours;
    int nMinutes;
    int nSeconds;
    int nMilliseconds;
};

TimeParts SplitTime(double s)
{
    TimeParts parts;
    parts.nHours = TruncToInt(s / 3600.0);
    s -= parts.nHours * 3600.0;
    parts.nMinutes = TruncToInt(s / 60.0);
    s -= parts.nMinutes * 60.0;
    parts.nSeconds = TruncToInt(s);
    parts.nMilliseconds = TruncToInt((s - parts.nSeconds) * 1000.0);
    return parts;
}

} // namespace

CBaseTime& CBaseTime::operator=(const CBaseTime& other)
{
    m_dSeconds = other.m_dSeconds;
    return *this;
}

CBaseTime& CBaseTime::operator=(double seconds)
{
    m_dSeconds = seconds;
    return *this;
}

bool CBaseTime::operator==(const CBaseTime& other) const
{
    return std::fabs(m_dSeconds - other.m_dSeconds) < kEqualTolerance;
}

bool CBaseTime::operator==(double seconds) const
{
    return std::fabs(m_dSeconds - seconds) < kEqualTolerance;
}

bool CBaseTime::operator!=(const CBaseTime& other) const
{
    return !(*this == other);
}

bool CBaseTime::operator!=(double seconds) const
{
    return !(*this == seconds);
}

CBaseTime CBaseTime::operator+(const CBaseTime& other) const
{
    return CBaseTime(m_dSeconds + other.m_dSeconds);
}

CBaseTime CBaseTime::operator+(double seconds) const
{
    return CBaseTime(m_dSeconds + seconds);
}

CBaseTime CBaseTime::operator-(const CBaseTime& other) const
{
    return CBaseTime(m_dSeconds - other.m_dSeconds);
}

CBaseTime CBaseTime::operator-(double seconds) const
{
    return CBaseTime(m_dSeconds - seconds);
}

bool CBaseTime::operator<(const CBaseTime& other) const
{
    return other.m_dSeconds > m_dSeconds && *this != other;
}

bool CBaseTime::operator<(double seconds) const
{
    return seconds > m_dSeconds && *this != seconds;
}

bool CBaseTime::operator<=(const CBaseTime& other) const
{
    return other.m_dSeconds > m_dSeconds || *this == other;
}

bool CBaseTime::operator<=(double seconds) const
{
    return seconds > m_dSeconds || *this == seconds;
}

bool CBaseTime::operator>(const CBaseTime& other) const
{
    return m_dSeconds > other.m_dSeconds && *this != other;
}

bool CBaseTime::operator>(double seconds) const
{
    return m_dSeconds > seconds && *this != seconds;
}

bool CBaseTime::operator>=(const CBaseTime& other) const
{
    return m_dSeconds > other.m_dSeconds || *this == other;
}

bool CBaseTime::operator>=(double seconds) const
{
    return m_dSeconds > seconds || *this == seconds;
}

CBaseTime& CBaseTime::operator+=(const CBaseTime& other)
{
    m_dSeconds += other.m_dSeconds;
    return *this;
}

CBaseTime& CBaseTime::operator+=(double seconds)
{
    m_dSeconds += seconds;
    return *this;
}

CBaseTime& CBaseTime::operator-=(const CBaseTime& other)
{
    m_dSeconds -= other.m_dSeconds;
    return *this;
}

CBaseTime& CBaseTime::operator-=(double seconds)
{
    m_dSeconds -= seconds;
    return *this;
}

double CBaseTime::ToSeconds() const
{
    return m_dSeconds;
}

int CBaseTime::ToMillisecond() const
{
    return TruncToInt(m_dSeconds * 1000.0);
}

std::string CBaseTimeFormat::BaseTimeToStrHH_MM_SS(const CBaseTime& time)
{
    const TimeParts parts = SplitTime(time.ToSeconds());
    return Printf("%02d:%02d:%02d", parts.nHours, parts.nMinutes, parts.nSeconds);
}

std::string CBaseTimeFormat::BaseTimeToStrHH_MM_SS_MS(const CBaseTime& time, bool bColonMs)
{
    const TimeParts parts = SplitTime(time.ToSeconds());
    return Printf(bColonMs ? "%02d:%02d:%02d:%03d" : "%02d:%02d:%02d.%03d", parts.nHours, parts.nMinutes,
                  parts.nSeconds, parts.nMilliseconds);
}

std::string CBaseTimeFormat::BaseTimeToStrSecond(const CBaseTime& time)
{
    return Printf("%-8.3f", time.ToSeconds());
}
