#pragma once

#include <QLabel>

class QPushButton;

namespace korvane {

class TGridView;

// Why the ranking is empty after a run that compared nothing: a line in the
// ranking table's place, and the same words as the tooltip of the greyed
// chart button, so an empty grid with its sort arrow is never all a seller
// sees there. The words are the status line's own.
class TRankingNotice final : public QLabel {
    Q_OBJECT
public:
    // Lives over table, in its tab page.
    TRankingNotice(TGridView* table, QPushButton* chartButton);

    // In the table's place, saying why.
    void Show(const QString& why);
    // The table back, for the next run.
    void Clear();

private:
    TGridView* Table;
    QPushButton* ChartButton;
};

} // namespace korvane
