#pragma once

#include "IdStack.h"

#include <atomic>
#include <memory>

namespace korvane::http {

// Lets one thread give up another thread's fetch in progress, so a program
// that is closing need not wait out a slow server. While a thread runs inside
// a TIdAbortScope, its waits for data, and a connect with a time limit (every
// fetch's), also watch the signal; once it is raised they end at once with
// EIdClosedSocket. A connect without a limit does not.
class TIdAbortSignal {
public:
    TIdAbortSignal();
    ~TIdAbortSignal();
    TIdAbortSignal(const TIdAbortSignal&) = delete;
    TIdAbortSignal& operator=(const TIdAbortSignal&) = delete;

    // Any thread, any number of times.
    void Raise();
    bool Raised() const { return Flag.load(std::memory_order_acquire); }
    // A socket that becomes readable once raised; kIdInvalidSocket if the
    // platform gave none (then only the flag, checked between waits, is watched).
    TIdSocket Handle() const { return Event; }

private:
    TIdStack::TUser Stack;
    std::atomic<bool> Flag{false};
    // A connected pair: Raise writes one byte into Trigger, Event turns readable.
    TIdSocket Event = kIdInvalidSocket;
    TIdSocket Trigger = kIdInvalidSocket;
};

// Installs a signal for the socket waits of the current thread.
class TIdAbortScope {
public:
    explicit TIdAbortScope(std::shared_ptr<const TIdAbortSignal> signal);
    ~TIdAbortScope();
    TIdAbortScope(const TIdAbortScope&) = delete;
    TIdAbortScope& operator=(const TIdAbortScope&) = delete;

    // The current thread's signal, or null.
    static const TIdAbortSignal* Current();
    // Throws EIdClosedSocket when the current thread's signal is raised.
    static void Check();

private:
    std::shared_ptr<const TIdAbortSignal> Signal;
    const TIdAbortSignal* Previous;
};

} // namespace korvane::http
