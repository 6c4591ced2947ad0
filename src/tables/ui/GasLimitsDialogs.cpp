#include "tables/ui/GasLimitsDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/NumberFormat.h"
#include "common/ui/NumericKeyFilter.h"
#include "tables/LabelList.h"

namespace zmk {

namespace {

constexpr int LimitsDialogWidth = 418;
constexpr int LimitsDialogHeight = 286;
constexpr int ListWidth = 880;
constexpr int ListHeight = 512;
constexpr int RowHeight = 22;
constexpr int ValueFieldWidth = 110;

const char* const KindNames[GasLimitKindCount] = {"ЗН", "НПУ", "ВПУ", "НДП", "ВДП"};
const char* const KindCaptions[GasLimitKindCount] = {
    "Зона нечувствительности изменеий",
    "Нижняя предупредительная уставка",
    "Верхняя предупредительная уставка",
    "Нижний предел значения параметра,\nдопускаемого к записи в ВРГ",
    "Верхний предел значения параметра,\nдопускаемого к записи в ВРГ",
};

// A stored value the dialogs cannot accept (outside its range, or not a
// number at all) is shown as it is, in red, so that it is seen and corrected.
bool Suspicious(GasLimitKind kind, int parameter, float value) {
    return IsBadFloat(value) || !LimitInRange(kind, parameter, value);
}

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

// ---------------------------------------------------------------------------
// One parameter

GasLimitsDialog::GasLimitsDialog(int parameter, LimitSet& set, QWidget* parent)
    : QDialog(parent), parameter_(parameter), set_(set) {
    setWindowTitle(QStringLiteral(" Параметр \"%1\" ").arg(Label(GasNameLabels + parameter).trimmed()));
    resize(LimitsDialogWidth, LimitsDialogHeight);
    auto* grid = new QGridLayout;
    for (int k = 0; k < GasLimitKindCount; ++k) {
        const auto kind = GasLimitKind(k);
        const LimitRule& rule = GasLimitRule(kind, parameter);
        grid->addWidget(new QLabel(QString::fromUtf8(KindCaptions[k]), this), k, 0);
        auto* edit = new QLineEdit(FormatLimit(kind, parameter, set[kind]), this);
        edit->setObjectName(QStringLiteral("valueEdit%1").arg(k));
        edit->setFixedWidth(ValueFieldWidth);
        NumericKeyFilter::Install(edit, NumericKeyFilter::Float);
        if (Suspicious(kind, parameter, set[kind])) edit->setStyleSheet(QStringLiteral("color: red"));
        values_[size_t(k)] = edit;
        grid->addWidget(edit, k, 1);
        auto* unit = new QLabel(QString::fromUtf8(rule.Unit), this);
        unit->setObjectName(QStringLiteral("unitLabel%1").arg(k));
        grid->addWidget(unit, k, 2);
        auto* range = new QLabel(QStringLiteral("( %1 - %2 )")
                                     .arg(FormatLimit(rule.Lowest, rule.Decimals), FormatLimit(rule.Highest, rule.Decimals)),
                                 this);
        range->setObjectName(QStringLiteral("rangeLabel%1").arg(k));
        grid->addWidget(range, k, 3);
    }
    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(ConfirmButtons(this, ParamsMode::Record, &ok));
    connect(ok, &QPushButton::clicked, this, &GasLimitsDialog::confirm);
}

void GasLimitsDialog::confirm() {
    std::array<QString, GasLimitKindCount> texts;
    for (int k = 0; k < GasLimitKindCount; ++k) texts[size_t(k)] = values_[size_t(k)]->text();
    if (const InputCheck problem = CheckLimitInput(parameter_, texts, set_)) {
        ShowInputProblem(*problem);
        return;
    }
    accept();
}

// ---------------------------------------------------------------------------
// The list

GasLimitsListDialog::GasLimitsListDialog(LimitSets& sets, bool hexaneInList, ParamsMode mode, QWidget* parent)
    : QDialog(parent), result_(sets), sets_(sets), hexaneInList_(hexaneInList) {
    setWindowTitle(QStringLiteral(" Уставки для контроля параметров газа"));
    resize(ListWidth, ListHeight);
    table_ = new QTableWidget(LimitedGasParameters, FirstLimitColumn + GasLimitKindCount, this);
    table_->setObjectName(QStringLiteral("limitTable"));
    QStringList heads = {QStringLiteral("№"), QStringLiteral("Наименование параметра"),
                         QStringLiteral("Условное\nобознач."), QStringLiteral("Единица\nизмерений")};
    for (const char* kind : KindNames) heads << QString::fromUtf8(kind);
    table_->setHorizontalHeaderLabels(heads);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(RowHeight);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    for (int row = 0; row < LimitedGasParameters; ++row) showRow(row);

    auto* heading = new QLabel(QStringLiteral("Уставки"), this);
    heading->setObjectName(QStringLiteral("limitsHeading"));
    heading->setAlignment(Qt::AlignRight);
    edit_ = new QPushButton(QStringLiteral("Изменить"), this);
    edit_->setObjectName(QStringLiteral("editButton"));
    edit_->setAutoDefault(false);
    QPushButton* ok = nullptr;
    auto* actions = new QHBoxLayout;
    actions->addWidget(edit_);
    actions->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(table_);
    layout->addLayout(actions);
    layout->addLayout(ConfirmButtons(this, mode, &ok));

    connect(edit_, &QPushButton::clicked, this, &GasLimitsListDialog::editRow);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &GasLimitsListDialog::editRow);
    connect(table_, &QTableWidget::currentCellChanged, this, &GasLimitsListDialog::rowChosen);
    connect(ok, &QPushButton::clicked, this, &GasLimitsListDialog::confirm);
    table_->selectRow(0);
    rowChosen();
}

bool GasLimitsListDialog::Editable(int row) const {
    return row >= 0 && row < LimitedGasParameters && (hexaneInList_ || row != HexaneParameter);
}

void GasLimitsListDialog::showRow(int row) {
    if (!Editable(row)) {
        for (int c = 0; c < table_->columnCount(); ++c) table_->setItem(row, c, Cell(QString()));
        table_->setItem(row, 1, Cell(QStringLiteral(" Параметр (гексан) не используется")));
        return;
    }
    table_->setItem(row, 0, Cell(QString::asprintf(row < 9 ? "   %d" : "  %d", row + 1)));
    table_->setItem(row, 1, Cell(Label(GasNameLabels + row)));
    table_->setItem(row, 2, Cell(QLatin1Char(' ') + Label(GasSymbolLabels + row)));
    table_->setItem(row, 3, Cell(QLatin1Char(' ') + GasLimitUnit(row)));
    for (int k = 0; k < GasLimitKindCount; ++k) {
        const auto kind = GasLimitKind(k);
        const float value = sets_[size_t(row)][kind];
        QTableWidgetItem* item = Cell(QLatin1Char(' ') + FormatLimit(kind, row, value));
        if (Suspicious(kind, row, value)) item->setForeground(Qt::red);
        table_->setItem(row, FirstLimitColumn + k, item);
    }
}

void GasLimitsListDialog::rowChosen() { edit_->setEnabled(Editable(table_->currentRow())); }

void GasLimitsListDialog::editRow() {
    const int row = table_->currentRow();
    if (!Editable(row)) return;
    GasLimitsDialog form(row, sets_[size_t(row)], this);
    if (form.exec() != QDialog::Accepted) return;
    showRow(row);
}

void GasLimitsListDialog::confirm() {
    result_ = sets_;
    accept();
}

}  // namespace zmk
