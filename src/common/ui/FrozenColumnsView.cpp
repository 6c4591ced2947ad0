#include "common/ui/FrozenColumnsView.h"

#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>

namespace zmk {

FrozenColumnsView::FrozenColumnsView(QWidget* parent) : QTableView(parent), frozen_(new QTableView(this)) {
    frozen_->setObjectName(QStringLiteral("frozenColumns"));
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->setFrameShape(QFrame::NoFrame);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->hide();
    setHorizontalScrollMode(ScrollPerPixel);
    viewport()->stackUnder(frozen_);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < count_) {
            frozen_->setColumnWidth(column, size);
            UpdateFrozenGeometry();
        }
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { frozen_->setRowHeight(row, size); });
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(frozen_, &QTableView::doubleClicked, this, &QTableView::doubleClicked);
}

void FrozenColumnsView::SetFrozenColumns(int count) {
    QAbstractItemModel* model = this->model();
    count_ = model != nullptr ? std::clamp(count, 0, model->columnCount()) : 0;
    if (count_ == 0) {
        frozen_->hide();
        return;
    }
    if (frozen_->model() != model) frozen_->setModel(model);
    frozen_->setSelectionModel(selectionModel());
    frozen_->setSelectionBehavior(selectionBehavior());
    frozen_->setSelectionMode(selectionMode());
    frozen_->setEditTriggers(editTriggers());
    frozen_->setWordWrap(wordWrap());
    frozen_->setVerticalScrollMode(verticalScrollMode());
    frozen_->verticalHeader()->setVisible(verticalHeader()->isVisible());
    frozen_->verticalHeader()->setSectionResizeMode(verticalHeader()->sectionResizeMode(0));
    frozen_->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->horizontalHeader()->setHighlightSections(horizontalHeader()->highlightSections());
    for (int c = 0; c < model->columnCount(); ++c) {
        frozen_->setColumnHidden(c, c >= count_);
        if (c < count_) frozen_->setColumnWidth(c, columnWidth(c));
    }
    frozen_->show();
    UpdateFrozenGeometry();
}

int FrozenColumnsView::FrozenWidth() const {
    int width = 0;
    for (int c = 0; c < count_; ++c) width += columnWidth(c);
    return width;
}

void FrozenColumnsView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    UpdateFrozenGeometry();
}

void FrozenColumnsView::UpdateFrozenGeometry() {
    if (count_ == 0) return;
    frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    const int left = frameWidth() + (verticalHeader()->isVisible() ? verticalHeader()->width() : 0);
    frozen_->setGeometry(left, frameWidth(), FrozenWidth(), viewport()->height() + horizontalHeader()->height());
    frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

QModelIndex FrozenColumnsView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = QTableView::moveCursor(action, modifiers);
    // Moving left onto a column under the fixed part scrolls it out.
    if (action == MoveLeft && current.isValid() && current.column() >= count_) {
        const int x = visualRect(current).left();
        if (x < FrozenWidth()) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - FrozenWidth());
    }
    return current;
}

void FrozenColumnsView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // The fixed columns are always in view: only the rows need scrolling then.
    if (index.column() >= count_) {
        QTableView::scrollTo(index, hint);
        const int x = visualRect(index).left();
        if (x < FrozenWidth()) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - FrozenWidth());
        return;
    }
    const int keep = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(keep);
}

}  // namespace zmk
