#include "CSimpleEditImporter.h"

#include "CBaseException.h"
#include "CSimpleEditSource.h"
#include "EditDescriptionSource.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Solvane {

const char* const CSimpleEditImporter::kName = Moorland::kSimpleEditImporterName;

CSimpleEditImporter::CSimpleEditImporter(Moorland::IAVManager* manager) : m_manager(manager) {}

CSimpleEditImporter::~CSimpleEditImporter()
{
    FreeMovie();
}

const Moorland::ImporterInfo* CSimpleEditImporter::Info()
{
    static const Moorland::ImporterInfo info{sizeof(Moorland::ImporterInfo), kName, "Edit descriptions (.seix)"};
    return &info;
}

void* CSimpleEditImporter::GetInterface(const char* name)
{
    if (name && strcmp(name, "ISimpleEditTimeLine") == 0)
        return static_cast<Moorland::ISimpleEditTimeLine*>(this);
    return nullptr;
}

bool CSimpleEditImporter::Open(const char* path)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        SeixDescription d = LoadSeix(path);
        m_desc = std::move(d);
        m_path = path;
        m_lastClip = static_cast<int>(m_desc.clips.size()) - 1;
        FreeMovie();
        return true;
    });
}

void CSimpleEditImporter::FreeMovie()
{
    FreeEditMovie(m_movie);
    m_movie = nullptr;
}

Moorland::MovieInfo* CSimpleEditImporter::GetMovieInfoAt(uint32_t index)
{
    return QB_GUARDED(static_cast<Moorland::MovieInfo*>(nullptr), {
        if (index != 0)
            return static_cast<Moorland::MovieInfo*>(nullptr);
        Moorland::MovieInfo* movie = NewEditMovie(ResolveEditOutput(m_manager, m_desc));
        FreeMovie();
        m_movie = movie;
        return m_movie;
    });
}

Moorland::IAVCompressedSource* CSimpleEditImporter::CreatePacketSource(int, int, const int*)
{
    return QB_GUARDED(static_cast<Moorland::IAVCompressedSource*>(nullptr), {
        QB_THROW(QB_ERR_MEDIA, "An edit description has no compressed packets");
        return static_cast<Moorland::IAVCompressedSource*>(nullptr);
    });
}

Moorland::IAVSource* CSimpleEditImporter::CreateSource(int movieId, int videoStreamId, int audioStreamId)
{
    return QB_GUARDED(static_cast<Moorland::IAVSource*>(nullptr), {
        if (movieId != 0 && movieId != -2)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad movie id");
        if (m_desc.clips.empty())
            QB_THROW(QB_ERR_MEDIA, "The edit description has no clips");
        return static_cast<Moorland::IAVSource*>(
            new CSimpleEditSource(m_manager, m_desc, videoStreamId != -1, audioStreamId != -1, this, m_callBack));
    });
}

uint32_t CSimpleEditImporter::GetMovieDuration(int)
{
    return GetDuration();
}

bool CSimpleEditImporter::SetOption(const char*, const char*)
{
    return false;
}

void CSimpleEditImporter::Release()
{
    delete this;
}

Moorland::IAVSource2* CSimpleEditImporter::CreateMultiSource(int, Moorland::SMItemInfo*, int)
{
    return QB_GUARDED(static_cast<Moorland::IAVSource2*>(nullptr), {
        QB_THROW(QB_ERR_MEDIA, "An edit description has no multi-stream source");
        return static_cast<Moorland::IAVSource2*>(nullptr);
    });
}

// ---- the description ---------------------------------------------------------------

SeixClip& CSimpleEditImporter::ClipAt(int index)
{
    const int count = static_cast<int>(m_desc.clips.size());
    if (index < 0)
        index = count - 1;
    if (index < 0 || index >= count)
        QB_THROW(QB_ERR_INDEX, "index error");
    return m_desc.clips[static_cast<size_t>(index)];
}

bool CSimpleEditImporter::SaveTimeLine(const char* path)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        SaveSeix(m_desc, path);
        return true;
    });
}

void CSimpleEditImporter::DisableStreamType(int type)
{
    if (type == 1)
        m_desc.streams = m_desc.WantsAudio() ? 2 : 3;
    else if (type == 2)
        m_desc.streams = m_desc.WantsVideo() ? 1 : 3;
}

bool CSimpleEditImporter::RemoveClip(int index)
{
    return QB_GUARDED(false, {
        ClipAt(index);
        const size_t at = index < 0 ? m_desc.clips.size() - 1 : static_cast<size_t>(index);
        m_desc.clips.erase(m_desc.clips.begin() + static_cast<std::ptrdiff_t>(at));
        m_lastClip = std::min(m_lastClip, static_cast<int>(m_desc.clips.size()) - 1);
        return true;
    });
}

bool CSimpleEditImporter::MoveClip(int from, int to)
{
    return QB_GUARDED(false, {
        const int count = static_cast<int>(m_desc.clips.size());
        if (from < 0 || from >= count || to < 0 || to >= count)
            QB_THROW(QB_ERR_INDEX, "index error");
        SeixClip clip = std::move(m_desc.clips[static_cast<size_t>(from)]);
        m_desc.clips.erase(m_desc.clips.begin() + from);
        m_desc.clips.insert(m_desc.clips.begin() + to, std::move(clip));
        return true;
    });
}

bool CSimpleEditImporter::GetClip(int index, Moorland::SimpleEditClipEntry* entry)
{
    return QB_GUARDED(false, {
        if (!entry)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        SeixClip& clip = ClipAt(index);
        *entry = Moorland::SimpleEditClipEntry{};
        // The texts stay the description's, valid until the clip changes.
        entry->sourceAddress = clip.source.c_str();
        entry->importerName = clip.importer.c_str();
        entry->trimStartMs = clip.trimStartMs;
        entry->trimEndMs = clip.trimEndMs;
        entry->leftMargin = clip.crop[0];
        entry->topMargin = clip.crop[1];
        entry->rightMargin = clip.crop[2];
        entry->bottomMargin = clip.crop[3];
        return true;
    });
}

bool CSimpleEditImporter::SetClipAudioSource(int index, const char* path, int movieId, int streamId)
{
    return QB_GUARDED(false, {
        if (!path || !*path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        SeixClip& clip = ClipAt(index);
        clip.audioPath = path;
        clip.audioMovieId = movieId;
        clip.audioStreamId = streamId;
        return true;
    });
}

bool CSimpleEditImporter::SetReplaceAudio(const char* path, int, int loop)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        SeixClip& clip = ClipAt(m_lastClip);
        clip.replacePath = path;
        clip.replaceLoop = loop ? 1 : 0;
        return true;
    });
}

uint32_t CSimpleEditImporter::GetDuration()
{
    return QB_GUARDED(0u, {
        const EditOutput out = ResolveEditOutput(m_manager, m_desc);
        return static_cast<uint32_t>(std::min<int64_t>(out.totalMs, UINT32_MAX));
    });
}

int CSimpleEditImporter::GetClipEffectCount(int index)
{
    return QB_GUARDED(-1, { return static_cast<int>(ClipAt(index).effects.size()); });
}

bool CSimpleEditImporter::InsertClip(int index, const Moorland::SimpleEditClipEntry* entry)
{
    return QB_GUARDED(false, {
        if (!entry || !entry->sourceAddress || !*entry->sourceAddress)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const int count = static_cast<int>(m_desc.clips.size());
        if (index > count)
            QB_THROW(QB_ERR_INDEX, "index error");
        if (count >= static_cast<int>(kSeixMaxClips))
            QB_THROW(QB_ERR_BAD_PARAM, "too many clips");
        SeixClip clip;
        clip.source = entry->sourceAddress;
        clip.importer = entry->importerName ? entry->importerName : "";
        clip.trimStartMs = std::max(entry->trimStartMs, 0);
        clip.trimEndMs = entry->trimEndMs > 0 ? entry->trimEndMs : -1;
        if (clip.trimEndMs != -1 && clip.trimEndMs <= clip.trimStartMs)
            QB_THROW(QB_ERR_BAD_PARAM, "The clip ends before it starts");
        clip.crop[0] = entry->leftMargin;
        clip.crop[1] = entry->topMargin;
        clip.crop[2] = entry->rightMargin;
        clip.crop[3] = entry->bottomMargin;
        for (uint32_t& c : clip.crop)
            c = std::min<uint32_t>(c, 16384);
        const int at = index < 0 ? count : index;
        m_desc.clips.insert(m_desc.clips.begin() + at, std::move(clip));
        m_lastClip = at;
        return true;
    });
}

bool CSimpleEditImporter::RemoveClipFilter(int index, void*, int filterIndex)
{
    return QB_GUARDED(false, {
        SeixClip& clip = ClipAt(index);
        if (filterIndex < 0 || filterIndex >= static_cast<int>(clip.effects.size()))
            QB_THROW(QB_ERR_INDEX, "index error");
        clip.effects.erase(clip.effects.begin() + filterIndex);
        return true;
    });
}

bool CSimpleEditImporter::SetClipTrim(int index, int32_t startMs, int32_t endMs)
{
    return QB_GUARDED(false, {
        SeixClip& clip = ClipAt(index);
        startMs = std::max(startMs, 0);
        endMs = endMs > 0 ? endMs : -1;
        if (endMs != -1 && endMs <= startMs)
            QB_THROW(QB_ERR_BAD_PARAM, "The clip ends before it starts");
        clip.trimStartMs = startMs;
        clip.trimEndMs = endMs;
        return true;
    });
}

bool CSimpleEditImporter::SetClipCrop(int index, uint32_t left, uint32_t top, uint32_t right, uint32_t bottom)
{
    return QB_GUARDED(false, {
        SeixClip& clip = ClipAt(index);
        const uint32_t crop[4] = {left, top, right, bottom};
        for (int i = 0; i < 4; ++i)
            clip.crop[i] = std::min<uint32_t>(crop[i], 16384);
        return true;
    });
}

int CSimpleEditImporter::GetClipIndexAt(uint32_t ms)
{
    return QB_GUARDED(-1, {
        const EditOutput out = ResolveEditOutput(m_manager, m_desc);
        for (size_t i = 0; i + 1 < out.clipStartMs.size(); ++i)
            if (ms < out.clipStartMs[i + 1])
                return static_cast<int>(i);
        return -1;
    });
}

void CSimpleEditImporter::ClearTimeLine()
{
    m_desc = SeixDescription();
    m_lastClip = -1;
}

bool CSimpleEditImporter::SetClipVolume(int index, double volume)
{
    return QB_GUARDED(false, {
        if (!std::isfinite(volume) || volume < 0.0 || volume > 64.0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        ClipAt(index).volume = volume;
        return true;
    });
}

bool CSimpleEditImporter::SetClipMute(int index, int mute)
{
    return QB_GUARDED(false, {
        ClipAt(index).mute = mute ? 1 : 0;
        return true;
    });
}

bool CSimpleEditImporter::SetClipInterlaced(int index, int interlaced)
{
    return QB_GUARDED(false, {
        ClipAt(index).interlaced = interlaced ? 1 : 0;
        return true;
    });
}

bool CSimpleEditImporter::SetClipSpeed(int index, double speed)
{
    return QB_GUARDED(false, {
        ClipAt(index);
        if (speed != 1.0)
            QB_THROW(QB_ERR_MEDIA, "Clip speeds other than 1 are not supported");
        return true;
    });
}

void* CSimpleEditImporter::GetClipHandle(int index)
{
    return QB_GUARDED(static_cast<void*>(nullptr), { return static_cast<void*>(&ClipAt(index)); });
}

bool CSimpleEditImporter::AddEffect(int index, int position, const char* name, const char** names, const char** values)
{
    return QB_GUARDED(false, {
        if (!name || !*name)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if ((names == nullptr) != (values == nullptr))
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        SeixClip& clip = ClipAt(index);
        if (clip.effects.size() >= kSeixMaxEffects)
            QB_THROW(QB_ERR_BAD_PARAM, "too many effects");
        SeixEffect effect;
        effect.name = name;
        for (size_t i = 0; names && names[i]; ++i) {
            if (!values[i])
                QB_THROW(QB_ERR_BAD_PARAM, "The parameter lists differ in length");
            if (i >= kSeixMaxParams)
                QB_THROW(QB_ERR_BAD_PARAM, "too many parameters");
            effect.params.emplace_back(names[i], values[i]);
        }
        const size_t at =
            position < 0 ? clip.effects.size() : std::min(static_cast<size_t>(position), clip.effects.size());
        clip.effects.insert(clip.effects.begin() + static_cast<std::ptrdiff_t>(at), std::move(effect));
        return true;
    });
}

bool CSimpleEditImporter::AddClipFilter(int index, void* clipHandle, const char* filter, const char** names,
                                        const char** values)
{
    // The handle names the same clip as the index; the index decides.
    (void)clipHandle;
    return AddEffect(index, -1, filter, names, values);
}

bool CSimpleEditImporter::AddClipEffect(int index, int position, const char* effect, const char** names,
                                        const char** values)
{
    return AddEffect(index, position, effect, names, values);
}

bool CSimpleEditImporter::NotSupported(const char* what)
{
    return QB_GUARDED(false, {
        QB_THROW(QB_ERR_MEDIA, std::string(what) + " are not supported in edit descriptions");
        return false;
    });
}

bool CSimpleEditImporter::AddTransition(int, const char*, uint32_t)
{
    return NotSupported("Transitions");
}
bool CSimpleEditImporter::RemoveTransition(int)
{
    return NotSupported("Transitions");
}
bool CSimpleEditImporter::AddSubtitle(const char*)
{
    return NotSupported("Subtitles");
}
bool CSimpleEditImporter::RemoveSubtitle()
{
    return NotSupported("Subtitles");
}
bool CSimpleEditImporter::AddBackgroundAudio(const char*, int)
{
    return NotSupported("Background sounds");
}
bool CSimpleEditImporter::RemoveBackgroundAudio()
{
    return NotSupported("Background sounds");
}
bool CSimpleEditImporter::SetBackgroundAudioVolume(double)
{
    return NotSupported("Background sounds");
}

bool CSimpleEditImporter::SetOutputSize(int width, int height)
{
    return QB_GUARDED(false, {
        if (width < 0 || height < 0 || width > 16384 || height > 16384 || (width == 0) != (height == 0))
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_desc.outWidth = width;
        m_desc.outHeight = height;
        return true;
    });
}

bool CSimpleEditImporter::SetOutputFrameRate(uint32_t num, uint32_t den)
{
    return QB_GUARDED(false, {
        if (num > 1000000 || den == 0 || den > 1000000)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_desc.frameRateNum = num;
        m_desc.frameRateDen = den;
        return true;
    });
}

bool CSimpleEditImporter::SetFrameRate(double frameRate)
{
    return QB_GUARDED(false, {
        if (!std::isfinite(frameRate) || frameRate < 0.0 || frameRate > 1000.0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        // NTSC rates come as 29.97 and the like: kept to a thousandth.
        m_desc.frameRateNum = static_cast<uint32_t>(std::lround(frameRate * 1000.0));
        m_desc.frameRateDen = 1000;
        if (m_desc.frameRateNum % 1000 == 0) {
            m_desc.frameRateNum /= 1000;
            m_desc.frameRateDen = 1;
        }
        return true;
    });
}

bool CSimpleEditImporter::SetOutputFormat(int index, const Moorland::SimpleEditOutputFormat* format)
{
    return QB_GUARDED(false, {
        if (!format)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (format->width < 0 || format->height < 0 || format->width > 16384 || format->height > 16384 ||
            format->sampleRate < 0 || format->sampleRate > 768000 || format->channels < 0 || format->channels > 64)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        ClipAt(index).format = *format;
        return true;
    });
}

bool CSimpleEditImporter::InsertSource(int index, const char* path, const char* importerName, int32_t trimStartMs,
                                       int32_t trimEndMs, int movieId, int)
{
    return QB_GUARDED(false, {
        if (!path || !*path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        Moorland::SimpleEditClipEntry entry{};
        entry.sourceAddress = path;
        entry.importerName = importerName ? importerName : "";
        entry.trimStartMs = trimStartMs;
        entry.trimEndMs = trimEndMs;
        if (!InsertClip(index, &entry))
            QuentaBased::ThrowLastError();
        ClipAt(m_lastClip).movieId = movieId;
        return true;
    });
}

bool CSimpleEditImporter::SetOutputStreams(int streams)
{
    return QB_GUARDED(false, {
        if (streams < 0 || streams > 2)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        m_desc.streams = streams;
        return true;
    });
}

} // namespace Solvane
