#pragma once

#include <QString>

class QWidget;

namespace korvane {

// The desktop services the window uses: opening a URL in the user's browser
// and the application's question box. Tests substitute recorders.
class TDesktopServices {
public:
    enum class TAnswer { Yes, No };
    // How the browser window should come up; kept for the record, the
    // desktop decides on this platform.
    enum class TShowMode { Normal = 1, Show = 5 };

    virtual ~TDesktopServices() = default;
    virtual void OpenUrl(const QString& url, TShowMode mode) = 0;
    // A modal Yes/No question with the question icon; Enter answers Yes.
    virtual TAnswer AskYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
};

// The real desktop: the default browser and a QMessageBox whose caption the
// window system shows exactly as given.
class TSystemDesktop final : public TDesktopServices {
public:
    void OpenUrl(const QString& url, TShowMode mode) override;
    TAnswer AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
};

} // namespace korvane
