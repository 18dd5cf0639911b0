#pragma once

// "SimpleHTMLTextImporter": text markup rendered into pictures
// (CSimpleHTMLRender.h). Sources of the importer (CreateSource with any
// arguments) answer "ISimpleHTMLRender"; each ReadFrames hands out the
// rendered markup as its video frame (the same picture again until the
// markup changes), Seek always succeeds.

#include "IAVImporter.h"
#include "IAVSource.h"

#include <cstdint>

namespace Solvane {

class CSimpleHTMLTextImporter final : public Moorland::IAVImporter
{
public:
    static const char* const kName;
    const Moorland::ImporterInfo* GetInfo() override;
    void* GetInterface(const char*) override { return nullptr; }
    bool Open(const char*) override { return true; }
    const char* GetFilePath() override { return ""; }
    uint32_t GetMovieCount() override { return 1; }
    Moorland::MovieInfo* GetMovieInfoAt(uint32_t) override { return nullptr; }
    Moorland::IAVCompressedSource* CreatePacketSource(int, int, const int*) override { return nullptr; }
    Moorland::IAVSource* CreateSource(int movieId, int videoStreamId, int audioStreamId) override;
    uint32_t GetMovieDuration(int) override { return 0; }
    bool SetOption(const char*, const char*) override { return false; }
    void Release() override { delete this; }
    Moorland::IAVSource2* CreateMultiSource(int, Moorland::SMItemInfo*, int) override { return nullptr; }
};

} // namespace Solvane
