#pragma once

// The threads that share one picture's work between them: a picture is cut
// into bands of rows and the bands run side by side, the calling thread
// taking its part. The threads are made once for the process and wait
// between pictures, so a step that takes a millisecond on a whole picture
// still gains from them; starting threads per picture would cost more than
// the step. Callers on several threads at once each get all their bands
// done; a band may itself split its work again.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace Solvane {

class CPictureBands
{
public:
    // The process's bands, made at first use.
    static CPictureBands& Shared();

    explicit CPictureBands(unsigned threads);
    ~CPictureBands();
    CPictureBands(const CPictureBands&) = delete;
    CPictureBands& operator=(const CPictureBands&) = delete;

    // How many bands run at once, the calling thread included.
    unsigned Width() const { return static_cast<unsigned>(m_threads.size()) + 1; }
    // Runs band(0) ... band(count - 1) and returns when all have ended; the
    // first exception a band throws is thrown here once all have ended.
    void Run(unsigned count, const std::function<void(unsigned)>& band);

private:
    struct Batch
    {
        const std::function<void(unsigned)>* band = nullptr;
        unsigned count = 0;
        std::atomic<unsigned> next{0};
        unsigned done = 0; // under the pool's lock
        std::exception_ptr failure;
    };

    // Runs bands of `batch` until none is left to start; false when it
    // started none.
    bool Work(Batch& batch);
    void Serve();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::deque<std::shared_ptr<Batch>> m_batches;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace Solvane
