#pragma once

#include <QDialog>

#include "common/PackedDate.h"
#include "measurements/ArchiveBounds.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace zmk {

// "Ввод периода времени запрашиваемых данных": the period of a 5-minute,
// hourly or daily archive read. One of three panels is shown, by the mode.
// The period kind chosen last (shared with the event-archive period dialog)
// and the custom 5-minute period live in ArchiveQuery() and are updated here;
// the caller saves that record.
// Widgets by object name: the panels "fiveMinutePanel", "hourlyPanel" and
// "dailyPanel"; in each panel <panel>Oldest / <panel>Newest (the archive's
// bounds), <panel>StartDate / <panel>EndDate, the hour and minute boxes
// <panel>StartHour, <panel>StartMinute, <panel>EndHour, <panel>EndMinute
// where the panel has them, the group <panel>PeriodKind with its buttons
// (fiveMinuteLastHour, fiveMinuteLastDay, fiveMinuteCustomPeriod,
// hourlyLastDay, hourlyCustomPeriod, dailyLastMonth, dailyCustomPeriod);
// "acceptButton" and "cancelButton".
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
    const PackedDate& Start() const { return start_; }
    const PackedDate& End() const { return end_; }

private slots:
    // A click on one of a panel's period kinds: remembered, then shown.
    void chooseFiveMinutePeriod(int index);
    void chooseHourlyPeriod(int index);
    void chooseDailyPeriod(int index);
    // "Принять": checks the shown period against the archive and accepts it.
    void acceptPeriod();

private:
    void BuildFiveMinutePanel();
    void BuildHourlyPanel();
    void BuildDailyPanel();
    // Shows the panel of the mode with the archive's bounds and the
    // remembered period kind.
    void ShowModePanel();

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
    PackedDate start_;
    PackedDate end_;

    // Five-minute panel.
    QWidget* fiveMinutePanel_;
    QLabel* fiveMinuteOldest_;
    QLabel* fiveMinuteNewest_;
    QDateEdit* fiveMinuteStartDate_;
    QComboBox* fiveMinuteStartHour_;    // 0..23
    QComboBox* fiveMinuteStartMinute_;  // 0..59
    QDateEdit* fiveMinuteEndDate_;
    QComboBox* fiveMinuteEndHour_;
    QComboBox* fiveMinuteEndMinute_;
    QGroupBox* fiveMinutePeriodKind_;
    QButtonGroup* fiveMinuteKinds_;  // last hour, last day, custom

    // Hourly panel.
    QWidget* hourlyPanel_;
    QLabel* hourlyOldest_;
    QLabel* hourlyNewest_;
    QDateEdit* hourlyStartDate_;
    QComboBox* hourlyStartHour_;
    QDateEdit* hourlyEndDate_;
    QComboBox* hourlyEndHour_;
    QGroupBox* hourlyPeriodKind_;
    QButtonGroup* hourlyKinds_;  // last day, custom

    // Daily panel.
    QWidget* dailyPanel_;
    QLabel* dailyOldest_;
    QLabel* dailyNewest_;
    QDateEdit* dailyStartDate_;
    QDateEdit* dailyEndDate_;
    QGroupBox* dailyPeriodKind_;
    QButtonGroup* dailyKinds_;  // last month, custom

    QPushButton* acceptButton_;  // "Принять"
    QPushButton* cancelButton_;  // "Отменить"
};

// ReadArchiveBounds' messages shown with the shared message dialog.
class MessageBoxArchiveMessages : public ArchiveMessages {
public:
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override;
};

}  // namespace zmk
