#include "CPictureBands.h"

#include <algorithm>

namespace Solvane {

namespace {
// More bands than this gain little on one picture: the steps are short and
// the encoder wants the other processors.
const unsigned kMostThreads = 8;
} // namespace

CPictureBands& CPictureBands::Shared()
{
    static CPictureBands bands(std::min(kMostThreads, std::max(1u, std::thread::hardware_concurrency())) - 1);
    return bands;
}

CPictureBands::CPictureBands(unsigned threads)
{
    for (unsigned i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back([this] { Serve(); });
        } catch (const std::exception&) {
            break; // fewer threads: the callers do more of the work themselves
        }
    }
}

CPictureBands::~CPictureBands()
{
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (auto& t : m_threads)
        t.join();
}

bool CPictureBands::Work(Batch& batch)
{
    bool ran = false;
    for (;;) {
        const unsigned i = batch.next.fetch_add(1);
        if (i >= batch.count)
            return ran;
        ran = true;
        std::exception_ptr failure;
        try {
            (*batch.band)(i);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard<std::mutex> hold(m_mutex);
        if (failure && !batch.failure)
            batch.failure = failure;
        if (++batch.done == batch.count)
            m_finished.notify_all();
    }
}

void CPictureBands::Serve()
{
    std::unique_lock<std::mutex> hold(m_mutex);
    for (;;) {
        m_wake.wait(hold, [this] { return m_stopping || !m_batches.empty(); });
        if (m_stopping)
            return;
        std::shared_ptr<Batch> batch = m_batches.front();
        // Every band of it has been started: the next waiting batch is served.
        if (batch->next.load() >= batch->count) {
            m_batches.pop_front();
            continue;
        }
        hold.unlock();
        Work(*batch);
        hold.lock();
    }
}

void CPictureBands::Run(unsigned count, const std::function<void(unsigned)>& band)
{
    if (count == 0)
        return;
    if (count == 1 || m_threads.empty()) {
        for (unsigned i = 0; i < count; ++i)
            band(i);
        return;
    }
    auto batch = std::make_shared<Batch>();
    batch->band = &band;
    batch->count = count;
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_batches.push_back(batch);
    }
    for (unsigned i = 1; i < count && i <= m_threads.size(); ++i)
        m_wake.notify_one();
    Work(*batch);
    std::unique_lock<std::mutex> hold(m_mutex);
    m_finished.wait(hold, [&] { return batch->done == batch->count; });
    // A batch whose bands all started may still be listed: it goes now.
    auto it = std::find(m_batches.begin(), m_batches.end(), batch);
    if (it != m_batches.end())
        m_batches.erase(it);
    if (batch->failure)
        std::rethrow_exception(batch->failure);
}

} // namespace Solvane
