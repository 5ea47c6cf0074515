#include "WebEngineEnvironment.h"

namespace korvane {

// The text panes start no engine: there is nothing to prepare.
void PrepareWebEngineEnvironment() {}

// Their few texts are Qt's own (qtbase).
const char* WebPaneTranslationCatalogue() {
    return nullptr;
}

} // namespace korvane
