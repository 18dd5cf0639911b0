#include "CFramePlacer.h"

namespace Solvane {

void CFramePlacer::Init(AVRational tb, AVRational frameRate, bool sound, int64_t origin)
{
    m_tb = tb;
    m_sound = sound;
    m_origin = origin;
    m_unit = frameRate.num > 0 && frameRate.den > 0 ? av_inv_q(frameRate) : AVRational{1, 25};
    Forget();
}

int64_t CFramePlacer::Next() const
{
    if (m_anchor == kNoTime)
        return kNoTime;
    return SafeAdd(m_anchor, av_rescale_q(m_units, m_unit, m_tb));
}

int64_t CFramePlacer::Place(const AVFrame* frame)
{
    int64_t ts = frame->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        ts = frame->pts;
    if (ts == AV_NOPTS_VALUE) {
        ts = m_anchor != kNoTime ? Next() : m_origin;
        if (m_anchor == kNoTime) {
            m_anchor = ts;
            m_units = 0;
        }
    } else {
        m_anchor = ts;
        m_units = 0;
    }
    if (m_sound) {
        if (frame->sample_rate > 0) {
            // Counted in the block's own rate; a rate change re-anchors.
            const AVRational unit{1, frame->sample_rate};
            if (av_cmp_q(unit, m_unit) != 0) {
                m_anchor = ts;
                m_units = 0;
                m_unit = unit;
            }
            m_units += frame->nb_samples;
        }
    } else {
        ++m_units;
    }
    return ts;
}

} // namespace Solvane
