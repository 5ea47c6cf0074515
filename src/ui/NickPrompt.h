#pragma once

#include <QObject>

class QLabel;
class QLineEdit;

namespace korvane {

// The status panel's request for a nick when the start button found the nick
// box blank. The request is about the box as it was: once the seller edits
// the nick, it is answered and leaves the panel.
class TNickPrompt : public QObject {
    Q_OBJECT
public:
    TNickPrompt(QLineEdit* nickBox, QLabel* panel);

    // Says so in the panel and puts the cursor in the nick box.
    void Ask();

private:
    void NickEdited();

    QLineEdit* NickBox;
    QLabel* Panel;
    bool Asking = false;
};

} // namespace korvane
