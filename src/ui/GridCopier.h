#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QPoint;

namespace korvane {

class TGridView;

// Lets the results leave the window through the clipboard, as spreadsheet
// users expect: Ctrl+C copies the selected cells, Ctrl+A selects every data
// cell, and a right-click menu offers both the selection and the whole table
// with its header. Text is as shown; hidden columns are left out.
class TGridCopier : public QObject {
    Q_OBJECT
public:
    // Attaches to view and lives as long as it does.
    explicit TGridCopier(TGridView* view);

    // The selected cells (the current cell when nothing is selected),
    // without the header row and the row-number column.
    QString SelectionText() const;
    // The header row, then every data row (not the empty bottom row).
    QString WholeTableText() const;

    void CopySelection() const;
    void CopyWholeTable() const;
    void SelectAllData() const;

    // Cells joined by tabs, rows by line breaks; a cell that holds a tab,
    // line break or quote is quoted, so a spreadsheet keeps it one cell.
    static QString JoinRows(const std::vector<std::vector<QString>>& rows);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<int> ShownColumns(int from) const;
    int DataRowCount() const;
    std::vector<std::vector<QString>> Rows(int firstRow, int lastRow,
                                           const std::vector<int>& columns) const;
    void ShowMenu(const QPoint& globalPos);

    TGridView* View;
};

} // namespace korvane
