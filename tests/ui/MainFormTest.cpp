#include "Main.h"

#include "FocusFrame.h"
#include "GbkText.h"
#include "GridView.h"
#include "RecordingDesktop.h"
#include "TestWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>

using namespace korvane;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override { Form = test::ShowTestWindow(Desktop); }

    template <typename T> T* Find(const char* name) const {
        return test::FindControl<T>(*Form, name);
    }
    QRect Geometry(const char* name) const { return Find<QWidget>(name)->geometry(); }

    test::TRecordingDesktop Desktop;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(MainFormTest, ControlsAtTheirPlaces) {
    EXPECT_EQ(Form->windowTitle(), QString::fromUtf8("Ostrevan隐形降权探测软件"));
    EXPECT_EQ(Form->size(), QSize(1009, 615));
    EXPECT_EQ(Geometry("txtID"), QRect(56, 8, 201, 18));
    EXPECT_EQ(Geometry("btnSearch"), QRect(264, 8, 75, 25));
    EXPECT_EQ(Find<QPushButton>("btnSearch")->text(), QString::fromUtf8("探测"));
    EXPECT_EQ(Geometry("btnStop"), QRect(346, 8, 75, 25));
    EXPECT_EQ(Find<QPushButton>("btnStop")->text(), QString::fromUtf8("停止"));
    EXPECT_FALSE(Find<QPushButton>("btnStop")->isEnabled()); // only during a run
    EXPECT_FALSE(Find<QWidget>("pbRun")->isVisible());
    EXPECT_EQ(Geometry("MainPage").topLeft(), QPoint(8, 40));
    EXPECT_EQ(Geometry("cbSort"), QRect(8, 8, 161, 20));
    EXPECT_EQ(Geometry("btnSort"), QRect(176, 8, 75, 25));
    EXPECT_EQ(Find<QPushButton>("btnSort")->text(), QString::fromUtf8("确定"));
    EXPECT_EQ(Find<QLabel>("sbar")->text(), QString());

    auto* tabs = Find<QTabWidget>("MainPage");
    const char* const captions[] = {" 所有宝贝",    "降权宝贝",     "宝贝权重排行榜（隐形降权）",
                                    "Ostrevan网店", "隐形降权说明", "Ostrevan软件列表"};
    ASSERT_EQ(tabs->count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(captions[i]));
    EXPECT_EQ(tabs->currentIndex(), 0);

    auto* sort = Find<QComboBox>("cbSort");
    ASSERT_EQ(sort->count(), 3);
    EXPECT_EQ(sort->itemText(0), QString::fromUtf8("权重从高到低排列"));
    EXPECT_EQ(sort->itemText(1), QString::fromUtf8("权重从低到高排列"));
    EXPECT_EQ(sort->itemText(2), QString::fromUtf8("店铺主打宝贝权重"));
    EXPECT_EQ(sort->currentIndex(), 2);
    EXPECT_FALSE(sort->isEditable());

    // Keyboard order: nick, button, stop, tabs.
    EXPECT_EQ(Find<QWidget>("txtID")->nextInFocusChain(), Find<QWidget>("btnSearch"));
    EXPECT_EQ(Find<QWidget>("btnSearch")->nextInFocusChain(), Find<QWidget>("btnStop"));
    EXPECT_EQ(Find<QWidget>("btnStop")->nextInFocusChain(), Find<QWidget>("MainPage"));
}

struct LayoutCase {
    QSize client;
    std::vector<std::pair<const char*, QRect>> expected;
    int rankingHeight; // the ranking table's height by the rule
};

// The layout rule, with the page control fitted into the client area above
// the status bar (the rule's own sizes reach 4 pixels past the right edge and
// under the status bar) and the tables taken from the fitted page control.
// The ranking table ends where its focus frame still shows inside its tab
// page, whose height depends on the style's tab bar.
TEST_F(MainFormTest, LayoutRuleAtMinimumAndLargerSizes) {
    const std::vector<LayoutCase> cases = {
        {{1009, 615},
         {{"MainPage", {8, 40, 1001, 554}},
          {"sgData1", {8, 8, 681, 514}},
          {"sgData1VSB", {673, 8, 19, 514}},
          {"sgData1HSB", {8, 506, 665, 19}},
          {"ADPanel1", {694, 8, 297, 481}},
          {"sgData2", {8, 8, 681, 514}},
          {"sgData2VSB", {673, 8, 19, 514}},
          {"sgData2HSB", {8, 506, 665, 19}},
          {"ADPanel2", {694, 8, 297, 481}},
          {"adweb", {-1, -1, 1021, 574}},
          {"noteweb", {-1, -1, 1021, 574}},
          {"softweb", {-1, -1, 1021, 574}},
          {"sbar", {0, 1, 725, 21}},
          {"pbRun", {572, 3, 150, 15}}, // inside sbar, at its right end
          {"labCP", {735, 3, 249, 17}}},
         484},
        // W = 1416, H = 938
        {{1400, 900},
         {{"MainPage", {8, 40, 1392, 839}},
          {"sgData1", {8, 8, 1072, 799}},
          {"sgData1VSB", {1064, 8, 19, 799}},
          {"sgData1HSB", {8, 791, 1056, 19}},
          {"ADPanel1", {1085, 8, 297, 481}},
          {"ADPanel2", {1085, 8, 297, 481}},
          {"softweb", {-1, -1, 1412, 859}},
          {"sbar", {0, 1, 1116, 21}},
          {"pbRun", {963, 3, 150, 15}},
          {"labCP", {1126, 3, 249, 17}}},
         769},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1x%2").arg(c.client.width()).arg(c.client.height()).toStdString());
        Form->resize(c.client);
        QCoreApplication::processEvents();
        for (const auto& [name, rect] : c.expected)
            EXPECT_EQ(Geometry(name), rect) << name;
        // Every tab page is as high as the one shown.
        const int page = Find<QTabWidget>("MainPage")->currentWidget()->height();
        const int h = std::min(c.rankingHeight, page - 40 - TFocusFrame::kWidth);
        const int w = c.client.width() - 8 - 20;
        EXPECT_EQ(Geometry("sgData3"), QRect(8, 40, w, h));
        EXPECT_EQ(Geometry("sgData3VSB"), QRect(8 + w - 16, 40, 19, h));
        EXPECT_EQ(Geometry("sgData3HSB"), QRect(8, 40 + h - 16, w - 16, 19));
    }
}

TEST_F(MainFormTest, CannotBeMadeSmallerThanTheMinimum) {
    Form->resize(600, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->size(), QSize(1009, 615));
    EXPECT_EQ(Geometry("sbar").width(), 725);
}

TEST_F(MainFormTest, TypedNickReachesTheEngineAsGbk) {
    auto* nick = Find<QLineEdit>("txtID");
    nick->setFocus();
    // Chinese arrives as committed text, the way an input method sends it.
    QKeyEvent chinese(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("小店"));
    QApplication::sendEvent(nick, &chinese);
    QTest::keyClicks(nick, QStringLiteral(" a-1"));
    EXPECT_EQ(Form->NickText(), test::Gbk("小店 a-1"));
}

TEST_F(MainFormTest, StatusBarLinkOpensThePublisherSite) {
    QTest::mouseClick(Find<QWidget>("labCP"), Qt::LeftButton);
    ASSERT_EQ(Desktop.Opened.size(), 1u);
    EXPECT_EQ(Desktop.Opened[0].Url, QStringLiteral("http://www.ostrevan.com/"));
}

} // namespace
