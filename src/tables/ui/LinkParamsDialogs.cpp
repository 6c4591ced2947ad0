#include "tables/ui/LinkParamsDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "tables/LinkParams.h"

namespace zmk {

namespace {

QLabel* Text(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

// One row of a form: label, field, unit.
void AddRow(QGridLayout* grid, QWidget* parent, const QString& label, QWidget* field, const QString& unit = QString()) {
    const int row = grid->rowCount();
    grid->addWidget(Text(parent, label), row, 0);
    grid->addWidget(field, row, 1);
    if (!unit.isEmpty()) grid->addWidget(Text(parent, unit), row, 2);
}

// The dialog's frame: title, size, the form above the buttons.
QGridLayout* Frame(QDialog* dialog, const QString& title, int width, int height, ParamsMode mode,
                   QPushButton** confirm) {
    dialog->setWindowTitle(title);
    dialog->resize(width, height);
    auto* grid = new QGridLayout;
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(ConfirmButtons(dialog, mode, confirm));
    return grid;
}

bool Refused(const InputCheck& problem) {
    if (!problem) return false;
    ShowInputProblem(*problem);
    return true;
}

int Number(const QString& text) { return TypedNumber(text).value_or(0); }

const QStringList ModbusModes = {QStringLiteral(" ASCII"), QStringLiteral(" RTU")};

}  // namespace

// ---------------------------------------------------------------------------

UpperLevelLinkDialog::UpperLevelLinkDialog(uint8_t* fields, ParamsMode mode, bool rateChangeable, QWidget* parent)
    : QDialog(parent), fields_(fields) {
    QPushButton* ok = nullptr;
    QGridLayout* grid = Frame(this, QStringLiteral(" Параметры связи с верхним уровнем "), 364, 210, mode, &ok);
    address_ = NumberList(this, "addressBox", UpperAddressMin, UpperAddressMax, true);
    rate_ = RateChoiceList(this, "rateBox");
    preambles_ = DigitsField(this, "preamblesEdit", 3);
    AddRow(grid, this, QStringLiteral("Адрес контроллера"), address_);
    AddRow(grid, this, QStringLiteral("Скорость обмена"), rate_);
    AddRow(grid, this, QStringLiteral("Кол. преамбул  при ответе ВУ"), preambles_, QStringLiteral("(  0 - 255 ) "));

    SetTypedNumber(address_, fields_[UpperLevelField::Address]);
    SelectStored(rate_, fields_[UpperLevelField::RateCode], fields_[UpperLevelField::RateCode]);
    preambles_->setText(QString::number(fields_[UpperLevelField::Preambles]));
    rate_->setEnabled(mode == ParamsMode::Record || rateChangeable);
    connect(ok, &QPushButton::clicked, this, &UpperLevelLinkDialog::confirm);
}

void UpperLevelLinkDialog::confirm() {
    if (Refused(CheckUpperLevelInput(
            {address_->currentText(), rate_->isEnabled(), rate_->currentIndex(), preambles_->text()})))
        return;
    fields_[UpperLevelField::Preambles] = uint8_t(Number(preambles_->text()));
    fields_[UpperLevelField::Address] = uint8_t(Number(address_->currentText()));
    if (rate_->isEnabled()) fields_[UpperLevelField::RateCode] = uint8_t(rate_->currentIndex());
    fields_[UpperLevelField::Reserved] = 0;
    accept();
}

// ---------------------------------------------------------------------------

ChromatographLinkDialog::ChromatographLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent)
    : QDialog(parent), fields_(fields) {
    QPushButton* ok = nullptr;
    QGridLayout* grid = Frame(this, QStringLiteral(" Параметры связи с хроматографом "), 468, 350, mode, &ok);
    address_ = NumberList(this, "addressBox", ModbusAddressMin, ModbusAddressMax, true);
    rate_ = RateChoiceList(this, "rateBox");
    mode_ = TextList(this, "modeBox", ModbusModes);
    parity_ = TextList(this, "parityBox",
                       {QStringLiteral(" Бит четн. отсутствует"), QStringLiteral(" Нечетный бит четности"),
                        QStringLiteral(" Четный бит четности")});
    timeout_ = NumberList(this, "timeoutBox", AnalyserTimeoutMin, AnalyserTimeoutMax);
    failed_ = NumberList(this, "failedBox", FailedPollsMin, FailedPollsMax);
    type_ = TextList(this, "typeBox", {QStringLiteral("NGC8200")});
    noHexane_ = new QCheckBox(QStringLiteral("В списке параметров\nне использовать гексан"), this);
    noHexane_->setObjectName(QStringLiteral("hexaneBox"));
    AddRow(grid, this, QStringLiteral("Адрес хроматографа"), address_);
    AddRow(grid, this, QStringLiteral("Скорость обмена"), rate_);
    AddRow(grid, this, QStringLiteral("Режим обмена MODBUS протокола"), mode_);
    AddRow(grid, this, QStringLiteral("Тип четности"), parity_);
    AddRow(grid, this, QStringLiteral("Таймаут ожидания ответа  от хромотогр."), timeout_, QStringLiteral("сс"));
    AddRow(grid, this,
           QStringLiteral("Кол. неудачных опросов хроматографа\nподряд, после которого создается\nдиагностическое сообщение"),
           failed_);
    AddRow(grid, this, QStringLiteral("Тип хроматографа"), type_);
    grid->addWidget(noHexane_, grid->rowCount(), 0, 1, 2);

    const uint8_t* f = fields_;
    SetTypedNumber(address_, f[ChromatographField::Address]);
    SelectStored(rate_, f[ChromatographField::RateCode], f[ChromatographField::RateCode]);
    SelectStored(mode_, f[ChromatographField::Mode], f[ChromatographField::Mode]);
    SelectStored(parity_, f[ChromatographField::Parity], f[ChromatographField::Parity]);
    SelectStored(timeout_, f[ChromatographField::Timeout] - AnalyserTimeoutMin, f[ChromatographField::Timeout]);
    SelectStored(failed_, f[ChromatographField::FailedPolls] - FailedPollsMin, f[ChromatographField::FailedPolls]);
    SelectStored(type_, f[ChromatographField::Type] == Ngc8200Type ? 0 : -1, f[ChromatographField::Type]);
    noHexane_->setChecked((f[ChromatographField::Flags] & NoHexaneBit) != 0);
    connect(ok, &QPushButton::clicked, this, &ChromatographLinkDialog::confirm);
}

void ChromatographLinkDialog::confirm() {
    if (Refused(CheckChromatographInput({address_->currentText(), rate_->currentIndex(), mode_->currentIndex(),
                                         parity_->currentIndex(), timeout_->currentIndex(), failed_->currentIndex(),
                                         type_->currentIndex()})))
        return;
    uint8_t* f = fields_;
    f[ChromatographField::Address] = uint8_t(Number(address_->currentText()));
    f[ChromatographField::RateCode] = uint8_t(rate_->currentIndex());
    f[ChromatographField::Mode] = uint8_t(mode_->currentIndex());
    f[ChromatographField::Parity] = uint8_t(parity_->currentIndex());
    f[ChromatographField::Timeout] = uint8_t(timeout_->currentIndex() + AnalyserTimeoutMin);
    f[ChromatographField::FailedPolls] = uint8_t(failed_->currentIndex() + FailedPollsMin);
    f[ChromatographField::Type] = Ngc8200Type;
    // Only the hexane bit is this dialog's; the other bits stay as the controller keeps them.
    if (noHexane_->isChecked())
        f[ChromatographField::Flags] |= NoHexaneBit;
    else
        f[ChromatographField::Flags] &= uint8_t(~NoHexaneBit);
    accept();
}

// ---------------------------------------------------------------------------

MoistureMeterLinkDialog::MoistureMeterLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent)
    : QDialog(parent), fields_(fields) {
    QPushButton* ok = nullptr;
    QGridLayout* grid = Frame(this, QStringLiteral(" Параметры связи с влагомером"), 468, 284, mode, &ok);
    address_ = NumberList(this, "addressBox", ModbusAddressMin, ModbusAddressMax, true);
    mode_ = TextList(this, "modeBox", ModbusModes);
    timeout_ = NumberList(this, "timeoutBox", AnalyserTimeoutMin, AnalyserTimeoutMax, true);
    failed_ = NumberList(this, "failedBox", FailedPollsMin, FailedPollsMax);
    type_ = TextList(this, "typeBox",
                     {QStringLiteral("ZEGAZ 5000"), QStringLiteral("ФОГ-3Г"), QStringLiteral("ТОРОС"),
                      QStringLiteral("ZEGAZ Duo")});
    AddRow(grid, this, QStringLiteral("Адрес влагомера"), address_);
    AddRow(grid, this, QStringLiteral("Режим обмена MODBUS протокола"), mode_);
    AddRow(grid, this, QStringLiteral("Таймаут ожидания ответа  от влагомера"), timeout_, QStringLiteral("сс"));
    AddRow(grid, this,
           QStringLiteral("Кол. неудачных опросов влагомера\nподряд, после которого создается\nдиагностическое сообщение"),
           failed_);
    AddRow(grid, this, QStringLiteral("Тип влагомера"), type_);

    const uint8_t* f = fields_;
    SetTypedNumber(address_, f[MoistureMeterField::Address]);
    SelectStored(mode_, f[MoistureMeterField::Mode], f[MoistureMeterField::Mode]);
    SetTypedNumber(timeout_, f[MoistureMeterField::Timeout]);
    SelectStored(failed_, f[MoistureMeterField::FailedPolls] - FailedPollsMin, f[MoistureMeterField::FailedPolls]);
    SelectStored(type_, f[MoistureMeterField::Type], f[MoistureMeterField::Type]);
    connect(ok, &QPushButton::clicked, this, &MoistureMeterLinkDialog::confirm);
}

void MoistureMeterLinkDialog::confirm() {
    if (Refused(CheckMoistureMeterInput({address_->currentText(), timeout_->currentText(), mode_->currentIndex(),
                                         failed_->currentIndex(), type_->currentIndex()})))
        return;
    uint8_t* f = fields_;
    f[MoistureMeterField::Address] = uint8_t(Number(address_->currentText()));
    f[MoistureMeterField::Mode] = uint8_t(mode_->currentIndex());
    f[MoistureMeterField::Reserved] = 0;
    f[MoistureMeterField::Timeout] = uint8_t(Number(timeout_->currentText()));
    f[MoistureMeterField::FailedPolls] = uint8_t(failed_->currentIndex() + FailedPollsMin);
    f[MoistureMeterField::Type] = uint8_t(type_->currentIndex());
    f[MoistureMeterField::Reserved2] = 0;
    accept();
}

// ---------------------------------------------------------------------------

FlowComputerLinkDialog::FlowComputerLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent)
    : QDialog(parent), fields_(fields), wantedComputer_(fields[FlowLinkField::TemperatureComputer]) {
    QPushButton* ok = nullptr;
    QGridLayout* grid = Frame(this, QStringLiteral(" Параметры связи с ВРГ"), 440, 480, mode, &ok);
    count_ = NumberList(this, "countBox", 1, MaxFlowComputerCount);
    rate_ = RateChoiceList(this, "rateBox");
    failed_ = NumberList(this, "failedBox", FailedPollsMin, FailedPollsMax);
    timeout_ = NumberList(this, "timeoutBox", FlowTimeoutMin, FlowTimeoutMax);
    preambles_ = DigitsField(this, "preamblesEdit", 3);
    computer_ = new QComboBox(this);
    computer_->setObjectName(QStringLiteral("computerBox"));
    pipeline_ = NumberList(this, "pipelineBox", 1, FlowPipelineMax);
    AddRow(grid, this, QStringLiteral("Количество подключенных вычислителей"), count_);
    AddRow(grid, this, QStringLiteral("Скорость обмена"), rate_);
    AddRow(grid, this,
           QStringLiteral("Количество неудачных обменов подряд, после\nкоторого создается диагностическое сообщение"),
           failed_);
    AddRow(grid, this, QStringLiteral("Таймаут ожидания ответа от вычислителя"), timeout_, QStringLiteral("дс"));
    AddRow(grid, this, QStringLiteral("Кол. преамбул  в запросе к вычислителю"), preambles_,
           QStringLiteral("(  0 - 255 ) "));
    auto* group = new QGroupBox(QStringLiteral(" Режим записи параметров газа в вычислители "), this);
    auto* groupLayout = new QVBoxLayout(group);
    const QString modes[3] = {
        QStringLiteral("Не записывать"),
        QStringLiteral("Записывать средние за закончившийся час\nпри условии отклонения их от значений в ВРГ"),
        QStringLiteral("Записывать средние за закончившийся час\nзначения периодически безусловно")};
    for (int i = 0; i < 3; ++i) {
        writeMode_[i] = new QRadioButton(modes[i], group);
        writeMode_[i]->setObjectName(QStringLiteral("writeMode%1").arg(i));
        groupLayout->addWidget(writeMode_[i]);
    }
    grid->addWidget(group, grid->rowCount(), 0, 1, 3);
    AddRow(grid, this, QStringLiteral("Индекс вычислителя\nдля чтения температуры газа"), computer_);
    AddRow(grid, this, QStringLiteral("Номер нитки вычислителя\nдля чтения температуры газа"), pipeline_);

    const uint8_t* f = fields_;
    SelectStored(count_, f[FlowLinkField::ComputerCount] - 1, f[FlowLinkField::ComputerCount]);
    SelectStored(rate_, f[FlowLinkField::RateCode], f[FlowLinkField::RateCode]);
    SelectStored(failed_, f[FlowLinkField::FailedExchanges] - FailedPollsMin, f[FlowLinkField::FailedExchanges]);
    SelectStored(timeout_, f[FlowLinkField::Timeout] - FlowTimeoutMin, f[FlowLinkField::Timeout]);
    preambles_->setText(QString::number(f[FlowLinkField::Preambles]));
    if (f[FlowLinkField::WriteMode] < 3) writeMode_[f[FlowLinkField::WriteMode]]->setChecked(true);
    SelectStored(pipeline_, f[FlowLinkField::TemperaturePipeline] - 1, f[FlowLinkField::TemperaturePipeline]);
    fillComputerList();
    connect(count_, &QComboBox::currentIndexChanged, this, [this] {
        if (computer_->currentIndex() >= 0) wantedComputer_ = computer_->currentIndex();
        fillComputerList();
    });
    connect(ok, &QPushButton::clicked, this, &FlowComputerLinkDialog::confirm);
}

void FlowComputerLinkDialog::fillComputerList() {
    computer_->clear();
    for (int i = 0; i <= count_->currentIndex(); ++i) computer_->addItem(QString::number(i));
    SelectStored(computer_, wantedComputer_ < computer_->count() ? wantedComputer_ : -1, wantedComputer_);
}

void FlowComputerLinkDialog::confirm() {
    int writeMode = -1;
    for (int i = 0; i < 3; ++i)
        if (writeMode_[i]->isChecked()) writeMode = i;
    if (Refused(CheckFlowLinkInput({count_->currentIndex(), rate_->currentIndex(), failed_->currentIndex(),
                                    timeout_->currentIndex(), computer_->currentIndex(), pipeline_->currentIndex(),
                                    preambles_->text(), writeMode})))
        return;
    uint8_t* f = fields_;
    f[FlowLinkField::ComputerCount] = uint8_t(count_->currentIndex() + 1);
    f[FlowLinkField::RateCode] = uint8_t(rate_->currentIndex());
    f[FlowLinkField::FailedExchanges] = uint8_t(failed_->currentIndex() + FailedPollsMin);
    f[FlowLinkField::Timeout] = uint8_t(timeout_->currentIndex() + FlowTimeoutMin);
    f[FlowLinkField::Preambles] = uint8_t(Number(preambles_->text()));
    f[FlowLinkField::WriteMode] = uint8_t(writeMode);
    f[FlowLinkField::TemperatureComputer] = uint8_t(computer_->currentIndex());
    f[FlowLinkField::TemperaturePipeline] = uint8_t(pipeline_->currentIndex() + 1);
    accept();
}

// ---------------------------------------------------------------------------

EthernetLinkDialog::EthernetLinkDialog(uint8_t* fields, ParamsMode mode, QWidget* parent)
    : QDialog(parent), fields_(fields) {
    QPushButton* ok = nullptr;
    QGridLayout* grid = Frame(this, QStringLiteral(" Параметры связи по Ethernet"), 414, 374, mode, &ok);
    const char* prefixes[3] = {"ipEdit", "maskEdit", "gatewayEdit"};
    for (int a = 0; a < 3; ++a) {
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        const std::array<uint8_t, 4> dotted = DottedAddress(fields_ + 4 * a);
        for (int i = 0; i < 4; ++i) {
            QLineEdit*& edit = dotted_[4 * a + i];
            edit = DigitsField(row, QStringLiteral("%1%2").arg(QLatin1String(prefixes[a])).arg(i).toLatin1().constData(), 3);
            edit->setText(QString::number(dotted[i]));
            if (i > 0) line->addWidget(Text(row, QStringLiteral(".")));
            line->addWidget(edit);
        }
        AddRow(grid, this, EthernetAddressName(a), row);
    }
    for (int p = 0; p < 4; ++p) {
        ports_[p] = DigitsField(this, QStringLiteral("portEdit%1").arg(p).toLatin1().constData(), 10);
        ports_[p]->setText(QString::number(GetU32(fields_ + 4 * (EthernetField::FirstPort + p))));
        AddRow(grid, this, EthernetPortName(p), ports_[p]);
    }
    connect(ok, &QPushButton::clicked, this, &EthernetLinkDialog::confirm);
}

void EthernetLinkDialog::confirm() {
    EthernetInput input;
    for (int i = 0; i < 12; ++i) input.Dotted[i] = dotted_[i]->text();
    for (int i = 0; i < 4; ++i) input.Ports[i] = ports_[i]->text();
    if (Refused(CheckEthernetInput(input))) return;
    for (int a = 0; a < 3; ++a) {
        std::array<uint8_t, 4> dotted{};
        for (int i = 0; i < 4; ++i) dotted[i] = uint8_t(Number(input.Dotted[4 * a + i]));
        PutDottedAddress(fields_ + 4 * a, dotted);
    }
    for (int p = 0; p < 4; ++p) PutU32(fields_ + 4 * (EthernetField::FirstPort + p), uint32_t(Number(input.Ports[p])));
    accept();
}

}  // namespace zmk
