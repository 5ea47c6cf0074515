#include "DesktopServices.h"

#include "BrowserFailureBox.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QUrl>

namespace korvane {

bool TSystemDesktop::OpenUrl(const QString& url, TShowMode) {
    // Only a failure to start the opener is known here; a browser that the
    // opener then fails to find is the desktop's to report.
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void TSystemDesktop::ShowBrowserFailure(QWidget* owner, const QString& url) {
    TBrowserFailureBox box(url, owner);
    box.exec();
}

TDesktopServices::TAnswer TSystemDesktop::AskYesNo(QWidget* owner, const QString& text,
                                                   const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    owner);
    // Enter answers Yes.
    box.setDefaultButton(QMessageBox::Yes);
    box.setWindowModality(Qt::ApplicationModal);
    // The window system would be handed the caption with the application's
    // display name after it; while none is set it gets the caption alone. A
    // display name that is only the application name may be unset, and must
    // stay so: unset, it adds nothing anyway.
    const QString displayName = QGuiApplication::applicationDisplayName();
    const bool hideDisplayName = displayName != QCoreApplication::applicationName();
    if (hideDisplayName)
        QGuiApplication::setApplicationDisplayName(QString());
    const int button = box.exec();
    if (hideDisplayName)
        QGuiApplication::setApplicationDisplayName(displayName);
    return button == QMessageBox::Yes ? TAnswer::Yes : TAnswer::No;
}

} // namespace korvane
