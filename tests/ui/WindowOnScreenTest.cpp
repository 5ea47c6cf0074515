// The whole window on the seller's screen: it starts within the screen's free
// area, at any scale; every table and its focus frame end above the status
// bar, at the start size and larger; no control reaches past its parent. The
// ctest entries WindowOnScreenAt120Dpi, ...144Dpi and ...168Dpi run these on
// the scaled screens of tests/ui/screens (a 1366 x 768 laptop at 125 %, a
// 1920 x 1080 screen at 150 % and 175 %, each less a taskbar).
#include "Main.h"

#include "FocusFrame.h"
#include "GridView.h"
#include "RecordingDesktop.h"
#include "TestWindow.h"

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

class WindowOnScreenTest : public ::testing::Test {
protected:
    void SetUp() override { Form = test::ShowTestWindow(Desktop); }

    template <typename T> T* Find(const char* name) const {
        return test::FindControl<T>(*Form, name);
    }
    // A control's rectangle in the window's client coordinates.
    QRect InWindow(const QWidget& widget) const {
        return QRect(widget.mapTo(Form.get(), QPoint(0, 0)), widget.size());
    }
    static QSize Frame() { return {TMainForm::kFrameWidth, TMainForm::kFrameHeight}; }
    QRect FreeArea() const { return Form->screen()->availableGeometry(); }
    std::string Scale() const {
        return "scale " + std::to_string(Form->devicePixelRatioF()) + ", free area " +
               std::to_string(FreeArea().width()) + " x " + std::to_string(FreeArea().height());
    }

    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(WindowOnScreenTest, WindowStartsWithinTheScreensFreeAreaAndCanShrinkToIt) {
    SCOPED_TRACE(Scale());
    // The scale the screen was given (KORVANE_TEST_SCALE), so a screen that
    // did not take cannot pass for one that did.
    bool given = false;
    const double scale = qEnvironmentVariable("KORVANE_TEST_SCALE").toDouble(&given);
    if (given) {
        EXPECT_DOUBLE_EQ(Form->devicePixelRatioF(), scale);
    }
    const QRect area = FreeArea();
    const QSize usual(TMainForm::kClientWidth, TMainForm::kClientHeight);
    EXPECT_TRUE(area.contains(QRect(Form->pos(), Form->size() + Frame())))
        << Form->x() << ", " << Form->y() << " " << Form->width() << " x " << Form->height();
    // The minimum gives way to the screen, and only where it must.
    const QSize minimum = Form->minimumSize() + Frame();
    EXPECT_LE(minimum.width(), area.width());
    EXPECT_LE(minimum.height(), area.height());
    EXPECT_EQ(Form->minimumSize(), usual.boundedTo(area.size() - Frame()));
    EXPECT_EQ(Form->size(), Form->minimumSize());
    // The status bar is the window's bottom line, whatever the size.
    const QWidget* status = Find<QWidget>("StatusBar");
    EXPECT_EQ(InWindow(*status).bottom(), Form->height() - 1);
    EXPECT_EQ(status->height(), 21);
}

TEST_F(WindowOnScreenTest, EveryTableEndsAboveTheStatusBarAtTheStartSizeAndLarger) {
    SCOPED_TRACE(Scale());
    auto* tabs = Find<QTabWidget>("MainPage");
    const QWidget* status = Find<QWidget>("StatusBar");
    const QSize start = Form->size();
    const QSize largest = FreeArea().size() - Frame();
    const int k = TFocusFrame::kWidth;
    int startHeight = 0;
    for (const QSize size : {start, start + QSize(1, 1), start.expandedTo(largest),
                             QSize(1400, 900).expandedTo(start)}) {
        SCOPED_TRACE(std::to_string(size.width()) + " x " + std::to_string(size.height()));
        Form->resize(size);
        QApplication::processEvents();
        ASSERT_EQ(Form->size(), size);
        const QRect page = InWindow(*tabs);
        EXPECT_LT(page.bottom(), status->y());
        EXPECT_LT(page.right(), Form->width());
        for (int tab = 0; tab < 3; ++tab) {
            SCOPED_TRACE("tab " + std::to_string(tab));
            tabs->setCurrentIndex(tab);
            QApplication::processEvents();
            const char* names[][2] = {
                {"sgData1", "sgData1VSB"}, {"sgData2", "sgData2VSB"}, {"sgData3", "sgData3VSB"}};
            const auto* table = Find<TGridView>(names[tab][0]);
            // The table with its focus frame, inside its page and above the status bar.
            const QRect framed = table->geometry().adjusted(-k, -k, k, k);
            EXPECT_TRUE(table->parentWidget()->rect().contains(framed))
                << framed.bottom() << " in a page " << table->parentWidget()->height() << " high";
            EXPECT_LT(InWindow(*table).bottom() + k, status->y());
            // Its scroll bar ends with it.
            const QRect bar = Find<QScrollBar>(names[tab][1])->geometry();
            EXPECT_EQ(bar.bottom(), table->geometry().bottom());
            if (tab != 0)
                continue;
            if (startHeight == 0) {
                startHeight = table->height();
            } else if (size.height() > start.height() + 1) {
                EXPECT_GT(table->height(), startHeight); // the tables grow with the window
            }
        }
    }
}

TEST_F(WindowOnScreenTest, NoControlReachesPastItsParent) {
    SCOPED_TRACE(Scale());
    Find<QTabWidget>("MainPage")->setCurrentIndex(2);
    QApplication::processEvents();
    for (const char* name : {"labID", "txtID", "btnSearch", "btnStop", "MainPage", "cbSort",
                             "btnSort", "btnChart", "sgData3", "StatusBar", "labCP"}) {
        SCOPED_TRACE(name);
        const QWidget* control = Find<QWidget>(name);
        EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry()))
            << control->x() << ", " << control->y() << " " << control->width() << " x "
            << control->height() << " in " << control->parentWidget()->width() << " x "
            << control->parentWidget()->height();
    }
}

} // namespace
