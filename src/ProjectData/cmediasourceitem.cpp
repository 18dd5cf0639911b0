#include "cmediasourceitem.h"

#include "cmovieinfoserializer.h"
#include "seixwriting.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CTmpFile.h"
#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "ISimpleEditTimeLine.h"
#include "moorlan_srcutils/moorlan_url.h"
#include "sysutils_string.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace Fablecut {

namespace {

// A refusal of the media manager keeps the code callers know and the
// manager's own reason, which is what the user reads.
[[noreturn]] void ThrowRefusal()
{
    IQuentaException* error = GetQuentaException();
    const char* reason = error->GetExceptionCode() != 0 ? error->GetExceptionMsg() : nullptr;
    QB_THROW(QB_ERR_BAD_POINTER, reason && *reason ? std::string(reason) : std::string("Bad pointer"));
}

constexpr int kThumbnailPngQuality = 80;

float Clamp(float value, float low, float high)
{
    return value < low ? low : (value > high ? high : value);
}

const char* FilterNameOf(EffectType type)
{
    switch (type) {
    case EffectSimpleGaussBlur: return "simple_gauss_blur";
    case EffectSimpleLaplacianSharpen: return "simple_laplacian_sharpen";
    case EffectGray: return "gray";
    case EffectFlipColor: return "flip_color";
    case EffectInvert: return "invert";
    case EffectAgedFilm: return "aged_film";
    default: return nullptr;
    }
}

} // namespace

// ---------------------------------------------------------------- StreamIndex

const std::vector<int32_t>* StreamIndex::List(Moorland::StreamType type) const
{
    switch (type) {
    case Moorland::StreamTypeAudio: return &m_audio;
    case Moorland::StreamTypeVideo: return &m_video;
    case Moorland::StreamTypeSubtitle: return &m_subtitle;
    default: return nullptr;
    }
}

void StreamIndex::AddStreamIndex(Moorland::StreamType type, unsigned int position)
{
    auto* list = const_cast<std::vector<int32_t>*>(List(type));
    if (list)
        list->push_back(static_cast<int32_t>(position));
}

int StreamIndex::GetStreamIndex(Moorland::StreamType type, unsigned int n) const
{
    const auto* list = List(type);
    if (!list || n >= list->size())
        return -1;
    return (*list)[n];
}

int StreamIndex::GetStreamsCount(Moorland::StreamType type) const
{
    const auto* list = List(type);
    return list ? static_cast<int>(list->size()) : 0;
}

int StreamIndex::GetTotalStreamsCount() const
{
    return static_cast<int>(m_audio.size() + m_video.size() + m_subtitle.size());
}

// ------------------------------------------------------------ lifetime, copies

QString CMediaSourceItem::NewSeixPath()
{
    QuentaBased::CTmpFile tmp(std::string(".seix"), nullptr);
    tmp.SetOwned(false);
    return QString::fromUtf8(tmp.GetFilePathName().c_str());
}

CMediaSourceItem::CMediaSourceItem() : m_seixPath(NewSeixPath()) {}

CMediaSourceItem::CMediaSourceItem(const CMediaSourceItem& other)
    : IDCPlaySourceItem(), ISourceDataItem(), m_seixPath(NewSeixPath())
{
    CopyFrom(other);
}

CMediaSourceItem& CMediaSourceItem::operator=(const CMediaSourceItem& other)
{
    if (this == &other)
        return *this;
    ReleaseSource();
    ReleaseImporter();
    ClearMovieInfos();
    CopyFrom(other);
    return *this;
}

CMediaSourceItem::~CMediaSourceItem()
{
    ClearMovieInfos();
    ReleaseSource();
    ReleaseImporter();
    if (m_seixWriter) {
        m_seixWriter->Release();
        m_seixWriter = nullptr;
    }
    if (!m_seixPath.isEmpty() && QFile::exists(m_seixPath))
        QFile::remove(m_seixPath);
}

void CMediaSourceItem::CopyFrom(const CMediaSourceItem& other)
{
    m_duration = other.m_duration;
    m_startPoint = other.m_startPoint;
    m_name = other.m_name;
    m_path = other.m_path;
    m_itemType = other.m_itemType;
    m_trim = other.m_trim;
    m_crop = other.m_crop;
    m_turn = other.m_turn;
    m_audio = other.m_audio;
    m_effect = other.m_effect;
    m_3d = other.m_3d;
    m_interlaced = other.m_interlaced;
    m_manager = other.m_manager;
    m_importerName = other.m_importerName;
    m_pixelWidth = other.m_pixelWidth;
    m_pixelHeight = other.m_pixelHeight;
    m_viewWidth = other.m_viewWidth;
    m_viewHeight = other.m_viewHeight;
    m_thumbnail = other.m_thumbnail;
    m_thumbnailPng = other.m_thumbnailPng;
    m_thumbnailDecoded = other.m_thumbnailDecoded;
    m_movies.reserve(other.m_movies.size());
    for (Moorland::MovieInfo* movie : other.m_movies) {
        auto* copy = static_cast<Moorland::MovieInfo*>(calloc(1, sizeof(Moorland::MovieInfo)));
        if (!copy)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        try {
            CopyMovieInfo(*movie, *copy);
        } catch (...) {
            free(copy);
            throw;
        }
        m_movies.push_back(copy);
    }
    m_streamIndex = other.m_streamIndex;
    m_curMovie = other.m_curMovie;
    m_curAudio = other.m_curAudio;
    m_curVideo = other.m_curVideo;
    m_curSubtitle = other.m_curSubtitle;
    m_srcVideoId = other.m_srcVideoId;
    m_srcAudioId = other.m_srcAudioId;
    m_modified = other.m_modified;
    m_fileSize = other.m_fileSize;
    m_frameValue = other.m_frameValue;
}

void CMediaSourceItem::Free()
{
    delete this;
}

ISourceDataItem* CMediaSourceItem::CloneDataItem()
{
    return new CMediaSourceItem(*this);
}

// ------------------------------------------------------------------ accessors

void* CMediaSourceItem::GetInterFace(const char* name)
{
    if (!name)
        return nullptr;
    if (strcmp(name, DC_PLAYSOURCE_INTERFACE) == 0)
        return static_cast<IDCPlaySourceItem*>(this);
    if (strcmp(name, IDCDATAITEMEX_INTERFACE) == 0)
        return static_cast<ISourceDataItem*>(this);
    if (strcmp(name, EDITINFO_TRIM_INTERFACE) == 0)
        return static_cast<IEditInfoTrim*>(&m_trim);
    if (strcmp(name, EDITINFO_AUDIOEDIT_INTERFACE) == 0)
        return static_cast<IEditInfoAudioEdit*>(&m_audio);
    if (m_itemType != 0)
        return nullptr;
    if (strcmp(name, EDITINFO_VIDEOEFFECT_INTERFACE) == 0)
        return static_cast<IEditInfoVideoEffect*>(&m_effect);
    if (strcmp(name, EDITINFO_VIDEOTURN_INTERFACE) == 0)
        return static_cast<IEditInfoVideoTurn*>(&m_turn);
    if (strcmp(name, EDITINFO_3DEFFECT_INTERFACE) == 0)
        return static_cast<IEditInfo3DEffect*>(&m_3d);
    return nullptr;
}

void CMediaSourceItem::SetSrcFileFullPath(QString path)
{
    m_path = path;
    QFileInfo info(path);
    if (info.exists()) {
        m_modified = info.lastModified();
        m_fileSize = info.size();
    } else {
        m_modified = QDateTime();
        m_fileSize = 0;
    }
}

void CMediaSourceItem::SetThumbnailPic(QString path)
{
    SetThumbnailPic(QImage(path));
}

void CMediaSourceItem::SetThumbnailPic(const QImage& image)
{
    m_thumbnail = image;
    m_thumbnailPng.clear();
    m_thumbnailDecoded = true;
}

void CMediaSourceItem::SetThumbnailPng(const QByteArray& png)
{
    m_thumbnail = QImage();
    m_thumbnailPng = png;
    m_thumbnailDecoded = png.isEmpty();
}

const QImage* CMediaSourceItem::GetThumbnailData() const
{
    if (!m_thumbnailDecoded) {
        // Damaged bytes leave no thumbnail, as a failed grab would.
        m_thumbnail.loadFromData(m_thumbnailPng, "PNG");
        m_thumbnailDecoded = true;
    }
    return &m_thumbnail;
}

QByteArray CMediaSourceItem::GetThumbnailPng() const
{
    if (!m_thumbnailPng.isEmpty() || m_thumbnail.isNull())
        return m_thumbnailPng;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    // A light compression: every imported file pays for it, and the file
    // grows only a little.
    m_thumbnail.save(&buffer, "PNG", kThumbnailPngQuality);
    return png;
}

void CMediaSourceItem::CacheThumbnailPng()
{
    m_thumbnailPng = GetThumbnailPng();
}

QString CMediaSourceItem::GetSourceFormat() const
{
    const Moorland::MovieInfo* movie = GetCurMovieInfo();
    if (!movie || !movie->format)
        return QString("");
    return QString::fromUtf8(movie->format);
}

// ------------------------------------------------------------ crop and trims

void CMediaSourceItem::SetCrop(const rect_t& r)
{
    const float w = static_cast<float>(m_pixelWidth);
    const float h = static_cast<float>(m_pixelHeight);
    const rect_t previous = m_crop;
    // Every edge lies in the frame; a crop wider than a tiny frame cannot be had.
    const float minW = w < 40.0f ? w : 40.0f;
    const float minH = h < 40.0f ? h : 40.0f;

    rect_t c{Clamp(r.left, 0, w), Clamp(r.top, 0, h), Clamp(r.right, 0, w), Clamp(r.bottom, 0, h)};
    if (std::isnan(r.left))
        c.left = 0;
    if (std::isnan(r.top))
        c.top = 0;
    if (std::isnan(r.right))
        c.right = w;
    if (std::isnan(r.bottom))
        c.bottom = h;
    if (c.left > c.right)
        c.left = c.right;
    if (c.top > c.bottom)
        c.top = c.bottom;
    if (c.right - c.left < minW) {
        if (c.right < minW) {
            c.right = minW;
        } else if (c.left + minW > w) {
            c.left = c.right - minW;
        } else {
            c.left = previous.left;
            c.right = previous.right;
        }
    }
    if (c.bottom - c.top < minH) {
        if (c.bottom < minH) {
            c.bottom = minH;
        } else if (c.top + minH > h) {
            c.top = c.bottom - minH;
        } else {
            c.top = previous.top;
            c.bottom = previous.bottom;
        }
    }
    m_crop = c;
}

void CMediaSourceItem::SetCrop(float left, float top, float right, float bottom)
{
    SetCrop(rect_t{left, top, right, bottom});
}

double CMediaSourceItem::GetPictureSeconds() const
{
    const Moorland::MovieInfo* movie = GetCurMovieInfo();
    for (uint32_t i = 0; movie && i < movie->streamCount; ++i) {
        const Moorland::StreamInfo& s = movie->streams[i];
        if (s.type == Moorland::StreamTypeVideo && Moorland::FrameRateNum(s.frameRate) &&
            Moorland::FrameRateDen(s.frameRate))
            return double(Moorland::FrameRateDen(s.frameRate)) / Moorland::FrameRateNum(s.frameRate);
    }
    return 0.04;
}

// Trims keep at least one picture: a piece shorter than that would play as
// nothing, or be written as the whole file.
void CMediaSourceItem::SetTrimStartPoint(const CBaseTime& time, bool bExact)
{
    CBaseTime v = time;
    if (!bExact) {
        if (v > m_duration)
            v = m_duration;
        if (v > m_trim.GetTrimEndPoint() - GetPictureSeconds())
            v = m_trim.GetTrimEndPoint() - GetPictureSeconds();
        if (v < 0.0)
            v = 0.0;
    }
    m_trim.SetTrimStartPoint(v);
    m_trim.SetTrimDuration(m_trim.GetTrimEndPoint() - m_trim.GetTrimStartPoint());
}

void CMediaSourceItem::SetTrimEndPoint(const CBaseTime& time, bool bExact)
{
    CBaseTime v = time;
    if (!bExact) {
        if (v < m_trim.GetTrimStartPoint() + GetPictureSeconds())
            v = m_trim.GetTrimStartPoint() + GetPictureSeconds();
        if (v > m_duration)
            v = m_duration;
        if (v < 0.0)
            v = 0.0;
    }
    m_trim.SetTrimEndPoint(v);
    m_trim.SetTrimDuration(m_trim.GetTrimEndPoint() - m_trim.GetTrimStartPoint());
}

void CMediaSourceItem::UpdateTrimInfo()
{
    SetTrimStartPoint(CBaseTime(0.0), false);
    SetTrimEndPoint(m_duration, false);
}

void CMediaSourceItem::SetRotationAngle(int angle)
{
    const int q = angle / 90;
    int stored = (q % 4) * 90;
    if (stored < 0)
        stored += 360;
    m_turn.SetRotationAngle(stored);
}

bool CMediaSourceItem::EditInfoEqualWith(const CMediaSourceItem& other) const
{
    auto near = [](float a, float b) { return std::fabs(a - b) < 0.0001f; };
    return m_trim == other.m_trim && m_startPoint == other.m_startPoint && near(m_crop.left, other.m_crop.left) &&
           near(m_crop.top, other.m_crop.top) && near(m_crop.right, other.m_crop.right) &&
           near(m_crop.bottom, other.m_crop.bottom) && m_turn == other.m_turn && m_audio == other.m_audio &&
           m_effect == other.m_effect && m_3d == other.m_3d;
}

// ------------------------------------------------------------------- probing

bool CMediaSourceItem::OpenImporter()
{
    GetQuentaException()->Clear();
    const bool ok = QB_GUARDED(false, {
        if (m_importer)
            return true;
        if (!m_manager)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const QByteArray path = m_path.toUtf8();
        Moorland::IAVImporter* importer = m_manager->CreateImporter(path.constData());
        if (!importer)
            ThrowRefusal();
        ImporterHolder guard(importer);

        const Moorland::ImporterInfo* info = importer->GetInfo();
        m_importerName = info && info->name ? info->name : "";

        m_interlaced = false;
        auto* ext = static_cast<Moorland::IMovieInfoExt*>(importer->GetInterface("IMovieInfoExt"));
        if (ext) {
            const char* value = ext->GetValue("is_interlace");
            if (value)
                m_interlaced = QuentaBased::StrToInt(value) != 0;
        }

        uint32_t videoStreams = 0;
        const uint32_t movies = importer->GetMovieCount();
        for (uint32_t i = 0; i < movies; ++i) {
            const Moorland::MovieInfo* movie = importer->GetMovieInfoAt(i);
            if (!movie || !movie->streams)
                continue;
            for (uint32_t j = 0; j < movie->streamCount; ++j)
                if (movie->streams[j].type == Moorland::StreamTypeVideo)
                    ++videoStreams;
        }
        if (videoStreams == 0)
            QB_THROW(QB_ERR_MEDIA, "No Video StreamInfo");
        m_importer = guard.release();
        return true;
    });
    if (!ok)
        m_itemType = 64;
    return ok;
}

void CMediaSourceItem::ReleaseSource()
{
    if (m_source) {
        m_source->Release();
        m_source = nullptr;
    }
}

void CMediaSourceItem::ReleaseImporter()
{
    if (m_importer) {
        m_importer->Release();
        m_importer = nullptr;
    }
}

void CMediaSourceItem::CloseImporter()
{
    ReleaseSource();
    ReleaseImporter();
}

void CMediaSourceItem::UpdateMovieInfos()
{
    if (!m_importer)
        return;
    std::vector<Moorland::MovieInfo*> movies;
    const uint32_t count = m_importer->GetMovieCount();
    for (uint32_t i = 0; i < count; ++i) {
        Moorland::MovieInfo* movie = m_importer->GetMovieInfoAt(i);
        if (movie)
            movies.push_back(movie);
    }
    SetMovieInfos(movies.data(), static_cast<unsigned int>(movies.size()));
}

void CMediaSourceItem::CopyMovieInfo(const Moorland::MovieInfo& from, Moorland::MovieInfo& to)
{
    Fablecut::CopyMovieInfo(to, const_cast<Moorland::MovieInfo&>(from));
}

void CMediaSourceItem::ClearMovieInfos()
{
    for (Moorland::MovieInfo* movie : m_movies)
        FreeMovieInfo(movie);
    m_movies.clear();
    m_streamIndex.clear();
}

void CMediaSourceItem::InitMovieState(Moorland::MovieInfo** movies)
{
    const size_t count = m_movies.size();
    m_streamIndex.assign(count, StreamIndex());
    if (m_curMovie == -1 && count > 0)
        m_curMovie = 0;
    for (size_t i = 0; i < count; ++i) {
        Moorland::MovieInfo* copy = static_cast<Moorland::MovieInfo*>(calloc(1, sizeof(Moorland::MovieInfo)));
        if (!copy)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        try {
            CopyMovieInfo(*movies[i], *copy);
        } catch (...) {
            free(copy);
            throw;
        }
        m_movies[i] = copy;
        const bool current = static_cast<int>(i) == m_curMovie;
        StreamIndex& index = m_streamIndex[i];
        const uint32_t streams = copy->streams ? copy->streamCount : 0;
        for (uint32_t j = 0; j < streams; ++j) {
            const auto type = static_cast<Moorland::StreamType>(copy->streams[j].type);
            int32_t* cur = nullptr;
            if (type == Moorland::StreamTypeVideo)
                cur = &m_curVideo;
            else if (type == Moorland::StreamTypeAudio)
                cur = &m_curAudio;
            else if (type == Moorland::StreamTypeSubtitle)
                cur = &m_curSubtitle;
            else
                continue;
            if (current && *cur == -1)
                *cur = index.GetStreamsCount(type);
            index.AddStreamIndex(type, j);
        }
    }
}

bool CMediaSourceItem::SetMovieInfos(Moorland::MovieInfo** movies, unsigned int count)
{
    // Only memory can fail here; the clip is then left without movies.
    return QB_GUARDED(false, {
        // The movies given may be this clip's own records: copy before clearing.
        std::vector<Moorland::MovieInfo*> given;
        std::vector<Moorland::MovieInfo*> owned;
        if (movies) {
            for (unsigned int i = 0; i < count; ++i)
                if (movies[i])
                    given.push_back(movies[i]);
        }
        const bool ownArray = movies && !m_movies.empty() && movies == m_movies.data();
        if (ownArray) {
            owned.swap(m_movies);
            m_streamIndex.clear();
        } else {
            ClearMovieInfos();
        }

        // Choices carried over (a copy or an earlier call) must fit the new movies.
        if (m_curMovie >= static_cast<int>(given.size()) || m_curMovie < -1)
            ResetStreamChoice();
        m_movies.assign(given.size(), nullptr);
        try {
            InitMovieState(given.data());
        } catch (...) {
            for (Moorland::MovieInfo* movie : owned)
                FreeMovieInfo(movie);
            for (Moorland::MovieInfo*& movie : m_movies)
                FreeMovieInfo(movie);
            m_movies.clear();
            m_streamIndex.clear();
            ResetStreamChoice();
            throw;
        }
        for (Moorland::MovieInfo* movie : owned)
            FreeMovieInfo(movie);

        // A stream choice past the new counts falls back to the first of its kind.
        if (m_curMovie >= 0) {
            const StreamIndex& index = m_streamIndex[m_curMovie];
            auto fit = [&index](int32_t& cur, Moorland::StreamType type) {
                const int n = index.GetStreamsCount(type);
                if (cur >= n || cur < -1)
                    cur = n > 0 ? 0 : -1;
                else if (cur == -1 && n > 0)
                    cur = 0;
            };
            fit(m_curVideo, Moorland::StreamTypeVideo);
            fit(m_curAudio, Moorland::StreamTypeAudio);
            fit(m_curSubtitle, Moorland::StreamTypeSubtitle);
        } else {
            m_curVideo = m_curAudio = m_curSubtitle = -1;
        }

        UpdateDurationInfo();
        UpdateTrimInfo();
        UpdateVideoFrameInfo();
        UpdateCropInfo();
        if (GetStreamCount(Moorland::StreamTypeVideo) > 0)
            m_itemType = 0;
        else if (GetStreamCount(Moorland::StreamTypeAudio) > 0)
            m_itemType = 1;
        else
            m_itemType = 64;
        return true;
    });
}

void CMediaSourceItem::ResetStreamChoice()
{
    m_curMovie = -1;
    m_curVideo = m_curAudio = m_curSubtitle = -1;
}

Moorland::MovieInfo** CMediaSourceItem::GetMovieInfos(int& count)
{
    count = static_cast<int>(m_movies.size());
    return m_movies.empty() ? nullptr : m_movies.data();
}

Moorland::MovieInfo* CMediaSourceItem::GetMovieInfo(int index) const
{
    if (static_cast<unsigned int>(index) >= m_movies.size())
        return nullptr;
    return m_movies[index];
}

Moorland::MovieInfo* CMediaSourceItem::GetCurMovieInfo() const
{
    if (m_curMovie < 0)
        return nullptr;
    return GetMovieInfo(m_curMovie);
}

const Moorland::StreamInfo* CMediaSourceItem::GetStreamInfo(Moorland::StreamType type, int n) const
{
    const Moorland::MovieInfo* movie = GetCurMovieInfo();
    if (!movie || n < 0 || static_cast<size_t>(m_curMovie) >= m_streamIndex.size())
        return nullptr;
    const int position = m_streamIndex[m_curMovie].GetStreamIndex(type, static_cast<unsigned int>(n));
    if (position < 0 || !movie->streams || static_cast<uint32_t>(position) >= movie->streamCount)
        return nullptr;
    return &movie->streams[position];
}

int CMediaSourceItem::GetStreamCount(Moorland::StreamType type) const
{
    if (!GetCurMovieInfo() || static_cast<size_t>(m_curMovie) >= m_streamIndex.size())
        return 0;
    return m_streamIndex[m_curMovie].GetStreamsCount(type);
}

int CMediaSourceItem::GetCurStreamIndex(Moorland::StreamType type) const
{
    switch (type) {
    case Moorland::StreamTypeVideo: return m_curVideo;
    case Moorland::StreamTypeAudio: return m_curAudio;
    case Moorland::StreamTypeSubtitle: return m_curSubtitle;
    default: return -1;
    }
}

const Moorland::StreamInfo* CMediaSourceItem::GetCurStreamInfo(Moorland::StreamType type) const
{
    return GetStreamInfo(type, GetCurStreamIndex(type));
}

int CMediaSourceItem::GetCurMovieID() const
{
    const Moorland::MovieInfo* movie = GetCurMovieInfo();
    return movie ? movie->id : -1;
}

int CMediaSourceItem::GetCurVideoStreamID() const
{
    const Moorland::StreamInfo* stream = GetCurStreamInfo(Moorland::StreamTypeVideo);
    return stream ? stream->id : -1;
}

int CMediaSourceItem::GetCurAudioStreamID() const
{
    const Moorland::StreamInfo* stream = GetCurStreamInfo(Moorland::StreamTypeAudio);
    return stream ? stream->id : -1;
}

bool CMediaSourceItem::SetCurStreamIndex(Moorland::StreamType type, int index)
{
    if (index == GetCurStreamIndex(type))
        return false;
    if (!GetCurMovieInfo() || static_cast<unsigned int>(index) >= static_cast<unsigned int>(GetStreamCount(type)))
        return false;
    switch (type) {
    case Moorland::StreamTypeVideo:
        m_curVideo = index;
        UpdateDurationInfo();
        UpdateTrimInfo();
        UpdateVideoFrameInfo();
        UpdateCropInfo();
        break;
    case Moorland::StreamTypeAudio: {
        m_curAudio = index;
        UpdateDurationInfo();
        const CBaseTime start = m_trim.GetTrimStartPoint();
        const CBaseTime end = m_trim.GetTrimEndPoint();
        SetTrimStartPoint(start, false);
        SetTrimEndPoint(end, false);
        break;
    }
    case Moorland::StreamTypeSubtitle: m_curSubtitle = index; break;
    default: return false;
    }
    return true;
}

void CMediaSourceItem::UpdateDurationInfo()
{
    const Moorland::StreamInfo* audio = m_curAudio >= 0 ? GetCurStreamInfo(Moorland::StreamTypeAudio) : nullptr;
    const Moorland::StreamInfo* video = m_curVideo >= 0 ? GetCurStreamInfo(Moorland::StreamTypeVideo) : nullptr;
    const double a = audio ? audio->duration : 0.0;
    const double v = video ? video->duration : 0.0;
    m_duration = a > v ? a : v;
}

void CMediaSourceItem::UpdateVideoFrameInfo()
{
    const Moorland::StreamInfo* video = GetCurStreamInfo(Moorland::StreamTypeVideo);
    const uint32_t w = video && video->width > 0 ? static_cast<uint32_t>(video->width) : 0;
    const uint32_t h = video && video->height > 0 ? static_cast<uint32_t>(video->height) : 0;
    m_pixelWidth = m_viewWidth = w;
    m_pixelHeight = m_viewHeight = h;
    if (!video || w == 0 || h == 0)
        return;
    const uint32_t x = video->aspect >> 16;
    const uint32_t y = video->aspect & 0xFFFFu;
    if (video->aspect >= 0x10000u && y != 0) {
        // The display size stretches the height by y/x.
        const uint32_t yh = y * h;
        const double ratio = (static_cast<double>(x) * w) / static_cast<double>(yh);
        const double viewH = static_cast<double>(w) / ratio;
        if (viewH >= 0 && viewH < 4294967296.0)
            m_viewHeight = static_cast<uint32_t>(viewH);
    }
}

void CMediaSourceItem::UpdateCropInfo()
{
    m_crop = rect_t{0, 0, static_cast<float>(m_pixelWidth), static_cast<float>(m_pixelHeight)};
}

// ---------------------------------------------------------- playable source

void CMediaSourceItem::FreeAVSource()
{
    ReleaseSource();
}

bool CMediaSourceItem::NeedUpdateSource()
{
    return GetCurVideoStreamID() != m_srcVideoId || GetCurAudioStreamID() != m_srcAudioId;
}

bool CMediaSourceItem::UpdateAVSource()
{
    GetQuentaException()->Clear();
    return QB_GUARDED(false, {
        OpenImporter();
        if (!m_importer)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        GetQuentaException()->Clear();
        const int video = GetCurVideoStreamID();
        const int audio = GetCurAudioStreamID();
        if (m_source && (video != m_srcVideoId || audio != m_srcAudioId))
            ReleaseSource();
        const Moorland::MovieInfo* movie = GetCurMovieInfo();
        if (!movie || movie->id == -1)
            QB_THROW(QB_ERR_NOT_FOUND, "cannot locate current movie");
        if (m_source)
            return true;
        if (video == -1 && audio == -1)
            QB_THROW(QB_ERR_MEDIA, "The clip has no picture or sound to play");
        auto* property = static_cast<Moorland::IAVSourceSetProperty*>(m_importer->GetInterface("IAVSourceSetProperty"));
        if (property)
            property->SetProperty(1, 1);
        Moorland::IAVSource* source = m_importer->CreateSource(movie->id, video, audio);
        if (!source)
            ThrowRefusal();
        // Only a source that exists says which streams it plays.
        m_source = source;
        m_srcVideoId = video;
        m_srcAudioId = audio;
        return true;
    });
}

// -------------------------------------------------------- edit description

void CMediaSourceItem::UpdateSeixFile(bool bWithEdit)
{
    if (m_curMovie == -1)
        return;
    QB_GUARDED_VOID({
        if (!m_manager)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_seixWriter)
            m_seixWriter = m_manager->CreateImporterByName("SimpleEditImporter");
        // The writer lives for this call only, whatever happens below.
        ImporterHolder writer(m_seixWriter);
        m_seixWriter = nullptr;
        if (!writer)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        auto* timeline = static_cast<Moorland::ISimpleEditTimeLine*>(writer->GetInterface("ISimpleEditTimeLine"));
        if (!timeline)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        timeline->ClearTimeLine();

        const Moorland::StreamInfo* video = GetCurStreamInfo(Moorland::StreamTypeVideo);
        const Moorland::StreamInfo* audio = GetCurStreamInfo(Moorland::StreamTypeAudio);
        Moorland::CSourceURL url(m_path.toUtf8().toStdString());
        url.SetMovieID(GetCurMovieID());
        url.SetAudioStreamID(audio ? audio->id : -2);
        url.SetVideoStreamID(video ? video->id : -2);
        const std::string address = url.GetURL();

        Moorland::SimpleEditClipEntry entry{};
        entry.sourceAddress = address.c_str();
        entry.importerName = m_importerName.c_str();
        entry.trimStartMs = m_trim.GetTrimStartPoint().ToMillisecond();
        entry.trimEndMs = m_trim.GetTrimEndPoint().ToMillisecond();
        if (bWithEdit && video) {
            entry.leftMargin = CropMarginOf(m_crop.left);
            entry.topMargin = CropMarginOf(m_crop.top);
            entry.rightMargin = CropMarginOf(static_cast<double>(video->width) - m_crop.right);
            entry.bottomMargin = CropMarginOf(static_cast<double>(video->height) - m_crop.bottom);
        }
        timeline->InsertClip(0, &entry);

        if (bWithEdit) {
            if (const char* filter = FilterNameOf(GetEffectType()))
                timeline->AddClipFilter(0, timeline->GetClipHandle(0), filter, nullptr, nullptr);
            if (GetBrightness() != 0 || GetContrast() != 0 || GetSaturation() != 0) {
                const std::string b = std::to_string(GetBrightness());
                const std::string c = std::to_string(GetContrast());
                const std::string s = std::to_string(GetSaturation());
                const char* names[] = {"brightness", "contrast", "saturation", nullptr};
                const char* values[] = {b.c_str(), c.c_str(), s.c_str(), nullptr};
                timeline->AddClipFilter(0, timeline->GetClipHandle(0), "brightness_contrast", names, values);
            }
            if (IsMirror() || IsVerReverse()) {
                const char* names[] = {"mirror", "vertical", nullptr};
                const char* values[] = {IsMirror() ? "1" : "0", IsVerReverse() ? "1" : "0", nullptr};
                timeline->AddClipFilter(0, timeline->GetClipHandle(0), "reverse", names, values);
            }
            if (IsEnableAudioReplace()) {
                const QByteArray replace = GetAudioReplaceFullPath().toUtf8();
                timeline->SetReplaceAudio(replace.constData(), 0, IsAudioReplaceLoop() ? 1 : 0);
            }
            if (std::fabs(GetVolume() - 1.0) > 0.0001)
                timeline->SetClipVolume(0, GetVolume());
            if (GetMute())
                timeline->SetClipMute(0, 1);
        }
        timeline->SetClipInterlaced(0, m_interlaced ? 1 : 0);

        Moorland::SimpleEditOutputFormat format;
        FillOutputFormat(format, video, audio);
        timeline->SetOutputFormat(0, &format);
        if (GetStreamCount(Moorland::StreamTypeVideo) == 0)
            timeline->DisableStreamType(Moorland::StreamTypeVideo);
        else if (GetStreamCount(Moorland::StreamTypeAudio) == 0)
            timeline->DisableStreamType(Moorland::StreamTypeAudio);

        SaveDescriptionOver(timeline, m_seixPath);
    });
}

} // namespace Fablecut
