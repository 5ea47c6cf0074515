#include "ChineseTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane {

bool TChineseTranslations::Install(QCoreApplication& app) {
    const QLocale chinese(QString::fromLatin1(kLocaleName));
    // The web engine reads the default locale when it starts.
    QLocale::setDefault(chinese);
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool all = true;
    for (const char* catalogue : {"qtbase", "qtwebengine"}) {
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
