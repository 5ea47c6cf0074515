#pragma once

#include <QUrl>

#include <functional>

namespace korvane {

// Opens an address in the user's own browser: where every kind of pane
// sends what it does not show itself.
using TBrowserOpener = std::function<void(const QUrl& url)>;

} // namespace korvane
