#include "BrowserFailureBox.h"

#include "Publisher.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

namespace korvane {

namespace {

// Wide enough for an item page's address without scrolling.
constexpr int kUrlBoxMinimumWidth = 420;

} // namespace

TBrowserFailureBox::TBrowserFailureBox(const QString& url, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("BrowserFailureBox"));
    setWindowTitle(QString::fromUtf8(publisher::kAppTitle));
    setWindowModality(Qt::ApplicationModal);

    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()
                        ->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this)
                        .pixmap(iconSize, iconSize));
    auto* message = new QLabel(
        QString::fromUtf8("无法启动浏览器。请复制下面的地址，粘贴到浏览器的地址栏中打开："), this);
    message->setObjectName(QStringLiteral("labMessage"));
    message->setWordWrap(true);
    auto* address = new QLineEdit(url, this);
    address->setObjectName(QStringLiteral("txtUrl"));
    address->setReadOnly(true);
    address->setMinimumWidth(kUrlBoxMinimumWidth);
    address->setCursorPosition(0);
    address->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(message, 0, 1);
    layout->addWidget(address, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    // Ready for Ctrl+C at once.
    address->setFocus();
}

} // namespace korvane
