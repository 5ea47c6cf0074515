#pragma once

// The window of a whole detection run: the real window, crawl, HTTP client
// and analysis, against a loopback marketplace.
#include "ExpectedTables.h"
#include "FixtureMarketplace.h"
#include "Main.h"
#include "QtWait.h"
#include "RecordingDesktop.h"
#include "StringGrid.h"
#include "TestWindow.h"
#include "ThreadUnit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace korvane::test {

inline constexpr int kRunWaitMs = 20000;

class RunWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        TMainFormSettings settings;
        settings.SearchHost = Marketplace.Host();
        Form = ShowTestWindow(Desktop, settings);
    }
    void TearDown() override { CloseTestWindow(Form); }

    QPushButton* Button() const {
        return Form->findChild<QPushButton*>(QStringLiteral("btnSearch"));
    }
    std::string StatusText() const {
        return Form->findChild<QLabel*>(QStringLiteral("sbar"))->text().toStdString();
    }

    void Press(const QString& nick) {
        auto* box = Form->findChild<QLineEdit*>(QStringLiteral("txtID"));
        box->clear();
        box->setFocus();
        // Typed text arrives as one committed string, as from an input method.
        QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, nick);
        QApplication::sendEvent(box, &typed);
        QTest::mouseClick(Button(), Qt::LeftButton);
    }
    void Press(const char* nick) { Press(QString::fromUtf8(nick)); }
    void WaitForRunEnd() {
        ASSERT_TRUE(WaitUntil([this] { return Button()->isEnabled(); }, kRunWaitMs));
    }
    void Run(const QString& nick = QStringLiteral("shop")) {
        Press(nick);
        EXPECT_FALSE(Button()->isEnabled());
        WaitForRunEnd();
    }
    void Run(const char* nick) { Run(QString::fromUtf8(nick)); }

    FixtureMarketplace Marketplace;
    TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
};

inline void ExpectSameCells(const TStringGrid& actual, const TStringGrid& expected,
                            const char* name) {
    SCOPED_TRACE(name);
    ASSERT_EQ(actual.RowCount(), expected.RowCount());
    ASSERT_EQ(actual.ColumnCount(), expected.ColumnCount());
    for (int r = 0; r < expected.RowCount(); ++r)
        for (int c = 0; c < expected.ColumnCount(); ++c)
            EXPECT_EQ(actual.Cell(c, r), expected.Cell(c, r)) << "cell (" << c << ", " << r << ")";
}

inline std::vector<std::string> Row(const TStringGrid& grid, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < grid.ColumnCount(); ++c)
        cells.push_back(grid.Cell(c, row));
    return cells;
}

} // namespace korvane::test
