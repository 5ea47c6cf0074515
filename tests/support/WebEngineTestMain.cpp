// GoogleTest main for tests that start the web engine: one QApplication, on
// the offscreen platform unless the environment chose one (Xvfb), and an
// engine that can only reach loopback.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    // The suite runs as root on CI, where the engine's sandbox cannot start;
    // the pages are the tests' own.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", QByteArrayLiteral("1"));
    // Nothing but 127.0.0.1 resolves, no proxy is consulted, no fetches of the
    // engine's own. The engine reads its flags from here (quoted arguments
    // allowed), not from the program's arguments.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --disable-background-networking --no-proxy-server"
             " --host-resolver-rules=\"MAP * ~NOTFOUND, EXCLUDE 127.0.0.1\"";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
