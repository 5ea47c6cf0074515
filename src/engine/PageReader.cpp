#include "PageReader.h"

#include <utility>

namespace korvane {

TPageReader::TPageReader() : Thread([this] { Loop(); }) {}

TPageReader::~TPageReader() {
    {
        std::unique_lock lock(Mutex);
        Quit = true;
        DropQueued(lock);
    }
    Changed.notify_all();
    Thread.join();
}

void TPageReader::Submit(std::function<void()> task) {
    {
        std::unique_lock lock(Mutex);
        Changed.wait(lock, [this] { return Error || Queue.size() < kMaxQueuedTasks; });
        ThrowLocked();
        Queue.push_back(std::move(task));
    }
    Changed.notify_all();
}

void TPageReader::Drain() {
    std::unique_lock lock(Mutex);
    Changed.wait(lock, [this] { return Error || (Queue.empty() && !Running); });
    ThrowLocked();
}

void TPageReader::Abandon() {
    std::unique_lock lock(Mutex);
    DropQueued(lock);
    Changed.wait(lock, [this] { return !Running; });
}

void TPageReader::ThrowIfFailed() {
    std::lock_guard lock(Mutex);
    ThrowLocked();
}

void TPageReader::ThrowLocked() {
    if (Error)
        std::rethrow_exception(Error);
}

void TPageReader::DropQueued(std::unique_lock<std::mutex>& lock) {
    // A queued page holds its whole text: let it go off the lock.
    std::deque<std::function<void()>> dropped;
    dropped.swap(Queue);
    lock.unlock();
    dropped.clear();
    lock.lock();
}

void TPageReader::Loop() {
    std::unique_lock lock(Mutex);
    for (;;) {
        Changed.wait(lock, [this] { return Quit || !Queue.empty(); });
        if (Quit)
            return;
        std::function<void()> task = std::move(Queue.front());
        Queue.pop_front();
        Running = true;
        lock.unlock();
        // Whoever waits for room in the queue may go on.
        Changed.notify_all();
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        task = nullptr; // what it holds goes here, off the lock
        lock.lock();
        Running = false;
        if (error) {
            Error = error;
            DropQueued(lock);
        }
        Changed.notify_all();
    }
}

} // namespace korvane
