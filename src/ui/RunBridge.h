#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>

class QObject;

namespace korvane {

// Thrown to a worker whose window has gone: its call did not run.
class TRunAborted : public std::runtime_error {
public:
    TRunAborted() : std::runtime_error("the window has closed") {}
};

// Carries a worker's calls to the window's thread, in order: Synchronize
// waits for its call and throws again what it threw; Post returns at once.
// Shared by the window and its runs; once the window closes the bridge, no
// call reaches it any more and waiting workers are let go.
class TRunBridge : public std::enable_shared_from_this<TRunBridge> {
public:
    // context: an object of the window's thread that lives until Close.
    static std::shared_ptr<TRunBridge> Create(QObject* context);

    // Worker side. Throws TRunAborted when the window is closed.
    void Synchronize(const std::function<void()>& call);
    // Worker side: call runs later, after the calls carried before it, and
    // nobody waits for it; what it throws is dropped, and it never runs once
    // the window is closed. Throws TRunAborted when the window is closed.
    void Post(std::function<void()> call);
    // Window side, before the context goes.
    void Close();

private:
    struct TCall;
    explicit TRunBridge(QObject* context) : Context(context) {}
    void Run(const std::shared_ptr<TCall>& pending);
    void RunPosted(const std::function<void()>& call);

    std::mutex Mutex;
    std::condition_variable Done;
    QObject* Context;
    bool Closed = false;
};

} // namespace korvane
