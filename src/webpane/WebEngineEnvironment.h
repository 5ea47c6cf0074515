#pragma once

namespace korvane {

// Call before the QApplication exists. The engine's sandbox refuses to run
// as root, so for root it is switched off; everyone else keeps it.
void PrepareWebEngineEnvironment();

// The Qt translation catalogue of the panes' own texts (menus, error pages),
// or null when the panes have none.
const char* WebPaneTranslationCatalogue();

} // namespace korvane
