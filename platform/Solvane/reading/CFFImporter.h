#pragma once

// The importers of the media manager on libavformat: "FFImporter" lists the
// movies of a media file (one per file, or one per program of a transport
// stream) and makes decoding and packet sources; "ImageImporter" plays a
// still picture as a video stream of a given duration.

#include "CFFVideoFrame.h"
#include "CFFMediaFile.h"
#include "CFFSource.h"
#include "IAVImporter.h"

#include <map>
#include <memory>
#include <string>

namespace Solvane {

struct ImporterSettings
{
    DecoderChoice decoder;
    std::string tivoKey;        // the manager's "TiVoMediaAccessKey"
    bool subtitlesOnly = false; // the manager's "ReadSubtitleOnly": multi-stream sources read subtitles only
    bool keepProbe = false;     // the file is opened for one source made at once (CFFMediaFile::Open)
};

class CFFImporter final : public Moorland::IAVImporter,
                          public Moorland::IMovieInfoExt,
                          public Moorland::IAVSourceSetProperty
{
public:
    static const char* const kName;      // "FFImporter"
    static const char* const kImageName; // "ImageImporter"
    static const Moorland::ImporterInfo* Info(bool still);

    CFFImporter(bool still, const ImporterSettings& settings);
    ~CFFImporter();
    CFFImporter(const CFFImporter&) = delete;
    CFFImporter& operator=(const CFFImporter&) = delete;

    // Throwing forms used by the manager.
    void OpenFile(const std::string& path);
    void AdoptFile(std::shared_ptr<CFFMediaFile> file);
    const FFMovie& MovieOrThrow(int movieId) const;
    // Stream ids: -1 none, -2 the movie's first stream of that kind.
    Moorland::IAVSource* MakeSource(int movieId, int videoStreamId, int audioStreamId, Moorland::MovieInfo** movieInfo);
    std::shared_ptr<CFFMediaFile> File() const { return m_file; }
    bool IsStill() const { return m_still; }

    const Moorland::ImporterInfo* GetInfo() override;
    void* GetInterface(const char* name) override;
    bool Open(const char* path) override;
    const char* GetFilePath() override;
    uint32_t GetMovieCount() override;
    Moorland::MovieInfo* GetMovieInfoAt(uint32_t index) override;
    Moorland::IAVCompressedSource* CreatePacketSource(int movieId, int count, const int* streamIds) override;
    Moorland::IAVSource* CreateSource(int movieId, int videoStreamId, int audioStreamId) override;
    uint32_t GetMovieDuration(int movieId) override;
    bool SetOption(const char* name, const char* value) override;
    void Release() override;
    Moorland::IAVSource2* CreateMultiSource(int movieId, Moorland::SMItemInfo* items, int count) override;

    const char* GetValue(const char* key) override;

    bool SetProperty(int property, int value) override;
    int GetProperty(int property) override;

private:
    void RequireOpen() const;
    void PrepareStill();
    uint32_t StillDurationMs() const;

    bool m_still;
    ImporterSettings m_settings;
    bool m_writableFrames = false;
    std::shared_ptr<CFFMediaFile> m_file;
    std::shared_ptr<CFFVideoFrame> m_picture;
    std::map<std::string, std::string> m_options;
    std::map<std::string, std::string> m_values; // answers of GetValue, kept for their pointers
};

} // namespace Solvane
