#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QKeyEvent;

namespace korvane {

class TWebPane;

// A script error on the page, with the engine's texts. Showdialog false keeps
// the engine from handling the error itself; ContinueScript is asked for but
// the engine has gone on with the page's other scripts by then. A pane
// without a web engine runs no scripts and never raises it.
using TScriptErrorEvent =
    std::function<void(TWebPane* Sender, const QString& ErrorLine, const QString& ErrorCharacter,
                       const QString& ErrorCode, const QString& ErrorMessage,
                       const QString& ErrorUrl, bool& ContinueScript, bool& Showdialog)>;

// The engine wants to show a message box. Returning kS_OK means the host took
// care of it; anything else passes the box on: to the pane's page dialogs
// when set, else to the engine. plResult is the button pressed (kIdOk for OK).
// A pane without a web engine never raises it.
using TShowMessageEvent = std::function<std::int32_t(
    std::uint32_t HWND, const QString& lpstrText, const QString& lpstrCaption, std::int32_t dwType,
    const QString& lpstrHelpFile, std::int32_t dwHelpContext, std::int32_t& plResult)>;

// What every kind of pane keeps of the window's settings, the same whichever
// way the pane shows its page, so the window sets its panes alike.
class TWebPaneSettings {
public:
    // Result codes and message-box values of TShowMessageEvent.
    static constexpr std::int32_t kS_OK = 0;
    static constexpr std::int32_t kS_FALSE = 1;
    static constexpr std::int32_t kMbOk = 0x0;
    static constexpr std::int32_t kMbOkCancel = 0x1;
    static constexpr std::int32_t kMbIconQuestion = 0x20;
    static constexpr std::int32_t kMbIconExclamation = 0x30;
    static constexpr std::int32_t kIdOk = 1;

    // The per-user key whose value named by the user agent text a pane deletes
    // on shutdown.
    static constexpr const char* kPostPlatformKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post "
        "Platform";
    static constexpr const char* kDefaultUserAgent =
        "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; .NET CLR 1.1.4322; .NET CLR "
        "2.0.50727) ";

    struct TDisableErrors {
        // Meant for closing the engine's error dialogs; the engine opens none.
        bool ScriptError = true;
    };
    // Ctrl+key combinations that never reach the page.
    struct TShortCuts {
        bool DisableCTRL_N = true;
        bool DisableCTRL_P = false;
        bool DisableCTRL_A = false;
        bool DisableCTRL_C = false;
        bool DisableCTRL_F = false;

        // True for a Ctrl+letter these turn off (Shift or Alt with it is
        // another combination).
        bool Disables(const QKeyEvent& key) const;
    };

    // Kept as text only: the pane identifies itself with its own user agent.
    const QString& UserAgent() const { return UserAgentText; }
    void SetUserAgent(const QString& text) { UserAgentText = text; }

    const TDisableErrors& DisableErrors() const { return Errors; }
    void SetDisableErrors(const TDisableErrors& errors) { Errors = errors; }
    const TShortCuts& ShortCuts() const { return Keys; }
    void SetShortCuts(const TShortCuts& keys) { Keys = keys; }

    TScriptErrorEvent OnScriptError;
    TShowMessageEvent OnShowMessage;

protected:
    QString UserAgentText{QString::fromLatin1(kDefaultUserAgent)};
    TDisableErrors Errors;
    TShortCuts Keys;
};

} // namespace korvane
