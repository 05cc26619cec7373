#include "parallel/Chunks.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

int ChunkWorkers() {
    return std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
}

int InChunks(int count, int chunk, const std::function<void(int from, int to, int worker)>& work,
             const std::function<bool()>& goOn) {
    return InChunks(count, chunk, ChunkWorkers(), work, goOn);
}

int InChunks(int count, int chunk, int workers, const std::function<void(int from, int to, int worker)>& work,
             const std::function<bool()>& goOn) {
    if (count <= 0) return 0;
    chunk = std::max(chunk, 1);
    const int chunks = (count + chunk - 1) / chunk;
    std::atomic<int> next{0};
    std::atomic<bool> stop{false};
    std::vector<char> finished(static_cast<std::size_t>(chunks), 0);
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    const auto worker = [&](int number) {
        for (int c = next++; c < chunks && !stop; c = next++) {
            work(c * chunk, std::min(count, (c + 1) * chunk), number);
            finished[static_cast<std::size_t>(c)] = 1;  // each chunk's own flag: no two threads write one
        }
        const std::lock_guard<std::mutex> lock(mutex);
        --running;
        changed.notify_all();
    };
    const int threads = std::clamp(workers, 1, chunks);
    std::vector<std::thread> pool;
    running = threads;
    for (int t = 0; t < threads; ++t) pool.emplace_back(worker, t);
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (running > 0) {
            changed.wait_for(lock, std::chrono::milliseconds(50));
            if (running == 0) break;
            lock.unlock();
            if (!stop && !goOn()) stop = true;
            lock.lock();
        }
    }
    for (std::thread& t : pool) t.join();
    int done = 0;
    while (done < chunks && finished[static_cast<std::size_t>(done)]) ++done;
    return std::min(count, done * chunk);
}
