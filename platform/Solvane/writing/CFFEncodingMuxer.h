#pragma once

// The exporter's encoding muxer: raw pictures and sound in, one video and one
// sound stream encoded into the exporter's output file, in one pass or two.

#include "CFFEncodingOutput.h"
#include "CFFStreamEncoder.h"
#include "IAVExporter.h"
#include "IRawAudioFrame.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace Solvane {

class CFFExporter;

class CFFEncodingMuxer final : public Moorland::IEncodingMuxer
{
public:
    explicit CFFEncodingMuxer(CFFExporter& owner) : m_owner(owner) {}
    ~CFFEncodingMuxer() override;

    bool SetEncodingPass(int passCount) override;
    void SetEncodingThreads(int threads) override;
    bool BeginWriting() override;
    bool WriteVideo(int streamId, Moorland::IRawVideoFrame* frame) override;
    bool WriteAudio(int streamId, Moorland::IRawAudioFrame* frame) override;
    void GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms) override;
    void EndWriting() override;
    void SetTimeOrigin(int64_t t100ns) override { m_givenOrigin = t100ns; }

    // Closes a file still being written, without its trailer.
    void Abandon();

private:
    struct SoundFree
    {
        void operator()(Moorland::IRawAudioFrame* f) const { f->Free(); }
    };
    using SoundPtr = std::unique_ptr<Moorland::IRawAudioFrame, SoundFree>;
    struct QueuedSound
    {
        SoundPtr frame;
        int64_t origin100ns;
    };

    void Origin(int64_t t100ns);
    // The file's packet writer, shared by the two encoders' threads.
    void WritePacket(AVPacket* packet, AVRational timeBase);
    // Sound is encoded on a thread of its own, beside the pictures' encoder.
    void QueueSound(Moorland::IRawAudioFrame* frame, int64_t origin100ns);
    void SoundLoop();
    // Waits until the queued sound is encoded and ends the thread; with
    // `discard` the sound still queued is dropped. Throws what failed there.
    void EndSound(bool discard);
    void ThrowSoundFailure();
    // Flushes the encoders (unless failed) and closes the file.
    void EndOutput();

    CFFExporter& m_owner;
    CFFEncodingOutput m_output;
    int m_threads = 0;
    bool m_failed = false;
    bool m_writing = false;
    int m_pass = 0;
    int64_t m_origin = INT64_MIN;
    int64_t m_givenOrigin = INT64_MIN;
    // The container carries pictures and sound together from its start to
    // its end (DV): late streams are led in, pictures held to the sound's end.
    bool m_together = false;
    std::unique_ptr<CFFStreamEncoder> m_video;
    std::unique_ptr<CFFStreamEncoder> m_audio;

    std::mutex m_fileMutex;  // the output file and its statistics
    std::mutex m_soundMutex; // the members below
    std::condition_variable m_soundChanged;
    std::deque<QueuedSound> m_sounds;
    bool m_soundEnding = false;
    std::exception_ptr m_soundFailure;
    std::thread m_soundThread;
};

} // namespace Solvane
