#pragma once

// Per-stream statistics of a multi-stream job and the filler packets that
// keep sparse subtitle streams from holding up the muxer, plus the queue of
// subtitle packets read ahead from a second source.
// Times are 64-bit counts of 100 ns unless a name says otherwise.

#include "CCompressedFrame.h"
#include "MultiUtils.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace Moorland {

struct StreamStatist
{
    StreamType eStreamType = StreamTypeUnknown;
    int64_t nFrameCount = 0;
    int64_t nFillerCount = 0;
    int64_t nLastTime = 0;       // current time: recorded frames and fillers
    int64_t nLastFrameTime = 0;  // last recorded frame
    int64_t nLastFillerTime = 0; // last filler of CheckConstructFrame2
};

class CAVStatist
{
public:
    CAVStatist(const SMItemInfo* pItems, int nCount);
    ~CAVStatist();
    CAVStatist(const CAVStatist&) = delete;
    CAVStatist& operator=(const CAVStatist&) = delete;

    // Records a frame of stream nIndex at nTimeMs milliseconds. 0, or for a
    // video frame whose time does not move on, the replacement time (100 ns)
    // the caller stamps on the packet instead.
    int64_t UpDateStreamStatist(int64_t nUnused, int64_t nTimeMs, int nIndex, StreamType eType);
    // Fillers: null, or the filler for the subtitle stream written through
    // the outs (index and kind 3). A filler is valid until the next one.
    ICompressedFrame* CheckConstructFrame2(int* pIndex, StreamType* pType);
    ICompressedFrame* CheckConstructFrame3(int* pIndex, StreamType* pType, int64_t nLimit, int64_t* pReference);
    ICompressedFrame* CheckConstructFrame(int* pIndex, StreamType* pType);

    void SetCreateSubTime(int64_t t);
    void SetFrequency(int64_t f);
    StreamStatist* GetItems(int i) { return &m_streams.at(static_cast<size_t>(i)); }
    int GetCount() const { return static_cast<int>(m_streams.size()); }

    int64_t nCreateSubTime = 600000000;
    int64_t nCreateSubLead = 150000000;
    int64_t nFrequency = 80000000;
    int64_t nLagThreshold = 240000000;

private:
    bool ReferenceTime(int64_t& nReference) const;
    // The subtitle stream furthest behind (the first of equals), or -1.
    int LaggingSubtitle() const;
    ICompressedFrame* MakeFiller(int64_t nTime);
    // Moves the stream to the filler's time, counts the filler and reports
    // the stream's index and kind 3 through the outs.
    ICompressedFrame* HandOutFiller(int nStream, int64_t nTime, int* pIndex, StreamType* pType);
    ICompressedFrame* CheckConstructFrameInner(int* pIndex, StreamType* pType);

    std::vector<StreamStatist> m_streams;
    std::unique_ptr<CCompressedFrame> m_pFiller;
    int64_t m_nFillerPresentTime = INT64_MIN;
    int64_t m_nFillerDecodeTime = INT64_MIN;
    bool m_bFillerKey = false;
    int64_t m_nFillerStreamPos = -1;
};

class CPreReadSubtitle
{
public:
    struct MyAVPacket
    {
        int64_t nPresentTime = 0;
        int64_t nDecodeTime = 0;
        unsigned char* pData = nullptr; // size + 8 bytes, the last 8 zero
        uint32_t nSize = 0;
        int32_t nKey = 0;
        int64_t nStreamPos = -1;
        int32_t nStreamIndex = 0;
        int32_t nCarried = 0;
    };

    CPreReadSubtitle();
    ~CPreReadSubtitle();
    CPreReadSubtitle(const CPreReadSubtitle&) = delete;
    CPreReadSubtitle& operator=(const CPreReadSubtitle&) = delete;

    void SetBaseIndex(int nBase) { m_nBaseIndex = nBase; }
    // Copies the packet behind the info to the back of the queue; false when
    // the info holds no packet.
    bool Push(FrameInfo* pInfo);
    // The front packet through the own packet object, valid until the next
    // ReadFrame; false when the queue is empty.
    bool ReadFrame(FrameInfo* pOut);
    int64_t GetFontDecompressTimeStamp() const;
    int GetQueueSize() const { return static_cast<int>(m_queue.size()); }

private:
    std::deque<MyAVPacket> m_queue;
    MyAVPacket m_current;
    CCompressedFrame* m_pPacket;
    int m_nBaseIndex = 0;
};

} // namespace Moorland
