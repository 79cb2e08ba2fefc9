// The parallel loop: an atomic cursor over fixed-size chunks, a thread per job.
#include "flowmodel/parallel.hpp"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace flowmodel {

unsigned resolve_jobs(unsigned jobs) {
    if (jobs > 0) return jobs;
    return std::max(1u, std::thread::hardware_concurrency());
}

void parallel_for(std::size_t n, unsigned jobs, std::size_t chunk,
                  const std::function<void(std::size_t, std::size_t)>& body) {
    if (n == 0) return;
    chunk = std::max<std::size_t>(chunk, 1);
    const std::size_t chunks = (n - 1) / chunk + 1;
    const std::size_t threads = std::min<std::size_t>(resolve_jobs(jobs), chunks);
    if (threads <= 1) {
        for (std::size_t b = 0; b < n; b += chunk) body(b, std::min(n, b + chunk));
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::exception_ptr failure;
    std::mutex failure_lock;
    auto work = [&]() {
        for (;;) {
            if (stop.load(std::memory_order_relaxed)) return;
            const std::size_t b = next.fetch_add(chunk);
            if (b >= n) return;
            try {
                body(b, std::min(n, b + chunk));
            } catch (...) {
                const std::lock_guard<std::mutex> hold(failure_lock);
                if (!failure) failure = std::current_exception();
                stop.store(true);
                return;
            }
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(threads - 1);
    try {
        for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (...) {
        // No more threads to be had: the ones started and this one do the work.
    }
    work();
    for (std::thread& th : pool) th.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace flowmodel
