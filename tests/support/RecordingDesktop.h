#pragma once

#include "DesktopServices.h"

#include <QString>
#include <QStringList>

namespace korvane::test {

// Stands in for the browser and the question box: records what the window
// asked for and gives a scripted answer; told to, it reports that no
// browser could be started.
class TRecordingDesktop final : public TDesktopServices {
public:
    struct TOpened {
        QString Url;
        TShowMode Mode;
    };
    struct TFailureBox {
        QString Url;
        QWidget* Owner;
    };
    struct TQuestion {
        QString Text;
        QString Caption;
    };

    bool OpenUrl(const QString& url, TShowMode mode) override {
        Opened.push_back({url, mode});
        return OpenSucceeds;
    }
    void ShowBrowserFailure(QWidget* owner, const QString& url) override {
        BrowserFailures.push_back({url, owner});
    }
    TAnswer AskYesNo(QWidget*, const QString& text, const QString& caption) override {
        Questions.push_back({text, caption});
        if (OnAsk)
            OnAsk();
        return Answer;
    }

    TAnswer Answer = TAnswer::No;
    // Runs while the question is asked, to look at the screen then.
    std::function<void()> OnAsk;
    bool OpenSucceeds = true;
    std::vector<TOpened> Opened;
    std::vector<TFailureBox> BrowserFailures;
    std::vector<TQuestion> Questions;
};

} // namespace korvane::test
