#pragma once

#include <QMetaType>

#include <string>

// A point in time or a duration, in seconds. Values closer than ten
// microseconds compare equal, so times that went through millisecond or
// frame arithmetic still match.
class CBaseTime
{
public:
    CBaseTime() = default;
    CBaseTime(double seconds) : m_dSeconds(seconds) {}
    CBaseTime(const CBaseTime& other) = default;
    virtual ~CBaseTime() = default;

    virtual CBaseTime& operator=(const CBaseTime& other);
    virtual CBaseTime& operator=(double seconds);

    virtual bool operator==(const CBaseTime& other) const;
    virtual bool operator==(double seconds) const;
    virtual bool operator!=(const CBaseTime& other) const;
    virtual bool operator!=(double seconds) const;

    virtual CBaseTime operator+(const CBaseTime& other) const;
    virtual CBaseTime operator+(double seconds) const;
    virtual CBaseTime operator-(const CBaseTime& other) const;
    virtual CBaseTime operator-(double seconds) const;

    virtual bool operator<(const CBaseTime& other) const;
    virtual bool operator<(double seconds) const;
    virtual bool operator<=(const CBaseTime& other) const;
    virtual bool operator<=(double seconds) const;
    virtual bool operator>(const CBaseTime& other) const;
    virtual bool operator>(double seconds) const;
    virtual bool operator>=(const CBaseTime& other) const;
    virtual bool operator>=(double seconds) const;

    virtual CBaseTime& operator+=(const CBaseTime& other);
    virtual CBaseTime& operator+=(double seconds);
    virtual CBaseTime& operator-=(const CBaseTime& other);
    virtual CBaseTime& operator-=(double seconds);

    virtual double ToSeconds() const;
    // Truncated toward zero; times beyond the 32-bit range (about 596 hours)
    // give INT_MAX or INT_MIN, a NaN gives 0.
    virtual int ToMillisecond() const;

private:
    double m_dSeconds = 0.0;
};

Q_DECLARE_METATYPE(CBaseTime)

// The texts of a time shown on the timeline, the players and the task rows.
class CBaseTimeFormat
{
public:
    // "hh:mm:ss"; hours are not wrapped and may have more digits.
    static std::string BaseTimeToStrHH_MM_SS(const CBaseTime& time);
    // "hh:mm:ss:mmm" when bColonMs, else "hh:mm:ss.mmm".
    static std::string BaseTimeToStrHH_MM_SS_MS(const CBaseTime& time, bool bColonMs);
    // Seconds with three decimals, left-aligned in at least eight characters.
    static std::string BaseTimeToStrSecond(const CBaseTime& time);
};
