#pragma once

// The dialogs of the flow computers and of the gas parameters sent to them.
// Widgets for tests: "confirmButton", "cancelButton" and those named with
// each dialog.

#include <QDialog>
#include <array>
#include <cstdint>
#include <vector>

#include "tables/FlowComputers.h"
#include "tables/ui/ParamsDialogParts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zmk {

// "Параметры вычислителя расхода газа № %d": one flow computer.
// "addressBox" (editable), "typeBox", "byteOrderBox", "pipeline1".."pipeline3",
// "passwordEdit" (16 characters, or 12 with the QLM layout), "codeEdit"
// (4 digits, QLM layout only), "splitBox" ("QLM").
class FlowComputerDialog : public QDialog {
    Q_OBJECT
public:
    // row: 0-based place in the list; split: the password is entered as 12 + 4.
    FlowComputerDialog(FlowComputerEntry& entry, int row, bool split, QWidget* parent = nullptr);

    // After acceptance: the 16 password bytes differ from those at opening.
    bool PasswordChanged() const { return passwordChanged_; }
    bool Split() const { return split_; }

private:
    void confirm();
    void typeChosen();
    void layoutChanged();

    FlowComputerEntry& entry_;
    bool split_;
    bool passwordChanged_ = false;
    bool passwordTyped_ = false;
    bool codeTyped_ = false;
    QComboBox* address_;
    QComboBox* type_;
    QComboBox* byteOrder_;
    std::array<QCheckBox*, 3> pipelines_{};
    QLabel* passwordLabel_;
    QLineEdit* password_;
    QLabel* codeLabel_;
    QLineEdit* code_;
    QCheckBox* splitBox_;
};

// "Параметры вычислителей расхода газа": the list of flow computers.
// "computerTable", "editButton", "addButton", "removeButton".
class FlowComputerListDialog : public QDialog {
    Q_OBJECT
public:
    // The list is edited in place and is changed only on confirmation; a
    // list of no computers is shown as one blank computer.
    FlowComputerListDialog(FlowComputerList& list, ParamsMode mode, QWidget* parent = nullptr);

private:
    void confirm();
    void editComputer();
    void addComputer();
    void removeComputer();
    void showRows(int selected);

    FlowComputerList& result_;
    FlowComputerList list_;
    QTableWidget* table_;
    QPushButton* add_;
    QPushButton* remove_;
};

// "Необходимость записи  значений параметров газа в ВРГ " (table 21):
// "writeBox0".."writeBox19", one per gas parameter.
class GasParameterWriteDialog : public QDialog {
    Q_OBJECT
public:
    GasParameterWriteDialog(uint8_t* fields, ParamsMode mode, QWidget* parent = nullptr);

private:
    void confirm();

    uint8_t* fields_;
    std::array<QComboBox*, GasParameterCount> rows_{};
};

// The period of writing hourly means into the flow computers (table 28):
// "periodBox".
class HourlyWritePeriodDialog : public QDialog {
    Q_OBJECT
public:
    HourlyWritePeriodDialog(uint8_t* fields, ParamsMode mode, QWidget* parent = nullptr);

private:
    void confirm();

    uint8_t* fields_;
    QComboBox* period_;
};

// One row of the flow-computer state window.
struct FlowComputerState {
    uint8_t Address = 0;
    bool LinkPresent = false;
    bool Writing = false;
};

// "Состояние обмена с вычислителями РГ": address, link and write state of
// each connected computer, shown from the controller's current state.
// "stateTable", "exitButton".
class FlowComputerStateWindow : public QDialog {
    Q_OBJECT
public:
    FlowComputerStateWindow(const std::vector<FlowComputerState>& rows, QWidget* parent = nullptr);
};

}  // namespace zmk
