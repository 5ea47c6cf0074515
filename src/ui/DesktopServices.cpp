#include "DesktopServices.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace korvane {

void TSystemDesktop::OpenUrl(const QString& url, TShowMode) {
    // The result is ignored: a desktop without a browser just opens nothing.
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

TDesktopServices::TAnswer TSystemDesktop::AskYesNo(QWidget* owner, const QString& text,
                                                   const QString& caption) {
    const auto button = QMessageBox::question(owner, caption, text,
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return button == QMessageBox::Yes ? TAnswer::Yes : TAnswer::No;
}

} // namespace korvane
