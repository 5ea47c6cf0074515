#include "WebEngineEnvironment.h"

#include <QByteArray>
#include <QtGlobal>

#include <unistd.h>

namespace korvane {

void PrepareWebEngineEnvironment() {
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArrayLiteral("1"));
}

} // namespace korvane
