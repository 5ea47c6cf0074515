#include "IdHostLookup.h"

#include "IdAbortSignal.h"
#include "IdException.h"
#include "IdStack.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace korvane::http {

namespace {

std::mutex GReplacementLock;
std::shared_ptr<const TIdHostLookup::TResolver> GReplacement;

std::shared_ptr<const TIdHostLookup::TResolver> Replacement() {
    std::lock_guard lock(GReplacementLock);
    return GReplacement;
}

} // namespace

// What the helper and the caller share: it outlives whichever leaves last.
struct TIdHostLookup::TShared {
    std::mutex Lock;
    std::condition_variable Answered;
    bool Done = false;
    TAnswer Answer;
};

std::string TIdHostLookup::Resolve(const std::string& host, int limit, const TResolver& resolver) {
    using Clock = std::chrono::steady_clock;
    const bool limited = limit > 0;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(limited ? limit : 0);
    const std::shared_ptr<const TResolver> replacement = Replacement();
    auto shared = std::make_shared<TShared>();
    try {
        std::thread([shared, host, resolve = replacement ? *replacement : resolver] {
            TAnswer answer;
            try {
                answer = resolve(host);
            } catch (...) {
                answer.Error = Id_WSANO_RECOVERY;
            }
            const std::lock_guard lock(shared->Lock);
            shared->Answer = std::move(answer);
            shared->Done = true;
            shared->Answered.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        TIdStack::RaiseSocketError(Id_WSAENOBUFS);
    }
    const TIdAbortSignal* abort = TIdAbortScope::Current();
    std::unique_lock lock(shared->Lock);
    while (!shared->Done) {
        if (abort && abort->Raised())
            throw EIdClosedSocket();
        Clock::duration slice = std::chrono::milliseconds(kWaitSliceMs);
        if (limited) {
            const Clock::duration left = deadline - Clock::now();
            if (left <= Clock::duration::zero())
                throw EIdLookupTimeout();
            slice = std::min(slice, left);
        }
        shared->Answered.wait_for(lock, slice);
    }
    if (shared->Answer.Error != 0)
        TIdStack::RaiseSocketError(shared->Answer.Error);
    return shared->Answer.Address;
}

TIdHostLookup::TReplacement::TReplacement(TResolver resolver) {
    auto replacement = std::make_shared<const TResolver>(std::move(resolver));
    std::lock_guard lock(GReplacementLock);
    Previous = std::exchange(GReplacement, std::move(replacement));
}

TIdHostLookup::TReplacement::~TReplacement() {
    std::lock_guard lock(GReplacementLock);
    GReplacement = std::move(Previous);
}

} // namespace korvane::http
