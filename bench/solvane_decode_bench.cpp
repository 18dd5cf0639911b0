// Decodes every picture of a file through the media manager's source and
// converts it to 32-bit BGRA (layout 30) the way the player does: a reading
// thread decodes ahead and hands each picture on by reference (no pixel copy)
// to a queue, the drawing side converts them. Prints the picture count, the
// wall time in seconds and a checksum of the converted pictures.
//
//   solvane_decode_bench FILE [--decode-only]
//
// --decode-only reads the pictures and converts none (the decoding alone).

#include "Basilvo/Basilvo.h"
#include "IAVManager.h"
#include "Moorlan.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

struct FrameFree
{
    void operator()(Moorland::IRawVideoFrame* f) const
    {
        if (f)
            f->Free();
    }
};
using FramePtr = std::unique_ptr<Moorland::IRawVideoFrame, FrameFree>;

// The pictures between the reading thread and the converting one.
class PictureQueue
{
public:
    // Waits while the queue is full; false when the taker has given up.
    bool Push(FramePtr frame)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_pictures.size() < kCapacity || m_closed; });
        if (m_closed)
            return false;
        m_pictures.push_back(std::move(frame));
        m_changed.notify_all();
        return true;
    }

    // The next picture; null once the reader has finished and all are taken.
    FramePtr Take()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_pictures.empty() || m_finished || m_closed; });
        if (m_pictures.empty())
            return nullptr;
        FramePtr f = std::move(m_pictures.front());
        m_pictures.pop_front();
        m_changed.notify_all();
        return f;
    }

    void Finish()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }

    void Close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        m_pictures.clear();
        m_changed.notify_all();
    }

private:
    static const size_t kCapacity = 8;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<FramePtr> m_pictures;
    bool m_finished = false;
    bool m_closed = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <media file> [--decode-only]\n", argv[0]);
        return 2;
    }
    const bool decodeOnly = argc > 2 && std::string(argv[2]) == "--decode-only";
    const auto start = std::chrono::steady_clock::now();
    Moorland::IAVManager* manager = CreateAVManager(".", nullptr);
    Moorland::IAVSource* source =
        manager ? manager->CreateSourceFromAddress(argv[1], nullptr, nullptr, nullptr, nullptr, nullptr) : nullptr;
    if (!source) {
        std::fprintf(stderr, "can't open %s: %s\n", argv[1], GetQuentaException()->GetExceptionMsg());
        return 1;
    }
    Moorland::IImageConverter* converter = CreateImageConverterEx(Moorland::PIXEL_FORMAT_RGBA32, 0, 0, 0);
    if (!converter) {
        std::fprintf(stderr, "no converter: %s\n", GetQuentaException()->GetExceptionMsg());
        return 1;
    }

    PictureQueue queue;
    std::string readError;
    std::thread reader([&] {
        for (;;) {
            Moorland::IRawAudioFrame* audio = nullptr;
            Moorland::IRawVideoFrame* video = nullptr;
            if (!source->ReadFrames(&audio, &video, nullptr, Moorland::AVReadVideoOnly)) {
                // False is the end or a failure: only the end is the end.
                if (!source->IsEndOfStream())
                    readError = GetQuentaException()->GetExceptionMsg();
                break;
            }
            if (!video)
                continue;
            FramePtr kept(Moorland::ShareOrClone(video));
            if (!kept) {
                readError = "can't keep a picture";
                break;
            }
            if (!queue.Push(std::move(kept)))
                break;
        }
        queue.Finish();
    });

    unsigned pictures = 0;
    unsigned long long checksum = 0;
    std::string convertError;
    while (FramePtr video = queue.Take()) {
        ++pictures;
        if (decodeOnly)
            continue;
        Moorland::IRawVideoFrame* bgra = converter->Convert(video.get());
        if (!bgra) {
            convertError = GetQuentaException()->GetExceptionMsg();
            queue.Close();
            break;
        }
        unsigned line = 0, pitch = 0, rows = 0;
        const unsigned char* data = bgra->GetBuffer(0, &line, &pitch, &rows);
        if (data && rows > 0)
            checksum += data[(rows / 2) * pitch + line / 2];
    }
    reader.join();
    converter->Release();
    source->Release();
    manager->Release();
    if (!readError.empty() || !convertError.empty()) {
        std::fprintf(stderr, "%s%s\n", readError.empty() ? "conversion failed: " : "reading failed: ",
                     readError.empty() ? convertError.c_str() : readError.c_str());
        return 1;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%u %.3f %llu\n", pictures, seconds, checksum);
    return pictures > 0 ? 0 : 1;
}
