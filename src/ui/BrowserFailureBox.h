#pragma once

#include <QDialog>

namespace korvane {

// Says that no browser could be started and shows the address, selected in a
// read-only box, so the user can copy it into a browser by hand.
class TBrowserFailureBox final : public QDialog {
    Q_OBJECT
public:
    TBrowserFailureBox(const QString& url, QWidget* owner);
};

} // namespace korvane
