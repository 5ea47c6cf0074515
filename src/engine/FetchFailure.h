#pragma once

#include <exception>
#include <string>

namespace korvane {

// What a failed page fetch comes down to for a seller.
enum class TFetchFailureKind {
    ConnectionRefused,
    ConnectTimeout,
    ReadTimeout,
    HostNotFound,
    ServerError, // an error status; the code is in StatusCode
    ConnectionLost,
    NetworkUnreachable,
    Other,
};

// One failed page fetch, as the crawl records it: the error's class and
// text, and the kind the window words for the seller.
struct TFetchFailure {
    int Page = 0;
    std::string ClassName{};
    std::string Message{};
    TFetchFailureKind Kind = TFetchFailureKind::Other;
    int StatusCode = 0;

    bool operator==(const TFetchFailure&) const = default;

    // Describes error, thrown by a fetch of page.
    static TFetchFailure Describe(const std::exception_ptr& error, int page);
};

} // namespace korvane
