#pragma once

#include <QString>

class QWidget;

namespace korvane {

// The desktop services the window uses: opening a URL in the user's browser
// (and saying so when no browser can be started) and the application's
// question box. Tests substitute recorders.
class TDesktopServices {
public:
    enum class TAnswer { Yes, No };
    // How the browser window should come up; kept for the record, the
    // desktop decides on this platform.
    enum class TShowMode { Normal = 1, Show = 5 };

    virtual ~TDesktopServices() = default;
    // False when the desktop could not hand url to a browser.
    virtual bool OpenUrl(const QString& url, TShowMode mode) = 0;
    // Tells the user no browser could be started, showing url to copy.
    virtual void ShowBrowserFailure(QWidget* owner, const QString& url) = 0;
    // A modal Yes/No question with the question icon; Enter answers Yes.
    virtual TAnswer AskYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;

    // Every address the program hands to the browser goes through here, so
    // a failure is never silent.
    void OpenInBrowser(QWidget* owner, const QString& url, TShowMode mode) {
        if (!OpenUrl(url, mode))
            ShowBrowserFailure(owner, url);
    }
};

// The real desktop: the default browser and a QMessageBox whose caption the
// window system shows exactly as given.
class TSystemDesktop final : public TDesktopServices {
public:
    bool OpenUrl(const QString& url, TShowMode mode) override;
    void ShowBrowserFailure(QWidget* owner, const QString& url) override;
    TAnswer AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
};

} // namespace korvane
