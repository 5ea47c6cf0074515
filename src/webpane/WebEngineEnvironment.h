#pragma once

namespace korvane {

// Call before the QApplication exists. The engine's sandbox refuses to run
// as root, so for root it is switched off; everyone else keeps it.
void PrepareWebEngineEnvironment();

} // namespace korvane
