#include "tables/ui/FlowComputerDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Cp1251.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/NumericKeyFilter.h"
#include "tables/LabelList.h"

namespace zmk {

namespace {

constexpr int SingleLayoutWidth = 412;  // one 16-character password
constexpr int SplitLayoutWidth = 506;   // 12-character password and 4-digit code
constexpr int ComputerDialogHeight = 360;
constexpr int SplitPasswordSize = 12;
constexpr int SplitCodeSize = 4;
constexpr int ListWidth = 526;
constexpr int RowHeight = 22;

QPushButton* Button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

// The text's Windows-1251 bytes into bytes [from, from + size), padded with blanks.
void PutPasswordText(std::array<uint8_t, FlowPasswordSize>& password, int from, int size, const QString& text) {
    const QByteArray bytes = ToCp1251(text);
    for (int i = 0; i < size; ++i) password[from + i] = i < bytes.size() ? uint8_t(bytes[i]) : uint8_t(' ');
}

QTableWidgetItem* Cell(const QString& text, const QColor& colour = QColor()) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (colour.isValid()) item->setForeground(colour);
    return item;
}

}  // namespace

// ---------------------------------------------------------------------------
// One flow computer

FlowComputerDialog::FlowComputerDialog(FlowComputerEntry& entry, int row, bool split, QWidget* parent)
    : QDialog(parent), entry_(entry), split_(split) {
    setWindowTitle(QStringLiteral("Параметры вычислителя расхода газа № %1").arg(row + 1));

    address_ = NumberList(this, "addressBox", UpperAddressMin, UpperAddressMax, true);
    type_ = TextList(this, "typeBox",
                     {QStringLiteral(" ФЛОУТЭК"), QStringLiteral(" ФЛОУКОР, ПМ-3В "), QStringLiteral(" ВР-2"),
                      QStringLiteral(" ДФ-1")});
    byteOrder_ = TextList(this, "byteOrderBox",
                          {QStringLiteral(" Мл. адрес - ст. байт"), QStringLiteral(" Мл. адрес - мл. байт")});
    auto* pipes = new QGroupBox(QStringLiteral(" Необходимость записи параметров газа для т/п "), this);
    auto* pipesLayout = new QHBoxLayout(pipes);
    for (int k = 0; k < 3; ++k) {
        pipelines_[k] = new QCheckBox(QStringLiteral("Т/п %1").arg(k + 1), pipes);
        pipelines_[k]->setObjectName(QStringLiteral("pipeline%1").arg(k + 1));
        pipesLayout->addWidget(pipelines_[k]);
    }
    passwordLabel_ = new QLabel(this);
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("passwordEdit"));
    password_->setEchoMode(QLineEdit::Password);
    codeLabel_ = new QLabel(QStringLiteral("Код идентификации\n(до 4 символов)"), this);
    code_ = new QLineEdit(this);
    code_->setObjectName(QStringLiteral("codeEdit"));
    code_->setEchoMode(QLineEdit::Password);
    code_->setMaxLength(SplitCodeSize);
    NumericKeyFilter::Install(code_, NumericKeyFilter::Integer);
    splitBox_ = new QCheckBox(QStringLiteral("QLM"), this);
    splitBox_->setObjectName(QStringLiteral("splitBox"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Адрес  (1...254)"), this), 0, 0);
    grid->addWidget(address_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Тип"), this), 1, 0);
    grid->addWidget(type_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Порядок байтов в\nмногобайтных переменных"), this), 2, 0);
    grid->addWidget(byteOrder_, 2, 1);
    grid->addWidget(pipes, 3, 0, 1, 2);
    grid->addWidget(passwordLabel_, 4, 0);
    grid->addWidget(password_, 4, 1);
    grid->addWidget(codeLabel_, 5, 0);
    grid->addWidget(code_, 5, 1);
    grid->addWidget(splitBox_, 6, 0);
    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(ConfirmButtons(this, ParamsMode::Record, &ok));

    SetTypedNumber(address_, entry_.Address);
    SelectStored(type_, entry_.Type, entry_.Type);
    SelectStored(byteOrder_, entry_.ByteOrder, entry_.ByteOrder);
    typeChosen();
    splitBox_->setChecked(split_);
    layoutChanged();

    connect(type_, &QComboBox::currentIndexChanged, this, &FlowComputerDialog::typeChosen);
    connect(splitBox_, &QCheckBox::toggled, this, &FlowComputerDialog::layoutChanged);
    connect(password_, &QLineEdit::textEdited, this, [this] { passwordTyped_ = true; });
    connect(code_, &QLineEdit::textEdited, this, [this] { codeTyped_ = true; });
    connect(ok, &QPushButton::clicked, this, &FlowComputerDialog::confirm);
}

void FlowComputerDialog::typeChosen() {
    const int type = type_->currentIndex();
    const int usable = type < 0 ? 0 : type == SinglePipelineType ? 1 : 3;
    for (int k = 0; k < 3; ++k) {
        pipelines_[k]->setEnabled(k < usable);
        pipelines_[k]->setChecked(k < usable && (entry_.Pipelines >> k & 1) != 0);
    }
}

void FlowComputerDialog::layoutChanged() {
    split_ = splitBox_->isChecked();
    passwordLabel_->setText(split_ ? QStringLiteral("Пароль на запись\n(до 12 символов)")
                                   : QStringLiteral("Пароль на запись\n(до 16 символов)"));
    password_->setMaxLength(split_ ? SplitPasswordSize : FlowPasswordSize);
    codeLabel_->setVisible(split_);
    code_->setVisible(split_);
    resize(split_ ? SplitLayoutWidth : SingleLayoutWidth, ComputerDialogHeight);
}

void FlowComputerDialog::confirm() {
    if (address_->currentText().trimmed().isEmpty() || type_->currentIndex() < 0 || byteOrder_->currentIndex() < 0) {
        ShowInputProblem(MissingInput());
        return;
    }
    const std::optional<int> address = TypedNumber(address_->currentText());
    if (!address || *address < UpperAddressMin || *address > UpperAddressMax) {
        ShowInputProblem({QStringLiteral("Адрес вне допускаемого диапазона"), QString()});
        return;
    }
    const auto before = entry_.Password;
    entry_.Address = uint8_t(*address);
    entry_.Type = uint8_t(type_->currentIndex());
    entry_.ByteOrder = uint8_t(byteOrder_->currentIndex());
    uint8_t bits = 0;
    for (int k = 0; k < 3; ++k)
        if (pipelines_[k]->isEnabled() && pipelines_[k]->isChecked()) bits |= uint8_t(1 << k);
    entry_.Pipelines = bits;
    // Only what was typed replaces password bytes: passwords are never read
    // back, so an untouched field stands for "keep the password".
    if (split_) {
        if (passwordTyped_) PutPasswordText(entry_.Password, 0, SplitPasswordSize, password_->text());
        if (codeTyped_) PutPasswordText(entry_.Password, SplitPasswordSize, SplitCodeSize, code_->text());
    } else if (passwordTyped_) {
        PutPasswordText(entry_.Password, 0, FlowPasswordSize, password_->text());
    }
    passwordChanged_ = entry_.Password != before;
    accept();
}

// ---------------------------------------------------------------------------
// The list

FlowComputerListDialog::FlowComputerListDialog(FlowComputerList& list, ParamsMode mode, QWidget* parent)
    : QDialog(parent), result_(list), list_(list) {
    setWindowTitle(QStringLiteral("Параметры вычислителей расхода газа"));
    if (list_.Count <= 0) {
        list_.Count = 1;
        list_.Entries[0] = BlankFlowComputer();
    }
    table_ = new QTableWidget(0, 4, this);
    table_->setObjectName(QStringLiteral("computerTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Адрес"), QStringLiteral("Тип"),
                                       QStringLiteral("Порядок байтов\nв многобайтных переменных"),
                                       QStringLiteral("Необходимость записи\nпараметров газа\nдля трубопроводов")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->verticalHeader()->setDefaultSectionSize(RowHeight);

    auto* edit = Button(this, "editButton", QStringLiteral("Изменить"));
    add_ = Button(this, "addButton", QStringLiteral("Добавить"));
    remove_ = Button(this, "removeButton", QStringLiteral("Удалить"));
    auto* actions = new QHBoxLayout;
    actions->addWidget(edit);
    actions->addWidget(add_);
    actions->addWidget(remove_);
    actions->addStretch();
    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(actions);
    layout->addLayout(ConfirmButtons(this, mode, &ok));

    connect(edit, &QPushButton::clicked, this, &FlowComputerListDialog::editComputer);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &FlowComputerListDialog::editComputer);
    connect(add_, &QPushButton::clicked, this, &FlowComputerListDialog::addComputer);
    connect(remove_, &QPushButton::clicked, this, &FlowComputerListDialog::removeComputer);
    connect(ok, &QPushButton::clicked, this, &FlowComputerListDialog::confirm);
    showRows(0);
}

void FlowComputerListDialog::showRows(int selected) {
    table_->setRowCount(list_.Count);
    for (int i = 0; i < list_.Count; ++i) {
        const FlowComputerEntry& e = list_.Entries[i];
        table_->setItem(i, 0, Cell(QStringLiteral("   %1").arg(e.Address)));
        table_->setItem(i, 1, Cell(FlowTypeText(e.Type)));
        table_->setItem(i, 2, Cell(FlowByteOrderText(e.ByteOrder)));
        table_->setItem(i, 3, Cell(QString::asprintf("      0x%02X", unsigned(e.Pipelines))));
    }
    table_->selectRow(std::clamp(selected, 0, list_.Count - 1));
    add_->setEnabled(list_.Count < MaxFlowComputers);
    remove_->setEnabled(list_.Count > 1);
    // The grid and the window grow with the rows.
    const int gridHeight = table_->horizontalHeader()->sizeHint().height() + RowHeight * list_.Count + 4;
    table_->setMinimumHeight(gridHeight);
    resize(ListWidth, gridHeight + 110);
}

void FlowComputerListDialog::editComputer() {
    const int row = table_->currentRow();
    if (row < 0 || row >= list_.Count) return;
    FlowComputerDialog form(list_.Entries[row], row, list_.SplitPassword[row], this);
    if (form.exec() != QDialog::Accepted) return;
    if (form.PasswordChanged()) list_.PasswordEntered[row] = true;
    list_.SplitPassword[row] = form.Split();
    showRows(row);
}

void FlowComputerListDialog::addComputer() {
    if (list_.Count >= MaxFlowComputers) return;
    const int row = list_.Count;
    FlowComputerEntry entry = BlankFlowComputer();
    FlowComputerDialog form(entry, row, false, this);
    if (form.exec() != QDialog::Accepted) return;
    list_.Entries[row] = entry;
    list_.PasswordEntered[row] = true;
    list_.SplitPassword[row] = form.Split();
    ++list_.Count;
    showRows(row);
}

void FlowComputerListDialog::removeComputer() {
    const int row = table_->currentRow();
    if (list_.Count <= 1 || row < 0 || row >= list_.Count) return;
    if (!Ask(MessageKind::Question, QStringLiteral("Вы действительно хотите удалить"),
             QStringLiteral("вычислитель адр. %1?").arg(list_.Entries[row].Address)))
        return;
    RemoveFlowComputer(list_, row);
    showRows(row);
}

void FlowComputerListDialog::confirm() {
    if (const InputCheck problem = CheckFlowComputers(list_)) {
        ShowInputProblem(*problem);
        return;
    }
    result_ = list_;
    accept();
}

// ---------------------------------------------------------------------------
// Gas parameters written into the flow computers

GasParameterWriteDialog::GasParameterWriteDialog(uint8_t* fields, ParamsMode mode, QWidget* parent)
    : QDialog(parent), fields_(fields) {
    setWindowTitle(QStringLiteral("Необходимость записи  значений параметров газа в ВРГ "));
    resize(468, 530);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Наименование параметра"), this), 0, 0);
    for (int i = 0; i < GasParameterCount; ++i) {
        grid->addWidget(new QLabel(Label(GasNameLabels + i), this), i + 1, 0);
        rows_[i] = TextList(this, QStringLiteral("writeBox%1").arg(i).toLatin1().constData(),
                            {QStringLiteral(" Не записывать "), QStringLiteral(" Записывать")});
        SelectStored(rows_[i], fields_[i], fields_[i]);
        grid->addWidget(rows_[i], i + 1, 1);
    }
    for (int never : NeverWrittenParameters) {
        rows_[never]->setCurrentIndex(0);
        rows_[never]->setEnabled(false);
    }
    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(ConfirmButtons(this, mode, &ok));
    connect(ok, &QPushButton::clicked, this, &GasParameterWriteDialog::confirm);
}

void GasParameterWriteDialog::confirm() {
    for (QComboBox* row : rows_)
        if (row->currentIndex() < 0) {
            ShowMessage(MessageKind::Error, QStringLiteral("Введены не все параметры"));
            return;
        }
    for (int i = 0; i < GasParameterCount; ++i) fields_[i] = uint8_t(rows_[i]->currentIndex());
    accept();
}

// ---------------------------------------------------------------------------
// Period of writing hourly means

HourlyWritePeriodDialog::HourlyWritePeriodDialog(uint8_t* fields, ParamsMode mode, QWidget* parent)
    : QDialog(parent), fields_(fields) {
    setWindowTitle(QStringLiteral("Период записи средних за час значений параметров газа в ВРГ"));
    resize(400, 148);
    QStringList items;
    for (int hours : HourlyWritePeriods) items << QStringLiteral(" %1").arg(hours);
    period_ = TextList(this, "periodBox", items);
    const auto stored = std::find(HourlyWritePeriods.begin(), HourlyWritePeriods.end(), int(fields_[0]));
    SelectStored(period_, stored == HourlyWritePeriods.end() ? -1 : int(stored - HourlyWritePeriods.begin()),
                 fields_[0]);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Период записи средних за час\nзначений параметров газа в ВРГ"), this));
    row->addWidget(period_);
    row->addWidget(new QLabel(QStringLiteral("ч"), this));
    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(ConfirmButtons(this, mode, &ok));
    connect(ok, &QPushButton::clicked, this, &HourlyWritePeriodDialog::confirm);
}

void HourlyWritePeriodDialog::confirm() {
    if (period_->currentIndex() < 0) {
        ShowInputProblem({QStringLiteral("Не введен период"), QString()});
        return;
    }
    fields_[0] = uint8_t(HourlyWritePeriods[period_->currentIndex()]);
    fields_[1] = 0;
    accept();
}

// ---------------------------------------------------------------------------
// State of the exchange with the flow computers

FlowComputerStateWindow::FlowComputerStateWindow(const std::vector<FlowComputerState>& rows, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Состояние обмена с вычислителями РГ"));
    auto* table = new QTableWidget(int(rows.size()), 3, this);
    table->setObjectName(QStringLiteral("stateTable"));
    table->setHorizontalHeaderLabels({QStringLiteral("Адрес\nвычислителя РГ"), QStringLiteral("Наличие\nсвязи"),
                                      QStringLiteral("Состояние процесса\nзаписи параметров")});
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(RowHeight);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int i = 0; i < int(rows.size()); ++i) {
        table->setItem(i, 0, Cell(QString::number(rows[i].Address)));
        table->setItem(i, 1, rows[i].LinkPresent ? Cell(QStringLiteral("Есть")) : Cell(QStringLiteral("Нет"), Qt::red));
        table->setItem(i, 2, rows[i].Writing ? Cell(QStringLiteral("Записываются"))
                                             : Cell(QStringLiteral("Не записываются"), Qt::red));
    }
    auto* exit = Button(this, "exitButton", QStringLiteral("Выход"));
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table);
    layout->addWidget(exit, 0, Qt::AlignHCenter);
    const int height = table->horizontalHeader()->sizeHint().height() + RowHeight * int(rows.size()) + 4;
    table->setMinimumHeight(height);
    resize(380, height + 70);
}

}  // namespace zmk
