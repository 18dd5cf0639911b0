#pragma once

// The source of an edit description: plays its clips one after another as
// one movie. Pictures come out in planar 4:2:0 (pixel layout 0) at the
// description's output size and the first picture clip's pixel shape (each
// clip fitted inside it, keeping its displayed shape, on black), with each clip's crop, deinterlacing and frame
// processors applied; sound comes out as interleaved 16-bit samples at one rate and channel count, with each clip's
// volume, mute, other sound source or replacement applied. When the description has an output frame rate the pictures
// come at exactly that rate (repeated or dropped to fit); otherwise each keeps its own time. Time stamps run on from
// clip to clip: a clip's first picture follows the previous clip's last one and its sound starts at the exact sample
// where the previous clip's ended; a clip without sound gives silence of its length. The listener learns of every clip
// the source enters. A read gives the kinds it asks for; what playing made of the other kind is kept (a few pictures, a
// few seconds of sound) until a read asks for it, so readers that alternate kinds get every picture and every sample. A
// store past its bound hands out its oldest instead, and at the end whatever is kept comes out whichever kind is asked
// for.

#include "CEditAudioFrame.h"
#include "CEditVideoFrame.h"
#include "CThreadedScaler.h"
#include "EditOutput.h"
#include "FFScale.h"
#include "SeixDescription.h"
#include "IAVManager.h"
#include "IAVSource.h"
#include "IAVImporter.h"
#include "IImageDeinterlace.h"
#include "IAudioResampler.h"
#include "IVideoProcessor.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace Solvane {

class CSimpleEditSource final : public Moorland::IAVSource, public Moorland::IAVSourceSetProperty
{
public:
    CSimpleEditSource(Moorland::IAVManager* manager, const SeixDescription& description, bool wantVideo, bool wantAudio,
                      Moorland::ISimpleEditTimeLine* timeline, Moorland::IOnItemChangedCallBack* callBack);
    ~CSimpleEditSource();
    CSimpleEditSource(const CSimpleEditSource&) = delete;
    CSimpleEditSource& operator=(const CSimpleEditSource&) = delete;

    const EditOutput& Output() const { return m_out; }
    // The movie record, owned by the source.
    Moorland::MovieInfo* Movie();

    void* GetInterface(const char* name) override;
    bool Seek(uint32_t ms) override;
    uint32_t GetDuration() override;
    int GetVideoStreamID() override { return m_out.video ? kEditVideoStreamId : -1; }
    int GetAudioStreamID() override { return m_out.audio ? kEditAudioStreamId : -1; }
    uint32_t GetPosition() override { return m_position; }
    bool ReadFrames(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, void** other,
                    int mode) override;
    bool IsEndOfStream() override { return m_eos; }
    void Release() override;

    bool SetProperty(int property, int value) override;
    int GetProperty(int property) override;

private:
    struct SourceDeleter
    {
        void operator()(Moorland::IAVSource* s) const
        {
            if (s)
                s->Release();
        }
    };
    struct ProcessorDeleter
    {
        void operator()(Moorland::IVideoProcessor* p) const
        {
            if (p)
                p->Release();
        }
    };
    struct AudioEffectDeleter
    {
        void operator()(Moorland::IAudioEffect* e) const
        {
            if (e)
                e->Release();
        }
    };
    struct DeinterlaceDeleter
    {
        void operator()(Moorland::IImageDeinterlace* d) const
        {
            if (d)
                d->Release();
        }
    };
    struct ResamplerDeleter
    {
        void operator()(Moorland::IAudioResampler* r) const
        {
            if (r)
                r->Release();
        }
    };
    using SourcePtr = std::unique_ptr<Moorland::IAVSource, SourceDeleter>;
    struct PictureFree
    {
        void operator()(Moorland::IRawVideoFrame* f) const
        {
            if (f)
                f->Free();
        }
    };
    // A second reference to a picture's pixels (ISharedRawVideoFrame).
    using SharedPicture = std::unique_ptr<Moorland::IRawVideoFrame, PictureFree>;
    // A picture kept past the read that made it: a share of its pixels, or a
    // copy when they cannot be shared.
    struct KeptPicture
    {
        SharedPicture shared;
        std::unique_ptr<CEditVideoFrame> copy;
        Moorland::IRawVideoFrame* get() const { return shared ? shared.get() : copy.get(); }
    };

    bool Read(Moorland::IRawAudioFrame** audio, Moorland::IRawVideoFrame** video, int mode);
    // One step of playing: a picture (or none) and whether a block of sound
    // was finished in m_sound; false once the description is spent.
    bool Produce(Moorland::IRawVideoFrame*& picture, bool& haveSound);
    void KeepPicture(Moorland::IRawVideoFrame* picture);
    void KeepSound();
    void HandKeptPicture(Moorland::IRawVideoFrame** video);
    void HandKeptSound(Moorland::IRawAudioFrame** audio);
    void OpenClip();
    void CloseClip();
    SourcePtr OpenAddress(const std::string& address, const std::string& importer, bool video, bool audio);
    // Pulls one read from the clip's sources; false when they are spent.
    bool Pump(bool wantVideo, bool wantAudio, Moorland::IRawAudioFrame*& a, Moorland::IRawVideoFrame*& v);
    // The work picture fitted inside the output size at its displayed shape,
    // on black (the work picture itself when it fits already); `ownSar` is
    // the decoded picture's sample aspect, `w` x `h` its size before any turn.
    CEditVideoFrame* FittedToOutput(double ownSar, unsigned w, unsigned h);
    Moorland::IRawVideoFrame* TakeVideo(Moorland::IRawVideoFrame* v);
    // Records a picture handed out at `outTs` for `duration` ms.
    Moorland::IRawVideoFrame* Retimed(Moorland::IRawVideoFrame* picture, int64_t outTs, int64_t duration);
    void TakeAudio(Moorland::IRawAudioFrame* a);
    void AppendSilence(int64_t untilSample);
    // Throws when the clip's source, read to its end, stopped before the
    // length it stated when the description was opened (a file damaged or
    // cut short since): its end would else be held picture and silence.
    void CheckClipEnd() const;
    void AppendSamples(const int16_t* samples, int64_t count, int64_t atSample);
    void FinishAudioBlock();
    int64_t SampleAt(int64_t ms) const;

    Moorland::IAVManager* m_manager;
    SeixDescription m_desc;
    EditOutput m_out;
    Moorland::ISimpleEditTimeLine* m_timeline;
    Moorland::IOnItemChangedCallBack* m_callBack;
    // Clips decode on several threads only when the reader asks (property 1,
    // or "usemultithreaddecode=1" in the description's address), as files do.
    bool m_threads = false;

    // The clip being played.
    size_t m_clip = 0;
    bool m_open = false;
    int64_t m_startInClipMs = 0; // where playing starts inside the clip (after a seek)
    SourcePtr m_videoSource;
    SourcePtr m_audioSource; // may be the same as the video source (then null here)
    bool m_sharedSource = false;
    bool m_videoDone = true;
    bool m_audioDone = true;
    bool m_audioOwn = false; // the clip has sound of its own (else silence)
    bool m_firstAudio = true;
    int64_t m_audioCursor = 0; // time-line sample of the next converted sample
    std::vector<std::unique_ptr<Moorland::IVideoProcessor, ProcessorDeleter>> m_processors;
    std::unique_ptr<Moorland::IAudioEffect, AudioEffectDeleter> m_replace;
    std::unique_ptr<Moorland::IImageDeinterlace, DeinterlaceDeleter> m_deinterlacer;
    std::unique_ptr<Moorland::IAudioResampler, ResamplerDeleter> m_resampler;
    CThreadedScaler m_toPlanar;
    CThreadedScaler m_fitScaler;

    // What is handed out.
    std::unique_ptr<CEditVideoFrame> m_work;
    std::unique_ptr<CEditVideoFrame> m_picture;
    std::unique_ptr<CEditAudioFrame> m_sound;
    int64_t m_audioPos = 0;   // time-line sample of the next sample handed out
    int64_t m_soundFirst = 0; // time-line sample of m_sound's first sample
    bool m_spent = false;     // playing has reached the end of the description

    // Made for a kind the reader did not ask for, kept until it does.
    std::deque<KeptPicture> m_keptPictures;
    KeptPicture m_handedPicture;                           // a kept picture handed out, valid to the next read
    std::vector<std::unique_ptr<CEditVideoFrame>> m_spare; // pictures done with, to keep the next in
    std::vector<int16_t> m_keptSound;
    int64_t m_keptSoundFirst = 0; // time-line sample of its first sample
    uint32_t m_position = 0;
    bool m_eos = false;
    int m_lastVideoEndMs = 0;
    Moorland::MovieInfo* m_movie = nullptr;

    // With an output frame rate, pictures are placed on its slots: a
    // picture between two slots takes the nearest, an extra one is dropped
    // and a missing one is the previous picture again.
    bool m_cfr = false;
    double m_slotMs = 0;
    int64_t m_nextSlot = 0;
    int64_t m_repeat = 0;  // slots still to show the last picture in
    bool m_jumped = false; // the picture before was taken as a stray time
    Moorland::IRawVideoFrame* m_lastPicture = nullptr;
    // A clip's picture placed on the slots as it came, by a share of its
    // pixels: it may be shown again after the clip's source has moved on or
    // closed. m_placing is the one just made, m_placed the last one placed.
    SharedPicture m_placing;
    SharedPicture m_placed;
    bool m_clipHadPicture = false;
    // Where the open clip's pictures and sound got to (time-line ms).
    int64_t m_clipReachedMs = 0;
    int64_t SlotAt(double ms) const;
    Moorland::IRawVideoFrame* Place(Moorland::IRawVideoFrame* picture);
};

} // namespace Solvane
