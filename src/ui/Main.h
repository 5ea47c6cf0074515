#pragma once

#include "DesktopServices.h"
#include "ItemRecords.h"
#include "MainFormSettings.h"
#include "RunReport.h"
#include "StringGrid.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QStyleOptionViewItem;
class QTabWidget;

namespace korvane {

class TGridView;
class TLinkLabel;
class TNickPrompt;
class TRankChart;
class TRankingNotice;
class TRankingSortDisplay;
class TRunProgressPresenter;
class TRunStopper;
class TStartSplash;
class TWebPane;

// The main window: the nick box, the start button, six tabs (three result
// tables, three publisher pages) and a status bar. Controls carry their
// names as object names so tests and accessibility tools find them.
class TMainForm : public QWidget {
    Q_OBJECT
public:
    // Client size at start and the smallest the user can make it.
    static constexpr int kClientWidth = 1009;
    static constexpr int kClientHeight = 615;
    // The layout rule is written for an outer size with a frame this large;
    // window managers differ, so it is added to the client size instead of
    // being measured.
    static constexpr int kFrameWidth = 16;
    static constexpr int kFrameHeight = 38;

    explicit TMainForm(TMainFormSettings settings = {});
    ~TMainForm() override;

    // Start-up: the version check, the first tab, the tables, the web pages.
    void FormCreate();
    // The layout rule, run on every size change.
    void FormResize();
    void CheckForNewVersion();

    // Handlers.
    void btnSearchClick();
    void btnStopClick();
    void sgData1DblClick();
    void sgData2DblClick();
    void sgData3DblClick();
    void sgData3MouseDown(Qt::MouseButton button, int column, int row);
    void sgData3DrawCell(QPainter& painter, int column, int row, const QRect& rect,
                         const QStyleOptionViewItem& option);
    void btnSortClick();
    void btnChartClick();
    void adwebScriptError(TWebPane* Sender, const QString& ErrorLine, const QString& ErrorCharacter,
                          const QString& ErrorCode, const QString& ErrorMessage,
                          const QString& ErrorUrl, bool& ContinueScript, bool& Showdialog);
    std::int32_t adwebShowMessage(std::uint32_t HWND, const QString& lpstrText,
                                  const QString& lpstrCaption, std::int32_t dwType,
                                  const QString& lpstrHelpFile, std::int32_t dwHelpContext,
                                  std::int32_t& plResult);

    // The main-thread steps at the end of a run.
    void AnalyseRanks(TListingCoverage coverage = {});
    void FinishRun(const TRunReport& report);

    // The three tables' contents, and the item lists of the current run.
    TStringGrid& Grid1() { return Data1; }
    TStringGrid& Grid2() { return Data2; }
    TStringGrid& Grid3() { return Data3; }
    TResultLists& Lists() { return ItemLists; }

    // The nick box as GBK bytes, as the engine reads it.
    std::string NickText() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    QFrame* CreatePublisherPanel(QWidget* parent, const char* name);
    void OpenItemPage(const TGridView& view, int idColumn);
    void OpenItemPage(const std::string& id);

    TMainFormSettings Settings;
    std::unique_ptr<TDesktopServices> OwnDesktop;
    TDesktopServices* Desktop;

    TStringGrid Data1;
    TStringGrid Data2;
    TStringGrid Data3;
    TResultLists ItemLists;
    // The nick the current run lists, for the chart's title and the summary.
    std::string RunNick;
    // What the current run's analysis found; empty until it ran.
    TAnalysisSummary LastAnalysis;
    // Runs reach the window only through the bridge; closing stops them.
    std::shared_ptr<class TRunBridge> Bridge;
    TRunStopper* Stopper = nullptr;
    TNickPrompt* NickPrompt = nullptr;
    // Shown from the start until the window shows.
    std::unique_ptr<TStartSplash> Splash;
    TRunProgressPresenter* Progress = nullptr;
    TRankingSortDisplay* SortDisplay = nullptr;

    QLabel* labID = nullptr;
    QLineEdit* txtID = nullptr;
    QPushButton* btnSearch = nullptr;
    QPushButton* btnStop = nullptr;
    QTabWidget* MainPage = nullptr;
    QWidget* StatusBar = nullptr;
    QLabel* sbar = nullptr;
    TLinkLabel* labCP = nullptr;
    TGridView* sgData1 = nullptr;
    TGridView* sgData2 = nullptr;
    TGridView* sgData3 = nullptr;
    QScrollBar* sgData1HSB = nullptr;
    QScrollBar* sgData1VSB = nullptr;
    QScrollBar* sgData2HSB = nullptr;
    QScrollBar* sgData2VSB = nullptr;
    QScrollBar* sgData3HSB = nullptr;
    QScrollBar* sgData3VSB = nullptr;
    QFrame* ADPanel1 = nullptr;
    QFrame* ADPanel2 = nullptr;
    QComboBox* cbSort = nullptr;
    QPushButton* btnSort = nullptr;
    QPushButton* btnChart = nullptr;
    TRankChart* chtRanking = nullptr;
    TRankingNotice* NoRanking = nullptr;
    TWebPane* adweb = nullptr;
    TWebPane* noteweb = nullptr;
    TWebPane* softweb = nullptr;
};

} // namespace korvane
