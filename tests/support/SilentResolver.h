#pragma once

#include "IdHostLookup.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace korvane::test {

// A name server that never answers, in the system resolver's place for
// every lookup of the process while it lives. The lookups left waiting end
// when it goes, so no helper thread outlives the test by much.
class SilentResolver {
public:
    SilentResolver();
    ~SilentResolver();
    SilentResolver(const SilentResolver&) = delete;
    SilentResolver& operator=(const SilentResolver&) = delete;

    // How many lookups were asked of it.
    int Asked() const;

private:
    struct TState {
        std::mutex Lock;
        std::condition_variable Wake;
        bool Released = false;
        int Asked = 0;
    };
    std::shared_ptr<TState> State = std::make_shared<TState>();
    std::unique_ptr<http::TIdHostLookup::TReplacement> Replacement;
};

} // namespace korvane::test
