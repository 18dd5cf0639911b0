#pragma once

// The media manager of libSolvane.so: opens importers for media files,
// creates importers, exporters, processors, effects, trim managers and disc
// creators by name, and takes named options. Every creating operation returns
// null on failure with the reason in the calling thread's last-error record
// (GetQuentaException). Operations keep their slot order: callers rely on it.

#include "IAVExporter.h"
#include "IAVImporter.h"
#include "IAVSource.h"
#include "MoorlandMediaInfo.h"

#include <cstdint>

namespace QuentaBased {
class IMessageHandler;
}

namespace Moorland {

class IVideoProcessor;
class IAudioEffect;
class IAccurateTrimManager;
class IDiscCreator;

class IAVManager
{
public:
    virtual void Release() = 0; // 0
    // "FFImporter" (media files), "ImageImporter" (a still picture played as
    // video), "SimpleEditImporter" (edit descriptions).
    virtual IAVImporter* CreateImporterByName(const char* name) = 0; // 1
    // An importer that has opened the file at the UTF-8 path.
    virtual IAVImporter* CreateImporter(const char* path) = 0;       // 2
    virtual IAVExporter* CreateExporterByName(const char* name) = 0; // 3
    // Opens the source an address names ("movieid", "vstreamid", "astreamid";
    // an absent stream key means the movie's first stream of that kind, -1
    // none). The outs may be null; the movie description stays owned by the
    // source. The source becomes the manager's current source (GetProperty).
    virtual IAVSource* CreateSourceFromAddress(const char* address, const char* importerName, int* movieId,
                                               int* videoStreamId, int* audioStreamId,
                                               MovieInfo** movieInfo) = 0; // 4
    virtual IVideoProcessor* CreateVideoProcessor(const char* name) = 0;   // 5
    virtual IAudioEffect* CreateAudioEffect(const char* name) = 0;         // 6
    // "name=value" pairs separated by ';' (or new lines), each applied as SetOption.
    virtual bool ApplyConfigString(const char* config) = 0;            // 7
    virtual uint32_t GetImporterCount() = 0;                           // 8
    virtual const ImporterInfo* GetImporterInfoAt(uint32_t index) = 0; // 9
    virtual uint32_t GetExporterCount() = 0;                           // 10
    virtual const char* GetExporterNameAt(uint32_t index) = 0;         // 11
    // The value last set for an option, null when never set.
    virtual const char* GetOption(const char* name) = 0; // 12
    virtual const char* GetVersion() = 0;                // 13
    // Whether an importer of this manager can open the file.
    virtual bool CanImportFile(const char* path) = 0;                                                    // 14
    virtual void SetMessageHandler(QuentaBased::IMessageHandler* handler) = 0;                           // 15
    virtual IAVSource* CreateSourceFromFile(const char* path, int videoStreamId, int audioStreamId) = 0; // 16
    // Options: "FFmpegVersion", "SELECTED_DECODER" ("NO_SELECTED_DECODER",
    // "X264_DECODER", "INTEL_DECODER", "CUDA_DECODER"), "TiVoMediaAccessKey",
    // "UsePreReadSubtitle", "ReadSubtitleOnly".
    virtual void SetOption(const char* name, const char* value) = 0; // 17
    // A named text value of the current source ("MXFTimecode", "MXFOrigFramerate",
    // "drmErrorCode"). With a null buffer only *length is set (the text's
    // length without its terminator); otherwise at most *length + 1 bytes are
    // written, terminator included. False when the source has no such value.
    virtual bool GetProperty(const char* name, char* buffer, int* length) = 0;     // 18
    virtual IAccurateTrimManager* CreateAccurateTrimManager(const char* path) = 0; // 19
    virtual IDiscCreator* CreateDiscCreator(const char* name) = 0;                 // 20
    // Whether the encoder a profile's video codec name chooses keeps
    // statistics in a first pass for a second to read: 1 it does, 0 it
    // encodes alike in every pass (a second pass would only repeat the
    // first), -1 not known (no such encoder, or a manager that can't say).
    virtual int EncoderKeepsPassStatistics(const char*) { return -1; } // 21

protected:
    virtual ~IAVManager() = default;
};

} // namespace Moorland

extern "C" {
// Exported by name: the program folder (UTF-8, with or without a trailing
// '/') and an optional message handler. Null with the reason recorded.
__attribute__((visibility("default"))) Moorland::IAVManager* CreateAVManager(const char* folder,
                                                                             QuentaBased::IMessageHandler* handler);
}
