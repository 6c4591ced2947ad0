#include "tables/ui/ConfigEditorDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "tables/ConfigRecord.h"
#include "tables/ControllerName.h"
#include "tables/GasLimits.h"
#include "tables/LinkParams.h"
#include "tables/UsersTable.h"
#include "tables/ui/RecordFlowComputers.h"
#include "tables/ui/GasLimitsDialogs.h"
#include "tables/ui/IdentificationDialog.h"
#include "tables/ui/LinkParamsDialogs.h"
#include "tables/ui/SystemParamsDialog.h"
#include "tables/ui/UsersListDialog.h"

namespace zmk {

namespace {

constexpr int SystemMoistureField = 8;  // table 6: a moisture meter is connected

}  // namespace

QString ConfigEditorDialog::TitleFor(const ConfigRecord& record) {
    return QStringLiteral("Параметры конфигурации контроллера \"%1\" ").arg(record.NameText());
}

ConfigEditorDialog::ConfigEditorDialog(ConfigRecord& record, Mode mode, QWidget* parent)
    : QDialog(parent), record_(record), original_(std::make_unique<const ConfigRecord>(record)) {
    setFixedSize(FormWidth, FormHeight);
    panel_ = new QWidget(this);
    panel_->setAutoFillBackground(true);

    auto* nameLabel = new QLabel(QStringLiteral("Наименование контроллера"), panel_);
    lastName_ = record_.NameText();
    nameEdit_ = new QLineEdit(lastName_, panel_);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setMaxLength(NameLength);
    connect(nameEdit_, &QLineEdit::textEdited, this, &ConfigEditorDialog::nameEdited);
    QPushButton* identification = AddButton(QStringLiteral("Параметры идентификации"), "identificationButton",
                                            &ConfigEditorDialog::openIdentification);

    auto group = [this](const QString& title, std::initializer_list<QWidget*> rows) {
        auto* box = new QGroupBox(title, panel_);
        auto* layout = new QVBoxLayout(box);
        for (QWidget* row : rows) layout->addWidget(row);
        layout->addStretch();
        return box;
    };

    QGroupBox* links = group(
        QStringLiteral(" Параметры связи "),
        {AddButton(QStringLiteral("С  вычислителями расхода газа"), "flowLinkButton", &ConfigEditorDialog::openFlowLink),
         AddButton(QStringLiteral("С верхним уровнем"), "upperLevelButton", &ConfigEditorDialog::openUpperLevel),
         AddButton(QStringLiteral("С хроматографом"), "chromatographButton", &ConfigEditorDialog::openChromatograph)});
    moistureLabel_ = new QLabel(QStringLiteral("С влагомером"), panel_);
    moistureLabel_->setObjectName(QStringLiteral("moistureMeterLabel"));
    moistureButton_ = AddButton(QStringLiteral("..."), "moistureMeterButton", &ConfigEditorDialog::openMoistureMeter);
    auto* moistureRow = new QWidget(panel_);
    auto* moistureLayout = new QHBoxLayout(moistureRow);
    moistureLayout->setContentsMargins(0, 0, 0, 0);
    moistureLayout->addWidget(moistureLabel_, 1);
    moistureLayout->addWidget(moistureButton_);
    auto* linksLayout = static_cast<QVBoxLayout*>(links->layout());
    linksLayout->insertWidget(3, moistureRow);
    linksLayout->insertWidget(
        4, AddButton(QStringLiteral("Параметры Ethernet "), "ethernetButton", &ConfigEditorDialog::openEthernet));

    QGroupBox* settings = group(QStringLiteral(" Параметры настроек "),
                                {AddButton(QStringLiteral("Системные параметры"), "systemButton",
                                           &ConfigEditorDialog::openSystem)});
    QGroupBox* flow = group(
        QStringLiteral(" Параметры работы с вычислителями расхода газа "),
        {AddButton(QStringLiteral("Параметры вычислителей"), "flowComputersButton",
                   &ConfigEditorDialog::openFlowComputers),
         AddButton(QStringLiteral("Необходимость записи\nзначений параметров газа в ВРГ"), "gasWriteButton",
                   &ConfigEditorDialog::openGasWrite),
         AddButton(QStringLiteral("Период записи средних за час\nзначений параметров газа в ВРГ"),
                   "hourlyPeriodButton", &ConfigEditorDialog::openHourlyPeriod)});
    QGroupBox* users = group(QStringLiteral(" Доступ пользователей  к записи в контроллер "),
                             {AddButton(QStringLiteral("Зарегистрированные пользователи"), "usersButton",
                                        &ConfigEditorDialog::openUsers)});
    QGroupBox* limits = group(QStringLiteral(" Контроль значений параметров газа "),
                              {AddButton(QStringLiteral("Уставки параметров\nУставки для контроля"), "limitsButton",
                                         &ConfigEditorDialog::openLimits)});

    auto* confirmButton = new QPushButton(
        mode == Mode::Edit ? QStringLiteral("Принять") : QStringLiteral("Записать в устройство"), panel_);
    confirmButton->setObjectName(QStringLiteral("confirmButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("Отменить"), panel_);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : {confirmButton, cancelButton}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(160);
    }
    connect(confirmButton, &QPushButton::clicked, this, &ConfigEditorDialog::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(nameLabel);
    top->addWidget(nameEdit_, 1);
    top->addSpacing(16);
    top->addWidget(identification);
    auto* grid = new QGridLayout;
    grid->addWidget(links, 0, 0, 2, 1);
    grid->addWidget(settings, 0, 1);
    grid->addWidget(users, 1, 1);
    grid->addWidget(flow, 0, 2);
    grid->addWidget(limits, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirmButton);
    buttons->addSpacing(24);
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(panel_);
    layout->addLayout(top);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel_);

    setWindowTitle(TitleFor(record_));
    showMoistureMeterState();
}

ConfigEditorDialog::~ConfigEditorDialog() = default;

QPushButton* ConfigEditorDialog::AddButton(const QString& caption, const char* name,
                                           void (ConfigEditorDialog::*open)()) {
    auto* button = new QPushButton(caption, panel_);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, open);
    return button;
}

void ConfigEditorDialog::nameEdited(const QString& text) {
    // The record holds the name in Windows-1251: a character it has no byte
    // for is refused and the field goes back to the last name it could hold.
    const QString bad = UnstorableNameCharacters(text, false);
    if (!bad.isEmpty()) {
        nameEdit_->setText(lastName_);
        ShowMessage(MessageKind::InputError, QStringLiteral("Недопустимые символы в наименовании контроллера:"),
                    QStringLiteral("\"%1\"").arg(bad));
        return;
    }
    lastName_ = text;
    PutNameText(text, record_.At(config_offset::Name));
    setWindowTitle(TitleFor(record_));
}

void ConfigEditorDialog::showMoistureMeterState() {
    const bool present = record_.bytes[config_offset::System + SystemMoistureField] != 0;
    moistureLabel_->setEnabled(present);
    moistureButton_->setEnabled(present);
}

int ConfigEditorDialog::RunDialog(QDialog& form) {
    const QPalette normal = panel_->palette();
    QPalette dark = normal;
    dark.setColor(QPalette::Window, normal.color(QPalette::Window).darker(125));
    panel_->setPalette(dark);
    const int result = form.exec();
    panel_->setPalette(normal);
    return result;
}

void ConfigEditorDialog::openIdentification() {
    IdentificationDialog form(record_.At(config_offset::Identification), record_.bytes[config_offset::Origin] == 1,
                              this);
    RunDialog(form);
}

void ConfigEditorDialog::openFlowLink() {
    FlowComputerLinkDialog form(record_.At(config_offset::FlowComputerLink), ParamsMode::Record, this);
    RunDialog(form);
}

void ConfigEditorDialog::openUpperLevel() {
    UpperLevelLinkDialog form(record_.At(config_offset::UpperLevel), ParamsMode::Record, false, this);
    RunDialog(form);
}

void ConfigEditorDialog::openChromatograph() {
    ChromatographLinkDialog form(record_.At(config_offset::Chromatograph), ParamsMode::Record, this);
    RunDialog(form);
}

void ConfigEditorDialog::openMoistureMeter() {
    MoistureMeterLinkDialog form(record_.At(config_offset::MoistureMeter), ParamsMode::Record, this);
    RunDialog(form);
}

void ConfigEditorDialog::openEthernet() {
    EthernetLinkDialog form(record_.At(config_offset::Ethernet), ParamsMode::Record, this);
    RunDialog(form);
}

void ConfigEditorDialog::openSystem() {
    SystemParamsDialog form(record_.At(config_offset::System), SystemParamsDialog::Mode::AcceptIntoRecord, this);
    RunDialog(form);
    showMoistureMeterState();
}

void ConfigEditorDialog::openFlowComputers() {
    EditRecordFlowComputers(record_.At(config_offset::FlowComputers), record_.At(config_offset::FlowComputerLink), this,
                            [this](QDialog& form) { return RunDialog(form); });
}

void ConfigEditorDialog::openGasWrite() {
    EditRecordGasParameterWrite(record_.At(config_offset::GasWriteFlags), this,
                                [this](QDialog& form) { return RunDialog(form); });
}

void ConfigEditorDialog::openHourlyPeriod() {
    EditRecordHourlyWritePeriod(record_.At(config_offset::HourlyWritePeriod), this,
                                [this](QDialog& form) { return RunDialog(form); });
}

void ConfigEditorDialog::openUsers() {
    UsersListDialog form(record_.At(config_offset::Users), UsersListDialog::AcceptList, this);
    if (RunDialog(form) != QDialog::Accepted) return;
    std::memcpy(record_.At(config_offset::Users), form.List().data(), UsersListSize);
}

void ConfigEditorDialog::openLimits() {
    const bool hexaneInList = (record_.bytes[config_offset::Chromatograph + ChromatographField::Flags] & NoHexaneBit) == 0;
    LimitSets sets = LimitSetsFromBlocks(record_.At(config_offset::Limits), config_offset::LimitBlockSize);
    GasLimitsListDialog form(sets, hexaneInList, ParamsMode::Record, this);
    if (RunDialog(form) != QDialog::Accepted) return;
    StoreLimitSets(sets, record_.At(config_offset::Limits), config_offset::LimitBlockSize);
}

void ConfigEditorDialog::confirm() {
    changed_ = record_ != *original_;
    accept();
}

}  // namespace zmk
