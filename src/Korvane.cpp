// Korvane: finds the items a Taobao shop's default ranking quietly pushes down.
#include "Main.h"
#include "Publisher.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(korvane::publisher::kAppTitle));
    korvane::TMainForm form;
    form.show();
    return QApplication::exec();
}
