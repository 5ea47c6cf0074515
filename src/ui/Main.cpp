#include "Main.h"

#include "AppIcon.h"
#include "GbkCodec.h"
#include "GridCopier.h"
#include "GridView.h"
#include "KeyboardConventions.h"
#include "LinkLabel.h"
#include "MyUtils.h"
#include "NickPrompt.h"
#include "RankAnalysis.h"
#include "RankChart.h"
#include "RankingNotice.h"
#include "RankingSortDisplay.h"
#include "ResultTables.h"
#include "ResultTexts.h"
#include "RunBridge.h"
#include "RunProgressPresenter.h"
#include "RunStopper.h"
#include "ScreenFit.h"
#include "SortChoice.h"
#include "SortGrid.h"
#include "StartSplash.h"
#include "StatusPanel.h"
#include "ThreadUnit.h"
#include "WebPane.h"
#include "WindowPlacement.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleOptionViewItem>
#include <QTabWidget>

namespace korvane {

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QFont WindowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    return font;
}

template <typename Widget, typename... Args>
Widget* Make(QWidget* parent, const char* name, QRect geometry, Args&&... args) {
    auto* widget = new Widget(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

TMainForm::TMainForm(TMainFormSettings settings) : Settings(std::move(settings)) {
    if (Settings.Desktop == nullptr)
        OwnDesktop = std::make_unique<TSystemDesktop>();
    Desktop = Settings.Desktop != nullptr ? Settings.Desktop : OwnDesktop.get();

    Bridge = TRunBridge::Create(this);
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(Text(publisher::kAppTitle));
    setWindowIcon(MakeAppIcon());
    setFont(WindowFont());
    CreateControls();
    // The usual size, or the screen's free area where that is smaller.
    const QRect area = TWindowPlacement::AvailableArea();
    const QSize client =
        TScreenFit::StartClient({kClientWidth, kClientHeight}, area, {kFrameWidth, kFrameHeight});
    setMinimumSize(client);
    resize(client);
    const QSize frame = client + QSize(kFrameWidth, kFrameHeight);
    move(TWindowPlacement::StartPosition(area, frame, frame));
    // Something on screen at once while the version check holds the window.
    if (!Settings.VersionUrl.empty()) {
        Splash = std::make_unique<TStartSplash>();
        Splash->ShowNow();
    }
    FormCreate();
}

TMainForm::~TMainForm() {
    // A run still going ends at its next page and never reaches this window.
    Stopper->Stop();
    Bridge->Close();
    // The views read the grids, which are members and die before the base
    // class would delete its children.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void TMainForm::CreateControls() {
    labID = Make<QLabel>(this, "labID", {8, 8, 47, 13}, Text("卖家ID："));
    txtID = Make<QLineEdit>(this, "txtID", {56, 8, 201, 18});
    txtID->setMaxLength(32767 * 1024); // no practical limit on the nick
    btnSearch = Make<QPushButton>(this, "btnSearch", {264, 8, 75, 25}, Text("探测"));
    connect(btnSearch, &QPushButton::clicked, this, &TMainForm::btnSearchClick);
    btnStop = Make<QPushButton>(this, "btnStop", {346, 8, 75, 25}, Text("停止"));
    connect(btnStop, &QPushButton::clicked, this, &TMainForm::btnStopClick);
    Stopper = new TRunStopper(btnStop, btnSearch, this);

    MainPage = Make<QTabWidget>(this, "MainPage", {8, 40, 993, 545});
    QWidget* tabs[6];
    const char* captions[6] = {
        " 所有宝贝",    "降权宝贝",        "宝贝权重排行榜（隐形降权）", publisher::kShopCaption,
        "隐形降权说明", "Ostrevan软件列表"};
    for (int i = 0; i < 6; ++i) {
        tabs[i] = new QWidget;
        tabs[i]->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        MainPage->addTab(tabs[i], Text(captions[i]));
    }

    sgData1 = Make<TGridView>(tabs[0], "sgData1", {8, 8, 977, 513}, Data1, false);
    sgData1HSB = Make<QScrollBar>(tabs[0], "sgData1HSB", {16, 488, 200, 19}, Qt::Horizontal);
    sgData1VSB = Make<QScrollBar>(tabs[0], "sgData1VSB", {960, 8, 19, 200}, Qt::Vertical);
    ADPanel1 = CreatePublisherPanel(tabs[0], "ADPanel1");

    sgData2 = Make<TGridView>(tabs[1], "sgData2", {8, 8, 977, 513}, Data2, false);
    sgData2HSB = Make<QScrollBar>(tabs[1], "sgData2HSB", {8, 480, 200, 19}, Qt::Horizontal);
    sgData2VSB = Make<QScrollBar>(tabs[1], "sgData2VSB", {960, 8, 19, 200}, Qt::Vertical);
    ADPanel2 = CreatePublisherPanel(tabs[1], "ADPanel2");

    cbSort = Make<QComboBox>(tabs[2], "cbSort", {8, 8, 161, 20});
    for (const TSortChoice& choice : kSortChoices)
        cbSort->addItem(FromGbk(choice.Text));
    cbSort->setCurrentIndex(static_cast<int>(kInitialSortChoice));
    btnSort = Make<QPushButton>(tabs[2], "btnSort", {176, 8, 75, 25}, Text("确定"));
    connect(btnSort, &QPushButton::clicked, this, &TMainForm::btnSortClick);
    sgData3 = Make<TGridView>(tabs[2], "sgData3", {8, 40, 977, 481}, Data3, true);
    sgData3HSB = Make<QScrollBar>(tabs[2], "sgData3HSB", {8, 496, 200, 19}, Qt::Horizontal);
    sgData3VSB = Make<QScrollBar>(tabs[2], "sgData3VSB", {968, 40, 19, 200}, Qt::Vertical);
    // The chart takes the table's place, over its scroll bars, when shown.
    btnChart = Make<QPushButton>(tabs[2], "btnChart", {258, 8, 75, 25}, Text("图表"));
    connect(btnChart, &QPushButton::clicked, this, &TMainForm::btnChartClick);
    chtRanking = Make<TRankChart>(tabs[2], "chtRanking", {8, 40, 977, 481}, Data3, Data2);
    chtRanking->hide();
    chtRanking->SetOpenItem([this](const std::string& id) { OpenItemPage(id); });
    NoRanking = new TRankingNotice(sgData3, btnChart);

    adweb = Make<TWebPane>(tabs[3], "adweb", {-128, -112, 993, 529});
    noteweb = Make<TWebPane>(tabs[4], "noteweb", {0, 0, 977, 513});
    softweb = Make<TWebPane>(tabs[5], "softweb", {0, 0, 300, 150});
    for (TWebPane* pane : {adweb, noteweb, softweb}) {
        pane->SetPageDialogs(Settings.PageDialogs);
        // The pages' new windows and downloads open in the browser, as the
        // tables' item pages do.
        pane->SetBrowserOpener([this](const QUrl& url) {
            Desktop->OpenInBrowser(this, url.toString(), TDesktopServices::TShowMode::Normal);
        });
    }
    adweb->OnScriptError = [this](TWebPane* Sender, const QString& ErrorLine,
                                  const QString& ErrorCharacter, const QString& ErrorCode,
                                  const QString& ErrorMessage, const QString& ErrorUrl,
                                  bool& ContinueScript, bool& Showdialog) {
        adwebScriptError(Sender, ErrorLine, ErrorCharacter, ErrorCode, ErrorMessage, ErrorUrl,
                         ContinueScript, Showdialog);
    };
    adweb->OnShowMessage = [this](std::uint32_t HWND, const QString& lpstrText,
                                  const QString& lpstrCaption, std::int32_t dwType,
                                  const QString& lpstrHelpFile, std::int32_t dwHelpContext,
                                  std::int32_t& plResult) {
        return adwebShowMessage(HWND, lpstrText, lpstrCaption, dwType, lpstrHelpFile, dwHelpContext,
                                plResult);
    };

    for (TGridView* table : {sgData1, sgData2, sgData3})
        new TGridCopier(table);
    sgData1->AttachScrollBars(sgData1HSB, sgData1VSB);
    sgData2->AttachScrollBars(sgData2HSB, sgData2VSB);
    sgData3->AttachScrollBars(sgData3HSB, sgData3VSB);
    connect(sgData1, &TGridView::DoubleClicked, this, &TMainForm::sgData1DblClick);
    connect(sgData2, &TGridView::DoubleClicked, this, &TMainForm::sgData2DblClick);
    connect(sgData3, &TGridView::DoubleClicked, this, &TMainForm::sgData3DblClick);
    connect(sgData3, &TGridView::HeaderPressed, this,
            [this](int column) { sgData3MouseDown(Qt::LeftButton, column, 0); });
    SortDisplay = new TRankingSortDisplay(sgData3, cbSort);
    sgData3->SetDrawCellHook([this](QPainter& painter, int column, int row, const QRect& rect,
                                    const QStyleOptionViewItem& option) {
        sgData3DrawCell(painter, column, row, rect, option);
    });

    StatusBar = Make<QWidget>(this, "StatusBar", {0, kClientHeight - 21, kClientWidth, 21});
    sbar = Make<TStatusPanel>(StatusBar, "sbar", {0, 1, 753, 21});
    sbar->setFrameShape(QFrame::Panel);
    sbar->setFrameShadow(QFrame::Sunken);
    Progress = new TRunProgressPresenter(sbar);
    NickPrompt = new TNickPrompt(txtID, sbar);
    labCP = new TLinkLabel(Text(publisher::kCopyrightText), Text(publisher::kCopyrightUrl),
                           *Desktop, StatusBar);
    labCP->setObjectName(QStringLiteral("labCP"));
    labCP->setGeometry(760, 3, 249, 17);

    setTabOrder(txtID, btnSearch);
    setTabOrder(btnSearch, btnStop);
    setTabOrder(btnStop, MainPage);
    // The ranking tab's controls in the order they stand, then the table.
    setTabOrder(btnSort, btnChart);
    setTabOrder(btnChart, sgData3);
    setTabOrder(sgData3, chtRanking);
    // After the page control, the status line, then the publisher's link.
    setTabOrder(chtRanking, sbar);
    setTabOrder(sbar, labCP);
    new TKeyboardConventions(this, MainPage);
}

QFrame* TMainForm::CreatePublisherPanel(QWidget* parent, const char* name) {
    auto* panel = Make<QFrame>(parent, name, {680, 8, 297, 481});
    panel->setFrameShape(QFrame::Box);
    panel->setFrameShadow(QFrame::Sunken);
    int top = 16;
    int number = 1;
    for (const publisher::PanelLink& link : publisher::kPanelLinks) {
        auto* caption = new QLabel(Text(link.Caption), panel);
        caption->setGeometry(8, top, 84, 13 + 4);
        auto* label = new TLinkLabel(Text(link.Text), Text(link.Url), *Desktop, panel);
        label->setObjectName(
            QStringLiteral("%1Link%2").arg(QString::fromLatin1(name)).arg(number++));
        label->setGeometry(104, top, 129, 17);
        top += 24;
    }
    auto* contact = new QLabel(Text(publisher::kContactCaption), panel);
    contact->setGeometry(8, 96, 76, 13 + 4);
    auto* contactNumber = new QLineEdit(Text(publisher::kContactNumber), panel);
    contactNumber->setObjectName(QString::fromLatin1(name) + QStringLiteral("QQ"));
    contactNumber->setGeometry(80, 95, 65, 18);
    contactNumber->setReadOnly(true);
    contactNumber->setTextMargins(0, 0, 0, 0);
    contactNumber->setStyleSheet(QStringLiteral("QLineEdit { padding: 0px; }"));
    auto* note = new QLabel(Text(publisher::kContactNote), panel);
    note->setGeometry(140, 96, 156, 13 + 4);
    return panel;
}

void TMainForm::FormCreate() {
    // Blocking, before the window is shown: a seller offered a newer version
    // answers before using this one, and the fetch is one small document
    // whose whole answer has a short limit of its own.
    CheckForNewVersion();
    MainPage->setCurrentIndex(0);
    SetUpResultTables(Data1, Data2, Data3);
    adweb->Navigate(Text(Settings.HomeUrl.c_str()));
    noteweb->Navigate(Text(Settings.DemotionNoteUrl.c_str()));
    softweb->Navigate(Text(Settings.SoftwareListUrl.c_str()));
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

// The tab pages are laid out now: the tables are fitted into them.
void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormResize();
    Splash.reset();
}

void TMainForm::FormResize() {
    const int W = width() + kFrameWidth;
    const int H = height() + kFrameHeight;
    StatusBar->setGeometry(0, height() - StatusBar->height(), width(), StatusBar->height());

    // Fitted inside the client area above the status bar, which the rule's
    // frame sizes do not quite give.
    MainPage->resize(TScreenFit::PageControl({W - 20, H - 95}, MainPage->pos(), width(),
                                             height() - StatusBar->height()));
    const int pw = MainPage->width();
    const int ph = MainPage->height();
    // Each table ends inside its tab page, which is laid out only once the
    // page control is shown.
    const int pageHeight = MainPage->isVisible() ? MainPage->currentWidget()->height() : -1;
    const auto tableHeight = [pageHeight](const TGridView* table, int ruled) {
        return pageHeight < 0 ? ruled : TScreenFit::TableHeight(*table, pageHeight, ruled);
    };

    // A table's own scroll bars lie over its rightmost and bottom 16 pixels.
    const auto placeBars = [](TGridView* table, QScrollBar* hsb, QScrollBar* vsb) {
        const QRect t = table->geometry();
        vsb->setGeometry(t.left() + t.width() - 16, t.top(), vsb->width(), t.height());
        hsb->setGeometry(t.left(), t.top() + t.height() - 16, t.width() - 16, hsb->height());
    };
    sgData1->resize(pw - 320, tableHeight(sgData1, ph - 40));
    placeBars(sgData1, sgData1HSB, sgData1VSB);
    ADPanel1->move(sgData1->x() + sgData1->width() + 5, ADPanel1->y());
    sgData2->resize(pw - 320, tableHeight(sgData2, ph - 40));
    placeBars(sgData2, sgData2HSB, sgData2VSB);
    ADPanel2->move(sgData1->x() + sgData1->width() + 5, ADPanel2->y());
    sgData3->resize(pw - 20, tableHeight(sgData3, ph - 70));
    placeBars(sgData3, sgData3HSB, sgData3VSB);
    chtRanking->setGeometry(sgData3->geometry());
    NoRanking->setGeometry(sgData3->geometry());
    for (QWidget* pane : {adweb, noteweb, softweb})
        pane->setGeometry(-1, -1, pw + 20, ph + 20);

    sbar->resize(W - 300, sbar->height());
    labCP->move(sbar->width() + 10, labCP->y());
}

void TMainForm::CheckForNewVersion() {
    std::string document;
    try {
        Settings.FetchVersion(Settings.VersionUrl, document);
    } catch (...) {
        // An unreachable site is no reason to hold up the program, and a
        // document cut short (a slow site, a dropped connection) is not the
        // publisher's word: "1.0" of "1.01" would offer a download for nothing.
        return;
    }
    if (document.empty() || ContainsMarker(document, publisher::kVersion))
        return;
    Splash.reset(); // the question is the sign of life now
    if (Desktop->AskYesNo(this, Text("软件版本已更新,是否下载新版软件?"), QStringLiteral(" ")) ==
        TDesktopServices::TAnswer::Yes)
        Desktop->OpenInBrowser(this, Text(Settings.DownloadUrl.c_str()),
                               TDesktopServices::TShowMode::Show);
}

void TMainForm::btnSearchClick() {
    if (!btnSearch->isEnabled())
        return;
    // Without a nick the listing is the whole marketplace, not a shop.
    if (txtID->text().trimmed().isEmpty()) {
        NickPrompt->Ask();
        return;
    }
    Method::ClearGrid(Data1, kEmptyTableRowCount);
    Method::ClearGrid(Data2, kEmptyTableRowCount);
    Method::ClearGrid(Data3, kEmptyTableRowCount);
    Stopper->RunStarted();
    btnSearch->setEnabled(false);
    // The chart empties with the tables; FinishRun draws it anew.
    btnChart->setEnabled(false);
    chtRanking->Clear();
    NoRanking->Clear();
    Progress->RunStarted();
    ItemLists.DefaultList.clear();
    ItemLists.SalesOrderList.clear();

    TRunOperations ops;
    ops.FetchPage = [fetch = Settings.FetchPage, abort = Stopper->Signal()](const std::string& url,
                                                                            std::string& body) {
        const http::TIdAbortScope scope(abort);
        fetch(url, body);
    };
    // The bridge goes with the window: a call after that ends the run.
    const auto liveBridge = [bridge = std::weak_ptr<TRunBridge>(Bridge)] {
        std::shared_ptr<TRunBridge> alive = bridge.lock();
        if (!alive)
            throw TRunAborted();
        return alive;
    };
    ops.Synchronize = [liveBridge](const std::function<void()>& call) {
        liveBridge()->Synchronize(call);
    };
    ops.Post = [liveBridge](std::function<void()> call) { liveBridge()->Post(std::move(call)); };
    // Both passes list the shop named when the run started: the box stays
    // editable, but what is typed there now is for the next run.
    RunNick = NickText();
    ops.Nick = RunNick;
    LastAnalysis = {};
    ops.AddItemRow = [this](const TItemInfo& item) { AddItemRow(Data1, item); };
    ops.Lists = &ItemLists;
    ops.StopRequested = Stopper->Flag();
    ops.ReportProgress = [this](const TRunProgress& progress) { Progress->PageStarted(progress); };
    ops.ReportPageFailed = [this](TPass pass, const TFetchFailure& failure, bool passGoesOn) {
        Progress->PageFailed(pass, failure, passGoesOn);
    };
    ops.SearchHost = Settings.SearchHost;
    ops.AnalyseRanks = [this](const TRunReport& report) { AnalyseRanks(report.Coverage()); };
    ops.FinishRun = [this](const TRunReport& report) { FinishRun(report); };
    TRunThread::StartRun(std::move(ops));
}

void TMainForm::AnalyseRanks(TListingCoverage coverage) {
    LastAnalysis = korvane::AnalyseRanks(ItemLists, Data2, Data3, coverage);
}

void TMainForm::FinishRun(const TRunReport& report) {
    btnSearch->setEnabled(true);
    Stopper->RunEnded();
    TSortGrid::SortColumn(Data3, kEndOfRunSort.DataColumn, kEndOfRunSort.Mode);
    SortDisplay->Sorted(kEndOfRunSort);
    Progress->RunEnded(report, LastAnalysis);
    if (!report.MakesComparison()) {
        // Nothing was compared: an empty chart would read as an all-clear,
        // and an empty table needs saying why.
        if (!chtRanking->isHidden())
            btnChartClick();
        NoRanking->Show(
            TRunProgressPresenter::LeadOf(TRunProgressPresenter::EndText(report, LastAnalysis)) +
            Text("。"));
        return;
    }
    // From the result tables as the run leaves them, drawn when first shown;
    // a partial comparison says so as the status bar does.
    chtRanking->Draw(
        FromGbk(RunNick),
        report.Complete() || report.ListsNothing()
            ? QString()
            : TRunProgressPresenter::LeadOf(TRunProgressPresenter::EndText(report, LastAnalysis)));
    btnChart->setEnabled(true);
}

void TMainForm::btnStopClick() {
    if (!btnStop->isEnabled())
        return;
    Stopper->Stop();
}

std::string TMainForm::NickText() const {
    return ToGbk(txtID->text());
}

void TMainForm::OpenItemPage(const TGridView& view, int idColumn) {
    OpenItemPage(view.Grid().Cell(idColumn, view.SelectionTopRow()));
}

void TMainForm::OpenItemPage(const std::string& id) {
    if (id.empty())
        return;
    // The id goes into the address as it is, unencoded.
    const QString url = QStringLiteral("http://") + QString::fromStdString(Settings.ItemPageHost) +
                        QStringLiteral("/item.htm?id=") + FromGbk(id);
    Desktop->OpenInBrowser(this, url, TDesktopServices::TShowMode::Normal);
}

void TMainForm::sgData1DblClick() {
    OpenItemPage(*sgData1, allitems::kId);
}
void TMainForm::sgData2DblClick() {
    OpenItemPage(*sgData2, demoted::kId);
}
void TMainForm::sgData3DblClick() {
    OpenItemPage(*sgData3, ranking::kId);
}

void TMainForm::sgData3MouseDown(Qt::MouseButton button, int column, int row) {
    if (button != Qt::LeftButton || row != 0 || !btnSearch->isEnabled())
        return;
    SortDisplay->Sorted(column - 1, TSortGrid::SortColumn(Data3, column - 1, kSortToggle));
}

void TMainForm::btnSortClick() {
    if (!btnSearch->isEnabled())
        return;
    const int choice = cbSort->currentIndex();
    ApplySortChoice(Data3, choice);
    if (choice >= 0)
        SortDisplay->Sorted(kSortChoices[static_cast<std::size_t>(choice)]);
}

void TMainForm::btnChartClick() {
    const bool showChart = chtRanking->isHidden();
    sgData3->setVisible(!showChart);
    chtRanking->setVisible(showChart);
    if (showChart)
        chtRanking->raise();
    btnChart->setText(Text(showChart ? "表格" : "图表"));
}

// The shop page's script errors and message boxes are not the user's concern.
void TMainForm::adwebScriptError(TWebPane*, const QString&, const QString&, const QString&,
                                 const QString&, const QString&, bool&, bool& Showdialog) {
    Showdialog = false;
}

std::int32_t TMainForm::adwebShowMessage(std::uint32_t, const QString&, const QString&,
                                         std::int32_t, const QString&, std::int32_t,
                                         std::int32_t&) {
    return TWebPane::kS_OK;
}

void TMainForm::sgData3DrawCell(QPainter& painter, int column, int row, const QRect& rect,
                                const QStyleOptionViewItem& option) {
    if (column != ranking::kVerdict || row <= 0)
        return;
    const std::string& verdict = Data3.Cell(column, row);
    if (!IsWarningVerdict(verdict))
        return;
    // A warning: red, underlined, over the table's own text.
    const bool selected = option.state & QStyle::State_Selected;
    painter.setClipRect(rect);
    painter.fillRect(rect, selected ? option.palette.highlight() : QBrush(Qt::white));
    QFont font = sgData3->font();
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(true);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(QRect(rect.left() + 2, rect.top() + 2, rect.width() - 2, rect.height() - 2),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FromGbk(verdict));
}

} // namespace korvane
