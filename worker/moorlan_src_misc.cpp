#include "moorlan_src_misc.h"

#include "CBaseException.h"
#include "CheckedCalls.h"
#include "IQuentaException.h"
#include "Basilvo/Basilvo.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <string>

namespace Moorland {

namespace {

// The source name under which the failures of this group are recorded.
const char* const kSourceName = "moorlan_src_misc";

[[noreturn]] void Fail(int code, const char* message, int line)
{
    throw CBaseException(code, message, line, kSourceName);
}

// A media call's false: the recorded reason when there is one, else ours.
void Check(bool ok, const char* message, int line)
{
    if (!ok)
        ThrowRecordedOr(message, line, kSourceName);
}

// Closes an importer (or releases a source) on every way out unless the
// caller takes it over.
template <typename T>
class CHeld
{
public:
    explicit CHeld(T* object) : m_object(object) {}
    ~CHeld()
    {
        if (m_object)
            m_object->Release();
    }
    CHeld(const CHeld&) = delete;
    CHeld& operator=(const CHeld&) = delete;

    T* Get() const { return m_object; }
    T* Take()
    {
        T* object = m_object;
        m_object = nullptr;
        return object;
    }

private:
    T* m_object;
};

bool HasStreams(const MovieInfo* movie)
{
    return movie && movie->streamCount != 0 && movie->streams;
}

} // namespace

int GetFirstStreamID(MovieInfo* movie, int* index, StreamType kind)
{
    if (!HasStreams(movie))
        return -1;
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        if (movie->streams[i].type == kind) {
            if (index)
                *index = static_cast<int>(i);
            return movie->streams[i].id;
        }
    }
    return -1;
}

StreamInfo* GetStreamInfo(MovieInfo* movie, int id)
{
    if (!HasStreams(movie))
        return nullptr;
    for (uint32_t i = 0; i < movie->streamCount; ++i) {
        if (movie->streams[i].id == id)
            return &movie->streams[i];
    }
    return nullptr;
}

MovieInfo* GetMovieInfo(IAVImporter* importer, int id)
{
    if (!importer)
        return nullptr;
    const uint32_t count = importer->GetMovieCount();
    for (uint32_t i = 0; i < count; ++i) {
        MovieInfo* movie = importer->GetMovieInfoAt(i);
        if (!movie)
            continue;
        if (id == -1 || movie->id == id)
            return movie;
    }
    return nullptr;
}

IAVSource* CreateSourceFromURL(IAVManager* manager, const char* address, const char* importerName,
                               IAVImporter** importer, int* movieId, int* videoStreamId,
                               int* audioStreamId)
{
    // Without a place for the importer nobody could close it after the source.
    if (!manager || !importer)
        Fail(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__);

    const CSourceURL url(address ? address : "");
    const std::string path = url.GetFilePath();
    std::string name = importerName ? importerName : "";
    if (name.empty())
        name = url.GetProtocol();

    const bool byName = !name.empty();
    // Held from the start: closing it is right on every failure below.
    CHeld<IAVImporter> held(byName ? manager->CreateImporterByName(name.c_str())
                                   : manager->CreateImporter(path.c_str()));
    if (!held.Get())
        Fail(QB_ERR_UNEXPECTED, "Can't create importer for the file", __LINE__);

    if (url.GetParam("usemultithreaddecode") == "1") {
        auto* setter = static_cast<IAVSourceSetProperty*>(held.Get()->GetInterface("IAVSourceSetProperty"));
        if (setter)
            setter->SetProperty(1, 1);
    }

    if (byName && !held.Get()->Open(path.c_str()))
        Fail(QB_ERR_UNEXPECTED, "Importer can't deal with this file", __LINE__);

    if (held.Get()->GetMovieCount() == 0)
        Fail(QB_ERR_UNEXPECTED, "No movie found in the file", __LINE__);

    MovieInfo* movie = nullptr;
    const int wantedMovie = url.GetMovieID();
    if (wantedMovie == -2) {
        movie = held.Get()->GetMovieInfoAt(0);
    } else {
        const uint32_t count = held.Get()->GetMovieCount();
        for (uint32_t i = 0; i < count && !movie; ++i) {
            MovieInfo* candidate = held.Get()->GetMovieInfoAt(i);
            if (candidate && candidate->id == wantedMovie)
                movie = candidate;
        }
    }
    if (!movie)
        Fail(QB_ERR_UNEXPECTED, "Can't find the movie in the file", __LINE__);
    const int movieID = movie->id;

    int videoID = url.GetVideoStreamID();
    if (videoID == -2)
        videoID = GetFirstStreamID(movie, nullptr, StreamTypeVideo);
    int audioID = url.GetAudioStreamID();
    if (audioID == -2)
        audioID = GetFirstStreamID(movie, nullptr, StreamTypeAudio);
    int subtitleIndex = url.GetSubtitleIndex();
    if (subtitleIndex == -2)
        subtitleIndex = -1;
    int subtitleID = url.GetSubtitleID();
    if (subtitleID == -2)
        subtitleID = -1;
    int angle = url.GetAngle();
    if (angle == -2)
        angle = 1;

    CHeld<IAVSource> source(held.Get()->CreateSource(movieID, videoID, audioID));
    if (!source.Get()) {
        IQuentaException* last = GetQuentaException();
        if (last->GetExceptionCode() != 0)
            throw CBaseException(last);
        Fail(QB_ERR_UNEXPECTED, "Can't create source for the movie", __LINE__);
    }

    if (auto* dvd = static_cast<IDVDControl*>(source.Get()->GetInterface("IDVDControl"))) {
        GetQuentaException()->Clear();
        Check(dvd->SetAngle(angle), "Can't choose the disc's angle", __LINE__);
        Check(dvd->SetSubtitleIndex(subtitleIndex), "Can't choose the disc's subtitles", __LINE__);
    }
    if (subtitleID != -1) {
        if (auto* tracks = static_cast<IChangeTrack*>(source.Get()->GetInterface("IChangeTrack"))) {
            GetQuentaException()->Clear();
            Check(tracks->SelectSubtitleTrack(subtitleID), "Can't choose the subtitle track", __LINE__);
        }
    }

    if (movieId)
        *movieId = movieID;
    if (videoStreamId)
        *videoStreamId = videoID;
    if (audioStreamId)
        *audioStreamId = audioID;
    *importer = held.Take();
    return source.Take();
}

} // namespace Moorland
