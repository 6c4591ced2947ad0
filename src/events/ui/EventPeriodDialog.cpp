#include "events/ui/EventPeriodDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/NumericKeyFilter.h"
#include "settings/ArchiveQuery.h"

namespace zmk {

namespace {

constexpr int CustomItem = int(EventPeriodChoice::Custom);
const QDate FirstPickerDate(2000, 1, 1);
const QDate LastPickerDate(2099, 12, 31);

QDateEdit* NewPicker(QWidget* parent, const char* name) {
    auto* edit = new QDateEdit(FirstPickerDate, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setCalendarPopup(true);
    edit->setDateRange(FirstPickerDate, LastPickerDate);
    return edit;
}

// An editable list of 0 .. count - 1; typing goes through the integer key filter.
QComboBox* NewNumberList(QWidget* parent, const char* name, int count) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 0; i < count; ++i) box->addItem(QString::number(i));
    NumericKeyFilter::Install(box->lineEdit(), NumericKeyFilter::Integer);
    return box;
}

// The typed number; -1 for an empty box or one without a number, which the
// checks refuse as out of range.
int Typed(const QComboBox* box) {
    bool ok = false;
    const int value = box->currentText().trimmed().toInt(&ok);
    return ok ? value : -1;
}

void ShowNumber(QComboBox* box, int value) {
    box->setCurrentIndex(value);
    box->setEditText(QString::number(value));
}

void ShowDate(QDateEdit* edit, const PackedDate& date) {
    edit->setDate(QDate(date.FullYear(), date.Month, date.Day));
}

PackedDate PickedDate(const QDateEdit* edit) {
    const QDate d = edit->date();
    PackedDate date;
    date.Year = uint8_t(std::clamp(d.year() - 2000, 0, 99));
    date.Month = uint8_t(d.month());
    date.Day = uint8_t(d.day());
    return date;
}

QGroupBox* NewEndGroup(QWidget* parent, const QString& title, QDateEdit* date, QComboBox* hour, QComboBox* minute,
                       QComboBox* second) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QGridLayout(box);
    layout->addWidget(new QLabel(QStringLiteral("Дата"), box), 0, 0);
    layout->addWidget(date, 1, 0);
    layout->addWidget(new QLabel(QStringLiteral("Часы"), box), 0, 1);
    layout->addWidget(hour, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Минуты"), box), 0, 2);
    layout->addWidget(minute, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Секунды"), box), 0, 3);
    layout->addWidget(second, 1, 3);
    return box;
}

}  // namespace

EventPeriodDialog::EventPeriodDialog(const PackedDate& now, QWidget* parent) : QDialog(parent), now_(now) {
    setWindowTitle(QStringLiteral("Ввод периода времени запрашиваемых данных"));

    startDate_ = NewPicker(this, "startDate");
    startHour_ = NewNumberList(this, "startHour", 24);
    startMinute_ = NewNumberList(this, "startMinute", 60);
    startSecond_ = NewNumberList(this, "startSecond", 60);
    endDate_ = NewPicker(this, "endDate");
    endHour_ = NewNumberList(this, "endHour", 24);
    endMinute_ = NewNumberList(this, "endMinute", 60);
    endSecond_ = NewNumberList(this, "endSecond", 60);

    auto* group = new QGroupBox(QStringLiteral(" Задание периода"), this);
    group->setObjectName(QStringLiteral("periodChoice"));
    choices_ = new QButtonGroup(group);
    auto* groupLayout = new QVBoxLayout(group);
    const struct {
        const char* name;
        const char16_t* text;
    } items[] = {{"lastHour", u"За последний час"}, {"lastDay", u"За последние сутки"}, {"customPeriod", u"Заданный период"}};
    for (int i = 0; i < int(std::size(items)); ++i) {
        auto* button = new QRadioButton(QString::fromUtf16(items[i].text), group);
        button->setObjectName(QString::fromLatin1(items[i].name));
        choices_->addButton(button, i);
        groupLayout->addWidget(button);
    }
    connect(choices_, &QButtonGroup::idClicked, this, &EventPeriodDialog::chooseItem);

    auto* acceptButton = new QPushButton(QStringLiteral("Принять"), this);
    acceptButton->setObjectName(QStringLiteral("acceptButton"));
    auto* exitButton = new QPushButton(QStringLiteral("Выход"), this);
    exitButton->setObjectName(QStringLiteral("exitButton"));
    acceptButton->setDefault(true);
    for (QPushButton* button : {acceptButton, exitButton}) button->setFixedWidth(100);
    connect(acceptButton, &QPushButton::clicked, this, &EventPeriodDialog::acceptPeriod);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* periods = new QHBoxLayout;
    periods->addWidget(NewEndGroup(this, QStringLiteral(" Начало периода "), startDate_, startHour_, startMinute_, startSecond_));
    periods->addWidget(NewEndGroup(this, QStringLiteral(" Конец периода "), endDate_, endHour_, endMinute_, endSecond_));
    periods->addWidget(group);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(acceptButton);
    buttons->addSpacing(40);
    buttons->addWidget(exitButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(periods);
    layout->addLayout(buttons);

    // The remembered item, selected and applied; opening stores nothing.
    const int item = std::clamp(int(ArchiveQuery().PeriodKind), 0, CustomItem);
    choices_->button(item)->setChecked(true);
    ApplyChoice(item);
}

void EventPeriodDialog::ShowPeriod(const EventPeriod& period) {
    ShowDate(startDate_, period.start);
    ShowNumber(startHour_, period.start.Hour);
    ShowNumber(startMinute_, period.start.Minute);
    ShowNumber(startSecond_, period.start.Second);
    ShowDate(endDate_, period.end);
    ShowNumber(endHour_, period.end.Hour);
    ShowNumber(endMinute_, period.end.Minute);
    ShowNumber(endSecond_, period.end.Second);
}

void EventPeriodDialog::ApplyChoice(int item) {
    const EventPeriod custom{FromDateTime(ArchiveQuery().PeriodStart), FromDateTime(ArchiveQuery().PeriodEnd)};
    ShowPeriod(PeriodForChoice(EventPeriodChoice(item), now_, custom));
    const bool open = item == CustomItem;
    for (QWidget* input : std::initializer_list<QWidget*>{startDate_, startHour_, startMinute_, startSecond_, endDate_,
                                                          endHour_, endMinute_, endSecond_})
        input->setEnabled(open);
}

void EventPeriodDialog::chooseItem(int item) {
    ArchiveQuery().PeriodKind = item;
    ApplyChoice(item);
}

void EventPeriodDialog::acceptPeriod() {
    EventPeriodInput input;
    input.startDate = PickedDate(startDate_);
    input.startHour = Typed(startHour_);
    input.startMinute = Typed(startMinute_);
    input.startSecond = Typed(startSecond_);
    input.endDate = PickedDate(endDate_);
    input.endHour = Typed(endHour_);
    input.endMinute = Typed(endMinute_);
    input.endSecond = Typed(endSecond_);
    const EventPeriodCheck check = CheckPeriodInput(input);
    if (!check.period) {
        ShowMessage(MessageKind::InputError, check.line1, check.line2);
        return;
    }
    if (choices_->checkedId() == CustomItem) {
        ArchiveQuery().PeriodStart = ToDateTime(check.period->start);
        ArchiveQuery().PeriodEnd = ToDateTime(check.period->end);
    }
    period_ = *check.period;
    accept();
}

}  // namespace zmk
