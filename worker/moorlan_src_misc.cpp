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
                               IAVImporter** importer, int* movieId, int* videoStreamId, int* audioStreamId)
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
    Released<IAVImporter> held(byName ? manager->CreateImporterByName(name.c_str())
                                      : manager->CreateImporter(path.c_str()));
    if (!held.get())
        Fail(QB_ERR_UNEXPECTED, "Can't create importer for the file", __LINE__);

    if (url.GetParam("usemultithreaddecode") == "1") {
        auto* setter = static_cast<IAVSourceSetProperty*>(held.get()->GetInterface("IAVSourceSetProperty"));
        if (setter)
            setter->SetProperty(1, 1);
    }

    if (byName && !held.get()->Open(path.c_str()))
        Fail(QB_ERR_UNEXPECTED, "Importer can't deal with this file", __LINE__);

    if (held.get()->GetMovieCount() == 0)
        Fail(QB_ERR_UNEXPECTED, "No movie found in the file", __LINE__);

    MovieInfo* movie = nullptr;
    const int wantedMovie = url.GetMovieID();
    if (wantedMovie == -2) {
        movie = held.get()->GetMovieInfoAt(0);
    } else {
        const uint32_t count = held.get()->GetMovieCount();
        for (uint32_t i = 0; i < count && !movie; ++i) {
            MovieInfo* candidate = held.get()->GetMovieInfoAt(i);
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

    Released<IAVSource> source(CheckedCall([&] { return held->CreateSource(movieID, videoID, audioID); },
                                           "Can't create source for the movie", __LINE__, kSourceName));

    if (auto* dvd = static_cast<IDVDControl*>(source.get()->GetInterface("IDVDControl"))) {
        CheckedCall([&] { return dvd->SetAngle(angle); }, "Can't choose the disc's angle", __LINE__, kSourceName);
        CheckedCall([&] { return dvd->SetSubtitleIndex(subtitleIndex); }, "Can't choose the disc's subtitles", __LINE__,
                    kSourceName);
    }
    if (subtitleID != -1) {
        if (auto* tracks = static_cast<IChangeTrack*>(source.get()->GetInterface("IChangeTrack"))) {
            CheckedCall([&] { return tracks->SelectSubtitleTrack(subtitleID); }, "Can't choose the subtitle track",
                        __LINE__, kSourceName);
        }
    }

    if (movieId)
        *movieId = movieID;
    if (videoStreamId)
        *videoStreamId = videoID;
    if (audioStreamId)
        *audioStreamId = audioID;
    *importer = held.release();
    return source.release();
}

} // namespace Moorland
