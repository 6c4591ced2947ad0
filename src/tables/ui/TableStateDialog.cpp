#include "tables/ui/TableStateDialog.h"

#include <QApplication>
#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/ui/MessageDialog.h"
#include "tables/Catalogue.h"

namespace zmk {

namespace {

enum Column { NameColumn = 0, DestroyedColumn = 1, WriteColumn = 2 };
// Rows shown without a scroll bar; the list never holds more than 50.
constexpr int RowsWithoutScrolling = 27;

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

TableStateDialog::TableStateDialog(const TableSelection& selection, int softwareVersion, uint8_t channelKind,
                                   ResetRequest reset, QWidget* parent)
    : QDialog(parent), selection_(selection), reset_(std::move(reset)) {
    setWindowTitle(QStringLiteral("Состояние таблиц параметров конфигурации"));
    resize(600, 588);
    rows_ = ConfigurationTables(tables_);

    list_ = new QTableWidget(rows_, 3, this);
    list_->setObjectName(QStringLiteral("tableList"));
    list_->setHorizontalHeaderLabels({QStringLiteral("Наименование таблицы"), QStringLiteral("Разру-\nшена"),
                                      QStringLiteral("Записать\nтаблицу")});
    list_->verticalHeader()->hide();
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    list_->horizontalHeader()->setSectionResizeMode(DestroyedColumn, QHeaderView::ResizeToContents);
    list_->horizontalHeader()->setSectionResizeMode(WriteColumn, QHeaderView::ResizeToContents);
    int firstDestroyed = -1;
    for (int row = 0; row < rows_; ++row) {
        const int t = tables_[size_t(row)];
        auto* name = new QTableWidgetItem(QStringLiteral(" Табл. %1.  %2").arg(t, 2).arg(TableName(t)));
        name->setToolTip(name->text());
        list_->setItem(row, NameColumn, name);
        const bool destroyed = selection_.destroyed[size_t(t)];
        auto* state = new QTableWidgetItem(destroyed ? QStringLiteral("Да") : QStringLiteral("Нет"));
        state->setTextAlignment(Qt::AlignCenter);
        if (destroyed) state->setForeground(QBrush(Qt::red));
        list_->setItem(row, DestroyedColumn, state);
        auto* box = new QTableWidgetItem;
        Qt::ItemFlags flags = Qt::ItemIsUserCheckable;
        if (RowBoxEnabled(selection_, t, channelKind)) flags |= Qt::ItemIsEnabled;
        box->setFlags(flags);
        box->setCheckState(RowStartsChecked(selection_, t, channelKind) ? Qt::Checked : Qt::Unchecked);
        list_->setItem(row, WriteColumn, box);
        if (destroyed && firstDestroyed < 0) firstDestroyed = row;
    }
    list_->resizeRowsToContents();
    if (rows_ < RowsWithoutScrolling) {
        list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        int height = list_->horizontalHeader()->sizeHint().height() + 2 * list_->frameWidth();
        for (int row = 0; row < rows_; ++row) height += list_->rowHeight(row);
        list_->setFixedHeight(height);
    } else if (firstDestroyed >= RowsWithoutScrolling) {
        list_->scrollToItem(list_->item(firstDestroyed, NameColumn));
    }

    const TableStateControls controls = TableStateControlsFor(softwareVersion, channelKind);
    QPushButton* all = Button(this, "writeAllButton", QStringLiteral("Записать все таблицы"));
    QPushButton* chosen = Button(this, "writeSelectedButton", QStringLiteral("Записать избранные таблицы"));
    resetButton_ = Button(this, "resetButton", QStringLiteral("Сбросить энергонезависимые данные"));
    QPushButton* exit = Button(this, "exitButton", QStringLiteral("Выход"));
    all->setEnabled(controls.writeAll);
    chosen->setEnabled(controls.writeSelected);
    resetButton_->setEnabled(controls.reset);
    connect(all, &QPushButton::clicked, this, &TableStateDialog::writeAll);
    connect(chosen, &QPushButton::clicked, this, &TableStateDialog::writeSelected);
    connect(resetButton_, &QPushButton::clicked, this, &TableStateDialog::resetMemory);
    connect(exit, &QPushButton::clicked, this, [this] { finish(TableStateAnswer::Exit); });

    auto* buttons = new QVBoxLayout;
    auto* top = new QHBoxLayout;
    top->addWidget(all);
    top->addWidget(chosen);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(resetButton_);
    bottom->addWidget(exit);
    buttons->addLayout(top);
    buttons->addLayout(bottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addStretch();
    layout->addLayout(buttons);
    if (rows_ < RowsWithoutScrolling) resize(600, list_->height() + 113 + 2 * layout->contentsMargins().top());
}

int TableStateDialog::RowOf(int table) const {
    for (int row = 0; row < rows_; ++row)
        if (tables_[size_t(row)] == table) return row;
    return -1;
}

void TableStateDialog::finish(TableStateAnswer answer) {
    answer_ = answer;
    if (answer == TableStateAnswer::Exit) reject();
    else accept();
}

void TableStateDialog::writeAll() {
    MarkAllTables(selection_);
    finish(TableStateAnswer::WriteAll);
}

void TableStateDialog::writeSelected() {
    std::array<bool, TableCount> checked{};
    for (int row = 0; row < rows_; ++row)
        checked[size_t(tables_[size_t(row)])] = list_->item(row, WriteColumn)->checkState() == Qt::Checked;
    if (!MarkCheckedTables(selection_, checked)) {
        ShowMessage(MessageKind::Info, NoTablesChosenText());
        return;
    }
    finish(TableStateAnswer::WriteSelected);
}

void TableStateDialog::resetMemory() {
    if (!Ask(MessageKind::Question, QStringLiteral("Вы уверены, что хотите выполнить сброс"),
             QStringLiteral("всех энергонезависимых данных?")))
        return;
    QString status;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool done = reset_ && reset_(status);
    QApplication::restoreOverrideCursor();
    if (!done) {
        ShowMessage(MessageKind::Info, QStringLiteral("Команда не может быть выполнена."), status);
        return;
    }
    resetButton_->setEnabled(false);
    finish(TableStateAnswer::ResetDone);
}

}  // namespace zmk
