#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The marketplace's public search host; plain http.
inline constexpr std::string_view kMarketplaceSearchHost = "s.taobao.com";

// Items per listing page; the "s" query value counts items skipped.
inline constexpr int kItemsPerListingPage = 42;

enum class TPass { Sales, Default };

// The URL of page n (from 1) of a pass, for a nick already encoded for a
// query value. host may carry a port ("127.0.0.1:8080").
std::string ListingUrl(std::string_view host, TPass pass, std::string_view encodedNick, int page);

} // namespace korvane
