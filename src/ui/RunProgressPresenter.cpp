#include "RunProgressPresenter.h"

#include <QEvent>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace korvane {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString PassName(TPass pass) {
    return pass == TPass::Sales ? Text("销量排序") : Text("默认排序");
}

QString StopText(TPass pass, const TPassOutcome& outcome, bool compared) {
    // Nothing of a page the stop abandoned was kept, so a stop during the
    // first page leaves no page to name.
    if (outcome.LastPage == 0)
        return Text("已停止：%1第1页未读完，未做比较。").arg(PassName(pass));
    if (!compared)
        return Text("已停止：%1只读到第%2页，未做比较。").arg(PassName(pass)).arg(outcome.LastPage);
    return Text("已停止：%1只读到第%2页，结果只含前%2页的宝贝。")
        .arg(PassName(pass))
        .arg(outcome.LastPage);
}

QString BoundText(TPass pass, const TPassOutcome& outcome) {
    if (outcome.End == TPassEnd::PageLimit)
        return Text("%1读到第%2页仍未到最后一页，已停止读取，结果可能不完整。")
            .arg(PassName(pass))
            .arg(outcome.LastPage);
    if (outcome.End == TPassEnd::NoItems)
        return Text("%1读到第%2页时已连续%3页没有读到宝贝，已停止读取，结果可能不完整。")
            .arg(PassName(pass))
            .arg(outcome.LastPage)
            .arg(kMaxEmptyPagesInRow);
    return {};
}

} // namespace

TRunProgressPresenter::TRunProgressPresenter(QLabel* panel)
    : QObject(panel), Panel(panel), Bar(new QProgressBar(panel)) {
    Bar->setObjectName(QStringLiteral("pbRun"));
    Bar->setTextVisible(false);
    Bar->hide();
    PlaceBar();
    Panel->installEventFilter(this);
}

void TRunProgressPresenter::RunStarted() {
    Panel->clear();
    Bar->setRange(0, 0); // busy: the sales pass does not know its length
    Bar->show();
}

void TRunProgressPresenter::PageStarted(const TRunProgress& progress) {
    Panel->setText(ProgressText(progress));
    if (progress.Pass == TPass::Default && progress.SalesPages > 0) {
        // Both passes list the same shop; a longer default listing keeps the bar full.
        Bar->setRange(0, progress.SalesPages);
        Bar->setValue(std::min(progress.Page - 1, progress.SalesPages));
    } else {
        Bar->setRange(0, 0);
    }
}

void TRunProgressPresenter::RunEnded(const TRunReport& report) {
    Bar->hide();
    Panel->setText(EndText(report));
}

QString TRunProgressPresenter::ProgressText(const TRunProgress& progress) {
    return Text("正在读取%1第%2页，已找到%3件宝贝")
        .arg(PassName(progress.Pass))
        .arg(progress.Page)
        .arg(progress.ItemsFound);
}

QString TRunProgressPresenter::EndText(const TRunReport& report) {
    const bool compared = report.MakesComparison();
    if (report.Sales.End == TPassEnd::Stopped)
        return StopText(TPass::Sales, report.Sales, compared);
    if (report.Default.End == TPassEnd::Stopped)
        return StopText(TPass::Default, report.Default, compared);
    if (QString bound = BoundText(TPass::Sales, report.Sales); !bound.isEmpty())
        return bound;
    return BoundText(TPass::Default, report.Default);
}

bool TRunProgressPresenter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Panel && event->type() == QEvent::Resize)
        PlaceBar();
    return false;
}

void TRunProgressPresenter::PlaceBar() {
    Bar->setGeometry(Panel->width() - kBarWidth - kBarMargin, (Panel->height() - kBarHeight) / 2,
                     kBarWidth, kBarHeight);
}

} // namespace korvane
