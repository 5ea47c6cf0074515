#include "ChineseTranslations.h"

#include "WebEngineEnvironment.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane {

bool TChineseTranslations::Install(QCoreApplication& app) {
    const QLocale chinese(QString::fromLatin1(kLocaleName));
    QLocale::setDefault(chinese);
    // The web engine takes its locale when it starts: from the default
    // locale it would get "zh" alone, so it is told the full name.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.contains("--lang="))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + " --lang=" + kEngineLocaleName);
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool all = true;
    for (const char* catalogue : {"qtbase", WebPaneTranslationCatalogue()}) {
        if (catalogue == nullptr)
            continue;
        auto* translator = new QTranslator(&app);
        if (translator->load(chinese, QString::fromLatin1(catalogue), QStringLiteral("_"),
                             directory) &&
            QCoreApplication::installTranslator(translator))
            continue;
        // Missing catalogues leave those texts in English; nothing else changes.
        delete translator;
        all = false;
    }
    return all;
}

} // namespace korvane
