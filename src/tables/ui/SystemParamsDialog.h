#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "tables/ClockChangeRule.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zmk {

// "Системные параметры контроллера": table 6 - the contract hour, the
// connected analysers and the two clock-change rules. The dialog works on a
// copy of the 12 bytes, with fields 9..11 set to 1, 0, 0; confirming checks
// that every list in view has a choice ("Введены не все параметры" when one
// has not) and then stores fields 0..11 into the given bytes. "Отменить"
// leaves them as they were.
//
// Each rule group hides everything but its month while the month is
// "Переход запрещен"; of the day controls it shows the day of the month or
// the ordinal and the weekday, by the way the day is given.
//
// Widgets for tests: "contractHour", "chromatographPresent",
// "moisturePresent"; the groups "summerGroup" and "winterGroup" with, for
// prefix "summer" and "winter", the lists <prefix>Month, <prefix>DayKind,
// <prefix>DayOfMonth, <prefix>Ordinal, <prefix>Weekday, <prefix>Hour and
// their captions <prefix>MonthLabel .. <prefix>HourLabel; "confirmButton"
// and "cancelButton".
class SystemParamsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 772;
    static constexpr int FormHeight = 316;
    static constexpr int FieldCount = 12;

    enum class Mode {
        WriteToController,  // "Записать в устройство": the command writes what changed
        AcceptIntoRecord,   // "Принять": the configuration record takes the values, nothing is sent
    };

    // table6: the 12 bytes of table 6, changed only when the dialog is confirmed.
    SystemParamsDialog(uint8_t* table6, Mode mode, QWidget* parent = nullptr);

private:
    // The controls of one clock-change rule.
    struct RuleGroup {
        const ClockChangeKind* kind;
        int field;  // first of its three fields: month, day byte, hour
        QGroupBox* box;
        QComboBox* month;
        QComboBox* dayKind;
        QComboBox* dayOfMonth;
        QComboBox* ordinal;
        QComboBox* weekday;
        QComboBox* hour;
        QLabel* monthLabel;
        QLabel* dayKindLabel;
        QLabel* dayOfMonthLabel;
        QLabel* ordinalLabel;
        QLabel* weekdayLabel;
        QLabel* hourLabel;
    };

    void buildRuleGroup(RuleGroup& g, const QString& title, const QString& prefix, int firstMonthLabel);
    // Shows the rule's fields in its controls.
    void showRule(RuleGroup& g);
    // What is in view by the month and the way the day is given.
    void arrangeRule(RuleGroup& g);
    void fillDaysOfMonth(RuleGroup& g);
    void connectRule(RuleGroup& g);
    // Whether every list in view has a choice.
    bool ruleComplete(const RuleGroup& g) const;
    void confirm();

    uint8_t* target_;
    std::array<uint8_t, FieldCount> fields_{};
    bool showing_ = false;  // controls being filled: their signals change nothing

    QComboBox* contractHour_;
    QCheckBox* chromatographPresent_;
    QCheckBox* moisturePresent_;
    RuleGroup summer_{};
    RuleGroup winter_{};
    QPushButton* confirmButton_;
    QPushButton* cancelButton_;
};

}  // namespace zmk
