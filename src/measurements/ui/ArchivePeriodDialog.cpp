#include "measurements/ui/ArchivePeriodDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
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

QDateEdit* NewPicker(QWidget* parent, const char* name) {
    auto* edit = new QDateEdit(FirstPickerDate, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setCalendarPopup(true);
    edit->setDateRange(FirstPickerDate, LastPickerDate);
    return edit;
}

QComboBox* NewNumberBox(QWidget* parent, const char* name, int count) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < count; ++i) box->addItem(QString::asprintf("%02d", i));
    box->setCurrentIndex(0);
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

QGroupBox* NewRadioGroup(QWidget* parent, const char* name, const QStringList& items, QButtonGroup*& group,
                         QList<QRadioButton*>& buttons) {
    auto* box = new QGroupBox(QStringLiteral(" Задание периода"), parent);
    box->setObjectName(QString::fromLatin1(name));
    group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        group->addButton(button, i);
        buttons.append(button);
        layout->addWidget(button);
    }
    return box;
}

// The remembered period kind, limited to the items of a radio group.
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

    BitBtnAccept = new QPushButton(QStringLiteral("Принять"), this);
    BitBtnCancel = new QPushButton(QStringLiteral("Отменить"), this);
    BitBtnAccept->setDefault(true);
    for (QPushButton* button : {BitBtnAccept, BitBtnCancel}) button->setFixedWidth(100);
    connect(BitBtnAccept, &QPushButton::clicked, this, &ArchivePeriodDialog::BitBtnAcceptClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtnAccept);
    buttons->addSpacing(40);
    buttons->addWidget(BitBtnCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pn_m5);
    layout->addWidget(pn_hou);
    layout->addWidget(pn_day);
    layout->addLayout(buttons);

    FormShow();
}

void ArchivePeriodDialog::BuildFiveMinutePanel() {
    pn_m5 = new QWidget(this);
    pn_m5->setObjectName(QStringLiteral("pn_m5"));
    LabelM5Oldest = new QLabel(pn_m5);
    LabelM5Newest = new QLabel(pn_m5);
    tdMb = NewPicker(pn_m5, "tdMb");
    ComboBox3 = NewNumberBox(pn_m5, "ComboBox3", 24);
    ComboBox1 = NewNumberBox(pn_m5, "ComboBox1", 60);
    tdMe = NewPicker(pn_m5, "tdMe");
    ComboBox4 = NewNumberBox(pn_m5, "ComboBox4", 24);
    ComboBox5 = NewNumberBox(pn_m5, "ComboBox5", 60);
    RadioGroup1 = NewRadioGroup(pn_m5, "RadioGroup1",
                                {QStringLiteral("За последний час"), QStringLiteral("За последние сутки"),
                                 QStringLiteral("Заданный период")},
                                group1_, RadioGroup1Items);
    connect(group1_, &QButtonGroup::idClicked, this, &ArchivePeriodDialog::RadioGroup1Click);

    auto* periods = new QHBoxLayout;
    periods->addWidget(NewPeriodGroup(pn_m5, QStringLiteral("Начало периода"), tdMb, ComboBox3, ComboBox1));
    periods->addWidget(NewPeriodGroup(pn_m5, QStringLiteral("Конец периода"), tdMe, ComboBox4, ComboBox5));
    periods->addWidget(RadioGroup1);
    auto* layout = new QVBoxLayout(pn_m5);
    layout->addWidget(LabelM5Oldest);
    layout->addWidget(LabelM5Newest);
    layout->addLayout(periods);
}

void ArchivePeriodDialog::BuildHourlyPanel() {
    pn_hou = new QWidget(this);
    pn_hou->setObjectName(QStringLiteral("pn_hou"));
    LabelHouOldest = new QLabel(pn_hou);
    LabelHouNewest = new QLabel(pn_hou);
    tdHb = NewPicker(pn_hou, "tdHb");
    ComboBox6 = NewNumberBox(pn_hou, "ComboBox6", 24);
    tdHe = NewPicker(pn_hou, "tdHe");
    ComboBox7 = NewNumberBox(pn_hou, "ComboBox7", 24);
    RadioGroup3 = NewRadioGroup(pn_hou, "RadioGroup3",
                                {QStringLiteral("За последние сутки"), QStringLiteral("Заданный период")}, group3_,
                                RadioGroup3Items);
    connect(group3_, &QButtonGroup::idClicked, this, &ArchivePeriodDialog::RadioGroup3Click);

    auto* periods = new QHBoxLayout;
    periods->addWidget(NewPeriodGroup(pn_hou, QStringLiteral("Начало периода"), tdHb, ComboBox6, nullptr));
    periods->addWidget(NewPeriodGroup(pn_hou, QStringLiteral("Конец периода"), tdHe, ComboBox7, nullptr));
    periods->addWidget(RadioGroup3);
    auto* layout = new QVBoxLayout(pn_hou);
    layout->addWidget(LabelHouOldest);
    layout->addWidget(LabelHouNewest);
    layout->addLayout(periods);
}

void ArchivePeriodDialog::BuildDailyPanel() {
    pn_day = new QWidget(this);
    pn_day->setObjectName(QStringLiteral("pn_day"));
    LabelDayOldest = new QLabel(pn_day);
    LabelDayNewest = new QLabel(pn_day);
    tdDb = NewPicker(pn_day, "tdDb");
    tdDe = NewPicker(pn_day, "tdDe");
    RadioGroup2 = NewRadioGroup(pn_day, "RadioGroup2",
                                {QStringLiteral("За последний месяц"), QStringLiteral("Заданный период")}, group2_,
                                RadioGroup2Items);
    connect(group2_, &QButtonGroup::idClicked, this, &ArchivePeriodDialog::RadioGroup2Click);

    auto* periods = new QHBoxLayout;
    periods->addWidget(NewPeriodGroup(pn_day, QStringLiteral("Начало периода"), tdDb, nullptr, nullptr));
    periods->addWidget(NewPeriodGroup(pn_day, QStringLiteral("Конец периода"), tdDe, nullptr, nullptr));
    periods->addWidget(RadioGroup2);
    auto* layout = new QVBoxLayout(pn_day);
    layout->addWidget(LabelDayOldest);
    layout->addWidget(LabelDayNewest);
    layout->addLayout(periods);
}

void ArchivePeriodDialog::FormShow() {
    pn_m5->setVisible(mode_ == UnitFiveMinutes);
    pn_hou->setVisible(mode_ == UnitHour);
    pn_day->setVisible(mode_ == UnitDay);

    switch (mode_) {
    case UnitFiveMinutes: {
        setFixedSize(FormWidth, FiveMinuteHeight);
        LabelM5Oldest->setText(OldestText(bounds_.Oldest, mode_));
        LabelM5Newest->setText(NewestText(bounds_.Newest, mode_));
        const int index = RememberedIndex(int(RadioGroup1Items.size()));
        RadioGroup1Items[index]->setChecked(true);
        ApplyFiveMinuteChoice(index);
        break;
    }
    case UnitHour: {
        setFixedSize(FormWidth, HourlyHeight);
        LabelHouOldest->setText(OldestText(bounds_.Oldest, mode_));
        LabelHouNewest->setText(NewestText(bounds_.Newest, mode_));
        // The last day of the archive, or all of it when it is shorter.
        const PackedDate end = bounds_.Newest.Prefix(4);
        PackedDate start = end;
        StepBack(start, UnitDay);
        if (CompareDates(start, bounds_.Oldest, UnitHour) < 0) start = bounds_.Oldest.Prefix(4);
        ShowDate(tdHb, start);
        ComboBox6->setCurrentIndex(start.Hour % 24);
        ShowDate(tdHe, end);
        ComboBox7->setCurrentIndex(end.Hour % 24);
        const int index = RememberedIndex(int(RadioGroup3Items.size()));
        RadioGroup3Items[index]->setChecked(true);
        ApplyHourlyChoice(index);
        break;
    }
    default: {
        setFixedSize(FormWidth, DailyHeight);
        LabelDayOldest->setText(OldestText(bounds_.Oldest, mode_));
        LabelDayNewest->setText(NewestText(bounds_.Newest, mode_));
        // The last month of the archive, or all of it when it is shorter.
        const PackedDate end = bounds_.Newest.Prefix(3);
        PackedDate start = end;
        StepBack(start, UnitMonth);
        if (CompareDates(start, bounds_.Oldest, UnitDay) < 0) start = bounds_.Oldest.Prefix(3);
        ShowDate(tdDb, start);
        ShowDate(tdDe, end);
        const int index = RememberedIndex(int(RadioGroup2Items.size()));
        RadioGroup2Items[index]->setChecked(true);
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
    ShowDate(tdMb, start);
    ComboBox3->setCurrentIndex(start.Hour % 24);
    ComboBox1->setCurrentIndex(start.Minute % 60);
    ShowDate(tdMe, end);
    ComboBox4->setCurrentIndex(end.Hour % 24);
    ComboBox5->setCurrentIndex(end.Minute % 60);
    for (QWidget* w : std::initializer_list<QWidget*>{tdMb, ComboBox3, ComboBox1, tdMe, ComboBox4, ComboBox5})
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
        ShowDate(tdHb, start);
        ComboBox6->setCurrentIndex(start.Hour % 24);
        ShowDate(tdHe, end);
        ComboBox7->setCurrentIndex(end.Hour % 24);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{tdHb, ComboBox6, tdHe, ComboBox7}) w->setEnabled(custom);
}

void ArchivePeriodDialog::ApplyDailyChoice(int index) {
    const bool custom = index == 1;
    if (!custom) {
        PackedDate end = now_.Prefix(3);
        StepBack(end, UnitDay);
        PackedDate start = end;
        StepBack(start, UnitMonth);
        ShowDate(tdDb, start);
        ShowDate(tdDe, end);
    }
    tdDb->setEnabled(custom);
    tdDe->setEnabled(custom);
}

void ArchivePeriodDialog::RadioGroup1Click(int index) {
    ArchiveQuery().PeriodKind = index;
    ApplyFiveMinuteChoice(index);
}

void ArchivePeriodDialog::RadioGroup3Click(int index) {
    ArchiveQuery().PeriodKind = index;
    ApplyHourlyChoice(index);
}

void ArchivePeriodDialog::RadioGroup2Click(int index) {
    ArchiveQuery().PeriodKind = index;
    ApplyDailyChoice(index);
}

PackedDate ArchivePeriodDialog::ShownStart() const {
    switch (mode_) {
    case UnitFiveMinutes: {
        PackedDate d = PickedDate(tdMb);
        d.Hour = static_cast<uint8_t>(std::max(0, ComboBox3->currentIndex()));
        d.Minute = static_cast<uint8_t>(std::max(0, ComboBox1->currentIndex()));
        return d;
    }
    case UnitHour: {
        PackedDate d = PickedDate(tdHb);
        d.Hour = static_cast<uint8_t>(std::max(0, ComboBox6->currentIndex()));
        return d;
    }
    default:
        return PickedDate(tdDb);
    }
}

PackedDate ArchivePeriodDialog::ShownEnd() const {
    switch (mode_) {
    case UnitFiveMinutes: {
        PackedDate d = PickedDate(tdMe);
        d.Hour = static_cast<uint8_t>(std::max(0, ComboBox4->currentIndex()));
        d.Minute = static_cast<uint8_t>(std::max(0, ComboBox5->currentIndex()));
        return d;
    }
    case UnitHour: {
        PackedDate d = PickedDate(tdHe);
        d.Hour = static_cast<uint8_t>(std::max(0, ComboBox7->currentIndex()));
        return d;
    }
    default:
        return PickedDate(tdDe);
    }
}

int ArchivePeriodDialog::Compare(const PackedDate& a, const PackedDate& b) const {
    return mode_ == UnitFiveMinutes ? CompareMinutes(a, b) : CompareDates(a, b, mode_);
}

void ArchivePeriodDialog::BitBtnAcceptClick() {
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

    if (mode_ == UnitFiveMinutes && group1_->checkedId() == 2) {
        ArchiveQuery().PeriodStart = ToDateTime(start);
        ArchiveQuery().PeriodEnd = ToDateTime(end);
    }
    Start = start;
    End = end;
    accept();
}

void MessageBoxArchiveMessages::ShowMessage(MessageKind kind, const QString& line1, const QString& line2) {
    zmk::ShowMessage(kind, line1, line2);
}

}  // namespace zmk
