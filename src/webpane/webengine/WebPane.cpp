#include "WebPane.h"

#include "MediaRequestFilter.h"
#include "PageDialogs.h"
#include "PaneFocusBand.h"
#include "UserRegistry.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace korvane {

namespace {

// How the engine words an error that no script caught; console.error() and
// the like carry no such prefix and are not script errors.
constexpr QStringView kUncaughtPrefixes[] = {u"Uncaught (in promise) ", u"Uncaught "};

bool IsUncaughtError(const QString& message) {
    for (const QStringView prefix : kUncaughtPrefixes)
        if (message.startsWith(prefix))
            return true;
    return false;
}

QString ErrorText(const QString& message) {
    for (const QStringView prefix : kUncaughtPrefixes)
        if (message.startsWith(prefix))
            return message.mid(prefix.size());
    return message;
}

// Keys that belong to the page while it has focus, even where the window
// would otherwise take them as shortcuts or for moving between controls.
bool IsPageKey(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return true;
    default:
        return key.modifiers().testFlag(Qt::ControlModifier);
    }
}

} // namespace

TWebPane::TWebPane(QWidget* parent) : QWebEngineView(parent) {
    setAcceptDrops(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // Keys reach the engine's own child widget, which the engine may replace;
    // watching at the application catches them wherever they go.
    qApp->installEventFilter(this);
    new TPaneFocusBand(this);
}

TWebPane::~TWebPane() {
    qApp->removeEventFilter(this);
    // The page outlives this part of the pane (it is a child of the view).
    if (Page != nullptr) {
        Page->ForgetPane();
        Handoff->SetOpener(nullptr);
    }
    (Registry != nullptr ? *Registry : PlatformUserRegistry())
        .DeleteValue(QString::fromLatin1(kPostPlatformKey), UserAgentText);
}

void TWebPane::Navigate(const QString& url) {
    if (url.isEmpty())
        return;
    // The engine takes any address and reports nothing back: a page that
    // cannot be loaded is shown as the engine's error page.
    EnginePage()->load(QUrl(url));
}

TWebPanePage* TWebPane::EnginePage() {
    if (Page != nullptr)
        return Page;
    // The default profile keeps nothing on disk, as the program saves nothing.
    Page = new TWebPanePage(*this, QWebEngineProfile::defaultProfile(), this);
    MediaFilter = new TMediaRequestFilter(Page);
    Page->setUrlRequestInterceptor(MediaFilter);
    Handoff = new TBrowserHandoff(*Page);
    Handoff->SetOpener(Opener);
    // geometryChangeRequested (a script's moveTo, moveBy, resizeTo, resizeBy)
    // is left unconnected: a page does not move or size the program's window.
    ApplyDownloadOptions();
    ApplyUserInterfaceOptions();
    setPage(Page);
    return Page;
}

void TWebPane::showEvent(QShowEvent* event) {
    // The view would make a plain page of its own when first shown.
    EnginePage();
    QWebEngineView::showEvent(event);
}

void TWebPane::SetDownloadOptions(TDownloadControlOptions options) {
    Download = options;
    if (Page != nullptr)
        ApplyDownloadOptions();
}

void TWebPane::SetUserInterfaceOptions(TUserInterfaceOptions options) {
    Interface = options;
    if (Page != nullptr)
        ApplyUserInterfaceOptions();
}

void TWebPane::SetBrowserOpener(TBrowserOpener opener) {
    Opener = std::move(opener);
    if (Handoff != nullptr)
        Handoff->SetOpener(Opener);
}

void TWebPane::SetRightClickMenu(bool allowed) {
    Menu = allowed;
    setContextMenuPolicy(allowed ? Qt::DefaultContextMenu : Qt::NoContextMenu);
}

// The options this engine has a counterpart for. It runs no Java or ActiveX
// whatever the set says, and cannot tell a video from a sound.
void TWebPane::ApplyDownloadOptions() {
    using O = TDownloadControlOption;
    QWebEngineSettings* settings = Page->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages,
                           Download.testFlag(O::DownloadImages));
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, !Download.testFlag(O::NoScripts));
    MediaFilter->SetMediaAllowed(Download.testFlag(O::DownloadVideos) ||
                                 Download.testFlag(O::DownloadBGSounds));
}

void TWebPane::ApplyUserInterfaceOptions() {
    Page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars,
                                   !Interface.testFlag(TUserInterfaceOption::ScrollNo));
}

std::int32_t TWebPane::ShowMessage(const QString& text, const QString& caption, std::int32_t type,
                                   std::int32_t& result) {
    if (!OnShowMessage)
        return kS_FALSE;
    const auto hwnd = static_cast<std::uint32_t>(window()->internalWinId());
    try {
        return OnShowMessage(hwnd, text, caption, type, QString(), 0, result);
    } catch (...) {
        // A handler's failure must not unwind through the engine; let it show the box.
        return kS_FALSE;
    }
}

void TWebPane::PageAlert(const QUrl& origin, const QString& text) {
    std::int32_t result = 0;
    if (ShowMessage(text, QStringLiteral("JavaScript Alert - %1").arg(Page->url().toString()),
                    kMbOk | kMbIconExclamation, result) == kS_OK)
        return;
    if (Dialogs != nullptr)
        Dialogs->Alert(this, Page->url(), text);
    else
        Page->EngineAlert(origin, text);
}

bool TWebPane::PageConfirm(const QUrl& origin, const QString& text) {
    // A handler that takes the box without choosing a button leaves Cancel.
    std::int32_t result = 0;
    if (ShowMessage(text, QStringLiteral("JavaScript Confirm - %1").arg(Page->url().toString()),
                    kMbOkCancel | kMbIconQuestion, result) == kS_OK)
        return result == kIdOk;
    if (Dialogs != nullptr)
        return Dialogs->Confirm(this, Page->url(), text);
    return Page->EngineConfirm(origin, text);
}

void TWebPane::PageConsoleMessage(QWebEnginePage::JavaScriptConsoleMessageLevel level,
                                  const QString& message, int lineNumber, const QString& sourceId) {
    if (level == QWebEnginePage::ErrorMessageLevel && OnScriptError && IsUncaughtError(message)) {
        // The engine reports neither the column nor an error number. It tells
        // of the error after the fact, with the page's scripts already going
        // on, so ContinueScript has nothing left to stop.
        bool ContinueScript = true;
        bool Showdialog = true;
        try {
            OnScriptError(this, QString::number(lineNumber), QString(), QString(),
                          ErrorText(message), sourceId, ContinueScript, Showdialog);
        } catch (...) {
            // Must not unwind through the engine; the engine handles the error.
            Showdialog = true;
        }
        if (!Showdialog)
            return;
    }
    Page->EngineConsoleMessage(level, message, lineNumber, sourceId);
}

bool TWebPane::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || (target != this && !isAncestorOf(target)))
        return false;
    auto& key = static_cast<QKeyEvent&>(*event);
    if (Keys.Disables(key)) {
        // Taken here: neither the engine nor a window shortcut sees it.
        key.accept();
        return true;
    }
    if (type == QEvent::ShortcutOverride && IsPageKey(key)) {
        // Accepting the override keeps window shortcuts from taking the key;
        // the key press itself then goes to the page.
        key.accept();
        return true;
    }
    return false;
}

} // namespace korvane
