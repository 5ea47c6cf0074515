#pragma once

#include "EmptyWebPanes.h"
#include "Main.h"
#include "MyUtils.h"
#include "ResultTables.h"
#include "ThreadUnit.h"

#include <QApplication>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace korvane::test {

// The window as most tests want it: no version check, empty web panes, the
// given desktop, shown and exposed.
inline std::unique_ptr<TMainForm> ShowTestWindow(TDesktopServices& desktop,
                                                 TMainFormSettings settings = {}) {
    settings.VersionUrl.clear();
    settings.Desktop = &desktop;
    LeaveWebPanesEmpty(settings);
    auto form = std::make_unique<TMainForm>(std::move(settings));
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
}

// The window's control of that name; a missing one fails the test.
template <typename T> T* FindControl(const QWidget& window, const char* name) {
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Closes the window; a run still going ends with it, and its threads are gone
// before the next test.
inline void CloseTestWindow(std::unique_ptr<TMainForm>& form) {
    form.reset();
    EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
}

// How a run with both listings read to their ends reports itself.
inline TRunReport ReadWholeReport() {
    TRunReport report;
    report.Sales.End = report.Default.End = TPassEnd::EndMarker;
    report.Sales.PagesRead = report.Default.PagesRead = report.Sales.LastPage =
        report.Default.LastPage = 1;
    return report;
}

// Writes ranking rows as the analysis does: number, then the given cells from
// column 1 on; then the empty bottom row.
inline void FillRankingRows(TStringGrid& grid, const std::vector<std::vector<std::string>>& rows) {
    Method::ClearGrid(grid, kEmptyTableRowCount);
    for (const auto& row : rows) {
        const int r = grid.RowCount() - 1;
        grid.SetCell(0, r, std::to_string(r));
        for (std::size_t c = 0; c < row.size(); ++c)
            grid.SetCell(static_cast<int>(c) + 1, r, row[c]);
        grid.SetRowCount(r + 2);
    }
    QApplication::processEvents();
}

} // namespace korvane::test
