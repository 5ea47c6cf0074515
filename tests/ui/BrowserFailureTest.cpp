// Every way the window hands an address to the browser, on a desktop that
// can start none: the user is told, with the address to copy.
#include "Main.h"

#include "GridView.h"
#include "LinkLabel.h"
#include "MyUtils.h"
#include "RecordingDesktop.h"
#include "ResultTables.h"
#include "TestWindow.h"

#include <QApplication>
#include <QFrame>
#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace korvane;

namespace {

class BrowserFailureTest : public ::testing::Test {
protected:
    void SetUp() override { Form = test::ShowTestWindow(Desktop); }

    void DoubleClickFirstItem() {
        Form->findChild<QTabWidget*>(QStringLiteral("MainPage"))->setCurrentIndex(0);
        TStringGrid& grid = Form->Grid1();
        Method::ClearGrid(grid, kEmptyTableRowCount);
        grid.SetCell(allitems::kTitle, 1, "a");
        grid.SetCell(allitems::kId, 1, "77");
        grid.SetRowCount(3);
        QApplication::processEvents();
        auto* view = Form->findChild<TGridView*>(QStringLiteral("sgData1"));
        const QRect cell = view->visualRect(view->model()->index(0, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }

    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(BrowserFailureTest, EachOpenerTellsTheUserWhenNoBrowserStarts) {
    struct Case {
        const char* name;
        std::function<void()> open;
        const char* url;
    };
    const Case cases[] = {
        {"status bar link",
         [this] {
             QTest::mouseClick(Form->findChild<QWidget*>(QStringLiteral("labCP")), Qt::LeftButton);
         },
         "http://www.ostrevan.com/"},
        {"panel link",
         [this] {
             auto* panel = Form->findChild<QFrame*>(QStringLiteral("ADPanel2"));
             QTest::mouseClick(panel->findChildren<TLinkLabel*>().at(2), Qt::LeftButton);
         },
         "http://www.ostrevan.com/bbs/"},
        {"double click on a row", [this] { DoubleClickFirstItem(); },
         "http://item.taobao.com/item.htm?id=77"},
    };
    for (const bool browserStarts : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (browserStarts ? ", browser starts" : ""));
            Desktop.OpenSucceeds = browserStarts;
            Desktop.Opened.clear();
            Desktop.BrowserFailures.clear();
            c.open();
            ASSERT_EQ(Desktop.Opened.size(), 1u);
            EXPECT_EQ(Desktop.Opened[0].Url.toStdString(), c.url);
            if (browserStarts) {
                EXPECT_TRUE(Desktop.BrowserFailures.empty());
                continue;
            }
            ASSERT_EQ(Desktop.BrowserFailures.size(), 1u);
            EXPECT_EQ(Desktop.BrowserFailures[0].Url.toStdString(), c.url);
            EXPECT_EQ(Desktop.BrowserFailures[0].Owner, Form.get());
        }
    }
}

} // namespace
