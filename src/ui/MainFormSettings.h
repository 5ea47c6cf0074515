#pragma once

#include "DesktopServices.h"
#include "ListingFetch.h"
#include "ListingUrls.h"
#include "PageDialogs.h"
#include "Publisher.h"

#include <functional>
#include <string>

namespace korvane {

// A version document is a few bytes: one that has not arrived whole within a
// few seconds, its site's name lookup included, is given up, and the window
// opens as when the publisher's site cannot be reached. The check runs
// before the window is shown. Each single wait may last as long as the
// client's callers allow everywhere; the whole answer's limit is the one
// that tells.
inline constexpr int kVersionCheckReadTimeoutMs = 10000;
inline constexpr int kVersionCheckAnswerTimeoutMs = 5000;
inline constexpr TFetchLimits kVersionCheckLimits{kVersionCheckReadTimeoutMs,
                                                  kVersionCheckAnswerTimeoutMs};

// Everything the window talks to, with the built-in defaults of the shipped
// program; tests point these at loopback servers and recorders.
struct TMainFormSettings {
    std::string SearchHost{kMarketplaceSearchHost};
    std::string ItemPageHost{"item.taobao.com"};
    std::string VersionUrl{publisher::kVersionUrl};
    std::string DownloadUrl{publisher::kDownloadUrl};
    std::string HomeUrl{publisher::kHomeUrl};
    std::string DemotionNoteUrl{publisher::kDemotionNoteUrl};
    std::string SoftwareListUrl{publisher::kSoftwareListUrl};
    // One GET with the program's client settings: the crawl's page fetch on a
    // worker thread, and the version check's on the window's, which must
    // never keep the window from opening for long.
    std::function<void(const std::string& url, std::string& body)> FetchPage = FetchListingPage;
    std::function<void(const std::string& url, std::string& body)> FetchVersion =
        [](const std::string& url, std::string& body) {
            FetchPageWithin(url, body, kVersionCheckLimits);
        };
    // Null: the real desktop.
    TDesktopServices* Desktop = nullptr;
    // Who shows the message boxes of the web panes' pages; null: the engine.
    TPageDialogs* PageDialogs = nullptr;
};

} // namespace korvane
