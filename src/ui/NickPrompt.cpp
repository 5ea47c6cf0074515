#include "NickPrompt.h"

#include <QLabel>
#include <QLineEdit>

namespace korvane {

namespace {

const QString& PromptText() {
    static const QString text = QString::fromUtf8("请输入卖家ID");
    return text;
}

} // namespace

TNickPrompt::TNickPrompt(QLineEdit* nickBox, QLabel* panel)
    : QObject(nickBox), NickBox(nickBox), Panel(panel) {
    connect(NickBox, &QLineEdit::textEdited, this, &TNickPrompt::NickEdited);
}

void TNickPrompt::Ask() {
    Panel->setText(PromptText());
    Panel->setToolTip(QString()); // the last run's ending is no longer what the panel says
    Asking = true;
    NickBox->setFocus();
}

void TNickPrompt::NickEdited() {
    // A run started since has put its own words there.
    if (Asking && Panel->text() == PromptText())
        Panel->clear();
    Asking = false;
}

} // namespace korvane
