#pragma once

// The dialogs of the gas-parameter limits (tables 22..26): the list of the 18
// parameters with their five limits, and the five limits of one parameter.
// Widgets for tests: "confirmButton", "cancelButton" and those named with
// each dialog.

#include <QDialog>
#include <array>

#include "tables/GasLimits.h"
#include "tables/ui/ParamsDialogParts.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zmk {

// " Параметр "name" ": the five limits of one parameter, each typed as a
// number in "valueEdit0".."valueEdit4" (ЗН .. ВДП) beside its unit
// ("unitLabel0"..) and its allowed range ("rangeLabel0"..). The set is
// changed only when every value lies in its range.
class GasLimitsDialog : public QDialog {
    Q_OBJECT
public:
    GasLimitsDialog(int parameter, LimitSet& set, QWidget* parent = nullptr);

private:
    void confirm();

    int parameter_;
    LimitSet& set_;
    std::array<QLineEdit*, GasLimitKindCount> values_{};
};

// " Уставки для контроля параметров газа": the 18 parameters with their
// limits in "limitTable" (columns: number, name, symbol, unit, ЗН, НПУ,
// ВПУ, НДП, ВДП); "editButton" (or a double click) opens a row. Without the
// hexane value in the list its row shows only that it is not used and cannot
// be opened. The sets are changed only on confirmation.
class GasLimitsListDialog : public QDialog {
    Q_OBJECT
public:
    GasLimitsListDialog(LimitSets& sets, bool hexaneInList, ParamsMode mode, QWidget* parent = nullptr);

    static constexpr int FirstLimitColumn = 4;

private:
    void confirm();
    void editRow();
    void rowChosen();
    void showRow(int row);
    bool Editable(int row) const;

    LimitSets& result_;
    LimitSets sets_;
    bool hexaneInList_;
    QTableWidget* table_;
    QPushButton* edit_;
};

}  // namespace zmk
