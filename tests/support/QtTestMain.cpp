// GoogleTest main for the window's tests: one QApplication for the program,
// on the offscreen platform unless the environment chose one (Xvfb).
#include <QApplication>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef KORVANE_TEST_SCREENS
    // The offscreen platform's own screen (800 x 600) is smaller than the
    // window: the window tests run on a desktop's screen, 1920 x 1080 less a
    // taskbar at 100 %, or on the one KORVANE_TEST_SCREEN names (Wine passes
    // no QT_QPA_PLATFORM on to the program). A Unix path, which Wine finds on
    // its drive Z: as well, without the drive's colon that would end the
    // platform's name.
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QStringLiteral("offscreen")) {
        QString screen = qEnvironmentVariable("KORVANE_TEST_SCREEN");
        if (screen.isEmpty())
            screen = QStringLiteral("desktop-100");
        qputenv("QT_QPA_PLATFORM",
                QStringLiteral("offscreen:configfile=" KORVANE_TEST_SCREENS "/%1.json")
                    .arg(screen)
                    .toLocal8Bit());
    }
#endif
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // A test that thinks it draws offscreen while a desktop platform was
    // loaded (Wine once did so) would prove nothing about either.
    const QString asked = qEnvironmentVariable("QT_QPA_PLATFORM").section(u':', 0, 0);
    if (QGuiApplication::platformName() != asked) {
        std::fprintf(stderr, "asked for the %s platform, got %s\n", qPrintable(asked),
                     qPrintable(QGuiApplication::platformName()));
        return 1;
    }
    return RUN_ALL_TESTS();
}
