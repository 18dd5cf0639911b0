#include "CDecodingTimes.h"

#include <algorithm>

namespace Solvane {

void CDecodingTimes::Guess(AVPacket* p, const AVStream* st)
{
    const bool video = st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
    int64_t step = p->duration;
    if (step <= 0 && video) {
        const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
        if (rate.num > 0 && rate.den > 0)
            step = av_rescale_q(1, av_inv_q(rate), st->time_base);
    }
    step = std::max<int64_t>(step, 0);
    auto next = m_next.find(p->stream_index);
    if (p->dts == AV_NOPTS_VALUE) {
        if (next != m_next.end())
            p->dts = next->second;
        else if (p->pts != AV_NOPTS_VALUE && video)
            p->dts = p->pts - step * st->codecpar->video_delay;
        else
            p->dts = p->pts;
    }
    if (p->dts != AV_NOPTS_VALUE)
        m_next[p->stream_index] = p->dts + step;
}

} // namespace Solvane
