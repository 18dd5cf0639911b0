#include "CFFNoEncodingMuxer.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"
#include "CFFExporter.h"
#include "ICompressedFrame.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/display.h>
}

#include <utility>

namespace Solvane {

namespace {

const AVRational k100ns{1, static_cast<int>(Moorland::kTicksPerSecond)};

int64_t ToAVTime(int64_t t)
{
    return t == Moorland::COMPRESSED_NO_TIME ? AV_NOPTS_VALUE : t;
}

} // namespace

void CFFNoEncodingMuxer::SetStreamHeader(int outStream, const uint8_t* header, int size)
{
    if (!header || size <= 0)
        return;
    m_headers[outStream].assign(header, header + size);
}

void CFFNoEncodingMuxer::SetAudioFormat(int outStream, const Moorland::AudioFormatInfo* format)
{
    if (format)
        m_audio[outStream] = *format;
}

void CFFNoEncodingMuxer::SetStreamTurn(int outStream, int clockwiseDegrees)
{
    if (clockwiseDegrees == 90 || clockwiseDegrees == 180 || clockwiseDegrees == 270)
        m_turns[outStream] = clockwiseDegrees;
    else
        m_turns.erase(outStream);
}

bool CFFNoEncodingMuxer::BeginWriting()
{
    return QB_GUARDED(false, {
        m_owner.RequireOpen();
        if (m_out && m_out->Begun())
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is writing already");
        const ExportSettings& s = m_owner.Settings();
        m_out.reset(new CFFOutputFile(m_owner.Path(), m_owner.Stream(), s.format, s.extension));
        m_out->SetOptions(s.formatOptions);
        m_streamOf.clear();
        m_duration100ns.clear();
        m_order.Clear();
        m_owner.ForgetWritten();
        m_failed = false;
        m_packet = FF::MakePacket();
        auto extradata = [this](int id, AVCodecParameters* par) {
            auto h = m_headers.find(id);
            if (h != m_headers.end())
                SetCopiedHeader(par, h->second);
        };
        const int videoId = m_owner.VideoStreamId();
        if (videoId >= 0) {
            const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(s.video.codec.c_str());
            if (!d || d->type != AVMEDIA_TYPE_VIDEO)
                QB_THROW(QB_ERR_MEDIA, "Not supported video codec: \"" + s.video.codec + "\"");
            AVStream* st = m_out->AddStream();
            AVCodecParameters* par = st->codecpar;
            par->codec_type = AVMEDIA_TYPE_VIDEO;
            par->codec_id = d->id;
            par->width = s.video.width;
            par->height = s.video.height;
            auto turn = m_turns.find(videoId);
            // Only QuickTime's family of containers says how to turn a
            // picture: elsewhere the copy would show sideways.
            if (turn != m_turns.end() && !m_out->KeepsTurns())
                QB_THROW(QB_ERR_MEDIA, "The pictures are to be shown turned by " + std::to_string(turn->second) +
                                           "°, which a " + m_out->Context()->oformat->name +
                                           " file can't say: remux to MP4 or MOV, or convert the clip");
            if (turn != m_turns.end()) {
                // The packets stand as they were coded; players turn them
                // by the stream's display matrix.
                if (turn->second != 180)
                    std::swap(par->width, par->height);
                auto* matrix = reinterpret_cast<int32_t*>(
                    av_stream_new_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
                if (!matrix)
                    QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
                // FFmpeg sets the matrix that turns by the angle clockwise
                // (read back, the same matrix is a turn counterclockwise).
                av_display_rotation_set(matrix, turn->second);
            }
            extradata(videoId, par);
            m_streamOf[videoId] = st->index;
            m_duration100ns[st->index] = SetCopiedVideoTiming(st, s.video.frameRate);
        }
        const int audioId = m_owner.AudioStreamId();
        if (audioId >= 0) {
            auto f = m_audio.find(audioId);
            AVStream* st = m_out->AddStream();
            AVCodecParameters* par = st->codecpar;
            par->codec_type = AVMEDIA_TYPE_AUDIO;
            if (f != m_audio.end()) {
                SetCopiedAudioFormat(par, f->second);
            } else {
                const AVCodecDescriptor* d = avcodec_descriptor_get_by_name(s.audio.codec.c_str());
                if (!d || d->type != AVMEDIA_TYPE_AUDIO)
                    QB_THROW(QB_ERR_MEDIA, "Not supported audio codec: \"" + s.audio.codec + "\"");
                par->codec_id = d->id;
                par->sample_rate = s.audio.sampleRate;
                av_channel_layout_default(&par->ch_layout, s.audio.channels > 0 ? s.audio.channels : 2);
                par->bit_rate = s.audio.bitrate;
            }
            extradata(audioId, par);
            m_streamOf[audioId] = st->index;
            m_duration100ns[st->index] = SetCopiedAudioTiming(st);
        }
        if (m_streamOf.empty())
            QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");
        m_out->Begin();
        return true;
    });
}

bool CFFNoEncodingMuxer::WritePacket(int outStream, Moorland::ICompressedFrame* packet)
{
    return QB_GUARDED(false, {
        if (!packet)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_out || !m_out->Begun() || m_failed)
            QB_THROW(QB_ERR_UNEXPECTED, "The muxer is not writing");
        auto it = m_streamOf.find(outStream);
        if (it == m_streamOf.end())
            return true; // a stream the output does not carry
        AVPacket* p = m_packet.get();
        CopyCompressedFrame(p, packet);
        p->pts = ToAVTime(packet->GetPresentTimeStamp());
        p->dts = ToAVTime(packet->GetDecompressTimeStamp());
        const int64_t shows = packet->GetDuration();
        p->duration = shows > 0 ? shows : m_duration100ns[it->second];
        p->stream_index = it->second;
        try {
            m_order.Write(p, [this](AVPacket* q) { m_out->Write(q, k100ns); });
        } catch (...) {
            av_packet_unref(p);
            m_failed = true;
            throw;
        }
        av_packet_unref(p);
        return true;
    });
}

void CFFNoEncodingMuxer::EndWriting()
{
    QB_GUARDED_VOID({
        if (!m_out)
            return;
        if (!m_failed) {
            try {
                m_order.End([this](AVPacket* q) { m_out->Write(q, k100ns); });
            } catch (...) {
                m_failed = true;
                m_out->End(false);
                m_out.reset();
                throw;
            }
        }
        std::unique_ptr<CFFOutputFile> out = std::move(m_out);
        out->End(!m_failed);
        if (m_failed)
            QB_THROW(QB_ERR_MEDIA, "The output " + m_owner.Path() + " was left unfinished after a failed write");
        for (const auto& [id, index] : m_streamOf)
            m_owner.NoteWritten(id, *out, index);
    });
}

void CFFNoEncodingMuxer::Abandon()
{
    if (m_out) {
        try {
            m_out->End(false);
        } catch (...) {
        }
    }
    m_out.reset();
}

} // namespace Solvane
