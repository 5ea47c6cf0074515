#pragma once

#include "PageDialogs.h"

#include <QStringList>

namespace korvane::test {

// Stands in for the engine's message boxes: records each box and answers
// confirm() with ConfirmAnswer.
class TRecordingPageDialogs final : public TPageDialogs {
public:
    void Alert(QWidget*, const QUrl&, const QString& text) override { Alerts.push_back(text); }
    bool Confirm(QWidget*, const QUrl&, const QString& text) override {
        Confirms.push_back(text);
        return ConfirmAnswer;
    }

    bool ConfirmAnswer = true;
    QStringList Alerts;
    QStringList Confirms;
};

} // namespace korvane::test
