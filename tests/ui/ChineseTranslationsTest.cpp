#include "ChineseTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace korvane;

namespace {

// Installs the translations for one test and takes them away after it, so
// the other tests see the toolkit as they always do.
class ChineseTranslationsTest : public ::testing::Test {
protected:
    void SetUp() override { SavedLocale = QLocale(); }
    void TearDown() override {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        QLocale::setDefault(SavedLocale);
    }
    QLocale SavedLocale;
};

TEST_F(ChineseTranslationsTest, StandardButtonsReadInChineseAndTheLocaleIsChinese) {
    ASSERT_TRUE(TChineseTranslations::Install(*qApp)) << "qt6-translations-l10n missing?";
    // The web engine takes its locale from the default when it starts.
    EXPECT_EQ(QLocale().name(), QStringLiteral("zh_CN"));

    QMessageBox question(QMessageBox::Question, QStringLiteral(" "), QStringLiteral("?"),
                         QMessageBox::Yes | QMessageBox::No);
    struct Case {
        QAbstractButton* button;
        const char* text; // without the mnemonic
    };
    QDialogButtonBox ok(QDialogButtonBox::Ok);
    const Case cases[] = {
        {question.button(QMessageBox::Yes), "是"},
        {question.button(QMessageBox::No), "否"},
        {ok.button(QDialogButtonBox::Ok), "确定"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_NE(c.button, nullptr);
        EXPECT_TRUE(c.button->text().startsWith(QString::fromUtf8(c.text)))
            << c.button->text().toStdString();
    }
}

} // namespace
