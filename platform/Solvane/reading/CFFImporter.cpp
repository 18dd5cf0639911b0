#include "CFFImporter.h"

#include "CBaseException.h"
#include "CFFMultiSource.h"
#include "CFFPacketSource.h"
#include "CImageSource.h"

// The stream item record the worker passes to CreateMultiSource.
#include "moorlan_srcutils/MultiStreamAddress.h"

#include <algorithm>
#include <cstddef>
#include <cctype>
#include <cstring>

static_assert(offsetof(Moorland::SMItemInfo, nStreamID) == 0 && offsetof(Moorland::SMItemInfo, eStreamType) == 4 &&
                  offsetof(Moorland::SMItemInfo, bCompress) == 8,
              "stream item record as the worker lays it out");

namespace Solvane {

namespace {

const uint32_t kDefaultStillMs = 5000;
const unsigned kStillFrameMs = 40; // 25 pictures a second

bool IsTiVoPath(const std::string& path)
{
    if (path.size() < 5)
        return false;
    std::string ext = path.substr(path.size() - 5);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".tivo";
}

} // namespace

const char* const CFFImporter::kName = "FFImporter";
const char* const CFFImporter::kImageName = "ImageImporter";

const Moorland::ImporterInfo* CFFImporter::Info(bool still)
{
    static const Moorland::ImporterInfo media{sizeof(Moorland::ImporterInfo), kName,
                                              "Video and audio files through libavformat"};
    static const Moorland::ImporterInfo image{sizeof(Moorland::ImporterInfo), kImageName,
                                              "A still picture played as video"};
    return still ? &image : &media;
}

CFFImporter::CFFImporter(bool still, const ImporterSettings& settings) : m_still(still), m_settings(settings) {}

CFFImporter::~CFFImporter() = default;

void CFFImporter::RequireOpen() const
{
    if (!m_file)
        QB_THROW(QB_ERR_UNEXPECTED, "The importer has no file open");
}

void CFFImporter::OpenFile(const std::string& path)
{
    if (IsTiVoPath(path) && m_settings.tivoKey.empty())
        QB_THROW(QB_ERR_MEDIA, "A TiVo recording needs the TiVo media access key: " + path);
    std::shared_ptr<CFFMediaFile> file;
    try {
        file = CFFMediaFile::Open(path, m_settings.keepProbe);
    } catch (const CBaseException& e) {
        // Recordings still encrypted for the TiVo cannot be read by the demuxer.
        if (IsTiVoPath(path))
            QB_THROW(QB_ERR_MEDIA,
                     std::string("Can't read the TiVo recording with this media access key: ") + e.GetMsg());
        throw;
    }
    AdoptFile(file);
}

void CFFImporter::AdoptFile(std::shared_ptr<CFFMediaFile> file)
{
    m_file.reset();
    m_picture.reset();
    m_values.clear();
    m_file = std::move(file);
    if (m_still) {
        try {
            PrepareStill();
        } catch (...) {
            m_file.reset();
            m_picture.reset();
            throw;
        }
    }
}

uint32_t CFFImporter::StillDurationMs() const
{
    auto it = m_options.find("duration");
    if (it == m_options.end())
        return kDefaultStillMs;
    long ms = strtol(it->second.c_str(), nullptr, 10);
    return ms > 0 ? static_cast<uint32_t>(std::min<long>(ms, INT32_MAX)) : kDefaultStillMs;
}

void CFFImporter::PrepareStill()
{
    const FFMovie* movie = m_file->MovieAt(0);
    const int videoId = movie ? CFFMediaFile::FirstStreamId(*movie, Moorland::StreamTypeVideo) : -1;
    if (videoId < 0)
        QB_THROW(QB_ERR_MEDIA, "No picture in " + m_file->Path());
    if (!m_picture) {
        DecoderChoice single;
        single.multiThread = false;
        CFFSource reader(m_file, *movie, videoId, -1, single);
        Moorland::IRawVideoFrame* frame = nullptr;
        Moorland::IRawAudioFrame* none = nullptr;
        if (!reader.ReadFrames(&none, &frame, nullptr, Moorland::AVReadVideoOnly) || !frame)
            QB_THROW(QB_ERR_MEDIA, "Can't decode the picture in " + m_file->Path());
        m_picture.reset(static_cast<CFFVideoFrame*>(frame->Clone()), [](CFFVideoFrame* f) { f->Free(); });
        const AVFrameSideData* matrix = av_frame_get_side_data(m_picture->Frame(), AV_FRAME_DATA_DISPLAYMATRIX);
        if (const int turn = ClockwiseTurn(matrix && matrix->size >= 36 ? matrix->data : nullptr))
            CFFMediaFile::AddMetaData(*movie, "rotate", std::to_string(turn).c_str());
    }
    // The file describes one picture; the movie describes it as a stream of
    // pictures lasting the asked duration.
    for (uint32_t i = 0; i < movie->info->streamCount; ++i) {
        Moorland::StreamInfo& s = movie->info->streams[i];
        if (s.type != Moorland::StreamTypeVideo)
            continue;
        s.frameRate = Moorland::PackFrameRate(1000 / kStillFrameMs, 1);
        s.duration = StillDurationMs() / 1000.0;
    }
}

const FFMovie& CFFImporter::MovieOrThrow(int movieId) const
{
    RequireOpen();
    const FFMovie* movie = movieId == -2 ? m_file->MovieAt(0) : m_file->MovieById(movieId);
    if (!movie)
        QB_THROW(QB_ERR_UNEXPECTED, "Can't find the movie in the file");
    return *movie;
}

Moorland::IAVSource* CFFImporter::MakeSource(int movieId, int videoStreamId, int audioStreamId,
                                             Moorland::MovieInfo** movieInfo)
{
    const FFMovie& movie = MovieOrThrow(movieId);
    if (videoStreamId == -2)
        videoStreamId = CFFMediaFile::FirstStreamId(movie, Moorland::StreamTypeVideo);
    if (audioStreamId == -2)
        audioStreamId = CFFMediaFile::FirstStreamId(movie, Moorland::StreamTypeAudio);
    if (movieInfo)
        *movieInfo = movie.info;
    if (m_still) {
        if (videoStreamId < 0 || CFFMediaFile::StreamIndexOf(movie, videoStreamId, Moorland::StreamTypeVideo) < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        return new CImageSource(m_picture, m_file, movie.info, videoStreamId, StillDurationMs(), kStillFrameMs);
    }
    return new CFFSource(m_file, movie, videoStreamId, audioStreamId, m_settings.decoder);
}

const Moorland::ImporterInfo* CFFImporter::GetInfo()
{
    return Info(m_still);
}

void* CFFImporter::GetInterface(const char* name)
{
    if (!name)
        return nullptr;
    if (strcmp(name, "IMovieInfoExt") == 0)
        return static_cast<Moorland::IMovieInfoExt*>(this);
    if (strcmp(name, "IAVSourceSetProperty") == 0)
        return static_cast<Moorland::IAVSourceSetProperty*>(this);
    return nullptr;
}

bool CFFImporter::Open(const char* path)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        OpenFile(path);
        return true;
    });
}

const char* CFFImporter::GetFilePath()
{
    return m_file ? m_file->Path().c_str() : nullptr;
}

uint32_t CFFImporter::GetMovieCount()
{
    return m_file ? m_file->MovieCount() : 0;
}

Moorland::MovieInfo* CFFImporter::GetMovieInfoAt(uint32_t index)
{
    const FFMovie* movie = m_file ? m_file->MovieAt(index) : nullptr;
    return movie ? movie->info : nullptr;
}

Moorland::IAVCompressedSource* CFFImporter::CreatePacketSource(int movieId, int count, const int* streamIds)
{
    return QB_GUARDED(static_cast<Moorland::IAVCompressedSource*>(nullptr), {
        if (m_still)
            QB_THROW(QB_ERR_MEDIA, "A still picture has no packets to copy");
        const FFMovie& movie = MovieOrThrow(movieId);
        return static_cast<Moorland::IAVCompressedSource*>(new CFFPacketSource(m_file, movie, count, streamIds));
    });
}

Moorland::IAVSource* CFFImporter::CreateSource(int movieId, int videoStreamId, int audioStreamId)
{
    return QB_GUARDED(static_cast<Moorland::IAVSource*>(nullptr), {
        Moorland::IAVSource* source = MakeSource(movieId, videoStreamId, audioStreamId, nullptr);
        if (m_writableFrames)
            if (auto* setter =
                    static_cast<Moorland::IAVSourceSetProperty*>(source->GetInterface("IAVSourceSetProperty")))
                setter->SetProperty(0, 1);
        return source;
    });
}

uint32_t CFFImporter::GetMovieDuration(int movieId)
{
    if (!m_file)
        return 0;
    const FFMovie* movie = m_file->MovieById(movieId);
    if (!movie)
        return 0;
    return CFFMediaFile::EndMs(*movie, [](const Moorland::StreamInfo&) { return true; });
}

bool CFFImporter::SetOption(const char* name, const char* value)
{
    return QB_GUARDED(false, {
        if (!name)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        m_options[name] = value ? value : "";
        if (m_still && m_file && strcmp(name, "duration") == 0)
            PrepareStill();
        return true;
    });
}

void CFFImporter::Release()
{
    delete this;
}

Moorland::IAVSource2* CFFImporter::CreateMultiSource(int movieId, Moorland::SMItemInfo* items, int count)
{
    return QB_GUARDED(static_cast<Moorland::IAVSource2*>(nullptr), {
        if (m_still)
            QB_THROW(QB_ERR_MEDIA, "A still picture has no streams to export");
        if (!items || count <= 0)
            QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");
        const FFMovie& movie = MovieOrThrow(movieId);
        std::vector<MultiItem> wanted;
        for (int i = 0; i < count; ++i)
            wanted.push_back(MultiItem{items[i].nStreamID, static_cast<int>(items[i].eStreamType), items[i].bCompress});
        // Item indexes stay those of the worker's list, so a subtitle-only
        // read keeps every item and leaves the others unread.
        if (m_settings.subtitlesOnly) {
            for (MultiItem& item : wanted) {
                if (item.type != Moorland::StreamTypeSubtitle)
                    item.skip = true;
            }
        }
        return static_cast<Moorland::IAVSource2*>(new CFFMultiSource(m_file, movie, wanted, m_settings.decoder));
    });
}

const char* CFFImporter::GetValue(const char* key)
{
    if (!key || !m_file)
        return nullptr;
    std::string value;
    if (strcmp(key, "is_interlace") == 0)
        value = m_file->IsInterlaced() ? "1" : "0";
    else if (strcmp(key, "format") == 0)
        value = m_file->FormatName();
    else if (strcmp(key, "duration") == 0)
        value = std::to_string(m_file->DurationMs());
    else
        return nullptr;
    std::string& kept = m_values[key];
    kept = value;
    return kept.c_str();
}

bool CFFImporter::SetProperty(int property, int value)
{
    switch (property) {
    case 0: m_writableFrames = value != 0; return true;
    case 1: m_settings.decoder.multiThread = value != 0; return true;
    default: return false;
    }
}

int CFFImporter::GetProperty(int property)
{
    switch (property) {
    case 0: return m_writableFrames ? 1 : 0;
    case 1: return m_settings.decoder.multiThread ? 1 : 0;
    default: return -1;
    }
}

} // namespace Solvane
