#include "tables/ui/SystemParamsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "tables/LabelList.h"

namespace zmk {

namespace {

// Table 6.
constexpr int SummerFields = 0;         // month, day byte, hour of the switch to summer time
constexpr int WinterFields = 3;         // ... to winter time
constexpr int ContractHourField = 6;
constexpr int ChromatographField = 7;   // always 1
constexpr int MoistureMeterField = 8;
constexpr int FixedFields = 9;          // 9..11, always written as 1, 0, 0
constexpr uint8_t FixedValues[] = {1, 0, 0};
constexpr int HoursPerDay = 24;
constexpr int DayKindOfMonth = 0;  // "День месяца (число)"
constexpr int DayKindWeekday = 1;  // "День недели в месяце"
// Month names of the label list: entry MonthLabels + month.
constexpr int FebruaryLabel = MonthLabels + 2;
constexpr int SeptemberLabel = MonthLabels + 9;

QString HourText(int hour) { return QStringLiteral("%1:00").arg(hour); }

QComboBox* List(QWidget* parent, const QString& name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setMaxVisibleItems(HoursPerDay);
    return box;
}

QLabel* Caption(const QString& text, QWidget* parent, const QString& name) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

SystemParamsDialog::SystemParamsDialog(uint8_t* table6, Mode mode, QWidget* parent)
    : QDialog(parent), target_(table6) {
    setWindowTitle(QStringLiteral("Системные параметры контроллера"));
    setFixedSize(FormWidth, FormHeight);
    std::copy_n(table6, FieldCount, fields_.begin());
    std::copy(std::begin(FixedValues), std::end(FixedValues), fields_.begin() + FixedFields);

    contractHour_ = List(this, QStringLiteral("contractHour"));
    for (int h = 0; h < HoursPerDay; ++h) contractHour_->addItem(HourText(h));
    chromatographPresent_ = new QCheckBox(QStringLiteral("Наличие подключенного хроматографа"), this);
    chromatographPresent_->setObjectName(QStringLiteral("chromatographPresent"));
    chromatographPresent_->setChecked(true);
    chromatographPresent_->setEnabled(false);
    moisturePresent_ = new QCheckBox(QStringLiteral("Наличие подключенного влагомера"), this);
    moisturePresent_->setObjectName(QStringLiteral("moisturePresent"));

    summer_.kind = &SummerChange;
    summer_.field = SummerFields;
    winter_.kind = &WinterChange;
    winter_.field = WinterFields;
    buildRuleGroup(summer_, QStringLiteral(" Переход на летнее время "), QStringLiteral("summer"), FebruaryLabel);
    buildRuleGroup(winter_, QStringLiteral(" Переход на зимнее время "), QStringLiteral("winter"), SeptemberLabel);

    confirmButton_ = new QPushButton(
        mode == Mode::WriteToController ? QStringLiteral("Записать в устройство") : QStringLiteral("Принять"), this);
    confirmButton_->setObjectName(QStringLiteral("confirmButton"));
    cancelButton_ = new QPushButton(QStringLiteral("Отменить"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : {confirmButton_, cancelButton_}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(150);
    }
    connect(confirmButton_, &QPushButton::clicked, this, &SystemParamsDialog::confirm);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Контрактный час"), this));
    top->addWidget(contractHour_);
    // Narrow gaps: both boxes' texts fit the designed width.
    top->addSpacing(12);
    top->addWidget(chromatographPresent_);
    top->addSpacing(12);
    top->addWidget(moisturePresent_);
    top->addStretch();
    auto* groups = new QHBoxLayout;
    groups->addWidget(summer_.box);
    groups->addWidget(winter_.box);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirmButton_);
    buttons->addSpacing(24);
    buttons->addWidget(cancelButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);

    // The current values; a value no list offers leaves that list without a choice.
    showing_ = true;
    const int contract = fields_[ContractHourField];
    contractHour_->setCurrentIndex(contract < HoursPerDay ? contract : -1);
    moisturePresent_->setChecked(fields_[MoistureMeterField] != 0);
    showing_ = false;
    showRule(summer_);
    showRule(winter_);
    connectRule(summer_);
    connectRule(winter_);
}

void SystemParamsDialog::buildRuleGroup(RuleGroup& g, const QString& title, const QString& prefix,
                                        int firstMonthLabel) {
    g.box = new QGroupBox(title, this);
    g.box->setObjectName(prefix + QStringLiteral("Group"));
    g.month = List(g.box, prefix + QStringLiteral("Month"));
    g.month->addItem(Label(MonthLabels));  // "Переход запрещен"
    for (int i = 0; i < ChangeMonthChoices - 1; ++i) g.month->addItem(Label(firstMonthLabel + i));
    g.dayKind = List(g.box, prefix + QStringLiteral("DayKind"));
    g.dayKind->addItems({QStringLiteral("День месяца (число)"), QStringLiteral("День недели в месяце")});
    g.dayOfMonth = List(g.box, prefix + QStringLiteral("DayOfMonth"));
    g.ordinal = List(g.box, prefix + QStringLiteral("Ordinal"));
    for (int i = 0; i < OrdinalChoices; ++i) g.ordinal->addItem(Label(WeekOrdinalLabels + i));
    g.weekday = List(g.box, prefix + QStringLiteral("Weekday"));
    for (int i = 0; i < WeekdayCount; ++i) g.weekday->addItem(Label(WeekdayLabels + i));
    g.hour = List(g.box, prefix + QStringLiteral("Hour"));
    for (int i = 0; i < ChangeHourChoices(*g.kind); ++i) g.hour->addItem(HourText(ChangeHourAt(*g.kind, i)));

    g.monthLabel = Caption(QStringLiteral("Месяц перехода"), g.box, prefix + QStringLiteral("MonthLabel"));
    g.dayKindLabel =
        Caption(QStringLiteral("Способ задания дня перехода"), g.box, prefix + QStringLiteral("DayKindLabel"));
    g.dayOfMonthLabel = Caption(QStringLiteral("День в месяце"), g.box, prefix + QStringLiteral("DayOfMonthLabel"));
    g.ordinalLabel =
        Caption(QStringLiteral("Номер \"дня недели\" в месяце"), g.box, prefix + QStringLiteral("OrdinalLabel"));
    g.weekdayLabel = Caption(QStringLiteral("День недели"), g.box, prefix + QStringLiteral("WeekdayLabel"));
    g.hourLabel = Caption(QStringLiteral("Час перехода"), g.box, prefix + QStringLiteral("HourLabel"));

    auto* grid = new QGridLayout(g.box);
    const std::pair<QLabel*, QComboBox*> rows[] = {{g.monthLabel, g.month},           {g.dayKindLabel, g.dayKind},
                                                   {g.dayOfMonthLabel, g.dayOfMonth}, {g.ordinalLabel, g.ordinal},
                                                   {g.weekdayLabel, g.weekday},       {g.hourLabel, g.hour}};
    int row = 0;
    for (const auto& [label, list] : rows) {
        grid->addWidget(label, row, 0);
        grid->addWidget(list, row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
}

void SystemParamsDialog::showRule(RuleGroup& g) {
    showing_ = true;
    const uint8_t month = fields_[g.field];
    const uint8_t day = fields_[g.field + 1];
    g.month->setCurrentIndex(ChangeMonthPosition(*g.kind, month));
    g.dayKind->setCurrentIndex(IsWeekdayRule(day) ? DayKindWeekday : DayKindOfMonth);
    fillDaysOfMonth(g);
    g.ordinal->setCurrentIndex(OrdinalPositionOf(day));
    const int weekday = WeekdayOf(day);
    g.weekday->setCurrentIndex(weekday >= 1 && weekday <= WeekdayCount ? weekday - 1 : -1);
    g.hour->setCurrentIndex(ChangeHourPosition(*g.kind, fields_[g.field + 2]));
    showing_ = false;
    arrangeRule(g);
}

void SystemParamsDialog::fillDaysOfMonth(RuleGroup& g) {
    const bool was = showing_;
    showing_ = true;
    const int days = ChangeMonthDays(fields_[g.field]);
    g.dayOfMonth->clear();
    for (int d = 1; d <= days; ++d) g.dayOfMonth->addItem(QString::number(d));
    const int day = DayOfMonthOf(fields_[g.field + 1]);
    g.dayOfMonth->setCurrentIndex(day >= 1 && day <= days ? day - 1 : -1);
    showing_ = was;
}

void SystemParamsDialog::arrangeRule(RuleGroup& g) {
    const bool switches = fields_[g.field] != 0;
    const bool byWeekday = IsWeekdayRule(fields_[g.field + 1]);
    for (QWidget* w : {static_cast<QWidget*>(g.dayKind), static_cast<QWidget*>(g.dayKindLabel),
                       static_cast<QWidget*>(g.hour), static_cast<QWidget*>(g.hourLabel)})
        w->setVisible(switches);
    g.dayOfMonth->setVisible(switches && !byWeekday);
    g.dayOfMonthLabel->setVisible(switches && !byWeekday);
    for (QWidget* w : {static_cast<QWidget*>(g.ordinal), static_cast<QWidget*>(g.ordinalLabel),
                       static_cast<QWidget*>(g.weekday), static_cast<QWidget*>(g.weekdayLabel)})
        w->setVisible(switches && byWeekday);
}

void SystemParamsDialog::connectRule(RuleGroup& g) {
    RuleGroup* rule = &g;
    const auto changed = [this](QComboBox* box, auto apply) {
        connect(box, &QComboBox::currentIndexChanged, this, [this, apply](int index) {
            if (showing_ || index < 0) return;
            apply(index);
        });
    };
    uint8_t& month = fields_[size_t(g.field)];
    uint8_t& day = fields_[size_t(g.field + 1)];
    uint8_t& hour = fields_[size_t(g.field + 2)];
    changed(g.month, [this, rule, &month](int index) {
        month = uint8_t(ChangeMonthAt(*rule->kind, index));
        fillDaysOfMonth(*rule);
        arrangeRule(*rule);
    });
    changed(g.dayKind, [this, rule, &day](int index) {
        day = WithWeekdayRule(day, index == DayKindWeekday);
        showRule(*rule);
    });
    changed(g.dayOfMonth, [&day](int index) { day = WithDayOfMonth(day, index + 1); });
    changed(g.ordinal, [&day](int index) { day = WithOrdinalPosition(day, index); });
    changed(g.weekday, [&day](int index) { day = WithWeekday(day, index + 1); });
    changed(g.hour, [rule, &hour](int index) { hour = uint8_t(ChangeHourAt(*rule->kind, index)); });
}

bool SystemParamsDialog::ruleComplete(const RuleGroup& g) const {
    for (const QComboBox* box : {g.month, g.dayKind, g.dayOfMonth, g.ordinal, g.weekday, g.hour})
        if (!box->isHidden() && box->currentIndex() < 0) return false;
    return true;
}

void SystemParamsDialog::confirm() {
    if (contractHour_->currentIndex() < 0 || !ruleComplete(summer_) || !ruleComplete(winter_)) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Введены не все параметры"), QString());
        return;
    }
    fields_[ContractHourField] = uint8_t(contractHour_->currentIndex());
    fields_[ChromatographField] = 1;
    fields_[MoistureMeterField] = moisturePresent_->isChecked() ? 1 : 0;
    std::copy(fields_.begin(), fields_.end(), target_);
    accept();
}

}  // namespace zmk
