#include "CFFEncodingMuxer.h"

#include "MoorlanTypes.h"
#include "CBaseException.h"
#include "CFFExporter.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

#include <exception>

namespace Solvane {

namespace {
// Sound frames waiting for their encoder: a few, so that a slow encoder
// holds up the reader rather than piling up memory.
const size_t kMaxQueuedSound = 16;
} // namespace

CFFEncodingMuxer::~CFFEncodingMuxer()
{
    Abandon();
}

bool CFFEncodingMuxer::SetEncodingPass(int passCount)
{
    return QB_GUARDED(false, {
        m_output.Passes().Set(m_writing, passCount);
        return true;
    });
}

void CFFEncodingMuxer::SetEncodingThreads(int threads)
{
    m_threads = threads > 0 ? threads : 0;
}

bool CFFEncodingMuxer::BeginWriting()
{
    return QB_GUARDED(false, {
        m_owner.RequireOpen();
        if (m_writing)
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is writing already");
        const ExportSettings& s = m_owner.Settings();
        m_failed = false;
        m_origin = m_givenOrigin;
        m_video.reset();
        m_audio.reset();
        m_owner.ForgetWritten();
        // Passes before the last only gather the video encoder's statistics.
        m_pass = m_output.BeginPass(m_owner.Path(), m_owner.Stream(), s);
        CFFOutputFile* out = m_output.File();
        if (m_pass == 1 && m_owner.VideoStreamId() < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "A first pass of two needs pictures to encode: an output without them is "
                                       "written in one pass");
        if (m_pass == 1) {
            m_video =
                CFFStreamEncoder::Video(s.video, nullptr, m_threads, 1, m_output.StatsFile(), m_output.StatsText());
        } else {
            if (m_owner.VideoStreamId() >= 0)
                m_video = CFFStreamEncoder::Video(s.video, out, m_threads, m_pass, m_output.StatsFile(),
                                                  m_output.StatsText());
            if (m_owner.AudioStreamId() >= 0)
                m_audio = CFFStreamEncoder::Audio(s.audio, out, m_threads);
            m_together = out->CarriesStreamsTogether();
            for (CFFStreamEncoder* e : {m_video.get(), m_audio.get()}) {
                if (e && (m_together || s.leadIn))
                    e->LeadIn();
            }
            out->Begin();
        }
        m_writing = true;
        return true;
    });
}

void CFFEncodingMuxer::Origin(int64_t t100ns)
{
    if (m_origin == INT64_MIN)
        m_origin = t100ns;
}

bool CFFEncodingMuxer::WriteVideo(int streamId, Moorland::IRawVideoFrame* frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_writing || m_failed)
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is not writing");
        if (streamId != m_owner.VideoStreamId() || !m_video)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        ThrowSoundFailure();
        Origin(static_cast<int64_t>(frame->GetTimeStamp()) * Moorland::kTicksPerMs);
        try {
            m_video->SendVideo(frame, m_origin, [this](AVPacket* p, AVRational tb) { WritePacket(p, tb); });
        } catch (...) {
            m_failed = true;
            throw;
        }
        return true;
    });
}

bool CFFEncodingMuxer::WriteAudio(int streamId, Moorland::IRawAudioFrame* frame)
{
    return QB_GUARDED(false, {
        if (!frame)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_writing || m_failed)
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is not writing");
        if (streamId != m_owner.AudioStreamId())
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        if (m_pass == 1)
            return true;
        if (!m_audio)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
        const int64_t t = frame->GetTimeStamp();
        if (t != INT64_MIN)
            Origin(t);
        try {
            QueueSound(frame, m_origin == INT64_MIN ? 0 : m_origin);
        } catch (...) {
            m_failed = true;
            throw;
        }
        return true;
    });
}

void CFFEncodingMuxer::WritePacket(AVPacket* packet, AVRational timeBase)
{
    std::lock_guard<std::mutex> lock(m_fileMutex);
    m_output.File()->Write(packet, timeBase);
}

void CFFEncodingMuxer::QueueSound(Moorland::IRawAudioFrame* frame, int64_t origin100ns)
{
    // The caller's frame is its source's until the next read.
    SoundPtr copy(frame->Clone());
    if (!copy)
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
    std::unique_lock<std::mutex> lock(m_soundMutex);
    if (!m_soundThread.joinable()) {
        m_soundEnding = false;
        m_soundFailure = nullptr;
        m_soundThread = std::thread([this] { SoundLoop(); });
    }
    m_soundChanged.wait(lock, [&] { return m_sounds.size() < kMaxQueuedSound || m_soundFailure; });
    if (m_soundFailure)
        std::rethrow_exception(m_soundFailure);
    m_sounds.push_back({std::move(copy), origin100ns});
    m_soundChanged.notify_all();
}

void CFFEncodingMuxer::SoundLoop()
{
    std::unique_lock<std::mutex> lock(m_soundMutex);
    for (;;) {
        m_soundChanged.wait(lock, [&] { return !m_sounds.empty() || m_soundEnding; });
        if (m_sounds.empty())
            return;
        QueuedSound next = std::move(m_sounds.front());
        m_sounds.pop_front();
        m_soundChanged.notify_all();
        lock.unlock();
        std::exception_ptr failure;
        try {
            m_audio->SendAudio(next.frame.get(), next.origin100ns,
                               [this](AVPacket* p, AVRational tb) { WritePacket(p, tb); });
        } catch (...) {
            failure = std::current_exception();
        }
        next.frame.reset();
        lock.lock();
        if (failure) {
            // The sound written so far stays; the rest is of no use.
            m_soundFailure = failure;
            m_sounds.clear();
            m_soundChanged.notify_all();
            return;
        }
        m_soundChanged.notify_all();
    }
}

void CFFEncodingMuxer::EndSound(bool discard)
{
    {
        std::lock_guard<std::mutex> lock(m_soundMutex);
        if (discard)
            m_sounds.clear();
        m_soundEnding = true;
        m_soundChanged.notify_all();
    }
    if (m_soundThread.joinable())
        m_soundThread.join();
    std::lock_guard<std::mutex> lock(m_soundMutex);
    m_soundEnding = false;
    if (m_soundFailure && !discard) {
        const std::exception_ptr failure = m_soundFailure;
        m_soundFailure = nullptr;
        std::rethrow_exception(failure);
    }
    m_soundFailure = nullptr;
}

void CFFEncodingMuxer::ThrowSoundFailure()
{
    std::lock_guard<std::mutex> lock(m_soundMutex);
    if (m_soundFailure) {
        m_failed = true;
        std::rethrow_exception(m_soundFailure);
    }
}

void CFFEncodingMuxer::GetDataRateStats(int streamId, uint64_t* bytes, uint32_t* ms)
{
    std::lock_guard<std::mutex> lock(m_fileMutex);
    // The video stream is the file's first, the sound the one after it.
    m_output.Stats(streamId, streamId == m_owner.VideoStreamId() ? m_video.get() : nullptr, bytes, ms);
}

void CFFEncodingMuxer::EndWriting()
{
    QB_GUARDED_VOID({
        if (!m_writing)
            return;
        m_writing = false;
        // The steps before the file's end: a failure of one gives the file
        // up, and its cause is told rather than the unfinished file.
        try {
            // A failure already told to the writer is not told again.
            EndSound(m_failed);
            const auto sink = [this](AVPacket* p, AVRational tb) { WritePacket(p, tb); };
            // A sound track the file holds for a source without sound (the
            // container wants one) is silence as long as the pictures.
            if (!m_failed && m_pass != 1 && m_video && m_audio && !m_audio->HasSound())
                m_audio->SendSilence(m_video->PicturesEnd100ns(), sink);
            // Sound that outlasts the pictures is shown with the last one;
            // pictures that outlast the sound go on in silence.
            if (!m_failed && m_pass != 1 && m_together && m_video && m_audio && m_audio->HasSound()) {
                m_video->HoldPictureTo(m_audio->SoundEnd100ns(), sink);
                m_audio->SendSilence(m_video->PicturesEnd100ns(), sink);
            }
        } catch (...) {
            const std::exception_ptr cause = std::current_exception();
            m_failed = true;
            try {
                EndOutput();
            } catch (...) {
            }
            std::rethrow_exception(cause);
        }
        EndOutput();
        // The video stream is the file's first, the sound the one after it.
        // What a DV file holds is not what was handed to its muxer: it
        // leaves out what it can't pair, and the file is read back instead.
        if (const CFFOutputFile* file = m_output.File(); file && !m_together) {
            for (int id : {m_owner.VideoStreamId(), m_owner.AudioStreamId()})
                m_owner.NoteWritten(id, *file, id);
        }
    });
}

void CFFEncodingMuxer::EndOutput()
{
    m_output.End({m_video.get(), m_audio.get()}, m_failed, m_owner.Path(), [this]() {
        m_video.reset();
        m_audio.reset();
    });
}

void CFFEncodingMuxer::Abandon()
{
    try {
        EndSound(true);
    } catch (...) {
    }
    m_writing = false;
    m_video.reset();
    m_audio.reset();
    m_output.Abandon();
}

} // namespace Solvane
