#include "RunProgressPresenter.h"

#include "GbkCodec.h"

#include <QEvent>
#include <QLabel>
#include <QLocale>
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

// Nothing of a page the stop abandoned was kept, and a page that failed was
// not read: a stop names only the pages read.
QString StopText(TPass pass, const TPassOutcome& outcome, bool compared) {
    if (outcome.PagesRead == 0)
        return Text("已停止：%1未读到任何一页，未做比较。").arg(PassName(pass));
    if (!compared)
        return Text("已停止：%1只读到第%2页，未做比较。").arg(PassName(pass)).arg(outcome.LastPage);
    return Text("已停止：%1只读到第%2页，结果只含前%2页的宝贝。")
        .arg(PassName(pass))
        .arg(outcome.LastPage);
}

// A pass that ran into a bound without any page failing.
QString BoundText(TPass pass, const TPassOutcome& outcome, const QString& consequence) {
    if (outcome.End == TPassEnd::PageLimit)
        return Text("%1读到第%2页仍未到最后一页，已停止读取，%3")
            .arg(PassName(pass))
            .arg(outcome.LastPage)
            .arg(consequence);
    return Text("%1读到第%2页时已连续%3页没有读到宝贝，已停止读取，%4")
        .arg(PassName(pass))
        .arg(outcome.LastPage)
        .arg(kMaxEmptyPagesInRow)
        .arg(consequence);
}

// The page where the marketplace answered with something other than the listing.
QString TurnedAwayText(TPass pass, const TPassOutcome& outcome, const QString& consequence) {
    const TFetchFailure& last = *outcome.LastFailure;
    return Text("%1第%2页：%3，%4")
        .arg(PassName(pass))
        .arg(last.Page)
        .arg(TRunProgressPresenter::ReasonText(last))
        .arg(consequence);
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

QString UnreadText(const QString& what, const TFetchFailure& failure) {
    return Text("无法读取%1（%2），未做比较，请检查网络后重试。")
        .arg(what, TRunProgressPresenter::ReasonText(failure));
}

// A pass that gives nothing to compare, and why: what ended it, or else the
// bound it ran into, or else its last failure. When only the sales listing
// failed, the default one was still read and is shown on the first tab.
QString NotComparedText(TPass pass, const TRunReport& report) {
    const TPassOutcome& outcome = pass == TPass::Sales ? report.Sales : report.Default;
    const QString notCompared = Text("未做比较。");
    switch (outcome.End) {
    case TPassEnd::Stopped:
        return StopText(pass, outcome, false);
    case TPassEnd::HandOverFailed:
    case TPassEnd::NotRun:
        return Text("程序无法保存读到的宝贝（可能内存不足），未做比较，请重试。");
    case TPassEnd::TurnedAway:
        return TurnedAwayText(pass, outcome, notCompared);
    default:
        break;
    }
    if (outcome.FailedPages == 0)
        return BoundText(pass, outcome, notCompared);
    // Every item a missing sales page lists would look demoted.
    if (pass == TPass::Sales && outcome.ItemsFound > 0)
        return FailureClause(pass, outcome) + Text("，未做比较，请重试。");
    if (pass == TPass::Sales && report.Default.ItemsFound > 0)
        return UnreadText(Text("销量排序的宝贝列表"), *outcome.LastFailure);
    const TPassOutcome& latest = report.Default.LastFailure ? report.Default : report.Sales;
    return UnreadText(Text("淘宝的宝贝列表"), *latest.LastFailure);
}

// A comparison of the pages read of a default listing not read whole.
QString DefaultPartialText(const TPassOutcome& defaults) {
    switch (defaults.End) {
    case TPassEnd::Stopped:
        return StopText(TPass::Default, defaults, true);
    case TPassEnd::TurnedAway:
        return TurnedAwayText(TPass::Default, defaults,
                              Text("结果只含前%1页的宝贝。").arg(defaults.LastFailure->Page - 1));
    default:
        break;
    }
    if (defaults.FailedPages > 0)
        return FailureClause(TPass::Default, defaults) + Text("，结果不完整。");
    if (defaults.End == TPassEnd::PageLimit)
        return BoundText(TPass::Default, defaults,
                         Text("结果只含前%1页的宝贝。").arg(defaults.LastPage));
    return BoundText(TPass::Default, defaults, Text("结果可能不完整。"));
}

// The marketplace lists no more than the page limit: items past it are not
// counted as demoted.
QString SalesCutText(const TPassOutcome& sales, const TAnalysisSummary& summary) {
    const QString cut = Text("销量排序只列到第%1页（淘宝最多列出%1页）").arg(sales.LastPage);
    if (summary.PastCut == 0)
        return cut + Text("。");
    return cut + Text("，%1件销量不高于%2笔的宝贝可能排在其后，未计为降权。")
                     .arg(summary.PastCut)
                     .arg(summary.CutSales);
}

QString CountText(std::int32_t count) {
    return QLocale(QLocale::English).toString(count);
}

// Both listings read whole: the verdict in one line.
QString SummaryText(const TRunReport& report, const TAnalysisSummary& summary) {
    const QString nick = FromGbk(report.Default.Nick);
    // Read in full and empty: a real empty shop, or a mistyped nick.
    if (report.Default.ItemsFound == 0)
        return Text("没有找到卖家“%1”的宝贝，请检查卖家ID是否正确。").arg(nick);
    return Text("探测完成：卖家“%1”共%2件宝贝，降权宝贝%3件，重要宝贝被隐性降权%4件。")
        .arg(nick, CountText(summary.Items), CountText(summary.Demoted),
             CountText(summary.TopDemoted));
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

void TRunProgressPresenter::RunEnded(const TRunReport& report, const TAnalysisSummary& summary) {
    ShowTimer.stop(); // a page not shown yet is no news any more
    Bar->hide();
    Panel->setText(EndText(report, summary));
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

QString TRunProgressPresenter::EndText(const TRunReport& report, const TAnalysisSummary& summary) {
    if (!report.SalesComparable())
        return NotComparedText(TPass::Sales, report);
    if (!report.MakesComparison())
        return NotComparedText(TPass::Default, report);
    if (report.Complete())
        return SummaryText(report, summary);
    QStringList clauses;
    if (report.DefaultPartial())
        clauses << DefaultPartialText(report.Default);
    if (report.Sales.ReadToPageLimit())
        clauses << SalesCutText(report.Sales, summary);
    if (report.AnalysisFailed)
        clauses << Text("分析结果时出错（可能内存不足），结果可能不完整。");
    return clauses.join(QString());
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
    case TFetchFailureKind::EmptyPage:
        return Text("淘宝返回了空白页");
    case TFetchFailureKind::NotAListing:
        return Text("淘宝返回的不是宝贝列表，可能需要验证或登录");
    case TFetchFailureKind::LoginRequired:
        return Text("淘宝要求登录或加密连接（https），本程序无法读取");
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
