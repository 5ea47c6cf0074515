// The threads of a run besides the crawl's: the detached watcher that
// creates the worker and polls it, the worker's own thread, and the count of
// both that the program waits on at exit.
#include "ThreadUnit.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace korvane {

namespace {

// Counts the watcher and worker threads alive, so the program can let them
// end before it exits. Never destroyed: a thread may still be finishing
// while static objects are torn down.
class TRunThreadCount {
public:
    static TRunThreadCount& Instance() {
        static auto* count = new TRunThreadCount;
        return *count;
    }
    void Enter() {
        std::lock_guard lock(Mutex);
        ++Live;
    }
    void Leave() {
        std::lock_guard lock(Mutex);
        if (--Live == 0)
            AllGone.notify_all();
    }
    bool WaitForNone(std::chrono::milliseconds limit) {
        std::unique_lock lock(Mutex);
        return AllGone.wait_for(lock, limit, [this] { return Live == 0; });
    }

private:
    std::mutex Mutex;
    std::condition_variable AllGone;
    int Live = 0;
};

} // namespace

void TRunThread::StartRun(TRunOperations ops) {
    TRunThreadCount::Instance().Enter();
    std::thread(&TRunThread::WatchRun, std::move(ops)).detach();
}

bool TRunThread::WaitForRunThreads(std::chrono::milliseconds limit) {
    return TRunThreadCount::Instance().WaitForNone(limit);
}

void TRunThread::WatchRun(TRunOperations ops) {
    // The worker frees itself once released, so the watcher never owns it.
    auto* worker = new TRunThread(std::move(ops));
    TRunThreadCount::Instance().Enter();
    std::thread([worker] {
        worker->RunSearch();
        delete worker;
        TRunThreadCount::Instance().Leave();
    }).detach();

    while (worker->SearchDone.load() != 1)
        std::this_thread::sleep_for(kRunPollInterval);
    worker->Watched.store(0);
    // From here on the worker may be gone: never touch it again.
    TRunThreadCount::Instance().Leave();
}

} // namespace korvane
