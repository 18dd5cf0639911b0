#pragma once

// The QuickTime exporter's encoding muxer: raw frames handed to the plug-in's
// movie writer, one movie per BeginWriting/EndWriting.

#include "IAVExporter.h"
#include "IRawVideoFrame.h"

#include <cstdint>
#include <memory>
#include <string>

class IOrlendar;

namespace Solvane {

class CQTExporter;

class CQTEncodingMuxer final : public Moorland::IEncodingMuxer
{
public:
    explicit CQTEncodingMuxer(CQTExporter& owner) : m_owner(owner) {}
    ~CQTEncodingMuxer() override;

    bool SetEncodingPass(int passCount) override;
    void SetEncodingThreads(int threads) override;
    bool BeginWriting() override;
    bool WriteVideo(int streamId, Moorland::IRawVideoFrame* frame) override;
    bool WriteAudio(int streamId, Moorland::IRawAudioFrame* frame) override;
    void GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms) override;
    void EndWriting() override;

    // Drops a movie still being written; it is never finished.
    void Abandon();

private:
    struct PictureFree
    {
        void operator()(Moorland::IRawVideoFrame* f) const { f->Free(); }
    };
    using PicturePtr = std::unique_ptr<Moorland::IRawVideoFrame, PictureFree>;

    IOrlendar& Writer() const;
    // Hands the picture to the plug-in for every frame up to `slot`.
    void Emit(int streamId, Moorland::IRawVideoFrame* frame, int64_t slot);

    CQTExporter& m_owner;
    IOrlendar* m_writer = nullptr; // the plug-in's; deleted through its interface
    std::string m_path;            // the writer keeps a pointer to this text
    unsigned m_threads = 0;
    // The movie's pictures sit on the profile's constant rate: a source
    // picture is repeated or left out so that the movie keeps its length.
    double m_frameRate = 0.0;
    int64_t m_firstMs = 0;
    int64_t m_pictures = 0; // pictures handed to the plug-in in this pass
    int m_videoStream = 0;
    // The last picture, shown on while the sound lasts longer.
    PicturePtr m_last;
    // A picture far ahead of the one before, until the next one tells
    // whether the source paused there or one time went astray.
    PicturePtr m_held;
    int64_t m_heldSlot = 0;
    // Where the sound handed over so far ends (ms, source time); -1 none.
    int64_t m_soundEndMs = -1;
};

} // namespace Solvane
