// The status line readable to its end: a line cut at the panel's end shows
// "…"; the panel is a Tab stop that shows its focus; Ctrl+C and its menu's
// 复制 copy the whole line, whatever shows.
#include "Main.h"

#include "RecordingDesktop.h"
#include "StatusPanel.h"
#include "TestWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

class StatusPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = test::ShowTestWindow(Desktop);
        Form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
        Panel = test::FindControl<TStatusPanel>(*Form, "sbar");
    }

    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
    TStatusPanel* Panel = nullptr;
};

// An ending longer than the panel at the window's usual size.
const QString kLong = QString::fromUtf8(
    "淘宝最多列出100页，默认排序第100页之后的宝贝未检查，结果只含前100页的宝贝。销量排序也未列全。"
    "3件销量不高于397笔的宝贝可能排在销量排序第100页之后，未计为降权。"
    "已比较的4,200件宝贝中，降权宝贝103件，重要宝贝被隐性降权3件。");

TEST_F(StatusPanelTest, CutLineShowsThatItGoesOnAndAShortOneShowsWhole) {
    Panel->setText(kLong);
    const QString shown = Panel->ShownText();
    ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(kLong.startsWith(shown.chopped(1)));
    EXPECT_GT(shown.size(), 20); // most of the panel is used
    // A wider window shows more of it.
    Form->resize(1400, 900);
    QApplication::processEvents();
    EXPECT_GT(Panel->ShownText().size(), shown.size());

    const QString whole =
        QString::fromUtf8("探测完成：卖家“shop”共5件宝贝，降权宝贝1件，重要宝贝被隐性降权0件。");
    Panel->setText(whole);
    EXPECT_EQ(Panel->ShownText(), whole);
}

TEST_F(StatusPanelTest, WholeLineCopiesByKeyAndByMenu) {
    Panel->setText(kLong);
    // A Tab stop of its own, before the publisher's link.
    auto* link = test::FindControl<QWidget>(*Form, "labCP");
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(Panel->hasFocus());
    // It shows the focus: a dotted rectangle, gone when the focus leaves.
    const QImage focused = Panel->grab().toImage();
    QTest::keyClick(Panel, Qt::Key_Tab);
    ASSERT_FALSE(Panel->hasFocus());
    EXPECT_NE(focused, Panel->grab().toImage());

    Panel->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(Panel, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kLong);

    // The menu, by the Menu key as by the right button.
    QGuiApplication::clipboard()->clear();
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              Panel->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(Panel, &menuKey);
    auto* menu = Panel->findChild<QMenu*>(QStringLiteral("StatusMenu"));
    ASSERT_NE(menu, nullptr);
    menu->findChild<QAction*>(QStringLiteral("actCopyStatus"))->trigger();
    menu->close();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kLong);
}

} // namespace
