#include "CQTEncodingMuxer.h"

#include "CBaseException.h"
#include "CQTExporter.h"
#include "IProfile.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"
#include "orlendar/IOrlendar.h"

#include <algorithm>
#include <cmath>

namespace Solvane {

CQTEncodingMuxer::~CQTEncodingMuxer()
{
    Abandon();
}

void CQTEncodingMuxer::Abandon()
{
    m_last.reset();
    m_held.reset();
    delete m_writer;
    m_writer = nullptr;
}

IOrlendar& CQTEncodingMuxer::Writer() const
{
    if (!m_writer)
        QB_THROW(QB_ERR_UNEXPECTED, "The QuickTime movie is not being written: BeginWriting failed or was not called");
    return *m_writer;
}

bool CQTEncodingMuxer::SetEncodingPass(int passCount)
{
    return QB_GUARDED(false, {
        // Every pass writes the whole movie again; the codecs have no first pass.
        if (passCount < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        return true;
    });
}

void CQTEncodingMuxer::SetEncodingThreads(int threads)
{
    m_threads = threads > 0 ? unsigned(threads) : 0u;
}

bool CQTEncodingMuxer::BeginWriting()
{
    return QB_GUARDED(false, {
        m_owner.RequireOpen();
        Abandon();
        const CQTPlugin& plugin = m_owner.Plugin();
        IProfile* profile = m_owner.Profile();
        const Moorland::AVInclude include = QTStreamsOf(profile);
        m_path = m_owner.Path();
        m_writer = plugin.Create();
        IOrlendar& w = *m_writer;
        w.SetProfile(profile);
        if (include != Moorland::AVInclude::AudioOnly && !w.SetCodecByName())
            plugin.ThrowError("The QuickTime plug-in refused the profile's FourCC");
        w.SetFrameRate();
        w.SetFileName(m_path.c_str());
        w.SetCodecQuality();
        w.SetVideoDimension();
        w.SetAudioCodec();
        w.SetSampleRate();
        w.SetAudioChannel();
        if (m_threads)
            w.SetEncodingThreads(m_threads);
        if (!w.BeginWriting() || plugin.HasError())
            plugin.ThrowError("The QuickTime plug-in could not start the movie " + m_path);
        IVideoProfile* vp = include != Moorland::AVInclude::AudioOnly ? profile->GetVideoProfile() : nullptr;
        m_frameRate = vp ? vp->GetFrameRate() : 0.0;
        m_pictures = 0;
        m_soundEndMs = -1;
        return true;
    });
}

bool CQTEncodingMuxer::WriteVideo(int streamId, Moorland::IRawVideoFrame* frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        Writer();
        // The frame this picture falls on; the pictures before it fill the
        // frames up to there (a slower source), and a picture whose frame
        // already has one is left out (a faster source).
        const int64_t ms = frame->GetTimeStamp();
        if (m_pictures == 0 && !m_held)
            m_firstMs = ms;
        int64_t slot = m_pictures;
        if (m_frameRate > 0.0)
            slot = std::llround(static_cast<double>(ms - m_firstMs) * m_frameRate / 1000.0);
        // A picture held for being far ahead goes where the next one tells:
        // at its own time after a pause in the source, else into the next
        // free frame (one stray time must not stretch the movie).
        if (m_held) {
            PicturePtr held = std::move(m_held);
            Emit(streamId, held.get(), slot > m_heldSlot ? m_heldSlot : m_pictures);
        }
        if (slot < m_pictures)
            return true;
        if (m_pictures > 0 && m_frameRate > 0.0 && slot - m_pictures > std::llround(m_frameRate)) {
            m_held.reset(Moorland::ShareOrClone(frame));
            m_heldSlot = slot;
            return true;
        }
        Emit(streamId, frame, slot);
        return true;
    });
}

void CQTEncodingMuxer::Emit(int streamId, Moorland::IRawVideoFrame* frame, int64_t slot)
{
    IOrlendar& w = Writer();
    while (m_pictures <= slot) {
        if (!w.WriteVideo(unsigned(std::max(streamId, 0)), frame))
            m_owner.Plugin().ThrowError("The QuickTime plug-in refused a picture");
        ++m_pictures;
    }
    m_videoStream = streamId;
    if (frame != m_last.get())
        m_last.reset(Moorland::ShareOrClone(frame));
}

bool CQTEncodingMuxer::WriteAudio(int streamId, Moorland::IRawAudioFrame* frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const int64_t t = frame->GetTimeStamp();
        if (t != INT64_MIN && frame->GetSampleRate() > 0)
            m_soundEndMs =
                std::max(m_soundEndMs, t / 10000 + int64_t(frame->GetSampleCount()) * 1000 / frame->GetSampleRate());
        if (!Writer().WriteAudio(unsigned(std::max(streamId, 0)), frame))
            m_owner.Plugin().ThrowError("The QuickTime plug-in refused the sound");
        return true;
    });
}

void CQTEncodingMuxer::GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms)
{
    QB_GUARDED_VOID({
        // The plug-in writes both places on every call, so it gets its own.
        uint64_t size = 0;
        uint32_t duration = 0;
        if (m_writer)
            m_writer->GetDataRateStats(unsigned(std::max(streamId, 0)), &size, &duration);
        if (bytes)
            *bytes = size;
        if (ms)
            *ms = duration;
    });
}

void CQTEncodingMuxer::EndWriting()
{
    QB_GUARDED_VOID({
        IOrlendar& w = Writer();
        const CQTPlugin& plugin = m_owner.Plugin();
        // The writer goes whatever happens, once its reason has been copied.
        struct Drop
        {
            CQTEncodingMuxer& muxer;
            ~Drop() { muxer.Abandon(); }
        } drop{*this};
        if (m_held) {
            PicturePtr held = std::move(m_held);
            Emit(m_videoStream, held.get(), m_heldSlot);
        }
        // Sound that outlasts the pictures is shown with the last one.
        if (m_last && m_frameRate > 0.0 && m_soundEndMs > m_firstMs) {
            const int64_t frames =
                static_cast<int64_t>(std::ceil(static_cast<double>(m_soundEndMs - m_firstMs) * m_frameRate / 1000.0));
            PicturePtr last = std::move(m_last);
            Emit(m_videoStream, last.get(), frames - 1);
        }
        if (!w.EndWriting() || plugin.HasError())
            plugin.ThrowError("The QuickTime plug-in could not finish the movie " + m_path);
    });
}

} // namespace Solvane
