#include "IdConnectThread.h"

#include "IdException.h"

#include <sys/socket.h>

namespace korvane::http {

namespace {

// How often an abandoning caller repeats its shutdown: one made before the
// thread entered its connect does not reach that connect.
constexpr std::chrono::milliseconds kAbandonRetry{10};

} // namespace

TIdConnectThread::TIdConnectThread(TIdSocketHandle& binding) : Binding(binding) {}

TIdConnectThread::~TIdConnectThread() {
    if (Thread.joinable()) {
        if (!Finished())
            Terminate();
        Thread.join();
    }
}

void TIdConnectThread::Start() {
    Thread = std::thread([this] { Execute(); });
}

bool TIdConnectThread::WaitFinished(std::chrono::milliseconds limit) {
    std::unique_lock lock(Lock);
    return Signal.wait_for(lock, limit, [this] { return Finished(); });
}

void TIdConnectThread::Terminate() {
    Terminated.store(true, std::memory_order_release);
    do
        Binding.StackRef().Shutdown(Binding.Handle, SHUT_RDWR);
    while (!WaitFinished(kAbandonRetry));
}

void TIdConnectThread::WaitFor() {
    if (Thread.joinable())
        Thread.join();
}

void TIdConnectThread::Execute() {
    try {
        if (!Terminated.load(std::memory_order_acquire)) {
            if (Binding.Connect() == -1) {
                const int code = TIdStack::LastError();
                // An abandoned connect, or one aborted by closing its socket.
                if (!Terminated.load(std::memory_order_acquire) && code != Id_WSAEBADF &&
                    code != Id_WSAENOTSOCK)
                    TIdStack::RaiseSocketError(code);
            } else {
                Binding.UpdateBindings();
            }
        }
    } catch (const std::exception& e) {
        Failure = e.what();
    }
    {
        std::lock_guard lock(Lock);
        FinishedFlag.store(true, std::memory_order_release);
    }
    Signal.notify_all();
}

} // namespace korvane::http
