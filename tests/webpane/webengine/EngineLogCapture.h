#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace korvane::test {

// Collects what the engine's own console handling writes (log category "js")
// while it lives: where this engine "shows" a script error.
class TEngineLogCapture {
public:
    TEngineLogCapture() {
        Current = this;
        Previous = qInstallMessageHandler(&Handle);
    }
    ~TEngineLogCapture() {
        qInstallMessageHandler(Previous);
        Current = nullptr;
    }
    TEngineLogCapture(const TEngineLogCapture&) = delete;
    TEngineLogCapture& operator=(const TEngineLogCapture&) = delete;

    bool Contains(const QString& text) const { return Lines.filter(text).size() > 0; }
    bool Contains(const char* text) const { return Contains(QString::fromUtf8(text)); }

    QStringList Lines;

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (Current != nullptr && context.category != nullptr &&
            qstrcmp(context.category, "js") == 0)
            Current->Lines.push_back(text);
        else if (Current != nullptr && Current->Previous != nullptr)
            Current->Previous(type, context, text);
    }

    static inline TEngineLogCapture* Current = nullptr;
    QtMessageHandler Previous = nullptr;
};

} // namespace korvane::test
