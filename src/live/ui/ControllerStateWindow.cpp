#include "live/ui/ControllerStateWindow.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "common/ui/WaitWindow.h"
#include "live/MomentaryData.h"
#include "live/ui/MomentaryWindows.h"
#include "tables/FlowComputers.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/FlowComputerDialogs.h"

namespace zmk {

namespace {

constexpr int FlowCountTable = 9;  // field 0: number of flow computers
constexpr int TableStatesTable = 7;
constexpr int TableStates = 38;

QLabel* ValueField(QWidget* parent, const char* name) {
    auto* field = new QLabel(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setFrameShape(QFrame::Panel);
    field->setFrameShadow(QFrame::Sunken);
    field->setAlignment(Qt::AlignCenter);
    field->setFixedWidth(100);
    return field;
}

QPushButton* DetailButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(QStringLiteral("Просмотр"), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedWidth(100);
    return button;
}

void Show(QLabel* field, const ColouredText& text) {
    field->setText(text.Text);
    field->setStyleSheet(QStringLiteral("color: #%1").arg(text.Colour, 6, 16, QLatin1Char('0')));
}

// One framed section: a heading with its value field, then lines of a
// caption with a value field or a button.
class Section {
public:
    explicit Section(QVBoxLayout* column) {
        frame_ = new QFrame;
        frame_->setFrameShape(QFrame::StyledPanel);
        grid_ = new QGridLayout(frame_);
        grid_->setColumnStretch(0, 1);
        grid_->setVerticalSpacing(3);
        column->addWidget(frame_);
    }
    QLabel* Line(const QString& caption, QWidget* field, bool heading = false) {
        auto* label = new QLabel(caption, frame_);
        label->setWordWrap(true);
        if (heading) {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
        const int row = grid_->rowCount();
        grid_->addWidget(label, row, 0);
        if (field) grid_->addWidget(field, row, 1);
        return label;
    }
    QFrame* Frame() const { return frame_; }

private:
    QFrame* frame_;
    QGridLayout* grid_;
};

}  // namespace

ControllerStateWindow::ControllerStateWindow(CommandHost& host, bool moistureMeterPresent, bool hexaneInList,
                                             uint8_t identByteOrder, const ReportFormat& format, QWidget* parent)
    : PollingWindow(host, parent),
      moistureMeterPresent_(moistureMeterPresent),
      hexaneInList_(hexaneInList),
      identByteOrder_(identByteOrder),
      format_(format) {
    setWindowTitle(QStringLiteral("Текущее состояние контроллера"));
    resize(FormWidth, FormHeight);

    chromFlag_ = ValueField(this, "chromFlag");
    chromLink_ = ValueField(this, "chromLink");
    flowFlag_ = ValueField(this, "flowFlag");
    selfDiagnosticFlag_ = ValueField(this, "selfDiagnosticFlag");
    valueFlag_ = ValueField(this, "valueFlag");
    QLabel* moistureFlag = ValueField(this, "moistureFlag");
    moistureLink_ = ValueField(this, "moistureLink");
    flagsTime_ = ValueField(this, "flagsTime");
    flagsTime_->setFixedWidth(150);
    actions_ = {DetailButton(this, "flowComputerButton"), DetailButton(this, "tableStateButton"),
                DetailButton(this, "chromMomentaryButton"), DetailButton(this, "moistureMomentaryButton")};
    const std::array<void (ControllerStateWindow::*)(), 4> actions = {
        &ControllerStateWindow::ShowFlowComputerState, &ControllerStateWindow::RequestTableState,
        &ControllerStateWindow::ShowChromatographMomentary, &ControllerStateWindow::ShowMoistureMomentary};
    for (size_t i = 0; i < actions.size(); ++i)
        connect(actions_[i], &QPushButton::clicked, this, [this, action = actions[i]] { WhenIdle([this, action] { (this->*action)(); }); });

    auto* column = new QVBoxLayout(this);
    Section chrom(column);
    chrom.Line(QStringLiteral("Нештатные ситуации, связанные с опросом хроматографа"), chromFlag_, true);
    chrom.Line(QStringLiteral("Наличие связи с хроматографом"), chromLink_);

    Section flow(column);
    flow.Line(QStringLiteral("Нештатные ситуации, связанные с обменом ") + u'\n' + QStringLiteral("с вычислителями РГ"),
              flowFlag_, true);
    flow.Line(QStringLiteral("Наличие связи с вычислителями расхода газа"), nullptr);
    flow.Line(QStringLiteral("Состояние процесса записи параметров в вычислители"), actions_[0]);

    Section diagnostics(column);
    diagnostics.Line(QStringLiteral("Нештатные ситуации, связанные с самодиагностикой"), selfDiagnosticFlag_, true);
    diagnostics.Line(QStringLiteral("Состояние таблиц параметров конфигурации"), actions_[1]);

    Section values(column);
    values.Line(QStringLiteral("Наличие нештатного значения контролируемых величин"), valueFlag_, true);
    values.Line(QStringLiteral("Мгновенные данные хроматографа, зоны параметров газа"), actions_[2]);
    QLabel* moistureData = values.Line(QStringLiteral("Мгновенные данные влагомера"), actions_[3]);

    Section moisture(column);
    QLabel* moistureHeading =
        moisture.Line(QStringLiteral("Нештатные ситуации, связанные с опросом влагомера"), moistureFlag, true);
    QLabel* moistureLinkCaption = moisture.Line(QStringLiteral("Наличие связи с влагомером"), moistureLink_);

    Section time(column);
    time.Line(QStringLiteral("Дата и время последнего изменения") + u'\n' + QStringLiteral("признаков нештатных ситуаций"),
              flagsTime_);

    auto* buttons = new QHBoxLayout;
    ToggleButton()->setMinimumWidth(160);
    ExitButton()->setMinimumWidth(100);
    buttons->addStretch();
    buttons->addWidget(ToggleButton());
    buttons->addSpacing(24);
    buttons->addWidget(ExitButton());
    buttons->addStretch();
    column->addLayout(buttons);

    if (!moistureMeterPresent_) {
        for (QWidget* w : std::initializer_list<QWidget*>{moistureHeading, moistureLinkCaption, moistureFlag,
                                                          moistureLink_, moistureData, actions_[3]})
            w->setEnabled(false);
    }

    SetSteps({
        {{uint8_t(AbnormalFlagsTable), 0, uint8_t(AbnormalFlagsFields)}, [this] { showFlags(); }},
        {{uint8_t(AnalyserLinkTable), 0, 2}, [this] { showLinks(); }},
    });
}

void ControllerStateWindow::showFlags() {
    uint8_t* t = Tables().Image().Table(AbnormalFlagsTable);
    OrderAbnormalFlagWords(t, identByteOrder_);
    flagsTime_->setText(AbnormalFlagsTimeText(t));
    Show(flowFlag_, AbnormalFlagText(t[FlowComputerFlagField]));
    Show(chromFlag_, AbnormalFlagText(t[ChromatographFlagField]));
    Show(selfDiagnosticFlag_, AbnormalFlagText(t[SelfDiagnosticFlagField]));
    Show(valueFlag_, AbnormalFlagText(t[ValueFlagField]));
}

void ControllerStateWindow::showLinks() {
    const uint8_t* t = Table(AnalyserLinkTable);
    Show(chromLink_, AnalyserLinkText(t[ChromLinkField]));
    if (moistureMeterPresent_) Show(moistureLink_, AnalyserLinkText(t[MoistureLinkField]));
}

void ControllerStateWindow::setButtonsEnabled(bool enabled) {
    for (QPushButton* b : actions_) b->setEnabled(enabled && (b != actions_[3] || moistureMeterPresent_));
    ExitButton()->setEnabled(enabled);
}

void ControllerStateWindow::ShowFlowComputerState() {
    Suspend();
    setButtonsEnabled(false);
    TableEngine& tables = Tables();
    StatusBarPanel* panel = Host().MessagePanel();
    std::vector<FlowComputerState> rows;
    bool read;
    {
        BusyCursor busy;
        read = tables.ReadTable({uint8_t(FlowCountTable), 0, 1}, panel);
        // A count beyond the tables' 16 fields cannot be read: the tables hold that many at most.
        const int n = read ? std::min<int>(*tables.Image().Field(FlowCountTable, 0), MaxFlowComputers) : 0;
        for (int table : {FlowAddressTable, FlowLinkStateTable, FlowWriteStateTable}) {
            if (!read) break;
            read = n > 0 ? tables.ReadTable({uint8_t(table), 0, uint8_t(n)}, panel)
                         : tables.ReadEmptyRange(uint8_t(table), panel);
        }
        if (read) {
            const ConfigImage& image = tables.Image();
            for (int i = 0; i < n; ++i)
                rows.push_back({image.Table(FlowAddressTable)[i], image.Table(FlowLinkStateTable)[i] != 0,
                                image.Table(FlowWriteStateTable)[i] != 0});
        }
    }
    if (read) {
        FlowComputerStateWindow state(rows, this);
        state.exec();
    }
    Host().StartMessageTimer();
    setButtonsEnabled(true);
    Resume();
}

void ControllerStateWindow::RequestTableState() {
    Suspend();
    setButtonsEnabled(false);
    bool read;
    {
        BusyCursor busy;
        read = Tables().ReadTable({uint8_t(TableStatesTable), 0, uint8_t(TableStates)}, Host().MessagePanel());
    }
    Host().StartMessageTimer();
    setButtonsEnabled(true);
    Resume();
    if (!read) return;
    selection_ = TableSelection::FromStates(Table(TableStatesTable));
    tableStateRequested_ = true;
    accept();
}

void ControllerStateWindow::ShowChromatographMomentary() {
    Suspend();
    setButtonsEnabled(false);
    {
        ChromatographMomentaryWindow window(Host(), hexaneInList_, format_, this);
        window.exec();
    }
    setButtonsEnabled(true);
    Resume();
}

void ControllerStateWindow::ShowMoistureMomentary() {
    Suspend();
    setButtonsEnabled(false);
    {
        MoistureMomentaryWindow window(Host(), format_, this);
        window.exec();
    }
    setButtonsEnabled(true);
    Resume();
}

ControllerFunctionsWindow::ControllerFunctionsWindow(const uint8_t* table8, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Возможность исполнения контроллером его функций"));
    resize(FormWidth, FormHeight);

    auto* grid = new QGridLayout;
    auto head = [](const QString& text) {
        auto* label = new QLabel(text);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };
    grid->addWidget(head(QStringLiteral("Наименование функции")), 0, 0);
    grid->addWidget(head(QStringLiteral("Исполнение")), 0, 1);
    const struct {
        const char* name;
        const char16_t* caption;
    } rows[] = {
        {"clockChangeValue", u" Автоматический переход на зимнее/летнее время"},
        {"flowExchangeValue", u" Обмен данными с вычислителями расхода газа (РГ)"},
    };
    for (int i = 0; i < 2; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf16(rows[i].caption)), i + 1, 0);
        QLabel* value = ValueField(this, rows[i].name);
        value->setText(FunctionText(table8[i]));
        grid->addWidget(value, i + 1, 1);
    }
    grid->setColumnStretch(0, 1);

    auto* exit = new QPushButton(QStringLiteral("Выход"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    exit->setDefault(true);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);

    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addWidget(new QLabel(QStringLiteral("  См. информацию о состоянии таблиц параметров конфигурации")));
    column->addStretch();
    column->addWidget(exit, 0, Qt::AlignHCenter);
}

}  // namespace zmk
