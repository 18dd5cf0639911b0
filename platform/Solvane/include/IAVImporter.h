#pragma once

// A media importer of the media manager: opens one file (or one edit
// description), lists its movies and hands out sources for a chosen movie
// and streams. Further interfaces are answered by name through GetInterface:
// "IMovieInfoExt", "IAVSourceSetProperty" and, for the simple-edit importer,
// "ISimpleEditTimeLine". Operations keep their slot order: callers rely on it.

#include "MoorlandMediaInfo.h"

#include <cstdint>

namespace Moorland {

class IAVSource;
class IAVSource2;
class IAVCompressedSource;
struct SMItemInfo;

struct ImporterInfo
{
    uint32_t size;    // sizeof(ImporterInfo)
    const char* name; // the name CreateImporterByName knows it by, e.g. "FFImporter"
    const char* description;
};

class IAVImporter
{
public:
    virtual const ImporterInfo* GetInfo() = 0;        // 0
    virtual void* GetInterface(const char* name) = 0; // 1
    // Opens the file at the UTF-8 path; false with the reason recorded.
    virtual bool Open(const char* path) = 0; // 2
    virtual const char* GetFilePath() = 0;   // 3
    virtual uint32_t GetMovieCount() = 0;    // 4
    // Owned by the importer, valid until it is released; null past the count.
    virtual MovieInfo* GetMovieInfoAt(uint32_t index) = 0; // 5
    // Compressed packets of up to two streams of a movie (video first).
    virtual IAVCompressedSource* CreatePacketSource(int movieId, int count, const int* streamIds) = 0; // 6
    // Decoded frames of a movie; -1 for a stream kind that is not wanted.
    virtual IAVSource* CreateSource(int movieId, int videoStreamId, int audioStreamId) = 0; // 7
    // Milliseconds of the movie, 0 when unknown.
    virtual uint32_t GetMovieDuration(int movieId) = 0;              // 8
    virtual bool SetOption(const char* name, const char* value) = 0; // 9
    // Closes the file and frees the importer with everything it owns.
    virtual void Release() = 0;                                                           // 10
    virtual IAVSource2* CreateMultiSource(int movieId, SMItemInfo* items, int count) = 0; // 11

protected:
    virtual ~IAVImporter() = default;
};

// "IMovieInfoExt": further facts about the opened file by key.
// Keys: "is_interlace" (decimal, non-zero for interlaced material).
class IMovieInfoExt
{
public:
    // The value text, owned by the importer, or null when the key is unknown.
    virtual const char* GetValue(const char* key) = 0; // 0

protected:
    virtual ~IMovieInfoExt() = default;
};

// "IAVSourceSetProperty": numbered switches for the sources made afterwards
// (answered by importers) or for the source itself (answered by sources).
// Property 1: decode with several threads (on unless set to 0). Property 0:
// the reader changes frames in place (effects), so every frame handed out is
// its own copy of the pixels and answers CanBeModified. Property 2 (sources
// only): pictures no other picture is decoded from are left undecoded, so a
// player that fell behind catches up; the pictures read keep their own
// times, with gaps where pictures were left out. Until set to 0 or the next
// seek (a seek lands on the picture asked for). Property 3 (sources only):
// pictures of a layout the frames have no number for (4:4:4 at 10 bits, say)
// come as planar 4:2:0, for a reader that works in 4:2:0 and would else
// convert them a second time.
class IAVSourceSetProperty
{
public:
    virtual bool SetProperty(int property, int value) = 0; // 0
    virtual int GetProperty(int property) = 0;             // 1

protected:
    virtual ~IAVSourceSetProperty() = default;
};

} // namespace Moorland
