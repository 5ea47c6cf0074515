#include "RankingNotice.h"

#include "GridView.h"

#include <QPushButton>

namespace korvane {

TRankingNotice::TRankingNotice(TGridView* table, QPushButton* chartButton)
    : QLabel(table->parentWidget()), Table(table), ChartButton(chartButton) {
    setObjectName(QStringLiteral("labNoRanking"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    // Its words can be copied, as the status line's can.
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    hide();
}

void TRankingNotice::Show(const QString& why) {
    setText(why);
    setToolTip(why);
    setGeometry(Table->geometry());
    Table->hide();
    show();
    raise();
    ChartButton->setToolTip(why);
}

void TRankingNotice::Clear() {
    if (isHidden())
        return;
    hide();
    Table->show();
    ChartButton->setToolTip(QString());
}

} // namespace korvane
