#pragma once

// Source functions between a media source address and the media manager:
// find streams in a movie description, pick a movie of an importer, and open
// a playable source from an address in one call.

#include "IAVImporter.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "MoorlandMediaInfo.h"

namespace Moorland {

// The id of the first stream of `kind` in array order, -1 when there is none.
// Its position in the stream array goes to *index when index is not null.
int GetFirstStreamID(MovieInfo* movie, int* index, StreamType kind);

// The description of the first stream with this id, inside the movie's own
// array; null when there is none.
StreamInfo* GetStreamInfo(MovieInfo* movie, int id);

// The importer's description of the movie with this id (-1: the first one it
// has); null when there is none. Owned by the importer.
MovieInfo* GetMovieInfo(IAVImporter* importer, int id);

// Opens the source an address names. The importer is the given name's, else
// the one of the address's protocol, else the one the manager picks for the
// file. Address keys: "movieid", "vstreamid", "astreamid" (absent: the
// movie's first stream of that kind, -1 when it has none), "subtitle",
// "subtitleid", "angle" and "usemultithreaddecode" ("1": decode on several
// threads). The caller receives the importer through *importer and closes it
// (Release) after the source; the ids go to the other outs, which may be null.
// Every failure throws CBaseException, with the importer already closed.
IAVSource* CreateSourceFromURL(IAVManager* manager, const char* address, const char* importerName,
                               IAVImporter** importer, int* movieId, int* videoStreamId, int* audioStreamId);

} // namespace Moorland
