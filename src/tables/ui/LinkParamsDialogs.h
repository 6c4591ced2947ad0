#pragma once

// The five dialogs of the controller's communication parameters. Each edits
// the fields of its table in place (the image range read from the
// controller, or the table inside a configuration record) and changes them
// only on confirmation; "Отменить" leaves them as they were.
//
// Widgets for tests: "confirmButton", "cancelButton" and the fields named
// with each dialog.

#include <QDialog>
#include <array>
#include <cstdint>

#include "tables/ui/ParamsDialogParts.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace zmk {

// " Параметры связи с верхним уровнем " (table 3): "addressBox" (editable),
// "rateBox", "preamblesEdit".
class UpperLevelLinkDialog : public QDialog {
    Q_OBJECT
public:
    // rateChangeable: the rate list is enabled (always in the Record mode).
    UpperLevelLinkDialog(uint8_t* fields, ParamsMode mode, bool rateChangeable, QWidget* parent = nullptr);

private:
    void confirm();

    uint8_t* fields_;
    QComboBox* address_;
    QComboBox* rate_;
    QLineEdit* preambles_;
};

// " Параметры связи с хроматографом " (table 14): "addressBox" (editable),
// "rateBox", "modeBox", "parityBox", "timeoutBox", "failedBox", "typeBox",
// "hexaneBox".
class ChromatographLinkDialog : public QDialog {
    Q_OBJECT
public:
    ChromatographLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent = nullptr);

private:
    void confirm();

    uint8_t* fields_;
    QComboBox* address_;
    QComboBox* rate_;
    QComboBox* mode_;
    QComboBox* parity_;
    QComboBox* timeout_;
    QComboBox* failed_;
    QComboBox* type_;
    QCheckBox* noHexane_;
};

// " Параметры связи с влагомером" (table 15): "addressBox", "modeBox",
// "timeoutBox" (both editable), "failedBox", "typeBox". The rate (field 1) is
// not edited here and keeps its value.
class MoistureMeterLinkDialog : public QDialog {
    Q_OBJECT
public:
    MoistureMeterLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent = nullptr);

private:
    void confirm();

    uint8_t* fields_;
    QComboBox* address_;
    QComboBox* mode_;
    QComboBox* timeout_;
    QComboBox* failed_;
    QComboBox* type_;
};

// " Параметры связи с ВРГ" (table 9): "countBox", "rateBox", "failedBox",
// "timeoutBox", "preamblesEdit", "writeMode0".."writeMode2",
// "computerBox" (rebuilt with the count), "pipelineBox".
class FlowComputerLinkDialog : public QDialog {
    Q_OBJECT
public:
    FlowComputerLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent = nullptr);

private:
    void confirm();
    // The index list 0 .. count - 1, keeping the chosen (or stored) index.
    void fillComputerList();

    uint8_t* fields_;
    QComboBox* count_;
    QComboBox* rate_;
    QComboBox* failed_;
    QComboBox* timeout_;
    QLineEdit* preambles_;
    std::array<QRadioButton*, 3> writeMode_{};
    QComboBox* computer_;
    QComboBox* pipeline_;
    int wantedComputer_;
};

// " Параметры связи по Ethernet" (table 29): "ipEdit0".."ipEdit3",
// "maskEdit0".., "gatewayEdit0"..; "portEdit0".."portEdit3".
class EthernetLinkDialog : public QDialog {
    Q_OBJECT
public:
    EthernetLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent = nullptr);

private:
    void confirm();

    uint8_t* fields_;
    std::array<QLineEdit*, 12> dotted_{};
    std::array<QLineEdit*, 4> ports_{};
};

}  // namespace zmk
