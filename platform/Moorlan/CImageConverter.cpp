#include "CImageConverter.h"

#include "CBaseException.h"
#include "FFErrors.h"
#include "Moorlan.h"
#include "MoorlanPixelMap.h"
#include "sysplatform.h"

#include <algorithm>
#include <mutex>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace Moorland {

namespace {

void NoFree(void*, uint8_t*) {}

// Callers such as the player make a converter for every picture they show.
// Setting up a scaler (filters, thread pool) and a destination picture costs
// several times the conversion itself, so a released converter leaves both
// here for the next converter of the same shape.
struct ParkedScaler
{
    int key[7];
    FF::SwsPtr sws;
    FF::FramePtr dst;
};

class ScalerParking
{
public:
    void Park(const int* key, FF::SwsPtr sws, FF::FramePtr dst)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_parked.size() == kMaxParked)
            m_parked.erase(m_parked.begin());
        ParkedScaler p;
        std::copy(key, key + 7, p.key);
        p.sws = std::move(sws);
        p.dst = std::move(dst);
        m_parked.push_back(std::move(p));
    }

    // The scaler and destination picture parked under `key`, or false.
    bool Take(const int* key, FF::SwsPtr& sws, FF::FramePtr& dst)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_parked.rbegin(); it != m_parked.rend(); ++it) {
            if (std::equal(key, key + 7, it->key)) {
                sws = std::move(it->sws);
                dst = std::move(it->dst);
                m_parked.erase(std::next(it).base());
                return true;
            }
        }
        return false;
    }

private:
    static const size_t kMaxParked = 4;
    std::mutex m_mutex;
    std::vector<ParkedScaler> m_parked;
};

ScalerParking& Parking()
{
    static ScalerParking parking;
    return parking;
}

// Pictures are converted while a decoder keeps most processors busy with
// the next ones (the player reads ahead on its own thread): a quarter of the
// processors finish a picture well within a frame's time, and more slices
// only take processors from the decoder.
int SliceThreads()
{
    return std::max(1, QuentaBased::get_cpu_count() / 4);
}

} // namespace

CImageConverter::CImageConverter(unsigned dstPixelFormat, unsigned width, unsigned height, int flag)
    : m_dstFormat(dstPixelFormat), m_dstAV(ToAVPixelFormat(dstPixelFormat)), m_width(width), m_height(height),
      m_flag(flag)
{
    if (m_dstAV == AV_PIX_FMT_NONE || m_dstAV == AV_PIX_FMT_PAL8 || sws_isSupportedOutput(m_dstAV) <= 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad pixel format");
    if (width > 16384 || height > 16384 || (width == 0) != (height == 0))
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
}

CImageConverter::~CImageConverter()
{
    if (m_sws && m_dst && m_dst->buf[0] && m_dst->width == m_swsKey[3] && m_dst->height == m_swsKey[4]) {
        const int key[7] = {m_swsKey[0], m_swsKey[1], m_swsKey[2], m_swsKey[3], m_swsKey[4], m_dstAV, m_flag};
        Parking().Park(key, std::move(m_sws), std::move(m_dst));
    }
}

unsigned CImageConverter::GetDestFormat(unsigned* width, unsigned* height)
{
    if (width)
        *width = m_width;
    if (height)
        *height = m_height;
    return m_dstFormat;
}

IRawVideoFrame* CImageConverter::Convert(IRawVideoFrame* frame)
{
    return QB_GUARDED(static_cast<IRawVideoFrame*>(nullptr), { return DoConvert(frame); });
}

void CImageConverter::Release()
{
    delete this;
}

void CImageConverter::PrepareContext(int dstWidth, int dstHeight)
{
    const int key[5] = {m_src->format, m_src->width, m_src->height, dstWidth, dstHeight};
    if (m_sws && std::equal(key, key + 5, m_swsKey))
        return;
    m_sws.reset();
    std::fill(m_swsKey, m_swsKey + 5, -1);
    const int parkedKey[7] = {key[0], key[1], key[2], key[3], key[4], m_dstAV, m_flag};
    if (Parking().Take(parkedKey, m_sws, m_dst)) {
        std::copy(key, key + 5, m_swsKey);
        return;
    }
    if (sws_isSupportedInput(static_cast<AVPixelFormat>(m_src->format)) <= 0)
        QB_THROW(QB_ERR_MEDIA, "pixel format not supported");

    // Only pictures that a user studies (flag 1: thumbnails, snapshots) pay
    // for the smoother filter; playback and encoding take the fast one. The
    // fast horizontal pass samples off centre; flag 2 keeps the centres.
    const bool scaling = dstWidth != m_src->width || dstHeight != m_src->height;
    int64_t flags = SWS_FAST_BILINEAR;
    if (m_flag == 1 && scaling)
        flags = SWS_BICUBIC;
    else if (m_flag == 2 && scaling)
        flags = SWS_BILINEAR;
    FF::SwsPtr owner(sws_alloc_context());
    if (!owner)
        throw std::bad_alloc();
    SwsContext* sws = owner.get();
    av_opt_set_int(sws, "srcw", m_src->width, 0);
    av_opt_set_int(sws, "srch", m_src->height, 0);
    av_opt_set_int(sws, "src_format", m_src->format, 0);
    av_opt_set_int(sws, "dstw", dstWidth, 0);
    av_opt_set_int(sws, "dsth", dstHeight, 0);
    av_opt_set_int(sws, "dst_format", m_dstAV, 0);
    av_opt_set_int(sws, "sws_flags", flags, 0);
    av_opt_set_int(sws, "threads", SliceThreads(), 0);
    if (sws_init_context(sws, nullptr, nullptr) < 0)
        QB_THROW(QB_ERR_MEDIA, "cannot convert between these pixel formats");
    m_sws = std::move(owner);
    std::copy(key, key + 5, m_swsKey);
}

void CImageConverter::PrepareDest(int dstWidth, int dstHeight)
{
    if (m_dst->buf[0] && m_dst->width == dstWidth && m_dst->height == dstHeight)
        return;
    av_frame_unref(m_dst.get());
    m_dst->format = m_dstAV;
    m_dst->width = dstWidth;
    m_dst->height = dstHeight;
    if (!FF::AllocateZeroedPicture(m_dst.get()))
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
}

IRawVideoFrame* CImageConverter::DoConvert(IRawVideoFrame* frame)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    av_frame_unref(m_src.get());
    DescribeFrame(frame, m_src.get());
    // The scaler reads past a row's end: pixels whose memory may end there
    // are read from a copy.
    if (!frame->GetInterface(RAWVIDEO_INTERFACE_PADDED)) {
        const AVFrame* copy = m_padded.Of(m_src->data, m_src->linesize, static_cast<AVPixelFormat>(m_src->format),
                                          m_src->width, m_src->height);
        if (!copy)
            QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");
        for (int i = 0; i < AV_NUM_DATA_POINTERS; ++i) {
            m_src->data[i] = copy->data[i];
            m_src->linesize[i] = copy->linesize[i];
        }
    }
    // The scaler takes a reference on its source; a buffer that frees nothing
    // lets it read the pixels in place.
    m_src->buf[0] = av_buffer_create(m_src->data[0], 1, NoFree, nullptr, AV_BUFFER_FLAG_READONLY);
    if (!m_src->buf[0])
        QB_THROW(QB_ERR_NO_MEMORY, "No enough memory");

    unsigned width = m_width, height = m_height;
    if (width == 0 || height == 0)
        frame->GetDimension(&width, &height);
    if (width == 0 || height == 0)
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    const int dstWidth = static_cast<int>(width), dstHeight = static_cast<int>(height);

    PrepareContext(dstWidth, dstHeight);
    PrepareDest(dstWidth, dstHeight);
    int ret = sws_frame_start(m_sws.get(), m_dst.get(), m_src.get());
    if (ret >= 0)
        ret = sws_send_slice(m_sws.get(), 0, m_src->height);
    if (ret >= 0)
        ret = sws_receive_slice(m_sws.get(), 0, dstHeight);
    sws_frame_end(m_sws.get());
    av_frame_unref(m_src.get());
    QB_CHECK_AV(ret, "sws_scale");

    m_out.SetLayout(m_dstFormat, width, height, frame->IsTopDown());
    m_out.SetPadded(true);
    for (unsigned i = 0; i < m_out.PlaneCount(); ++i) {
        m_out.Plane(i).data = m_dst->data[i];
        m_out.Plane(i).pitch = static_cast<unsigned>(m_dst->linesize[i]);
    }
    m_out.TakeAttributes(frame);
    return &m_out;
}

} // namespace Moorland

extern "C" Moorland::IImageConverter* CreateImageConverterEx(unsigned dstPixelFormat, unsigned width, unsigned height,
                                                             int flag)
{
    return QB_GUARDED(static_cast<Moorland::IImageConverter*>(nullptr), {
        return static_cast<Moorland::IImageConverter*>(
            new Moorland::CImageConverter(dstPixelFormat, width, height, flag));
    });
}

extern "C" Moorland::IImageConverter* CreateImageConverter(unsigned dstPixelFormat)
{
    return CreateImageConverterEx(dstPixelFormat, 0, 0, 0);
}
