#pragma once

#include "IdSocketHandle.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace korvane::http {

// Connects one socket on a thread of its own so the caller can give up after
// a time limit. Closing a socket from another thread does not wake a blocked
// connect on Linux; shutting it down does (the connect then fails, and the
// failure of an abandoned connect is ignored).
class TIdConnectThread {
public:
    explicit TIdConnectThread(TIdSocketHandle& binding);
    // Stops and joins the thread if it still runs.
    ~TIdConnectThread();
    TIdConnectThread(const TIdConnectThread&) = delete;
    TIdConnectThread& operator=(const TIdConnectThread&) = delete;

    void Start();
    // Waits up to limit for the thread's work to end; true when it has.
    // Wakes as soon as the thread signals, not at the end of the slice.
    bool WaitFinished(std::chrono::milliseconds limit);
    // Abandons a connect still in progress; returns once the thread's work has ended.
    void Terminate();
    // Waits for the thread to end.
    void WaitFor();

    bool Finished() const { return FinishedFlag.load(std::memory_order_acquire); }
    // Empty unless the connect failed; read only once Finished() is true.
    const std::string& FailureText() const { return Failure; }

private:
    void Execute();

    TIdSocketHandle& Binding;
    std::thread Thread;
    std::atomic<bool> FinishedFlag{false};
    std::string Failure;
    std::mutex Lock;
    std::condition_variable Signal;
    std::atomic<bool> Terminated{false};
};

} // namespace korvane::http
