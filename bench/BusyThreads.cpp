#include "BusyThreads.h"

namespace korvane::bench {

BusyThreads::BusyThreads(int count) {
    for (int i = 0; i < count; ++i)
        Threads.emplace_back([this] {
            volatile unsigned long work = 0;
            while (!Done.load(std::memory_order_relaxed))
                work = work + 1;
        });
}

BusyThreads::~BusyThreads() {
    Done.store(true);
    for (std::thread& t : Threads)
        t.join();
}

} // namespace korvane::bench
