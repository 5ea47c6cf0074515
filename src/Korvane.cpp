// Korvane: finds the items a Taobao shop's default ranking quietly pushes down.
#include "ChineseTranslations.h"
#include "Main.h"
#include "Publisher.h"
#include "ThreadUnit.h"
#include "WebEngineEnvironment.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    korvane::PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(korvane::publisher::kAppTitle));
    korvane::TChineseTranslations::Install(app);
    int rc = 0;
    {
        korvane::TMainForm form;
        form.show();
        rc = QApplication::exec();
    }
    // Closing the window stopped any run; let its threads end cleanly.
    korvane::TRunThread::WaitForRunThreads(std::chrono::seconds(2));
    return rc;
}
