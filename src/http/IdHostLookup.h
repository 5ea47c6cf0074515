#pragma once

#include <functional>
#include <memory>
#include <string>

namespace korvane::http {

// A host name lookup inside a connect's limit and the calling thread's abort
// signal (TIdAbortScope). The system's resolver takes as long as its name
// servers let it -- one that never answers holds it for tens of seconds --
// and nothing can interrupt it. So it runs on a helper thread of its own,
// which shares its answer with the caller; the caller waits for it in short
// slices and, when the limit passes or the signal is raised, leaves it
// behind. The helper ends whenever the resolver gives up and frees what it
// shared; nothing waits for it.
class TIdHostLookup {
public:
    // The first IPv4 address as dotted text, or an error in the client's
    // numbering.
    struct TAnswer {
        std::string Address;
        int Error = 0;
    };
    using TResolver = std::function<TAnswer(const std::string& host)>;

    // How often a waiting caller looks at its abort signal, so a stop ends a
    // lookup within a small part of a second.
    static constexpr int kWaitSliceMs = 20;

    // Resolves host with resolver (or the one a TReplacement put in its
    // place) within limit ms (0, -1 or kIdTimeoutInfinite: no limit).
    // EIdLookupTimeout when the limit passes, EIdClosedSocket when the abort
    // signal is raised, EIdSocketError when the resolver fails.
    static std::string Resolve(const std::string& host, int limit, const TResolver& resolver);

    // Puts another resolver in place of the system's for every lookup of the
    // process while it lives: a resolver that never answers, for tests.
    class TReplacement {
    public:
        explicit TReplacement(TResolver resolver);
        ~TReplacement();
        TReplacement(const TReplacement&) = delete;
        TReplacement& operator=(const TReplacement&) = delete;

    private:
        std::shared_ptr<const TResolver> Previous;
    };

private:
    struct TShared;
};

} // namespace korvane::http
