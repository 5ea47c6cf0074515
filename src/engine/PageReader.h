#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane {

// The second half of the crawl's page step, on a thread of its own: cutting
// the fields of a page and handing its items, the progress and the failed
// pages to the window. The crawl queues them here and goes on to fetch the
// next page, so a fetch no longer waits for the page before it to be shown.
//
// Tasks run one at a time in the order queued. The first one that throws
// ends the reading: what is still queued is dropped, and the error is thrown
// again to the crawl at its next Submit, Drain or ThrowIfFailed. The thread
// ends with the object; a task running then is waited for, the queued ones
// are dropped.
class TPageReader {
public:
    // A page is one task (its items and the next page's progress), two when
    // its fetch failed, so the crawl runs at most about six pages ahead of
    // the reader and holds at most as many page texts.
    static constexpr std::size_t kMaxQueuedTasks = 6;

    TPageReader();
    ~TPageReader();
    TPageReader(const TPageReader&) = delete;
    TPageReader& operator=(const TPageReader&) = delete;

    // Queues task, first waiting while kMaxQueuedTasks are queued. Throws
    // what an earlier task threw, and then task never runs.
    void Submit(std::function<void()> task);
    // Returns once every queued task has run; throws what a task threw.
    void Drain();
    // Drops the queued tasks and returns once the running one, if any, has
    // returned. Throws nothing: an error stays for the next Submit or Drain.
    void Abandon();
    // Throws what a task threw, if one did.
    void ThrowIfFailed();

private:
    void Loop();
    void ThrowLocked();
    void DropQueued(std::unique_lock<std::mutex>& lock);

    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<std::function<void()>> Queue;
    bool Running = false; // a task taken off the queue has not returned yet
    bool Quit = false;
    std::exception_ptr Error;
    std::thread Thread; // last: it starts once the rest is set up
};

} // namespace korvane
