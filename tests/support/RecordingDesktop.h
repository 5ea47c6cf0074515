#pragma once

#include "DesktopServices.h"

#include <QString>
#include <QStringList>

namespace korvane::test {

// Stands in for the browser and the question box: records what the window
// asked for and gives a scripted answer.
class TRecordingDesktop final : public TDesktopServices {
public:
    struct TOpened {
        QString Url;
        TShowMode Mode;
    };
    struct TQuestion {
        QString Text;
        QString Caption;
    };

    void OpenUrl(const QString& url, TShowMode mode) override { Opened.push_back({url, mode}); }
    TAnswer AskYesNo(QWidget*, const QString& text, const QString& caption) override {
        Questions.push_back({text, caption});
        return Answer;
    }

    TAnswer Answer = TAnswer::No;
    std::vector<TOpened> Opened;
    std::vector<TQuestion> Questions;
};

} // namespace korvane::test
