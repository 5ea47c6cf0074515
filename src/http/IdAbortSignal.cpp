#include "IdAbortSignal.h"

#include "IdException.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace korvane::http {

namespace {
thread_local const TIdAbortSignal* CurrentSignal = nullptr;
}

TIdAbortSignal::TIdAbortSignal() : Event(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

TIdAbortSignal::~TIdAbortSignal() {
    if (Event != -1)
        ::close(Event);
}

void TIdAbortSignal::Raise() {
    Flag.store(true, std::memory_order_release);
    if (Event != -1) {
        const std::uint64_t one = 1;
        // A full counter already wakes every waiter; nothing to handle.
        [[maybe_unused]] const auto written = ::write(Event, &one, sizeof one);
    }
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
