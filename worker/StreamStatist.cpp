#include "StreamStatist.h"

#include "CBaseException.h"
#include "MoorlanTypes.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace Moorland {

namespace {

using Moorland::kTicksPerMs;
constexpr int64_t kOneSecond = Moorland::kTicksPerSecond;
constexpr int64_t kPreReadLead = 2500000; // 0.25 s
// A video time that does not get past the stream's time by this much is
// taken for a repeat and moved just behind the stream's time...
constexpr int64_t kRepeatWindow = 5000;
// ...unless it jumps back further than this: that is a new time line (a cut
// or a seek), taken as it comes.
constexpr int64_t kDiscontinuity = kOneSecond;

// a - b, or false when the difference does not fit.
bool Difference(int64_t a, int64_t b, int64_t& nOut)
{
    return !__builtin_sub_overflow(a, b, &nOut);
}

} // namespace

CAVStatist::CAVStatist(const SMItemInfo* pItems, int nCount)
{
    if (pItems && nCount > 0) {
        m_streams.resize(static_cast<size_t>(nCount));
        for (int i = 0; i < nCount; ++i)
            m_streams[static_cast<size_t>(i)].eStreamType = pItems[i].eStreamType;
    }
}

CAVStatist::~CAVStatist() = default;

void CAVStatist::SetCreateSubTime(int64_t t)
{
    nCreateSubTime = t;
    nCreateSubLead = t / 4;
}

void CAVStatist::SetFrequency(int64_t f)
{
    nFrequency = f;
    nLagThreshold = 3 * f;
}

int64_t CAVStatist::UpDateStreamStatist(int64_t, int64_t nTimeMs, int nIndex, StreamType eType)
{
    if (nIndex < 0 || nIndex >= GetCount() || nTimeMs < 0 ||
        nTimeMs > std::numeric_limits<int64_t>::max() / kTicksPerMs)
        return 0;
    StreamStatist& s = m_streams[static_cast<size_t>(nIndex)];
    int64_t nTime = nTimeMs * kTicksPerMs;
    int64_t nResult = 0;
    if (eType == StreamTypeVideo && s.nFrameCount > 0 && nTime < s.nLastTime + kRepeatWindow &&
        nTime > s.nLastTime - kDiscontinuity) {
        nResult = s.nLastTime + 1;
        nTime = nResult / kTicksPerMs * kTicksPerMs;
    }
    s.nFrameCount += 1;
    s.nLastTime = nTime;
    s.nLastFrameTime = nTime;
    return nResult;
}

bool CAVStatist::ReferenceTime(int64_t& nReference) const
{
    for (StreamType eKind : {StreamTypeVideo, StreamTypeAudio}) {
        for (const StreamStatist& s : m_streams) {
            if (s.eStreamType == eKind) {
                nReference = s.nLastTime;
                return true;
            }
        }
    }
    return false;
}

int CAVStatist::LaggingSubtitle() const
{
    int nChosen = -1;
    for (int i = 0; i < GetCount(); ++i) {
        const StreamStatist& s = m_streams[static_cast<size_t>(i)];
        if (s.eStreamType != StreamTypeSubtitle)
            continue;
        if (nChosen < 0 || s.nLastTime < m_streams[static_cast<size_t>(nChosen)].nLastTime)
            nChosen = i;
    }
    return nChosen;
}

ICompressedFrame* CAVStatist::MakeFiller(int64_t nTime)
{
    m_pFiller.reset();
    m_nFillerPresentTime = nTime;
    m_nFillerDecodeTime = nTime;
    std::unique_ptr<CCompressedFrame> pFiller(new CCompressedFrame(false));
    pFiller->SetBuffer(nullptr);
    pFiller->SetDataSize(0);
    pFiller->SetIsKeyFrame(m_bFillerKey);
    pFiller->SetStreamPos(m_nFillerStreamPos);
    pFiller->SetTimeStamp(m_nFillerPresentTime, m_nFillerDecodeTime);
    m_pFiller = std::move(pFiller);
    return m_pFiller.get();
}

ICompressedFrame* CAVStatist::HandOutFiller(int nStream, int64_t nTime, int* pIndex, StreamType* pType)
{
    StreamStatist& s = m_streams[static_cast<size_t>(nStream)];
    s.nLastTime = nTime;
    s.nFillerCount += 1;
    ICompressedFrame* pFiller = MakeFiller(nTime);
    if (pIndex)
        *pIndex = nStream;
    if (pType)
        *pType = StreamTypeSubtitle;
    return pFiller;
}

ICompressedFrame* CAVStatist::CheckConstructFrame2(int* pIndex, StreamType* pType)
{
    return QB_GUARDED(static_cast<ICompressedFrame*>(nullptr), {
        int64_t R = 0;
        if (m_streams.empty() || !ReferenceTime(R))
            return static_cast<ICompressedFrame*>(nullptr);
        int nSub = LaggingSubtitle();
        if (nSub < 0)
            return static_cast<ICompressedFrame*>(nullptr);
        StreamStatist& s = m_streams[static_cast<size_t>(nSub)];
        int64_t nLag = 0;
        if (!Difference(R, s.nLastTime, nLag) || nLag < nLagThreshold)
            return static_cast<ICompressedFrame*>(nullptr);
        int64_t T = R - nLagThreshold + nFrequency;
        s.nLastFillerTime = T;
        return HandOutFiller(nSub, T, pIndex, pType);
    });
}

ICompressedFrame* CAVStatist::CheckConstructFrame3(int* pIndex, StreamType* pType, int64_t nLimit, int64_t* pReference)
{
    return QB_GUARDED(static_cast<ICompressedFrame*>(nullptr), {
        int64_t R = 0;
        if (m_streams.empty() || !ReferenceTime(R))
            return static_cast<ICompressedFrame*>(nullptr);
        if (pReference)
            *pReference = R;
        int nSub = LaggingSubtitle();
        if (nSub < 0)
            return static_cast<ICompressedFrame*>(nullptr);
        StreamStatist& s = m_streams[static_cast<size_t>(nSub)];
        int64_t nLag = 0;
        if (!Difference(R, s.nLastTime, nLag) || nLag < kOneSecond)
            return static_cast<ICompressedFrame*>(nullptr);
        int64_t T = R - kPreReadLead;
        if (!(T < nLimit))
            return static_cast<ICompressedFrame*>(nullptr);
        return HandOutFiller(nSub, T, pIndex, pType);
    });
}

ICompressedFrame* CAVStatist::CheckConstructFrame(int* pIndex, StreamType* pType)
{
    return QB_GUARDED(static_cast<ICompressedFrame*>(nullptr), { return CheckConstructFrameInner(pIndex, pType); });
}

ICompressedFrame* CAVStatist::CheckConstructFrameInner(int* pIndex, StreamType* pType)
{
    int64_t R = 0;
    if (m_streams.empty() || !ReferenceTime(R))
        return nullptr;
    int nSubtitles = 0;
    int32_t nMaxCount = 0;
    int32_t nMinCount = std::numeric_limits<int32_t>::max();
    for (const StreamStatist& s : m_streams) {
        if (s.eStreamType != StreamTypeSubtitle)
            continue;
        ++nSubtitles;
        int32_t n = static_cast<int32_t>(s.nFrameCount);
        if (n > nMaxCount)
            nMaxCount = n;
        if (n < nMinCount)
            nMinCount = n;
    }
    if (nSubtitles == 0)
        return nullptr;
    const double inf = std::numeric_limits<double>::infinity();
    double dMinutes = static_cast<double>(R) / 600000000.0;
    double dRatio = nMaxCount == 0 ? 1000000.0 : static_cast<double>(nMinCount) / nMaxCount;
    double dPerFrame = nMaxCount != 0 ? dMinutes / nMaxCount : (dMinutes > 0 ? inf : (dMinutes < 0 ? -inf : 0.0));
    double dBusyLimit = 0.2 * nMaxCount;
    // Minutes per recorded frame of one stream, as the division would give it.
    auto MinutesPerFrame = [&](int64_t nFrames) {
        if (nFrames != 0)
            return dMinutes / static_cast<double>(nFrames);
        return dMinutes > 0 ? inf : (dMinutes < 0 ? -inf : 0.0);
    };
    int nBusy = 0;
    if (dPerFrame <= 2.0) {
        for (const StreamStatist& s : m_streams)
            if (s.eStreamType == StreamTypeSubtitle && static_cast<double>(s.nFrameCount) > dBusyLimit)
                ++nBusy;
    }
    int nChosen = -1;
    for (int i = 0; i < GetCount(); ++i) {
        const StreamStatist& s = m_streams[static_cast<size_t>(i)];
        if (s.eStreamType != StreamTypeSubtitle)
            continue;
        int64_t nLag = 0;
        bool bSilent = Difference(R, s.nLastTime, nLag) && nLag >= nCreateSubTime;
        if (nSubtitles == 1) {
            if (bSilent && MinutesPerFrame(s.nFrameCount) > 2.0)
                nChosen = i;
        } else {
            if (dPerFrame <= 2.0 && dRatio >= 0.2)
                break;
            if (bSilent && nBusy < nSubtitles &&
                (static_cast<double>(s.nFrameCount) < dBusyLimit || MinutesPerFrame(s.nFrameCount) > 2.0))
                nChosen = i;
        }
    }
    if (nChosen < 0)
        return nullptr;
    int64_t T = R - nCreateSubLead;
    return HandOutFiller(nChosen, T, pIndex, pType);
}

// ---------------------------------------------------------------------------

CPreReadSubtitle::CPreReadSubtitle() : m_pPacket(new CCompressedFrame(false)) {}

CPreReadSubtitle::~CPreReadSubtitle()
{
    std::free(m_current.pData);
    for (MyAVPacket& p : m_queue)
        std::free(p.pData);
    delete m_pPacket;
}

bool CPreReadSubtitle::Push(FrameInfo* pInfo)
{
    if (!pInfo || !pInfo->frame)
        return false;
    ICompressedFrame* pFrame = static_cast<ICompressedFrame*>(pInfo->frame);
    MyAVPacket packet;
    packet.nPresentTime = pFrame->GetPresentTimeStamp();
    packet.nDecodeTime = pFrame->GetDecompressTimeStamp();
    packet.nKey = pFrame->IsKeyFrame() ? 1 : 0;
    packet.nStreamPos = pFrame->GetStreamPos();
    packet.nSize = pFrame->GetSize();
    const unsigned char* pData = pFrame->GetFrameData();
    if (!pData)
        packet.nSize = 0;
    packet.pData = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(packet.nSize) + 8));
    if (!packet.pData)
        return false;
    if (packet.nSize)
        std::memcpy(packet.pData, pData, packet.nSize);
    std::memset(packet.pData + packet.nSize, 0, 8);
    // Wraps like the 32-bit sum it stands for, without overflowing.
    packet.nStreamIndex =
        static_cast<int32_t>(static_cast<uint32_t>(pInfo->streamIndex) + static_cast<uint32_t>(m_nBaseIndex));
    packet.nCarried = pInfo->carried1;
    m_queue.push_back(packet);
    return true;
}

bool CPreReadSubtitle::ReadFrame(FrameInfo* pOut)
{
    std::free(m_current.pData);
    m_current = MyAVPacket();
    if (m_queue.empty() || !pOut)
        return false;
    m_current = m_queue.front();
    m_queue.pop_front();
    m_pPacket->SetBuffer(m_current.pData);
    m_pPacket->SetDataSize(m_current.nSize);
    m_pPacket->SetIsKeyFrame(m_current.nKey != 0);
    m_pPacket->SetStreamPos(m_current.nStreamPos);
    m_pPacket->SetTimeStamp(m_current.nPresentTime, m_current.nDecodeTime);
    pOut->frame = static_cast<ICompressedFrame*>(m_pPacket);
    pOut->streamIndex = m_current.nStreamIndex;
    pOut->carried1 = m_current.nCarried;
    pOut->compressed = true;
    pOut->carried2 = -1;
    pOut->type = StreamTypeSubtitle;
    return true;
}

int64_t CPreReadSubtitle::GetFontDecompressTimeStamp() const
{
    return m_queue.empty() ? -1 : m_queue.front().nDecodeTime;
}

} // namespace Moorland
