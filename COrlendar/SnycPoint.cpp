#include "SnycPoint.h"

#include "CBaseException.h"
#include "IRawAudioFrame.h"
#include "IRawVideoFrame.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Two frames closer than this (milliseconds) start together.
constexpr int64_t kSyncDistance = 100;

void FreeVideo(T_Video* v)
{
    if (v) {
        delete[] v->data;
        delete v;
    }
}

void FreeAudio(T_Audio* a)
{
    if (a) {
        delete[] a->data;
        delete a;
    }
}

unsigned char* CopyBytes(const unsigned char* src, uint32_t size)
{
    if (size == 0)
        return nullptr;
    if (!src)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    unsigned char* copy = new unsigned char[size];
    std::memcpy(copy, src, size);
    return copy;
}

} // namespace

SnycPoint::~SnycPoint()
{
    ClearBuffer();
}

void SnycPoint::Clone(Moorland::IRawVideoFrame* frame)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    std::unique_ptr<T_Video> v(new T_Video);
    frame->GetDimension(&v->width, &v->height);
    v->shape = frame->GetDAR();
    unsigned pitch = 0, rows = 0;
    const unsigned char* plane = frame->GetBuffer(0, nullptr, &pitch, &rows);
    // The frame's total size, but never more than plane 0 holds: for a
    // planar picture the total runs past the end of its first plane.
    v->size = frame->GetTotalSize();
    if (plane && uint64_t(pitch) * rows < v->size)
        v->size = pitch * rows;
    v->time = frame->GetTimeStamp();
    v->duplicate = frame->GetDuplicatedCount(nullptr);
    v->data = CopyBytes(plane, plane ? v->size : 0);
    if (!plane)
        v->size = 0;
    m_video.reserve(m_video.size() + 1);
    m_video.push_back(v.release());
}

void SnycPoint::Clone(Moorland::IRawAudioFrame* frame)
{
    if (!frame)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    std::unique_ptr<T_Audio> a(new T_Audio);
    unsigned size = 0;
    const unsigned char* buffer = frame->GetBuffer(0, &size);
    a->size = buffer ? size : 0;
    a->time = static_cast<int32_t>(frame->GetTimeStamp() / 10000);
    a->data = CopyBytes(buffer, a->size);
    m_audio.reserve(m_audio.size() + 1);
    m_audio.push_back(a.release());
}

bool SnycPoint::FindSyncPoint()
{
    if (m_found)
        return true;
    if (m_video.empty() || m_audio.empty())
        return false;
    // The earliest video frame with a partner wins, and for it the earliest partner.
    for (size_t vi = 0; vi < m_video.size(); ++vi) {
        for (size_t ai = 0; ai < m_audio.size(); ++ai) {
            const int64_t distance = std::llabs(int64_t(m_video[vi]->time) - int64_t(m_audio[ai]->time));
            if (distance >= kSyncDistance)
                continue;
            m_found = true;
            // Sound that starts after the first picture is late, not
            // missing: the pictures before it stay, and the sound is led
            // in with silence from the first picture on.
            if (ai == 0 && m_video.front()->time < m_audio.front()->time) {
                m_leadMs = m_audio.front()->time - m_video.front()->time;
                vi = 0;
            } else if (vi == 0 && ai > 0) {
                // Pictures that start late likewise: the sound before them
                // stays, and the first picture shows from its start on.
                m_pictureLeadMs = m_video.front()->time - m_audio.front()->time;
                ai = 0;
            }
            for (size_t i = 0; i < vi; ++i)
                FreeVideo(m_video[i]);
            m_video.erase(m_video.begin(), m_video.begin() + vi);
            for (size_t i = 0; i < ai; ++i)
                FreeAudio(m_audio[i]);
            m_audio.erase(m_audio.begin(), m_audio.begin() + ai);
            return true;
        }
    }
    return false;
}

void SnycPoint::ClearBuffer()
{
    for (T_Video* v : m_video)
        FreeVideo(v);
    m_video.clear();
    for (T_Audio* a : m_audio)
        FreeAudio(a);
    m_audio.clear();
}
