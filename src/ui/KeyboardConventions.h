#pragma once

#include <QObject>

class QTabWidget;
class QWidget;

namespace korvane {

// The keys a desktop program answers to wherever the focus is in its window,
// even in a table or a web page that would take them for itself:
// Ctrl+Tab and Ctrl+PgDn show the next tab, Ctrl+Shift+Tab and Ctrl+PgUp the
// previous one (both wrap around), and Shift+F10 opens the focused control's
// context menu, as the Menu key does.
class TKeyboardConventions final : public QObject {
public:
    // Lives as long as window.
    TKeyboardConventions(QWidget* window, QTabWidget* tabs);
    ~TKeyboardConventions() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StepTab(int step);
    void OpenContextMenu();

    QWidget* Window;
    QTabWidget* Tabs;
};

} // namespace korvane
