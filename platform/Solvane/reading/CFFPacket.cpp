#include "CFFPacket.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"
#include "SolvaneFF.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace Solvane {

CFFPacket::CFFPacket(bool owned) : m_owned(owned) {}

void CFFPacket::Assign(AVPacket* packet, int64_t pts100ns, int64_t dts100ns, AVRational timeBase)
{
    av_packet_unref(m_packet.get());
    av_packet_move_ref(m_packet.get(), packet);
    m_pts = pts100ns;
    m_dts = dts100ns;
    m_duration = m_packet->duration > 0 && timeBase.num > 0 && timeBase.den > 0
                     ? av_rescale_q(m_packet->duration, timeBase, AVRational{1, 10000000})
                     : Moorland::COMPRESSED_NO_TIME;
}

void CFFPacket::Free()
{
    if (m_owned)
        delete this;
}

int64_t CFFPacket::GetStreamPos()
{
    return m_packet->pos;
}
unsigned CFFPacket::GetSize()
{
    return m_packet->size > 0 ? static_cast<unsigned>(m_packet->size) : 0;
}
unsigned char* CFFPacket::GetFrameData()
{
    return m_packet->data;
}
bool CFFPacket::IsKeyFrame()
{
    return (m_packet->flags & AV_PKT_FLAG_KEY) != 0;
}

bool CFFPacket::SetTimeStamp(int64_t presentTime, int64_t decompressTime)
{
    m_pts = presentTime;
    m_dts = decompressTime;
    return true;
}

} // namespace Solvane
