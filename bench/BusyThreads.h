#pragma once

#include <atomic>
#include <thread>
#include <vector>

namespace korvane::bench {

// Threads that spin for as long as the object lives, competing for the
// cores the way a seller's busy PC does.
class BusyThreads {
public:
    explicit BusyThreads(int count);
    ~BusyThreads();
    BusyThreads(const BusyThreads&) = delete;
    BusyThreads& operator=(const BusyThreads&) = delete;

private:
    std::atomic<bool> Done{false};
    std::vector<std::thread> Threads;
};

} // namespace korvane::bench
