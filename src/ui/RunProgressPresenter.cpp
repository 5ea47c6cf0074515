#include "RunProgressPresenter.h"

#include "FailureWords.h"
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

// Every ending leads with what it means for the comparison, in one
// sentence that fits the status bar at the window's usual size; the detail
// follows, and the whole text is on hover.

// A stop names the pages read: nothing of a page the stop abandoned was
// kept, and a page that failed was not read.
QString StopText(TPass pass, const TPassOutcome& outcome, bool compared) {
    if (outcome.PagesRead == 0)
        return Text("已停止：%1未读到任何一页，未做比较。").arg(PassName(pass));
    if (outcome.FailedPages > 0)
        return Text("已停止：%1读了%2页，另有%3页读取失败，%4")
            .arg(PassName(pass))
            .arg(outcome.PagesRead)
            .arg(outcome.FailedPages)
            .arg(compared ? Text("结果不完整。") : Text("未做比较。"));
    if (!compared)
        return Text("已停止：%1只读到第%2页，未做比较。")
            .arg(PassName(pass))
            .arg(outcome.PagesRead);
    return Text("已停止：%1只读到第%2页，结果只含前%2页的宝贝。")
        .arg(PassName(pass))
        .arg(outcome.PagesRead);
}

QString CountText(std::int32_t count) {
    return QLocale(QLocale::English).toString(count);
}

// A pass that ran into a bound without any page failing.
QString BoundText(TPass pass, const TPassOutcome& outcome, const QString& meaning) {
    if (outcome.End == TPassEnd::PageLimit)
        return Text("淘宝最多列出%1页，%2%3前%1页的宝贝。")
            .arg(outcome.LastPage)
            .arg(meaning, PassName(pass));
    return Text("%1：%2读到第%3页时已连续%4页没有读到宝贝。")
        .arg(meaning, PassName(pass))
        .arg(outcome.LastPage)
        .arg(kMaxEmptyPagesInRow);
}

// The marketplace answered with something other than the listing: what it
// means, and what the seller can do about it.
QString TurnedAwayText(TPass pass, const TPassOutcome& outcome, const QString& meaning) {
    const TFetchFailure& last = *outcome.LastFailure;
    const QString where = Text("（%1第%2页）").arg(PassName(pass)).arg(last.Page);
    if (last.Kind == TFetchFailureKind::NotAListing)
        return Text("%1：%2。请在浏览器中打开淘宝，通过验证后重试%3。")
            .arg(meaning, TRunProgressPresenter::ReasonText(last), where);
    return Text("%1：%2%3。").arg(meaning, TRunProgressPresenter::ReasonText(last), where);
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
    const QString notCompared = Text("未做比较");
    // Both listings list the same shop: one empty beside the other was not
    // answered as it should be.
    if (report.ListingsDisagree()) {
        const bool salesEmpty = report.Sales.ItemsFound == 0;
        return Text(
                   "未做比较：%1没有列出任何宝贝。%2却列出了%3件，淘宝可能限制了访问，请稍后重试。")
            .arg(PassName(salesEmpty ? TPass::Sales : TPass::Default),
                 PassName(salesEmpty ? TPass::Default : TPass::Sales))
            .arg(CountText(salesEmpty ? report.Default.ItemsFound : report.Sales.ItemsFound));
    }
    switch (outcome.End) {
    case TPassEnd::Stopped:
        return StopText(pass, outcome, false);
    case TPassEnd::HandOverFailed:
    case TPassEnd::NotRun:
        return Text("程序无法保存读到的宝贝（可能内存不足），未做比较，请重试。");
    case TPassEnd::TurnedAway:
        return TurnedAwayText(pass, outcome, notCompared);
    case TPassEnd::NoAnswer:
        return Text("无法读取淘宝的宝贝列表（%1第%2页起连续%3页%4），未做比较，请检查网络后重试。")
            .arg(PassName(pass))
            .arg(outcome.LastPage - kMaxTimeoutsBeforeAnswer + 1)
            .arg(kMaxTimeoutsBeforeAnswer)
            .arg(TRunProgressPresenter::ReasonText(*outcome.LastFailure));
    default:
        break;
    }
    if (outcome.FailedPages == 0)
        return BoundText(pass, outcome, notCompared);
    // Every item a missing sales page lists would look demoted.
    if (pass == TPass::Sales && outcome.ItemsFound > 0)
        return Text("未做比较：") + FailureClause(pass, outcome) + Text("，请重试。");
    if (pass == TPass::Sales && report.Default.ItemsFound > 0)
        return UnreadText(Text("销量排序的宝贝列表"), *outcome.LastFailure);
    const TPassOutcome& latest = report.Default.LastFailure ? report.Default : report.Sales;
    return UnreadText(Text("淘宝的宝贝列表"), *latest.LastFailure);
}

// The default listing stops at the marketplace's page limit (at the limit with
// a next page, or on a full last page there that shows the pager's end, which
// a longer listing cut there looks just like): what lies past it was never
// looked at.
QString DefaultCutText() {
    return Text("淘宝最多列出%1页，默认排序第%1页之后的宝贝未检查，结果只含前%1页的宝贝。")
        .arg(kMaxPagesPerPass);
}

// A comparison of the pages read of a default listing not read whole.
QString DefaultPartialText(const TPassOutcome& defaults) {
    switch (defaults.End) {
    case TPassEnd::Stopped:
        return StopText(TPass::Default, defaults, true);
    case TPassEnd::TurnedAway:
        return TurnedAwayText(TPass::Default, defaults,
                              Text("结果只含默认排序前%1页的宝贝").arg(defaults.PagesRead));
    default:
        break;
    }
    if (defaults.FailedPages > 0)
        return Text("结果不完整：") + FailureClause(TPass::Default, defaults) + Text("。");
    if (TRunReport::CutAtPageLimit(defaults))
        return DefaultCutText();
    return BoundText(TPass::Default, defaults, Text("结果可能不完整"));
}

// The marketplace lists no more than the page limit: items past the sales
// listing's end are not counted as demoted.
QString SalesCutText(const TPassOutcome& sales, const TAnalysisSummary& summary, bool limitSaid) {
    const QString cut = limitSaid ? Text("销量排序也未列全")
                                  : Text("淘宝最多列出%1页，销量排序未列全").arg(kMaxPagesPerPass);
    if (!sales.LastPageLowestSales)
        return cut + Text("：其第%1页没有可读的销量，未列出的宝贝都计为降权。").arg(sales.LastPage);
    if (summary.PastCut == 0)
        return cut + Text("，只列到销量%1笔为止。").arg(summary.CutSales);
    // The count after a full stop: the lead must fit the status bar.
    return cut + Text("。%1件销量不高于%2笔的宝贝可能排在销量排序第%3页之后，未计为降权。")
                     .arg(summary.PastCut)
                     .arg(summary.CutSales)
                     .arg(sales.LastPage);
}

// What the check of the items the sales listing left out found, when the
// listing moved while it was read: items found again only moved.
QString MovedText(const TConfirmationOutcome& check) {
    if (check.Cleared == 0)
        return QString();
    return Text("淘宝的列表在读取时有变动：%1件宝贝复核时在销量排序中找到，未计为降权。")
        .arg(CountText(check.Cleared));
}

// Items whose figure could not be read hold no earned place.
QString UnreadSalesText(const TAnalysisSummary& summary) {
    if (summary.UnreadSales == 0)
        return QString();
    return Text("%1件宝贝的销量无法读取，不参与理论排名。").arg(CountText(summary.UnreadSales));
}

// Both listings read whole: the verdict in one line.
QString SummaryText(const TRunReport& report, const TAnalysisSummary& summary) {
    const QString nick = FromGbk(report.Default.Nick);
    return Text("探测完成：卖家“%1”共%2件宝贝，降权宝贝%3件，重要宝贝被隐性降权%4件。")
               .arg(nick, CountText(summary.Items), CountText(summary.Demoted),
                    CountText(summary.TopDemoted)) +
           MovedText(report.Confirmation) + UnreadSalesText(summary);
}

// Items the sales listing left out that could be neither found there again
// nor confirmed missing are not accused: what that means, and why.
QString UncertainText(const TConfirmationOutcome& check) {
    if (check.Unconfirmed.empty())
        return Text("结果可能不准：淘宝的列表在读取时有变动。%1件降权宝贝复核时仍未找到，"
                    "但也可能恰在复核时又换了位置。")
            .arg(CountText(check.ConfirmedByReread));
    QStringList why;
    if (check.Stopped)
        why << Text("复核时已停止");
    if (check.FailedRereads > 0)
        why << Text("复核时有%1页读取失败").arg(check.FailedRereads);
    if (check.UnconfirmedUnread > 0)
        why << Text("%1件的销量无法读取，无从查找").arg(check.UnconfirmedUnread);
    if (why.isEmpty())
        why << Text("淘宝的列表在读取时有变动");
    return Text("结果不确定：%1件宝贝未能确认是否降权。它们在销量排序中没有读到，%2，未计为降权，"
                "排名表中标为“未能确认是否降权”。")
        .arg(CountText(static_cast<std::int32_t>(check.Unconfirmed.size())), why.join(Text("；")));
}

// What a comparison of listings not both read whole found, after what
// limits it.
QString PartialCountsText(const TAnalysisSummary& summary) {
    return Text("已比较的%1件宝贝中，降权宝贝%2件，重要宝贝被隐性降权%3件。")
        .arg(CountText(summary.Items), CountText(summary.Demoted), CountText(summary.TopDemoted));
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
    Panel->setToolTip(QString());
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
    if (progress.Rereads > 0) {
        Bar->setRange(0, progress.Rereads);
        Bar->setValue(progress.Reread - 1);
    } else if (progress.Pass == TPass::Default && progress.SalesPages > 0) {
        // Both passes list the same shop; a longer default listing keeps the bar full.
        Bar->setRange(0, progress.SalesPages);
        Bar->setValue(std::min(progress.Page - 1, progress.SalesPages));
    } else {
        Bar->setRange(0, 0);
    }
}

void TRunProgressPresenter::PageFailed(TPass pass, const TFetchFailure& failure, bool passGoesOn) {
    if (pass != FailurePass)
        FailedPages = 0;
    FailurePass = pass;
    ++FailedPages;
    LastFailure = failure;
    // Shown at once, and left in view for an interval before the next page.
    ShowTimer.stop();
    SinceShown.start();
    Panel->setText(FailedPageText(pass, failure, passGoesOn));
}

void TRunProgressPresenter::RunEnded(const TRunReport& report, const TAnalysisSummary& summary) {
    ShowTimer.stop(); // a page not shown yet is no news any more
    Bar->hide();
    const QString text = EndText(report, summary);
    Panel->setText(text);
    // The detail after the first sentence may run past the panel's end.
    Panel->setToolTip(text);
}

QString TRunProgressPresenter::LeadOf(const QString& text) {
    const qsizetype stop = text.indexOf(QChar(0x3002)); // 。
    return stop < 0 ? text : text.left(stop);
}

QString TRunProgressPresenter::ProgressText(const TRunProgress& progress) {
    if (progress.Rereads > 0)
        return Text("正在复核：重读销量排序第%1页（%2/%3），查找销量排序中没有读到的宝贝")
            .arg(progress.Page)
            .arg(progress.Reread)
            .arg(progress.Rereads);
    return Text("正在读取%1第%2页，已找到%3件宝贝")
        .arg(PassName(progress.Pass))
        .arg(progress.Page)
        .arg(progress.ItemsFound);
}

QString TRunProgressPresenter::FailedPageText(TPass pass, const TFetchFailure& failure,
                                              bool passGoesOn) {
    return Text("%1第%2页读取失败（%3）%4")
        .arg(PassName(pass))
        .arg(failure.Page)
        .arg(ReasonText(failure), passGoesOn ? Text("，继续…") : QString());
}

QString TRunProgressPresenter::EndText(const TRunReport& report, const TAnalysisSummary& summary) {
    if (!report.SalesComparable())
        return NotComparedText(TPass::Sales, report);
    if (!report.MakesComparison())
        return NotComparedText(TPass::Default, report);
    // Read in full and empty: a real empty shop, or a mistyped nick.
    if (report.ListsNothing())
        return Text("没有找到卖家“%1”的宝贝，请检查卖家ID是否正确。")
            .arg(FromGbk(report.Default.Nick));
    if (report.Complete())
        return SummaryText(report, summary);
    QStringList clauses;
    if (report.Uncertain())
        clauses << UncertainText(report.Confirmation);
    // A default listing cut at the page limit, in either form, is partial.
    if (report.DefaultPartial())
        clauses << DefaultPartialText(report.Default);
    if (report.SalesCut())
        clauses << SalesCutText(report.Sales, summary, report.DefaultCut());
    if (report.AnalysisFailed)
        clauses << Text("分析结果时出错（可能内存不足），结果可能不完整。");
    else
        clauses << PartialCountsText(summary) << MovedText(report.Confirmation)
                << UnreadSalesText(summary);
    return clauses.join(QString());
}

QString TRunProgressPresenter::ReasonText(const TFetchFailure& failure) {
    return QString::fromStdString(FailureWords(failure));
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
