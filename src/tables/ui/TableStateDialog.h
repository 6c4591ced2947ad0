#pragma once

// The state of the configuration tables after connecting: one row per
// configuration table with its state and a box to choose it for writing,
// and the three actions (write all, write the chosen ones, reset the
// non-volatile data).

#include <QDialog>
#include <array>
#include <functional>

#include "tables/ConfigWrite.h"

class QPushButton;
class QTableWidget;

namespace zmk {

// How the dialog was left.
enum class TableStateAnswer {
    Exit = 0,           // "Выход"
    WriteSelected = 1,  // "Записать избранные таблицы"
    WriteAll = 2,       // "Записать все таблицы"
    ResetDone = 3,      // the non-volatile data was reset
};

class TableStateDialog : public QDialog {
    Q_OBJECT
public:
    // Sends the reset to the controller; false with the link's status text.
    using ResetRequest = std::function<bool(QString& statusText)>;

    TableStateDialog(const TableSelection& selection, int softwareVersion, uint8_t channelKind,
                     ResetRequest reset, QWidget* parent = nullptr);

    TableStateAnswer Answer() const { return answer_; }
    // The selection with the tables to write marked.
    const TableSelection& Selection() const { return selection_; }

    // The row of a table; -1 when it is no configuration table.
    int RowOf(int table) const;

private:
    void writeAll();
    void writeSelected();
    void resetMemory();
    void finish(TableStateAnswer answer);

    TableSelection selection_;
    std::array<int, TableCount> tables_{};
    int rows_ = 0;
    ResetRequest reset_;
    TableStateAnswer answer_ = TableStateAnswer::Exit;
    QTableWidget* list_ = nullptr;
    QPushButton* resetButton_ = nullptr;
};

}  // namespace zmk
