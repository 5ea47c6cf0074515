#include "IdAbortSignal.h"

#include "IdException.h"

namespace korvane::http {

namespace {
thread_local const TIdAbortSignal* CurrentSignal = nullptr;
}

// A socket pair rather than an event object: the waits are socket waits
// (poll; WSAPoll or select on Windows), and a socket is what both platforms
// can wait on there.
TIdAbortSignal::TIdAbortSignal() {
    TIdSocket pair[2];
    if (Stack.Stack().SocketPair(pair) == 0) {
        Event = pair[0];
        Trigger = pair[1];
    }
}

TIdAbortSignal::~TIdAbortSignal() {
    if (Event != kIdInvalidSocket) {
        Stack.Stack().CloseSocket(Event);
        Stack.Stack().CloseSocket(Trigger);
    }
}

void TIdAbortSignal::Raise() {
    // The first raise writes the one byte; nobody reads it, so the event
    // stays readable for every later wait.
    if (Flag.exchange(true, std::memory_order_acq_rel) || Event == kIdInvalidSocket)
        return;
    const char one = 1;
    [[maybe_unused]] const long sent = Stack.Stack().Send(Trigger, &one, 1);
}

TIdAbortScope::TIdAbortScope(std::shared_ptr<const TIdAbortSignal> signal)
    : Signal(std::move(signal)), Previous(CurrentSignal) {
    CurrentSignal = Signal.get();
}

TIdAbortScope::~TIdAbortScope() {
    CurrentSignal = Previous;
}

const TIdAbortSignal* TIdAbortScope::Current() {
    return CurrentSignal;
}

void TIdAbortScope::Check() {
    if (CurrentSignal != nullptr && CurrentSignal->Raised())
        throw EIdClosedSocket();
}

} // namespace korvane::http
