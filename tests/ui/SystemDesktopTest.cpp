// The real desktop's question box, as the version check shows it: found while
// it is open, checked, then answered the way a user would.
#include "DesktopServices.h"

#include "NativeWindowTitle.h"
#include "Publisher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace korvane;

namespace {

constexpr int kBoxWaitMs = 5000;
constexpr int kPollMs = 20;

class SystemDesktopTest : public ::testing::Test {
protected:
    // As the program does: the main window's title is the display name.
    void SetUp() override {
        SavedDisplayName = QGuiApplication::applicationDisplayName();
        QGuiApplication::setApplicationDisplayName(QString::fromUtf8(publisher::kAppTitle));
    }
    void TearDown() override { QGuiApplication::setApplicationDisplayName(SavedDisplayName); }

    // Asks through the real desktop; inspect runs on the open box, which it
    // must answer or close.
    TDesktopServices::TAnswer Ask(const std::function<void(QMessageBox&)>& inspect) {
        bool seen = false;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible() && !seen) {
                seen = true;
                poll.stop();
                inspect(*box);
            } else if (waited.hasExpired(kBoxWaitMs) && box != nullptr) {
                poll.stop();
                box->reject(); // never left hanging
            }
        });
        poll.start(kPollMs);
        const auto answer = Desktop.AskYesNo(
            &Owner, QString::fromUtf8("软件版本已更新,是否下载新版软件?"), QStringLiteral(" "));
        EXPECT_TRUE(seen) << "the box never opened";
        return answer;
    }

    // Runs inspect on the first modal window that opens while show() runs;
    // a window left open is closed after a while.
    void WhileModal(const std::function<void(QWidget&)>& inspect,
                    const std::function<void()>& show) {
        bool seen = false;
        QTimer poll;
        QElapsedTimer waited;
        waited.start();
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->isVisible() && !seen) {
                seen = true;
                poll.stop();
                inspect(*modal);
            } else if (waited.hasExpired(kBoxWaitMs) && modal != nullptr) {
                poll.stop();
                modal->close();
            }
        });
        poll.start(kPollMs);
        show();
        EXPECT_TRUE(seen) << "no box opened";
    }

    QString SavedDisplayName;
    QWidget Owner;
    TSystemDesktop Desktop;
};

TEST_F(SystemDesktopTest, QuestionBoxHasYesAsDefaultAndTheCaptionAlone) {
    using A = TDesktopServices::TAnswer;
    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> answer;
        A expected;
    };
    const Case cases[] = {
        {"Enter", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }, A::Yes},
        {"Escape", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, A::No},
        {"No pressed",
         [](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton); },
         A::No},
        {"Yes pressed",
         [](QMessageBox& box) { QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton); },
         A::Yes},
        {"closed", [](QMessageBox& box) { box.close(); }, A::No},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const A answer = Ask([&c](QMessageBox& box) {
            EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()),
                      box.button(QMessageBox::Yes));
            EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
            EXPECT_EQ(box.icon(), QMessageBox::Question);
            EXPECT_EQ(box.text(), QString::fromUtf8("软件版本已更新,是否下载新版软件?"));
            EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(box.windowTitle().toStdString(), " ");
            // On X11 the toolkit would append the display name for the
            // window manager; only there can the shown title be read back.
            if (const auto shown = test::NativeWindowTitle(box)) {
                EXPECT_EQ(shown->toStdString(), " ");
            }
            c.answer(box);
        });
        EXPECT_EQ(answer, c.expected);
    }
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QString::fromUtf8(publisher::kAppTitle));
}

TEST_F(SystemDesktopTest, NoBrowserBoxShowsTheAddressReadyToCopy) {
    const QString url =
        QString::fromUtf8("http://www.ostrevan.com/soft/Ostrevan隐形降权探测软件.rar");
    QApplication::clipboard()->clear();
    WhileModal(
        [&url](QWidget& box) {
            EXPECT_EQ(box.windowModality(), Qt::ApplicationModal);
            auto* message = box.findChild<QLabel*>(QStringLiteral("labMessage"));
            ASSERT_NE(message, nullptr);
            EXPECT_EQ(message->text(),
                      QString::fromUtf8(
                          "无法启动浏览器。请复制下面的地址，粘贴到浏览器的地址栏中打开："));
            auto* address = box.findChild<QLineEdit*>(QStringLiteral("txtUrl"));
            ASSERT_NE(address, nullptr);
            EXPECT_EQ(address->text(), url);
            EXPECT_TRUE(address->isReadOnly());
            // Selected and focused: Ctrl+C copies it at once.
            EXPECT_EQ(address->selectedText(), url);
            EXPECT_EQ(box.focusWidget(), address);
            QTest::keyClick(address, Qt::Key_C, Qt::ControlModifier);
            EXPECT_EQ(QApplication::clipboard()->text(), url);
            auto* buttons = box.findChild<QDialogButtonBox*>();
            ASSERT_NE(buttons, nullptr);
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        },
        [&] { Desktop.ShowBrowserFailure(&Owner, url); });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
