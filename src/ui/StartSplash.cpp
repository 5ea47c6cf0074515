#include "StartSplash.h"

#include "AppIcon.h"
#include "Publisher.h"

#include <QApplication>
#include <QPainter>

namespace korvane {

namespace {

QPixmap SplashPicture() {
    QPixmap picture(TStartSplash::kSize);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(picture.rect().adjusted(0, 0, -1, -1));
    painter.drawPixmap(20, 31, MakeAppIcon().pixmap(48, 48));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(84, 28, TStartSplash::kSize.width() - 96, 24),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(publisher::kAppTitle));
    font.setPixelSize(14);
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(QRect(84, 58, TStartSplash::kSize.width() - 96, 22),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("正在检查新版本…"));
    return picture;
}

} // namespace

TStartSplash::TStartSplash() : QSplashScreen(SplashPicture()) {
    setObjectName(QStringLiteral("StartSplash"));
    setWindowTitle(QString::fromUtf8(publisher::kAppTitle));
}

void TStartSplash::ShowNow() {
    show();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace korvane
