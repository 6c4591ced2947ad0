#include "measurements/ui/ArchivePeriodDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "settings/MainSettings.h"
#include "common/ui/MessageDialog.h"
#include "settings/ArchiveQuery.h"
#include "measurements/ArchiveBounds.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

const QDate FirstPickerDate(2000, 1, 1);
const QDate LastPickerDate(2099, 12, 31);

// The period's fields are disabled while a preset period kind fills them:
// their values are still to be read, darker than the style's pale grey.
const QColor DisabledValueColor(0x5a, 0x5a, 0x5a);

void KeepReadableWhenDisabled(QWidget* field) {
    QPalette palette = field->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, DisabledValueColor);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, DisabledValueColor);
    field->setPalette(palette);
}

QDateEdit* NewPicker(QWidget* parent, const char* name) {
    auto* edit = new QDateEdit(FirstPickerDate, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setCalendarPopup(true);
    edit->setDateRange(FirstPickerDate, LastPickerDate);
    // Never narrower than its whole date: squeezed beside the hour and
    // minute boxes it would show "10.1".
    edit->setMinimumWidth(edit->sizeHint().width());
    KeepReadableWhenDisabled(edit);
    return edit;
}

QComboBox* NewNumberBox(QWidget* parent, const char* name, int count) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < count; ++i) box->addItem(QString::asprintf("%02d", i));
    box->setCurrentIndex(0);
    KeepReadableWhenDisabled(box);
    return box;
}

// Shows the date's day in a picker. A day past its month's end counts on
// into the next month, as the date-time value does.
void ShowDate(QDateEdit* edit, const PackedDate& date) {
    const PackedDate day = FromDateTime(ToDateTime(date.Prefix(3)));
    edit->setDate(QDate(day.FullYear(), day.Month, day.Day));
}

PackedDate PickedDate(const QDateEdit* edit) {
    const QDate d = edit->date();
    PackedDate date;
    date.Year = static_cast<uint8_t>(std::clamp(d.year() - 2000, 0, 99));
    date.Month = static_cast<uint8_t>(d.month());
    date.Day = static_cast<uint8_t>(d.day());
    return date;
}

QLabel* NewLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// One radio button of a period-kind group: its object name and text.
struct KindItem {
    const char* name;
    QString text;
};

// The " Задание периода" group; its buttons go into `kinds`, numbered from 0,
// one under the other or (`inRow`) side by side.
QGroupBox* NewPeriodKindGroup(QWidget* parent, const char* name, const QList<KindItem>& items, QButtonGroup*& kinds,
                              bool inRow = false) {
    auto* box = new QGroupBox(QStringLiteral(" Задание периода"), parent);
    box->setObjectName(QString::fromLatin1(name));
    kinds = new QButtonGroup(box);
    QBoxLayout* layout = inRow ? static_cast<QBoxLayout*>(new QHBoxLayout(box)) : new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i].text, box);
        button->setObjectName(QString::fromLatin1(items[i].name));
        kinds->addButton(button, i);
        layout->addWidget(button);
    }
    return box;
}

// The remembered period kind, limited to the buttons of a period-kind group.
int RememberedIndex(int itemCount) { return std::clamp(ArchiveQuery().PeriodKind, 0, itemCount - 1); }

QString OldestText(const PackedDate& d, int mode) {
    const QString head = QStringLiteral("Дата и время самой старой записи в архиве:  ");
    if (mode == UnitFiveMinutes)
        return head + QString::asprintf("%02d.%02d.%02d %02d:%02d", d.Day, d.Month, d.Year, d.Hour, d.Minute);
    if (mode == UnitHour) return head + QString::asprintf("%02d.%02d.%02d %02d", d.Day, d.Month, d.Year, d.Hour) + QStringLiteral("ч");
    return head + QString::asprintf("%02d.%02d.%02d", d.Day, d.Month, d.Year);
}

QString NewestText(const PackedDate& d, int mode) {
    const QString head = QStringLiteral("Дата и время последней записи в архиве:  ");
    if (mode == UnitFiveMinutes)
        return head + QString::asprintf("%02d.%02d.%02d %02d:%02d", d.Day, d.Month, d.Year, d.Hour, d.Minute);
    if (mode == UnitHour) return head + QString::asprintf("%02d.%02d.%02d %02d", d.Day, d.Month, d.Year, d.Hour) + QStringLiteral("ч");
    return head + QString::asprintf("%02d.%02d.%02d", d.Day, d.Month, d.Year);
}

// A "Начало периода" / "Конец периода" group with a date and optional hour
// and minute boxes.
QGroupBox* NewPeriodGroup(QWidget* parent, const QString& title, QDateEdit* date, QComboBox* hour,
                          QComboBox* minute) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QGridLayout(box);
    layout->addWidget(new QLabel(QStringLiteral("Дата"), box), 0, 0);
    layout->addWidget(date, 1, 0);
    if (hour != nullptr) {
        layout->addWidget(new QLabel(QStringLiteral("Часы"), box), 0, 1);
        layout->addWidget(hour, 1, 1);
    }
    if (minute != nullptr) {
        layout->addWidget(new QLabel(QStringLiteral("Минуты"), box), 0, 2);
        layout->addWidget(minute, 1, 2);
    }
    return box;
}

}  // namespace

ArchivePeriodDialog::ArchivePeriodDialog(int mode, const ArchiveBounds& bounds, const PackedDate& clock, QWidget* parent)
    : QDialog(parent),
      mode_(mode == UnitFiveMinutes || mode == UnitHour ? mode : UnitDay),
      bounds_(bounds),
      now_(clock) {
    setWindowTitle(QStringLiteral("Ввод периода времени запрашиваемых данных"));

    BuildFiveMinutePanel();
    BuildHourlyPanel();
    BuildDailyPanel();

    acceptButton_ = new QPushButton(QStringLiteral("Принять"), this);
    cancelButton_ = new QPushButton(QStringLiteral("Отменить"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    acceptButton_->setDefault(true);
    for (QPushButton* button : {acceptButton_, cancelButton_}) button->setFixedWidth(100);
    connect(acceptButton_, &QPushButton::clicked, this, &ArchivePeriodDialog::acceptPeriod);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(acceptButton_);
    buttons->addSpacing(40);
    buttons->addWidget(cancelButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fiveMinutePanel_);
    layout->addWidget(hourlyPanel_);
    layout->addWidget(dailyPanel_);
    layout->addLayout(buttons);

    ShowModePanel();
}

void ArchivePeriodDialog::BuildFiveMinutePanel() {
    fiveMinutePanel_ = new QWidget(this);
    fiveMinutePanel_->setObjectName(QStringLiteral("fiveMinutePanel"));
    fiveMinuteOldest_ = NewLabel(fiveMinutePanel_, "fiveMinuteOldest");
    fiveMinuteNewest_ = NewLabel(fiveMinutePanel_, "fiveMinuteNewest");
    fiveMinuteStartDate_ = NewPicker(fiveMinutePanel_, "fiveMinuteStartDate");
    fiveMinuteStartHour_ = NewNumberBox(fiveMinutePanel_, "fiveMinuteStartHour", 24);
    fiveMinuteStartMinute_ = NewNumberBox(fiveMinutePanel_, "fiveMinuteStartMinute", 60);
    fiveMinuteEndDate_ = NewPicker(fiveMinutePanel_, "fiveMinuteEndDate");
    fiveMinuteEndHour_ = NewNumberBox(fiveMinutePanel_, "fiveMinuteEndHour", 24);
    fiveMinuteEndMinute_ = NewNumberBox(fiveMinutePanel_, "fiveMinuteEndMinute", 60);
    fiveMinutePeriodKind_ = NewPeriodKindGroup(fiveMinutePanel_, "fiveMinutePeriodKind",
                                               {{"fiveMinuteLastHour", QStringLiteral("За последний час")},
                                                {"fiveMinuteLastDay", QStringLiteral("За последние сутки")},
                                                {"fiveMinuteCustomPeriod", QStringLiteral("Заданный период")}},
                                               fiveMinuteKinds_, true);
    connect(fiveMinuteKinds_, &QButtonGroup::idClicked, this, &ArchivePeriodDialog::chooseFiveMinutePeriod);

    auto* periods = new QHBoxLayout;
    periods->addWidget(NewPeriodGroup(fiveMinutePanel_, QStringLiteral("Начало периода"), fiveMinuteStartDate_,
                                      fiveMinuteStartHour_, fiveMinuteStartMinute_));
    periods->addWidget(NewPeriodGroup(fiveMinutePanel_, QStringLiteral("Конец периода"), fiveMinuteEndDate_,
                                      fiveMinuteEndHour_, fiveMinuteEndMinute_));
    // With hours and minutes beside each date the period kinds go below:
    // in one row the dates would not fit the dialog's width.
    auto* layout = new QVBoxLayout(fiveMinutePanel_);
    layout->addWidget(fiveMinuteOldest_);
    layout->addWidget(fiveMinuteNewest_);
    layout->addLayout(periods);
    layout->addWidget(fiveMinutePeriodKind_);
}

void ArchivePeriodDialog::BuildHourlyPanel() {
    hourlyPanel_ = new QWidget(this);
    hourlyPanel_->setObjectName(QStringLiteral("hourlyPanel"));
    hourlyOldest_ = NewLabel(hourlyPanel_, "hourlyOldest");
    hourlyNewest_ = NewLabel(hourlyPanel_, "hourlyNewest");
    hourlyStartDate_ = NewPicker(hourlyPanel_, "hourlyStartDate");
    hourlyStartHour_ = NewNumberBox(hourlyPanel_, "hourlyStartHour", 24);
    hourlyEndDate_ = NewPicker(hourlyPanel_, "hourlyEndDate");
    hourlyEndHour_ = NewNumberBox(hourlyPanel_, "hourlyEndHour", 24);
    hourlyPeriodKind_ = NewPeriodKindGroup(hourlyPanel_, "hourlyPeriodKind",
                                           {{"hourlyLastDay", QStringLiteral("За последние сутки")},
                                            {"hourlyCustomPeriod", QStringLiteral("Заданный период")}},
                                           hourlyKinds_);
    connect(hourlyKinds_, &QButtonGroup::idClicked, this, &ArchivePeriodDialog::chooseHourlyPeriod);

    auto* periods = new QHBoxLayout;
    periods->addWidget(
        NewPeriodGroup(hourlyPanel_, QStringLiteral("Начало периода"), hourlyStartDate_, hourlyStartHour_, nullptr));
    periods->addWidget(
        NewPeriodGroup(hourlyPanel_, QStringLiteral("Конец периода"), hourlyEndDate_, hourlyEndHour_, nullptr));
    periods->addWidget(hourlyPeriodKind_);
    auto* layout = new QVBoxLayout(hourlyPanel_);
    layout->addWidget(hourlyOldest_);
    layout->addWidget(hourlyNewest_);
    layout->addLayout(periods);
}

void ArchivePeriodDialog::BuildDailyPanel() {
    dailyPanel_ = new QWidget(this);
    dailyPanel_->setObjectName(QStringLiteral("dailyPanel"));
    dailyOldest_ = NewLabel(dailyPanel_, "dailyOldest");
    dailyNewest_ = NewLabel(dailyPanel_, "dailyNewest");
    dailyStartDate_ = NewPicker(dailyPanel_, "dailyStartDate");
    dailyEndDate_ = NewPicker(dailyPanel_, "dailyEndDate");
    dailyPeriodKind_ = NewPeriodKindGroup(dailyPanel_, "dailyPeriodKind",
                                          {{"dailyLastMonth", QStringLiteral("За последний месяц")},
                                           {"dailyCustomPeriod", QStringLiteral("Заданный период")}},
                                          dailyKinds_);
    connect(dailyKinds_, &QButtonGroup::idClicked, this, &ArchivePeriodDialog::chooseDailyPeriod);

    auto* periods = new QHBoxLayout;
    periods->addWidget(NewPeriodGroup(dailyPanel_, QStringLiteral("Начало периода"), dailyStartDate_, nullptr, nullptr));
    periods->addWidget(NewPeriodGroup(dailyPanel_, QStringLiteral("Конец периода"), dailyEndDate_, nullptr, nullptr));
    periods->addWidget(dailyPeriodKind_);
    auto* layout = new QVBoxLayout(dailyPanel_);
    layout->addWidget(dailyOldest_);
    layout->addWidget(dailyNewest_);
    layout->addLayout(periods);
}

void ArchivePeriodDialog::ShowModePanel() {
    fiveMinutePanel_->setVisible(mode_ == UnitFiveMinutes);
    hourlyPanel_->setVisible(mode_ == UnitHour);
    dailyPanel_->setVisible(mode_ == UnitDay);

    switch (mode_) {
    case UnitFiveMinutes: {
        setFixedSize(FormWidth, FiveMinuteHeight);
        fiveMinuteOldest_->setText(OldestText(bounds_.Oldest, mode_));
        fiveMinuteNewest_->setText(NewestText(bounds_.Newest, mode_));
        const int index = RememberedIndex(int(fiveMinuteKinds_->buttons().size()));
        fiveMinuteKinds_->button(index)->setChecked(true);
        ApplyFiveMinuteChoice(index);
        break;
    }
    case UnitHour: {
        setFixedSize(FormWidth, HourlyHeight);
        hourlyOldest_->setText(OldestText(bounds_.Oldest, mode_));
        hourlyNewest_->setText(NewestText(bounds_.Newest, mode_));
        // The last day of the archive, or all of it when it is shorter.
        const PackedDate end = bounds_.Newest.Prefix(4);
        PackedDate start = end;
        StepBack(start, UnitDay);
        if (CompareDates(start, bounds_.Oldest, UnitHour) < 0) start = bounds_.Oldest.Prefix(4);
        ShowDate(hourlyStartDate_, start);
        hourlyStartHour_->setCurrentIndex(start.Hour % 24);
        ShowDate(hourlyEndDate_, end);
        hourlyEndHour_->setCurrentIndex(end.Hour % 24);
        const int index = RememberedIndex(int(hourlyKinds_->buttons().size()));
        hourlyKinds_->button(index)->setChecked(true);
        ApplyHourlyChoice(index);
        break;
    }
    default: {
        setFixedSize(FormWidth, DailyHeight);
        dailyOldest_->setText(OldestText(bounds_.Oldest, mode_));
        dailyNewest_->setText(NewestText(bounds_.Newest, mode_));
        // The last month of the archive, or all of it when it is shorter.
        const PackedDate end = bounds_.Newest.Prefix(3);
        PackedDate start = end;
        StepBack(start, UnitMonth);
        if (CompareDates(start, bounds_.Oldest, UnitDay) < 0) start = bounds_.Oldest.Prefix(3);
        ShowDate(dailyStartDate_, start);
        ShowDate(dailyEndDate_, end);
        const int index = RememberedIndex(int(dailyKinds_->buttons().size()));
        dailyKinds_->button(index)->setChecked(true);
        ApplyDailyChoice(index);
        break;
    }
    }
}

void ArchivePeriodDialog::ApplyFiveMinuteChoice(int index) {
    const bool custom = index == 2;
    PackedDate start;
    PackedDate end;
    if (custom) {
        start = FromDateTime(ArchiveQuery().PeriodStart);
        end = FromDateTime(ArchiveQuery().PeriodEnd);
    } else {
        end = now_.Prefix(5);
        start = end;
        StepBack(start, index == 0 ? UnitHour : UnitDay);
    }
    ShowDate(fiveMinuteStartDate_, start);
    fiveMinuteStartHour_->setCurrentIndex(start.Hour % 24);
    fiveMinuteStartMinute_->setCurrentIndex(start.Minute % 60);
    ShowDate(fiveMinuteEndDate_, end);
    fiveMinuteEndHour_->setCurrentIndex(end.Hour % 24);
    fiveMinuteEndMinute_->setCurrentIndex(end.Minute % 60);
    for (QWidget* w : std::initializer_list<QWidget*>{fiveMinuteStartDate_, fiveMinuteStartHour_, fiveMinuteStartMinute_,
                                                      fiveMinuteEndDate_, fiveMinuteEndHour_, fiveMinuteEndMinute_})
        w->setEnabled(custom);
}

void ArchivePeriodDialog::ApplyHourlyChoice(int index) {
    const bool custom = index == 1;
    if (!custom) {
        // The last 24 hourly records.
        PackedDate end = now_.Prefix(4);
        StepBack(end, UnitHour);
        PackedDate start = end;
        StepBack(start, UnitDay);
        StepForward(start, UnitHour);
        ShowDate(hourlyStartDate_, start);
        hourlyStartHour_->setCurrentIndex(start.Hour % 24);
        ShowDate(hourlyEndDate_, end);
        hourlyEndHour_->setCurrentIndex(end.Hour % 24);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{hourlyStartDate_, hourlyStartHour_, hourlyEndDate_, hourlyEndHour_})
        w->setEnabled(custom);
}

void ArchivePeriodDialog::ApplyDailyChoice(int index) {
    const bool custom = index == 1;
    if (!custom) {
        PackedDate end = now_.Prefix(3);
        StepBack(end, UnitDay);
        PackedDate start = end;
        StepBack(start, UnitMonth);
        ShowDate(dailyStartDate_, start);
        ShowDate(dailyEndDate_, end);
    }
    dailyStartDate_->setEnabled(custom);
    dailyEndDate_->setEnabled(custom);
}

void ArchivePeriodDialog::chooseFiveMinutePeriod(int index) {
    ArchiveQuery().PeriodKind = index;
    ApplyFiveMinuteChoice(index);
}

void ArchivePeriodDialog::chooseHourlyPeriod(int index) {
    ArchiveQuery().PeriodKind = index;
    ApplyHourlyChoice(index);
}

void ArchivePeriodDialog::chooseDailyPeriod(int index) {
    ArchiveQuery().PeriodKind = index;
    ApplyDailyChoice(index);
}

PackedDate ArchivePeriodDialog::ShownStart() const {
    switch (mode_) {
    case UnitFiveMinutes: {
        PackedDate d = PickedDate(fiveMinuteStartDate_);
        d.Hour = static_cast<uint8_t>(std::max(0, fiveMinuteStartHour_->currentIndex()));
        d.Minute = static_cast<uint8_t>(std::max(0, fiveMinuteStartMinute_->currentIndex()));
        return d;
    }
    case UnitHour: {
        PackedDate d = PickedDate(hourlyStartDate_);
        d.Hour = static_cast<uint8_t>(std::max(0, hourlyStartHour_->currentIndex()));
        return d;
    }
    default:
        return PickedDate(dailyStartDate_);
    }
}

PackedDate ArchivePeriodDialog::ShownEnd() const {
    switch (mode_) {
    case UnitFiveMinutes: {
        PackedDate d = PickedDate(fiveMinuteEndDate_);
        d.Hour = static_cast<uint8_t>(std::max(0, fiveMinuteEndHour_->currentIndex()));
        d.Minute = static_cast<uint8_t>(std::max(0, fiveMinuteEndMinute_->currentIndex()));
        return d;
    }
    case UnitHour: {
        PackedDate d = PickedDate(hourlyEndDate_);
        d.Hour = static_cast<uint8_t>(std::max(0, hourlyEndHour_->currentIndex()));
        return d;
    }
    default:
        return PickedDate(dailyEndDate_);
    }
}

int ArchivePeriodDialog::Compare(const PackedDate& a, const PackedDate& b) const {
    return mode_ == UnitFiveMinutes ? CompareMinutes(a, b) : CompareDates(a, b, mode_);
}

void ArchivePeriodDialog::acceptPeriod() {
    // The bounds at the panel's precision.
    const int precision = mode_ == UnitFiveMinutes ? 5 : (mode_ == UnitHour ? 4 : 3);
    const PackedDate oldest = bounds_.Oldest.Prefix(precision);
    const PackedDate newest = bounds_.Newest.Prefix(precision);
    PackedDate start = ShownStart();
    PackedDate end = ShownEnd();

    if (Compare(end, start) < 0) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Дата и время конца опроса должны быть"),
                       QStringLiteral("больше даты и времени начала опроса"));
        return;
    }
    if ((Compare(start, oldest) < 0 && Compare(end, oldest) < 0) ||
        (Compare(start, newest) > 0 && Compare(end, newest) > 0)) {
        ShowMessage(MessageKind::InputError, QStringLiteral("В архиве нет данных за указанный период"),
                       QStringLiteral("(см. период имеющихся в архиве данных)"));
        return;
    }
    if (Compare(start, oldest) < 0) start = oldest;
    if (Compare(end, newest) > 0) end = newest;

    if (mode_ == UnitFiveMinutes && fiveMinuteKinds_->checkedId() == 2) {
        ArchiveQuery().PeriodStart = ToDateTime(start);
        ArchiveQuery().PeriodEnd = ToDateTime(end);
    }
    start_ = start;
    end_ = end;
    accept();
}

void MessageBoxArchiveMessages::ShowMessage(MessageKind kind, const QString& line1, const QString& line2) {
    zmk::ShowMessage(kind, line1, line2);
}

}  // namespace zmk
