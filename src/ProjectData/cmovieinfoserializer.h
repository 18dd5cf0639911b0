#pragma once

// The media library's copy of a probed file's descriptions: value classes of
// the media manager's movie, stream and metadata records, their conversion to
// and from those records, their data-stream form and the comparison of a
// stored description with a freshly probed one.

#include "MoorlandMediaInfo.h"

#include <QDataStream>
#include <QList>
#include <QString>

namespace Fablecut {

// Record helpers. The destination comes first and is overwritten without
// releasing anything it held. Texts are allocated with malloc and freed with free.
void CopyStreamInfo(Moorland::StreamInfo& dst, Moorland::StreamInfo& src);
void CopyMeteDataInfo(Moorland::MovieMetaData& dst, Moorland::MovieMetaData& src);
void CopyMovieInfo(Moorland::MovieInfo& dst, Moorland::MovieInfo& src);
// Release a record allocated singly by this group (or by the value classes);
// a null record is ignored.
void FreeStreamInfo(Moorland::StreamInfo* info);
void FreeMeteDataInfo(Moorland::MovieMetaData* info);
void FreeMovieInfo(Moorland::MovieInfo* info);

class CStreamInfoSerializer
{
public:
    CStreamInfoSerializer() = default;

    void SetStreamInfo(const Moorland::StreamInfo* info);
    // A new record owned by the caller (FreeStreamInfo).
    Moorland::StreamInfo* GetStreamInfo() const;
    void ClearStreamInfo();

    QString GetStreamName() const { return m_name; }
    int GetStreamID() const { return m_id; }
    int GetType() const { return m_type; }

    // This object is the saved side. A difference is reported through the
    // calling thread's last-error record and gives false.
    bool operator==(Moorland::StreamInfo const& loaded) const;

    QDataStream& serialOut(QDataStream& out) const;
    const CStreamInfoSerializer& operator>>(QDataStream& out) const;
    QDataStream& serialIn(QDataStream& in);
    CStreamInfoSerializer& operator<<(QDataStream& in);

private:
    QString m_name;
    qint32 m_type = 0;
    qint32 m_id = 0;
    QString m_codecName;
    QString m_fourCC;
    QString m_extraText;
    qint32 m_width = 0;
    qint32 m_height = 0;
    quint64 m_frameRate = 0;
    quint32 m_aspect = 0;
    qint32 m_sampleRate = 0;
    qint32 m_channels = 0;
    qint64 m_extraValue = 0;
    qint32 m_bitRate = 0;
    double m_duration = 0.0;
};

class CMetaDataInfoSerialer
{
public:
    CMetaDataInfoSerialer() = default;

    void SetMetaData(const Moorland::MovieMetaData* info);
    // A new record owned by the caller (FreeMeteDataInfo).
    Moorland::MovieMetaData* GetMetaData() const;
    bool operator==(Moorland::MovieMetaData const& loaded) const;

    QString GetName() const { return m_name; }
    QString GetValue() const { return m_value; }

    QDataStream& serialOut(QDataStream& out) const;
    const CMetaDataInfoSerialer& operator>>(QDataStream& out) const;
    QDataStream& serialIn(QDataStream& in);
    CMetaDataInfoSerialer& operator<<(QDataStream& in);

private:
    QString m_name;
    QString m_value;
};

class CMovieInfoSerializer
{
public:
    CMovieInfoSerializer() = default;

    void SetMovieInfo(const Moorland::MovieInfo* info);
    // A new record owned by the caller (FreeMovieInfo).
    Moorland::MovieInfo* GetMovieInfo() const;
    // This object is the saved side; see CStreamInfoSerializer::operator==.
    bool operator==(Moorland::MovieInfo const& loaded) const;

    QString GetName() const { return m_name; }
    int GetID() const { return m_id; }
    QString GetFormat() const { return m_format; }
    const QList<CStreamInfoSerializer>& GetStreams() const { return m_streams; }
    const QList<CMetaDataInfoSerialer>& GetMetaData() const { return m_metaData; }

    QDataStream& serialOut(QDataStream& out) const;
    const CMovieInfoSerializer& operator>>(QDataStream& out) const;
    QDataStream& serialIn(QDataStream& in);
    CMovieInfoSerializer& operator<<(QDataStream& in);

private:
    QString m_name;
    qint32 m_id = 0;
    QList<CStreamInfoSerializer> m_streams;
    QList<CMetaDataInfoSerialer> m_metaData;
    QString m_format;
};

// True when every saved movie equals the loaded record of the same position;
// all are compared, so the last-error record keeps the last failing report.
// A count different from the list's size gives false and records nothing.
bool CompareMovieInfos(const QList<CMovieInfoSerializer>& saved, Moorland::MovieInfo** loaded, int count);

QDataStream& operator<<(QDataStream& out, const CStreamInfoSerializer& info);
QDataStream& operator>>(QDataStream& in, CStreamInfoSerializer& info);
QDataStream& operator<<(QDataStream& out, const CMetaDataInfoSerialer& info);
QDataStream& operator>>(QDataStream& in, CMetaDataInfoSerialer& info);
QDataStream& operator<<(QDataStream& out, const CMovieInfoSerializer& info);
QDataStream& operator>>(QDataStream& in, CMovieInfoSerializer& info);

} // namespace Fablecut
