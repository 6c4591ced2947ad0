#include "live/ui/MomentaryWindows.h"

#include <QBrush>
#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "live/MomentaryData.h"

namespace zmk {

namespace {

QColor Rgb(uint32_t rgb) { return QColor::fromRgb(QRgb(rgb)); }

// The value panel of a time line: sunken, like the other value fields.
QLabel* ValuePanel(QWidget* parent) {
    auto* panel = new QLabel(parent);
    panel->setObjectName(QStringLiteral("timeValue"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setMinimumWidth(160);
    return panel;
}

QTableWidget* Grid(int rows, const QStringList& heads, QWidget* parent) {
    auto* grid = new QTableWidget(rows, int(heads.size()), parent);
    grid->setObjectName(QStringLiteral("valueGrid"));
    grid->setHorizontalHeaderLabels(heads);
    grid->verticalHeader()->hide();
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->verticalHeader()->setDefaultSectionSize(22);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < grid->columnCount(); ++column) grid->setItem(row, column, new QTableWidgetItem);
    return grid;
}

QHBoxLayout* ButtonRow(QPushButton* toggle, QPushButton* exit) {
    toggle->setMinimumWidth(160);
    exit->setMinimumWidth(100);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(toggle);
    row->addSpacing(24);
    row->addWidget(exit);
    row->addStretch();
    return row;
}

QHBoxLayout* TimeRow(const QString& caption, QLabel* value) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(caption));
    row->addWidget(value);
    row->addStretch();
    return row;
}

}  // namespace

ChromatographMomentaryWindow::ChromatographMomentaryWindow(CommandHost& host, bool hexaneInList,
                                                           const ReportFormat& format, QWidget* parent)
    : PollingWindow(host, parent), hexaneInList_(hexaneInList), format_(format) {
    setWindowTitle(QStringLiteral("Мгновенные данные хроматографа, зоны параметров газа"));
    resize(FormWidth, FormHeight);

    time_ = ValuePanel(this);
    grid_ = Grid(ShownGasParameters,
                 {QStringLiteral("Наименование параметра"), QStringLiteral("Значение"), QStringLiteral("Зона")}, this);
    for (int p = 0; p < ShownGasParameters; ++p) {
        QTableWidgetItem* name = grid_->item(p, NameColumn);
        name->setText(GasParameterRowName(p));
        name->setForeground(Rgb(GasParameterNameColour(p, hexaneInList_)));
        grid_->item(p, ValueColumn)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    grid_->setColumnWidth(NameColumn, 400);
    grid_->setColumnWidth(ValueColumn, 110);
    grid_->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(TimeRow(QStringLiteral("Время последнего опроса хроматографа"), time_));
    layout->addWidget(grid_, 1);
    layout->addLayout(ButtonRow(ToggleButton(), ExitButton()));

    SetSteps({
        {{uint8_t(ChromMomentaryTable), 0, uint8_t(ChromMomentaryFieldsRead)}, [this] { showValues(); }},
        {{uint8_t(GasZoneTable), 0, uint8_t(ShownGasParameters)}, [this] { showZones(); }},
    });
}

void ChromatographMomentaryWindow::showValues() {
    const uint8_t* t = Table(ChromMomentaryTable);
    time_->setText(PollTimeText(t));
    for (int p = 0; p < ShownGasParameters; ++p)
        grid_->item(p, ValueColumn)->setText(GasParameterValueText(t, p, hexaneInList_, format_));
}

void ChromatographMomentaryWindow::showZones() {
    const uint8_t* zones = Table(GasZoneTable);
    for (int p = 0; p < ShownGasParameters; ++p) {
        const ColouredText zone = GasZoneText(p, zones[p], hexaneInList_);
        QTableWidgetItem* cell = grid_->item(p, ZoneColumn);
        cell->setText(zone.Text);
        cell->setForeground(Rgb(zone.Colour));
    }
}

MoistureMomentaryWindow::MoistureMomentaryWindow(CommandHost& host, const ReportFormat& format, QWidget* parent)
    : PollingWindow(host, parent), format_(format) {
    setWindowTitle(QStringLiteral(" Мгновенные данные влагомера"));
    resize(FormWidth, FormHeight);

    time_ = ValuePanel(this);
    const auto names = MoistureRowNames();
    grid_ = Grid(int(names.size()), {QStringLiteral("Наименование параметра"), QStringLiteral("Значение")}, this);
    for (int row = 0; row < int(names.size()); ++row) {
        grid_->item(row, 0)->setText(names[size_t(row)]);
        grid_->item(row, 1)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    grid_->setColumnWidth(0, 540);
    grid_->horizontalHeader()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(TimeRow(QStringLiteral("Дата и время, к которым относятся данные"), time_));
    layout->addWidget(grid_, 1);
    layout->addLayout(ButtonRow(ToggleButton(), ExitButton()));

    SetSteps({{{uint8_t(MoistureMomentaryTable), 0, uint8_t(MoistureMomentaryFields)}, [this] { showValues(); }}});
}

void MoistureMomentaryWindow::showValues() {
    const uint8_t* t = Table(MoistureMomentaryTable);
    time_->setText(PollTimeText(t));
    const auto values = MoistureValueTexts(t, format_);
    for (int row = 0; row < int(values.size()); ++row) grid_->item(row, 1)->setText(values[size_t(row)]);
}

}  // namespace zmk
