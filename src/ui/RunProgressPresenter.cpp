#include "RunProgressPresenter.h"

#include "GbkCodec.h"

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

// One pass's failed pages: the page and reason of the last one.
QString FailureClause(TPass pass, const TPassOutcome& outcome) {
    const TFetchFailure& last = *outcome.LastFailure;
    if (outcome.FailedPages == 1)
        return Text("%1第%2页读取失败（%3）")
            .arg(PassName(pass))
            .arg(last.Page)
            .arg(TRunProgressPresenter::ReasonText(last));
    return Text("%1有%2页读取失败（最后是第%3页：%4）")
        .arg(PassName(pass))
        .arg(outcome.FailedPages)
        .arg(last.Page)
        .arg(TRunProgressPresenter::ReasonText(last));
}

QString FailuresText(const TRunReport& report, bool compared) {
    if (!compared && report.Default.ItemsFound > 0 && report.SalesUnreadBecauseOfFailures())
        return Text("无法读取销量排序的宝贝列表（%1），未做比较，请检查网络后重试。")
            .arg(TRunProgressPresenter::ReasonText(*report.Sales.LastFailure));
    if (!compared) {
        const TFetchFailure& latest =
            report.Default.LastFailure ? *report.Default.LastFailure : *report.Sales.LastFailure;
        return Text("无法读取淘宝的宝贝列表（%1），未做比较，请检查网络后重试。")
            .arg(TRunProgressPresenter::ReasonText(latest));
    }
    QStringList clauses;
    if (report.Sales.FailedPages > 0)
        clauses << FailureClause(TPass::Sales, report.Sales);
    if (report.Default.FailedPages > 0)
        clauses << FailureClause(TPass::Default, report.Default);
    // An item on a sales page that was not read counts as demoted.
    return clauses.join(Text("；")) + (report.Sales.FailedPages > 0
                                           ? Text("，结果不完整，降权宝贝可能有误。")
                                           : Text("，结果不完整。"));
}

} // namespace

TRunProgressPresenter::TRunProgressPresenter(QLabel* panel)
    : QObject(panel), Panel(panel), Bar(new QProgressBar(panel)) {
    Bar->setObjectName(QStringLiteral("pbRun"));
    Bar->setTextVisible(false);
    Bar->hide();
    PlaceBar();
    Panel->installEventFilter(this);
    ShowTimer.setSingleShot(true);
    connect(&ShowTimer, &QTimer::timeout, this, &TRunProgressPresenter::ShowLatest);
}

void TRunProgressPresenter::RunStarted() {
    ShowTimer.stop();
    SinceShown.invalidate();
    Panel->clear();
    FailedPages = 0;
    Bar->setRange(0, 0); // busy: the sales pass does not know its length
    Bar->show();
}

void TRunProgressPresenter::PageStarted(const TRunProgress& progress) {
    Latest = progress;
    if (ShowTimer.isActive())
        return;
    // After a quiet spell the page shows at once; a stream of pages shows in
    // steps of the interval.
    const qint64 since = SinceShown.isValid() ? SinceShown.elapsed() : kShowInterval;
    if (since >= kShowInterval)
        ShowLatest();
    else
        ShowTimer.start(static_cast<int>(kShowInterval - since));
}

void TRunProgressPresenter::ShowLatest() {
    SinceShown.start();
    const TRunProgress& progress = Latest;
    if (progress.Pass != FailurePass)
        FailedPages = 0;
    // The next page starts at once, so the last failure stays in view.
    if (FailedPages == 0)
        Panel->setText(ProgressText(progress));
    else if (FailedPages == 1)
        Panel->setText(
            ProgressText(progress) +
            Text("（第%1页读取失败：%2）").arg(LastFailure.Page).arg(ReasonText(LastFailure)));
    else
        Panel->setText(ProgressText(progress) + Text("（已有%1页读取失败，最后是第%2页：%3）")
                                                    .arg(FailedPages)
                                                    .arg(LastFailure.Page)
                                                    .arg(ReasonText(LastFailure)));
    if (progress.Pass == TPass::Default && progress.SalesPages > 0) {
        // Both passes list the same shop; a longer default listing keeps the bar full.
        Bar->setRange(0, progress.SalesPages);
        Bar->setValue(std::min(progress.Page - 1, progress.SalesPages));
    } else {
        Bar->setRange(0, 0);
    }
}

void TRunProgressPresenter::PageFailed(TPass pass, const TFetchFailure& failure) {
    if (pass != FailurePass)
        FailedPages = 0;
    FailurePass = pass;
    ++FailedPages;
    LastFailure = failure;
    // Shown at once, and left in view for an interval before the next page.
    ShowTimer.stop();
    SinceShown.start();
    Panel->setText(FailedPageText(pass, failure));
}

void TRunProgressPresenter::RunEnded(const TRunReport& report) {
    ShowTimer.stop(); // a page not shown yet is no news any more
    Bar->hide();
    Panel->setText(EndText(report));
}

QString TRunProgressPresenter::ProgressText(const TRunProgress& progress) {
    return Text("正在读取%1第%2页，已找到%3件宝贝")
        .arg(PassName(progress.Pass))
        .arg(progress.Page)
        .arg(progress.ItemsFound);
}

QString TRunProgressPresenter::FailedPageText(TPass pass, const TFetchFailure& failure) {
    return Text("%1第%2页读取失败（%3），继续…")
        .arg(PassName(pass))
        .arg(failure.Page)
        .arg(ReasonText(failure));
}

QString TRunProgressPresenter::EndText(const TRunReport& report) {
    const bool compared = report.MakesComparison();
    if (report.Sales.End == TPassEnd::Stopped)
        return StopText(TPass::Sales, report.Sales, compared);
    if (report.Default.End == TPassEnd::Stopped)
        return StopText(TPass::Default, report.Default, compared);
    if (report.FailedPages() > 0)
        return FailuresText(report, compared);
    if (QString bound = BoundText(TPass::Sales, report.Sales); !bound.isEmpty())
        return bound;
    if (QString bound = BoundText(TPass::Default, report.Default); !bound.isEmpty())
        return bound;
    // Read in full and empty: a real empty shop, or a mistyped nick.
    if (report.Default.ItemsFound == 0)
        return Text("没有找到卖家“%1”的宝贝，请检查卖家ID是否正确。")
            .arg(FromGbk(report.Default.Nick));
    return {};
}

QString TRunProgressPresenter::ReasonText(const TFetchFailure& failure) {
    switch (failure.Kind) {
    case TFetchFailureKind::ConnectionRefused:
        return Text("连接被拒绝");
    case TFetchFailureKind::ConnectTimeout:
        return Text("连接超时");
    case TFetchFailureKind::ReadTimeout:
        return Text("读取超时");
    case TFetchFailureKind::HostNotFound:
        return Text("找不到服务器");
    case TFetchFailureKind::ServerError:
        return Text("服务器返回错误 %1").arg(failure.StatusCode);
    case TFetchFailureKind::ConnectionLost:
        return Text("连接中断");
    case TFetchFailureKind::NetworkUnreachable:
        return Text("网络不通");
    case TFetchFailureKind::Other:
        break;
    }
    return Text("网络错误");
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
