#include "DesktopServices.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QUrl>

namespace korvane {

void TSystemDesktop::OpenUrl(const QString& url, TShowMode) {
    // The result is ignored: a desktop without a browser just opens nothing.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
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
