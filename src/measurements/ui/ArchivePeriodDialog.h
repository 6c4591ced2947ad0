#pragma once

#include <QDialog>
#include <QList>

#include "common/PackedDate.h"
#include "measurements/ArchiveBounds.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace zmk {

// "Ввод периода времени запрашиваемых данных": the period of a 5-minute,
// hourly or daily archive read. One of three panels is shown, by the mode.
// The period kind chosen last (shared with the event-archive period dialog)
// and the custom 5-minute period live in ArchiveQuery() and are updated here;
// the caller saves that record.
class ArchivePeriodDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 590;
    static constexpr int FiveMinuteHeight = 290;
    static constexpr int HourlyHeight = 238;
    static constexpr int DailyHeight = 208;

    // mode: UnitFiveMinutes, UnitHour or UnitDay (anything else is taken as
    // daily). bounds: the archive's oldest and newest record. clock: the
    // controller clock as last read (table 2 of the image), taken as "now".
    ArchivePeriodDialog(int mode, const ArchiveBounds& bounds, const PackedDate& clock, QWidget* parent = nullptr);

    int Mode() const { return mode_; }

    // Valid after acceptance: the chosen period at the mode's precision
    // (minute, hour or day), the bytes past it and the seconds 0.
    PackedDate Start;
    PackedDate End;

    // Five-minute panel.
    QWidget* pn_m5;
    QLabel* LabelM5Oldest;
    QLabel* LabelM5Newest;
    QDateEdit* tdMb;
    QComboBox* ComboBox3;  // start hour 0..23
    QComboBox* ComboBox1;  // start minute 0..59
    QDateEdit* tdMe;
    QComboBox* ComboBox4;  // end hour 0..23
    QComboBox* ComboBox5;  // end minute 0..59
    QGroupBox* RadioGroup1;
    QList<QRadioButton*> RadioGroup1Items;  // last hour, last day, custom

    // Hourly panel.
    QWidget* pn_hou;
    QLabel* LabelHouOldest;
    QLabel* LabelHouNewest;
    QDateEdit* tdHb;
    QComboBox* ComboBox6;  // start hour
    QDateEdit* tdHe;
    QComboBox* ComboBox7;  // end hour
    QGroupBox* RadioGroup3;
    QList<QRadioButton*> RadioGroup3Items;  // last day, custom

    // Daily panel.
    QWidget* pn_day;
    QLabel* LabelDayOldest;
    QLabel* LabelDayNewest;
    QDateEdit* tdDb;
    QDateEdit* tdDe;
    QGroupBox* RadioGroup2;
    QList<QRadioButton*> RadioGroup2Items;  // last month, custom

    QPushButton* BitBtnAccept;  // "Принять"
    QPushButton* BitBtnCancel;  // "Отменить"

private slots:
    void RadioGroup1Click(int index);
    void RadioGroup3Click(int index);
    void RadioGroup2Click(int index);
    void BitBtnAcceptClick();

private:
    void BuildFiveMinutePanel();
    void BuildHourlyPanel();
    void BuildDailyPanel();
    void FormShow();

    void ApplyFiveMinuteChoice(int index);
    void ApplyHourlyChoice(int index);
    void ApplyDailyChoice(int index);

    // The period shown in the controls of the current panel.
    PackedDate ShownStart() const;
    PackedDate ShownEnd() const;
    int Compare(const PackedDate& a, const PackedDate& b) const;

    int mode_;
    ArchiveBounds bounds_;
    PackedDate now_;
    QButtonGroup* group1_;
    QButtonGroup* group3_;
    QButtonGroup* group2_;
};

// ReadArchiveBounds' messages shown with the shared message dialog.
class MessageBoxArchiveMessages : public ArchiveMessages {
public:
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override;
};

}  // namespace zmk
