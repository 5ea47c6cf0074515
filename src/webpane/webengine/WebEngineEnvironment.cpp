#include "WebEngineEnvironment.h"

#include <QByteArray>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace korvane {

namespace {

// Only POSIX has a root whose sandbox the engine refuses; on Windows an
// administrator keeps the sandbox.
bool RunningAsRoot() {
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

void PrepareWebEngineEnvironment() {
    if (RunningAsRoot() && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArrayLiteral("1"));
}

const char* WebPaneTranslationCatalogue() {
    return "qtwebengine";
}

} // namespace korvane
