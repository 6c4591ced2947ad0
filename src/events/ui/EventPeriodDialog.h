#pragma once

#include <QDialog>

#include "common/PackedDate.h"
#include "events/EventArchiveReader.h"

class QButtonGroup;
class QComboBox;
class QDateEdit;

namespace zmk {

// "Ввод периода времени запрашиваемых данных" of the event archives: the
// start and the end to the second. The items of " Задание периода" fill
// and lock the inputs ("За последний час", "За последние сутки", from the
// PC's time) or show the remembered custom period, open for editing. The
// item chosen is remembered at once in ArchiveQuery().PeriodKind, and an
// accepted custom period in PeriodStart / PeriodEnd (the caller saves them).
// Widgets by object name: "startDate", "startHour", "startMinute",
// "startSecond", "endDate", "endHour", "endMinute", "endSecond" (editable
// lists), the group "periodChoice" with "lastHour", "lastDay",
// "customPeriod", and "acceptButton" ("Принять"), "exitButton" ("Выход").
class EventPeriodDialog : public QDialog {
    Q_OBJECT

public:
    // `now`: the PC's date and time the items count back from.
    explicit EventPeriodDialog(const PackedDate& now, QWidget* parent = nullptr);

    // Valid after acceptance.
    const EventPeriod& Period() const { return period_; }

private slots:
    void chooseItem(int item);
    void acceptPeriod();

private:
    void ApplyChoice(int item);
    void ShowPeriod(const EventPeriod& period);

    PackedDate now_;
    EventPeriod period_;
    QDateEdit* startDate_;
    QComboBox* startHour_;
    QComboBox* startMinute_;
    QComboBox* startSecond_;
    QDateEdit* endDate_;
    QComboBox* endHour_;
    QComboBox* endMinute_;
    QComboBox* endSecond_;
    QButtonGroup* choices_;
};

}  // namespace zmk
