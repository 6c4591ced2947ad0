#pragma once

#include <QTableView>

namespace zmk {

// A table view whose first columns stay in view when it is scrolled
// sideways (dates and times beside wide rows of values). A second view over
// the same model and selection lies over the left edge and shows only those
// columns; it scrolls up and down with the grid, and a double-click on it is
// the grid's double-click. Horizontal scrolling is by pixels, so that a
// column is never half hidden under the fixed part.
class FrozenColumnsView : public QTableView {
    Q_OBJECT

public:
    explicit FrozenColumnsView(QWidget* parent = nullptr);

    // Call after setModel and after the column widths are set; 0 fixes none.
    void SetFrozenColumns(int count);
    int FrozenColumns() const { return count_; }
    // The view over the fixed columns (hidden while there are none).
    QTableView* FrozenPart() const { return frozen_; }
    // The width the fixed columns take at the left of the viewport.
    int FrozenWidth() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

private:
    void UpdateFrozenGeometry();

    QTableView* frozen_;
    int count_ = 0;
};

}  // namespace zmk
