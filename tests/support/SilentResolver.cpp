#include "SilentResolver.h"

#include "IdStack.h"

namespace korvane::test {

SilentResolver::SilentResolver() {
    Replacement =
        std::make_unique<http::TIdHostLookup::TReplacement>([state = State](const std::string&) {
            std::unique_lock lock(state->Lock);
            ++state->Asked;
            state->Wake.wait(lock, [&] { return state->Released; });
            return http::TIdHostLookup::TAnswer{{}, http::Id_WSATRY_AGAIN};
        });
}

SilentResolver::~SilentResolver() {
    Replacement.reset();
    const std::lock_guard lock(State->Lock);
    State->Released = true;
    State->Wake.notify_all();
}

int SilentResolver::Asked() const {
    const std::lock_guard lock(State->Lock);
    return State->Asked;
}

} // namespace korvane::test
