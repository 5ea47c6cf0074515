#pragma once

#include "MainFormSettings.h"

namespace korvane::test {

// For window tests that do not look at the web panes: with no addresses the
// panes load nothing and the web engine never starts (the web pane tests
// cover it, and it does not run under AddressSanitizer).
inline void LeaveWebPanesEmpty(TMainFormSettings& settings) {
    settings.HomeUrl.clear();
    settings.DemotionNoteUrl.clear();
    settings.SoftwareListUrl.clear();
}

} // namespace korvane::test
