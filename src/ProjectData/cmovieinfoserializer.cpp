#include "cmovieinfoserializer.h"

#include "CBaseException.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Fablecut {

namespace {

// The source name under which comparison reports are recorded.
const char* const kSourceName = "../../../src/ProjectData/cmovieinfoserializer";

char* DupText(const char* text)
{
    if (!text)
        return nullptr;
    char* copy = strdup(text);
    if (!copy)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    return copy;
}

// Absent when the text is null or empty; otherwise a UTF-8 copy.
char* TextOrAbsent(const QString& text)
{
    if (text.isEmpty())
        return nullptr;
    return DupText(text.toUtf8().constData());
}

// Always present: an empty text gives an empty string.
char* TextAlways(const QString& text)
{
    return DupText(text.toUtf8().constData());
}

QString FromUtf8OrNull(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

template <typename T> T* AllocArray(quint32 count)
{
    if (count == 0)
        return nullptr;
    void* p = calloc(count, sizeof(T));
    if (!p)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    return static_cast<T*>(p);
}

void FreeStreamTexts(Moorland::StreamInfo& info)
{
    free(info.name);
    free(info.codecName);
    free(info.extraText);
    info.name = info.codecName = info.extraText = nullptr;
}

void FreeMetaTexts(Moorland::MovieMetaData& info)
{
    free(info.name);
    free(info.value);
    info.name = info.value = nullptr;
}

[[noreturn]] void ThrowMediaDiff(const QString& report)
{
    throw CBaseException(QB_ERR_MEDIA, report.toUtf8().constData(), __LINE__, kSourceName);
}

// Reads a list announced by a count. Entries are appended one at a time, so a
// damaged count costs no more memory than the data really holds; reading
// stops as soon as the stream fails or runs out.
template <typename T> void ReadList(QDataStream& in, QList<T>& list)
{
    list.clear();
    quint32 count = 0;
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        T item;
        item.serialIn(in);
        list.append(item);
        if (in.status() != QDataStream::Ok || in.atEnd())
            break;
    }
}

} // namespace

void CopyStreamInfo(Moorland::StreamInfo& dst, Moorland::StreamInfo& src)
{
    Moorland::StreamInfo copy = src;
    copy.name = copy.codecName = copy.extraText = nullptr;
    try {
        copy.name = DupText(src.name);
        copy.codecName = DupText(src.codecName);
        copy.extraText = DupText(src.extraText);
    } catch (...) {
        FreeStreamTexts(copy);
        throw;
    }
    dst = copy;
}

void CopyMeteDataInfo(Moorland::MovieMetaData& dst, Moorland::MovieMetaData& src)
{
    Moorland::MovieMetaData copy{nullptr, nullptr};
    try {
        copy.name = DupText(src.name);
        copy.value = DupText(src.value);
    } catch (...) {
        FreeMetaTexts(copy);
        throw;
    }
    dst = copy;
}

void CopyMovieInfo(Moorland::MovieInfo& dst, Moorland::MovieInfo& src)
{
    Moorland::MovieInfo copy{};
    copy.id = src.id;
    try {
        copy.name = DupText(src.name);
        copy.format = DupText(src.format);
        quint32 streams = src.streams ? src.streamCount : 0;
        copy.streams = AllocArray<Moorland::StreamInfo>(streams);
        for (quint32 i = 0; i < streams; ++i) {
            CopyStreamInfo(copy.streams[i], src.streams[i]);
            copy.streamCount = i + 1;
        }
        quint32 pairs = src.metaData ? src.metaDataCount : 0;
        copy.metaData = AllocArray<Moorland::MovieMetaData>(pairs);
        for (quint32 i = 0; i < pairs; ++i) {
            CopyMeteDataInfo(copy.metaData[i], src.metaData[i]);
            copy.metaDataCount = i + 1;
        }
    } catch (...) {
        Moorland::MovieInfo* partial = static_cast<Moorland::MovieInfo*>(malloc(sizeof(copy)));
        if (partial) {
            *partial = copy;
            FreeMovieInfo(partial);
        }
        throw;
    }
    dst = copy;
}

void FreeStreamInfo(Moorland::StreamInfo* info)
{
    if (!info)
        return;
    FreeStreamTexts(*info);
    free(info);
}

void FreeMeteDataInfo(Moorland::MovieMetaData* info)
{
    if (!info)
        return;
    FreeMetaTexts(*info);
    free(info);
}

void FreeMovieInfo(Moorland::MovieInfo* info)
{
    if (!info)
        return;
    free(info->name);
    if (info->streams) {
        for (quint32 i = 0; i < info->streamCount; ++i)
            FreeStreamTexts(info->streams[i]);
        free(info->streams);
    }
    if (info->metaData) {
        for (quint32 i = 0; i < info->metaDataCount; ++i)
            FreeMetaTexts(info->metaData[i]);
        free(info->metaData);
    }
    free(info->format);
    free(info);
}

// ---- CStreamInfoSerializer ----------------------------------------------------

void CStreamInfoSerializer::SetStreamInfo(const Moorland::StreamInfo* info)
{
    if (!info) {
        ClearStreamInfo();
        return;
    }
    m_name = FromUtf8OrNull(info->name);
    m_type = info->type;
    m_id = info->id;
    m_codecName = FromUtf8OrNull(info->codecName);
    m_fourCC = QString();
    m_fourCC.reserve(4);
    for (int i = 0; i < 4; ++i)
        m_fourCC.append(QChar(static_cast<uchar>(info->fourCC[i])));
    m_extraText = FromUtf8OrNull(info->extraText);
    m_width = info->width;
    m_height = info->height;
    m_frameRate = info->frameRate;
    m_aspect = info->aspect;
    m_sampleRate = info->sampleRate;
    m_channels = info->channels;
    m_extraValue = info->extraValue;
    m_bitRate = info->bitRate;
    m_duration = info->duration;
}

Moorland::StreamInfo* CStreamInfoSerializer::GetStreamInfo() const
{
    auto* info = static_cast<Moorland::StreamInfo*>(calloc(1, sizeof(Moorland::StreamInfo)));
    if (!info)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    try {
        info->name = TextOrAbsent(m_name);
        info->codecName = TextOrAbsent(m_codecName);
        info->extraText = TextOrAbsent(m_extraText);
    } catch (...) {
        FreeStreamInfo(info);
        throw;
    }
    info->type = m_type;
    info->id = m_id;
    // A text shorter than four characters (a damaged library file) is padded
    // with zero bytes, never read past its end.
    for (int i = 0; i < 4; ++i) {
        ushort u = i < m_fourCC.size() ? m_fourCC.at(i).unicode() : 0;
        info->fourCC[i] = static_cast<char>(u <= 0xFF ? u : 0);
    }
    info->width = m_width;
    info->height = m_height;
    info->frameRate = m_frameRate;
    info->aspect = m_aspect;
    info->sampleRate = m_sampleRate;
    info->channels = m_channels;
    info->extraValue = m_extraValue;
    info->bitRate = m_bitRate;
    info->duration = m_duration;
    return info;
}

void CStreamInfoSerializer::ClearStreamInfo()
{
    m_name = QStringLiteral("");
    m_type = 0;
    m_id = 0;
    m_codecName = QStringLiteral("");
    m_fourCC = QStringLiteral("");
    m_extraText = QStringLiteral("");
    m_width = m_height = 0;
    m_frameRate = 0;
    m_aspect = 0;
    m_sampleRate = m_channels = 0;
    m_extraValue = 0;
    m_bitRate = 0;
    m_duration = 0.0;
}

bool CStreamInfoSerializer::operator==(Moorland::StreamInfo const& loaded) const
{
    return QB_GUARDED(false, {
        const QString loadedName = FromUtf8OrNull(loaded.name);
        bool equal = m_name == loadedName && m_frameRate == loaded.frameRate && m_type == loaded.type &&
                     m_id == loaded.id && m_width == loaded.width && m_height == loaded.height &&
                     m_aspect == loaded.aspect && m_sampleRate == loaded.sampleRate && m_channels == loaded.channels &&
                     m_bitRate == loaded.bitRate && std::fabs(m_duration - loaded.duration) < 0.001;
        if (equal)
            return true;
        auto u32 = [](qint32 v) { return QString::number(static_cast<quint32>(v)); };
        QString report = QStringLiteral("StreamInfo Compare diff:\n");
        report += QStringLiteral("name: ") + m_name + "|" + loadedName + "\n";
        report += QStringLiteral("type: ") + u32(m_type) + "|" + u32(loaded.type) + "\n";
        report += QStringLiteral("width: ") + u32(m_width) + "|" + u32(loaded.width) + "\n";
        report += QStringLiteral("framerate: ") + QString::number(m_frameRate) + "|" +
                  QString::number(static_cast<quint64>(loaded.frameRate)) + "\n";
        report +=
            QStringLiteral("aspect_ratio: ") + QString::number(m_aspect) + "|" + QString::number(loaded.aspect) + "\n";
        report += QStringLiteral("samplerate: ") + u32(m_sampleRate) + "|" + u32(loaded.sampleRate) + "\n";
        report += QStringLiteral("channles: ") + u32(m_channels) + "|" + u32(loaded.channels) + "\n";
        report += QStringLiteral("bitrate: ") + u32(m_bitRate) + "|" + u32(loaded.bitRate) + "\n";
        report += QStringLiteral("duration: ") + QString::number(m_duration, 'g', 6) + "|" +
                  QString::number(loaded.duration, 'g', 6) + "\n";
        ThrowMediaDiff(report);
    });
}

QDataStream& CStreamInfoSerializer::serialOut(QDataStream& out) const
{
    out << m_name << m_type << m_id << m_codecName << m_fourCC << m_extraText << m_width << m_height
        << static_cast<qint64>(m_frameRate) << static_cast<qint32>(m_aspect) << m_sampleRate << m_channels
        << m_extraValue << m_bitRate << m_duration;
    return out;
}

const CStreamInfoSerializer& CStreamInfoSerializer::operator>>(QDataStream& out) const
{
    serialOut(out);
    return *this;
}

QDataStream& CStreamInfoSerializer::serialIn(QDataStream& in)
{
    qint64 frameRate = 0;
    qint32 aspect = 0;
    in >> m_name >> m_type >> m_id >> m_codecName >> m_fourCC >> m_extraText >> m_width >> m_height >> frameRate >>
        aspect >> m_sampleRate >> m_channels >> m_extraValue >> m_bitRate >> m_duration;
    m_frameRate = static_cast<quint64>(frameRate);
    m_aspect = static_cast<quint32>(aspect);
    return in;
}

CStreamInfoSerializer& CStreamInfoSerializer::operator<<(QDataStream& in)
{
    serialIn(in);
    return *this;
}

// ---- CMetaDataInfoSerialer -----------------------------------------------------

void CMetaDataInfoSerialer::SetMetaData(const Moorland::MovieMetaData* info)
{
    if (!info) {
        m_name = QStringLiteral("");
        m_value = QStringLiteral("");
        return;
    }
    m_name = FromUtf8OrNull(info->name);
    m_value = FromUtf8OrNull(info->value);
}

Moorland::MovieMetaData* CMetaDataInfoSerialer::GetMetaData() const
{
    auto* info = static_cast<Moorland::MovieMetaData*>(calloc(1, sizeof(Moorland::MovieMetaData)));
    if (!info)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    try {
        info->name = TextOrAbsent(m_name);
        info->value = TextOrAbsent(m_value);
    } catch (...) {
        FreeMeteDataInfo(info);
        throw;
    }
    return info;
}

bool CMetaDataInfoSerialer::operator==(Moorland::MovieMetaData const& loaded) const
{
    return m_name == FromUtf8OrNull(loaded.name) && m_value == FromUtf8OrNull(loaded.value);
}

QDataStream& CMetaDataInfoSerialer::serialOut(QDataStream& out) const
{
    out << m_name << m_value;
    return out;
}

const CMetaDataInfoSerialer& CMetaDataInfoSerialer::operator>>(QDataStream& out) const
{
    serialOut(out);
    return *this;
}

QDataStream& CMetaDataInfoSerialer::serialIn(QDataStream& in)
{
    in >> m_name >> m_value;
    return in;
}

CMetaDataInfoSerialer& CMetaDataInfoSerialer::operator<<(QDataStream& in)
{
    serialIn(in);
    return *this;
}

// ---- CMovieInfoSerializer ------------------------------------------------------

void CMovieInfoSerializer::SetMovieInfo(const Moorland::MovieInfo* info)
{
    m_streams.clear();
    m_metaData.clear();
    if (!info) {
        m_name = QStringLiteral("");
        m_id = 0;
        m_format = QStringLiteral("");
        return;
    }
    m_name = FromUtf8OrNull(info->name);
    m_id = info->id;
    if (info->streams) {
        for (quint32 i = 0; i < info->streamCount; ++i) {
            CStreamInfoSerializer stream;
            stream.SetStreamInfo(&info->streams[i]);
            m_streams.append(stream);
        }
    }
    if (info->metaData) {
        for (quint32 i = 0; i < info->metaDataCount; ++i) {
            CMetaDataInfoSerialer pair;
            pair.SetMetaData(&info->metaData[i]);
            m_metaData.append(pair);
        }
    }
    m_format = FromUtf8OrNull(info->format);
}

Moorland::MovieInfo* CMovieInfoSerializer::GetMovieInfo() const
{
    auto* info = static_cast<Moorland::MovieInfo*>(calloc(1, sizeof(Moorland::MovieInfo)));
    if (!info)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    try {
        info->name = TextAlways(m_name);
        info->format = TextAlways(m_format);
        info->id = m_id;
        const quint32 streams = static_cast<quint32>(m_streams.size());
        info->streams = AllocArray<Moorland::StreamInfo>(streams);
        for (quint32 i = 0; i < streams; ++i) {
            Moorland::StreamInfo* temp = m_streams.at(static_cast<int>(i)).GetStreamInfo();
            try {
                CopyStreamInfo(info->streams[i], *temp);
            } catch (...) {
                FreeStreamInfo(temp);
                throw;
            }
            FreeStreamInfo(temp);
            info->streamCount = i + 1;
        }
        const quint32 pairs = static_cast<quint32>(m_metaData.size());
        info->metaData = AllocArray<Moorland::MovieMetaData>(pairs);
        for (quint32 i = 0; i < pairs; ++i) {
            Moorland::MovieMetaData* temp = m_metaData.at(static_cast<int>(i)).GetMetaData();
            try {
                CopyMeteDataInfo(info->metaData[i], *temp);
            } catch (...) {
                FreeMeteDataInfo(temp);
                throw;
            }
            FreeMeteDataInfo(temp);
            info->metaDataCount = i + 1;
        }
    } catch (...) {
        FreeMovieInfo(info);
        throw;
    }
    return info;
}

bool CMovieInfoSerializer::operator==(Moorland::MovieInfo const& loaded) const
{
    return QB_GUARDED(false, {
        const QString loadedName = FromUtf8OrNull(loaded.name);
        const quint32 loadedCount = loaded.streams ? loaded.streamCount : 0;

        QList<const CStreamInfoSerializer*> savedKnown;
        for (const CStreamInfoSerializer& s : m_streams) {
            if (s.GetType() != 0)
                savedKnown.append(&s);
        }
        int loadedKnown = 0;
        for (quint32 i = 0; i < loadedCount; ++i) {
            if (loaded.streams[i].type != 0)
                ++loadedKnown;
        }
        if (savedKnown.size() != loadedKnown) {
            ThrowMediaDiff(loadedName + " Known stream count not equal, " + "Saved: " +
                           QString::number(savedKnown.size()) + "  Loaded: " + QString::number(loadedKnown) + "\n");
        }

        bool running = m_name == loadedName && m_id == loaded.id;
        for (const CStreamInfoSerializer* s : savedKnown) {
            if (!running)
                break;
            const Moorland::StreamInfo* match = nullptr;
            for (quint32 i = 0; i < loadedCount; ++i) {
                if (loaded.streams[i].id == s->GetStreamID()) {
                    match = &loaded.streams[i];
                    break;
                }
            }
            running = match && (*s == *match);
        }
        if (!running)
            ThrowMediaDiff(loadedName + "compare stream diff\n");
        return true;
    });
}

QDataStream& CMovieInfoSerializer::serialOut(QDataStream& out) const
{
    out << m_name << m_id << static_cast<qint32>(m_streams.size());
    for (const CStreamInfoSerializer& s : m_streams)
        s.serialOut(out);
    out << static_cast<qint32>(m_metaData.size());
    for (const CMetaDataInfoSerialer& p : m_metaData)
        out << p.GetName() << p.GetValue();
    out << m_format;
    return out;
}

const CMovieInfoSerializer& CMovieInfoSerializer::operator>>(QDataStream& out) const
{
    serialOut(out);
    return *this;
}

QDataStream& CMovieInfoSerializer::serialIn(QDataStream& in)
{
    in >> m_name >> m_id;
    ReadList(in, m_streams);
    ReadList(in, m_metaData);
    in >> m_format;
    return in;
}

CMovieInfoSerializer& CMovieInfoSerializer::operator<<(QDataStream& in)
{
    serialIn(in);
    return *this;
}

bool CompareMovieInfos(const QList<CMovieInfoSerializer>& saved, Moorland::MovieInfo** loaded, int count)
{
    if (saved.size() != count)
        return false;
    if (count == 0)
        return true;
    if (!loaded)
        return false;
    bool all = true;
    for (int i = 0; i < count; ++i) {
        if (!loaded[i]) {
            all = false;
            continue;
        }
        if (!(saved.at(i) == *loaded[i]))
            all = false;
    }
    return all;
}

QDataStream& operator<<(QDataStream& out, const CStreamInfoSerializer& info)
{
    return info.serialOut(out);
}
QDataStream& operator>>(QDataStream& in, CStreamInfoSerializer& info)
{
    return info.serialIn(in);
}
QDataStream& operator<<(QDataStream& out, const CMetaDataInfoSerialer& info)
{
    return info.serialOut(out);
}
QDataStream& operator>>(QDataStream& in, CMetaDataInfoSerialer& info)
{
    return info.serialIn(in);
}
QDataStream& operator<<(QDataStream& out, const CMovieInfoSerializer& info)
{
    return info.serialOut(out);
}
QDataStream& operator>>(QDataStream& in, CMovieInfoSerializer& info)
{
    return info.serialIn(in);
}

} // namespace Fablecut
