#pragma once

#include <exception>
#include <string>

namespace korvane {

// What a failed page fetch comes down to for a seller.
enum class TFetchFailureKind {
    ConnectionRefused,
    ConnectTimeout,
    // The server's name was still being looked up when the connect's limit
    // passed: a name server that does not answer.
    LookupTimeout,
    ReadTimeout,
    HostNotFound,
    ServerError, // an error status; the code is in StatusCode
    ConnectionLost,
    NetworkUnreachable,
    // The fetch went well but brought no listing: an empty body, or a page
    // without the listing's markup (a verification or login page).
    EmptyPage,
    NotAListing,
    // The listing's frame without a single item, on a page that is not the
    // listing's end (or not its first): what a throttled server sends.
    HollowPage,
    // Sent on to an https address, where a plain-http client cannot follow:
    // the marketplace wants a login or an encrypted connection.
    LoginRequired,
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
    // A page whose fetch went well but whose body is no listing.
    static TFetchFailure OfPage(TFetchFailureKind kind, int page);

    // The marketplace let the page time out.
    bool TimedOut() const;
    // The marketplace answered, but not with the listing: asking again only
    // deepens its suspicion, so the pass ends here.
    bool TurnsAway() const;
};

} // namespace korvane
