#pragma once

#include "QtWait.h"
#include "WebPane.h"

#include <QVariant>

#include <memory>
#include <optional>
#include <string>

namespace korvane::test {

// Generous: the first page of a process also starts the engine.
constexpr int kPageWaitMs = 30000;

// Navigates pane and waits for the load to end; true when it ended in time.
inline bool LoadAndWait(TWebPane& pane, const std::string& url) {
    auto finished = std::make_shared<bool>(false);
    const auto connection = QObject::connect(pane.EnginePage(), &QWebEnginePage::loadFinished,
                                             [finished](bool) { *finished = true; });
    pane.Navigate(QString::fromStdString(url));
    const bool ended = WaitUntil([&] { return *finished; }, kPageWaitMs);
    QObject::disconnect(connection);
    return ended;
}

// Runs script in the page's own world and returns its value (invalid on time-out).
inline QVariant Eval(TWebPane& pane, const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    pane.page()->runJavaScript(script, [result](const QVariant& value) { *result = value; });
    WaitUntil([&] { return result->has_value(); }, kPageWaitMs);
    return result->value_or(QVariant());
}
inline QVariant Eval(TWebPane& pane, const char* script) {
    return Eval(pane, QString::fromUtf8(script));
}

// Waits until script yields true in the page.
inline bool WaitForScript(TWebPane& pane, const QString& script, int limitMs = kPageWaitMs) {
    return WaitUntil([&] { return Eval(pane, script).toBool(); }, limitMs);
}
inline bool WaitForScript(TWebPane& pane, const char* script, int limitMs = kPageWaitMs) {
    return WaitForScript(pane, QString::fromUtf8(script), limitMs);
}

} // namespace korvane::test
