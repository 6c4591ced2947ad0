#include "measurements/MeasurementTable.h"

#include <cmath>

#include "common/NumberFormat.h"
#include "common/PackedDate.h"

namespace zmk {

namespace {

constexpr int ChromFiveMinuteColumns = 20;
constexpr int ChromHourDayColumns = 21;
constexpr int MoistureColumns = 8;

// Moisture-meter grid columns.
constexpr int MoistStatusColumn5 = 2;      // controller status, 5-minute grid
constexpr int MoistMeterStatusColumn = 3;  // moisture-meter status word, 5-minute grid
constexpr int MoistStatusColumnHD = 3;     // controller status, hourly/daily grid
constexpr int MoistFirstValueColumn = 4;

constexpr int ValueTextWidth = 8;  // values of up to 7 characters are right-aligned in 8

const char16_t* const ShortNames[GasParameterCount] = {
    u"C6+47", u"C3H8", u"i-C4H10", u"n-C4H10", u"neoC5H12", u"i-C5H12", u"n-C5H12",
    u"N2",    u"CH4",  u"CO2",     u"C2H6",    u"Hs",       u"De",      u"Wobbe",
    u"C6+",   u"O2",   u"Hi",      u"T",       u"",         u"",
};

const char16_t* const Units[GasParameterCount] = {
    u"%", u"%", u"%", u"%", u"%", u"%", u"%", u"%", u"%", u"%",
    u"%", u"МДж/м3", u"кг/м3", u"МДж/м3", u"%", u"%", u"МДж/м3", u"\u00B0\u0421", u"", u"",
};

const char16_t TextDamaged1[] = u"     Данные";
const char16_t TextDamaged2[] = u"недостов.";
const char16_t TextNotValid[] = u" ---";
const char16_t TextCalibration[] = u" 0";
const char16_t TextNoHexane[] = u"   --";
const char16_t TextAverage1[] = u" Среднее";
const char16_t TextAverage2[] = u" значение";

QString Text(const char16_t* text) { return QString::fromUtf16(text); }

QString Two(int value) { return QString::asprintf("%02d", value); }

QString DateText(const PackedDate& d, const char* format) {
    return QString::asprintf(format, d.Day, d.Month, d.Year);
}
QString TimeText(const char* format, int h, int m, int s) { return QString::asprintf(format, h, m, s); }

bool MethaneInvalid(float methane) { return IsBadFloat(methane) || methane < MinimumMethane; }

}  // namespace

QString GasShortName(int parameter) {
    if (parameter < 0 || parameter >= GasParameterCount) return {};
    return QString::fromUtf16(ShortNames[parameter]);
}

QString GasUnit(int parameter) {
    if (parameter < 0 || parameter >= GasParameterCount) return {};
    return QString::fromUtf16(Units[parameter]);
}

QString CentredTitle(const QString& text) {
    constexpr int Short = 9;
    constexpr int Width = 10;
    if (text.size() <= Short) return QString((Width - text.size()) / 2, u' ') + text;
    return u' ' + text;
}

QString FixedValueText(double value, int decimals) {
    QString text = QString::number(value, 'f', std::clamp(decimals, 0, 7));
    if (text.size() < ValueTextWidth) text = text.rightJustified(ValueTextWidth);
    return text;
}

// ---------------------------------------------------------------------------

MeasurementTable::MeasurementTable(const MeasurementFileHeader& header, RecordStore records,
                                   const ValueDecimals& decimals)
    : header_(header), records_(std::move(records)), decimals_(decimals) {
    const qsizetype total = records_.Count();
    states_.resize(size_t(total));
    for (qsizetype i = 0; i < total; ++i) states_[size_t(i)] = Decide(i);
    if (!Chromatograph()) return;
    std::array<double, GasParameterCount> sums{};
    std::array<qsizetype, GasParameterCount> counts{};
    const qsizetype count = records_.Count();
    for (qsizetype i = 0; i < count; ++i) {
        if (State(i) != RecordState::Valid) continue;
        ++validRecords_;
        const RecordView record = records_.At(i);
        for (int parameter : ChromColumnOrder) {
            const float value = record.Value(parameter);
            // A bad float elsewhere than in methane is shown but cannot be
            // summed: it would spoil the whole average.
            if (IsBadFloat(value)) continue;
            sums[size_t(parameter)] += value;
            ++counts[size_t(parameter)];
        }
    }
    for (int p = 0; p < GasParameterCount; ++p)
        averages_[size_t(p)] = counts[size_t(p)] > 0 ? sums[size_t(p)] / double(counts[size_t(p)]) : 0.0;
}

int MeasurementTable::ColumnCount() const {
    if (!Chromatograph()) return MoistureColumns;
    return FiveMinute() ? ChromFiveMinuteColumns : ChromHourDayColumns;
}

int MeasurementTable::FixedColumns() const {
    if (!Chromatograph()) return 0;
    return FiveMinute() ? 2 : 3;
}

int MeasurementTable::FirstValueColumn() const {
    return Chromatograph() ? FixedColumns() : MoistFirstValueColumn;
}

int MeasurementTable::ParameterOfColumn(int column) const {
    if (!Chromatograph()) return -1;
    const int index = column - FirstValueColumn();
    if (index < 0 || index >= ChromValueColumns) return -1;
    return ChromColumnOrder[size_t(index)];
}

QStringList MeasurementTable::ColumnTitle(int column) const {
    if (column < 0 || column >= ColumnCount()) return {};
    if (!Chromatograph()) return MoistureColumnTitle(FiveMinute(), column);
    if (FiveMinute()) {
        if (column == 0) return {QStringLiteral("   Дата"), QString()};
        if (column == 1) return {QStringLiteral("   Время"), QString()};
    } else {
        if (column == 0) return {QStringLiteral("   Дата"), QStringLiteral("  начала")};
        if (column == 1) return {QStringLiteral("   Время"), QStringLiteral("  начала")};
        if (column == 2) return {QStringLiteral("  Время"), QStringLiteral("  конца")};
    }
    const int parameter = ParameterOfColumn(column);
    return {CentredTitle(GasShortName(parameter)), CentredTitle(GasUnit(parameter))};
}

RecordState MeasurementTable::State(qsizetype record) const {
    if (record < 0 || record >= qsizetype(states_.size())) return RecordState::Damaged;
    return states_[size_t(record)];
}

RecordState MeasurementTable::Decide(qsizetype record) const {
    const RecordView view = records_.At(record);
    if (!view.Intact()) return RecordState::Damaged;
    if (!Chromatograph()) return RecordState::Valid;
    const uint8_t status = view.Status();
    if ((status & ChromInvalidMask) != 0 || MethaneInvalid(view.Value(GasCH4))) return RecordState::NotValid;
    if (FiveMinute() && (status & ChromAutoCalibration) != 0) return RecordState::AutoCalibration;
    return RecordState::Valid;
}

int MeasurementTable::GasDecimals(int parameter) const {
    return std::clamp(decimals_.gas[std::clamp(parameter, 0, GasParameterCount - 1)], 0, 7);
}

QString MeasurementTable::ValueText(int parameter, double value) const {
    if (!std::isfinite(value)) return QStringLiteral("NAN").rightJustified(ValueTextWidth);
    return FixedValueText(value, GasDecimals(parameter));
}

namespace {

// The value as its text shows it: a sum over shown values is the sum of
// what the user sees.
CellNumber ShownNumber(double value, int decimals, bool substitute) {
    decimals = std::clamp(decimals, 0, 7);
    return {QString::number(value, 'f', decimals).toDouble(), decimals, substitute};
}

}  // namespace

std::optional<CellNumber> MeasurementTable::RecordNumber(qsizetype record, int column) const {
    if (record < 0 || record >= records_.Count() || column < 0 || column >= ColumnCount()) return std::nullopt;
    const RecordState state = State(record);
    if (state != RecordState::Valid) return std::nullopt;
    const RecordView view = records_.At(record);
    if (Chromatograph()) {
        const int parameter = ParameterOfColumn(column);
        if (parameter < 0 || (parameter == GasC6Plus && !HexaneShown())) return std::nullopt;
        const double value = view.Value(parameter);
        if (!std::isfinite(value)) return std::nullopt;
        return ShownNumber(value, GasDecimals(parameter), !FiveMinute() && view.Status() != 0);
    }
    const int value = column - MoistFirstValueColumn;
    if (value < 0 || value >= MoistureRecordValues) return std::nullopt;
    if (view.Status() & (MoistControllerOff | MoistNoLink)) return std::nullopt;
    const float v = view.Value(value);
    if (IsBadFloat(v)) return std::nullopt;
    return ShownNumber(v, value == MoistureGaugePressure ? decimals_.pressure : decimals_.temperature, false);
}

std::optional<CellNumber> MeasurementTable::AverageNumber(int column) const {
    if (!HasAverageRow()) return std::nullopt;
    const int parameter = ParameterOfColumn(column);
    if (parameter < 0 || (parameter == GasC6Plus && !HexaneShown())) return std::nullopt;
    const double value = averages_[size_t(parameter)];
    if (!std::isfinite(value)) return std::nullopt;
    return ShownNumber(value, GasDecimals(parameter), false);
}

QString MeasurementTable::DamagedCell(int column) const {
    if (!Chromatograph()) {
        if (column == 0) return Text(TextDamaged1);
        if (column == 1) return QStringLiteral(" недостов.");
        return {};
    }
    if (column == 1) return Text(TextDamaged1);
    if (column == 2) return Text(TextDamaged2);
    return {};
}

QString MeasurementTable::RecordCell(qsizetype record, int column) const {
    if (record < 0 || record >= records_.Count() || column < 0 || column >= ColumnCount()) return {};
    const RecordView view = records_.At(record);
    if (Chromatograph()) return ChromRecordCell(view, State(record), column);
    if (State(record) == RecordState::Damaged) return DamagedCell(column);
    return MoistureRecordCell(view, column);
}

QString MeasurementTable::ChromRecordCell(const RecordView& record, RecordState state, int column) const {
    if (state == RecordState::Damaged) return DamagedCell(column);
    const PackedDate date = record.Date();
    if (column == 0) return DateText(date, " %02d.%02d.%02d");
    if (column == 1) return TimeText(" %02d:%02d:%02d", date.Hour, date.Minute, date.Second);
    if (!FiveMinute() && column == 2) {
        const IntervalEnd end = record.End();
        QString text = TimeText(" %02d:%02d:%02d", end.hour, end.minute, end.second);
        if (Daily() && !end.endOfDay) text += u'*';
        return text;
    }
    const int parameter = ParameterOfColumn(column);
    if (parameter < 0) return {};
    if (state == RecordState::NotValid) return Text(TextNotValid);
    if (state == RecordState::AutoCalibration) return Text(TextCalibration);
    if (parameter == GasC6Plus && !HexaneShown()) return Text(TextNoHexane);
    QString text = ValueText(parameter, record.Value(parameter));
    // Hourly and daily values carry a mark: a blank, or '"' when a
    // substitute value was used in the interval.
    if (!FiveMinute()) text += record.Status() == 0 ? u' ' : u'"';
    return text;
}

QString MeasurementTable::MoistureRecordCell(const RecordView& record, int column) const {
    const PackedDate date = record.Date();
    const uint8_t status = record.Status();
    if (column == 0) return DateText(date, "  %02d.%02d.%02d");
    if (column == 1) return TimeText("  %02d:%02d:%02d", date.Hour, date.Minute, date.Second);
    const int statusColumn = FiveMinute() ? MoistStatusColumn5 : MoistStatusColumnHD;
    if (column == statusColumn)
        return status == 0 ? QStringLiteral("  Норма") : QString::asprintf("  0x%02X", status);
    if (FiveMinute() && column == MoistMeterStatusColumn) {
        if (status & MoistNoLink) return QStringLiteral(" Нет связи");
        if (status & MoistControllerOff) return {};
        const uint16_t word = record.StatusWord();
        return word == 0 ? QStringLiteral("  Норма")
                         : QString::asprintf("  0x%02X%02X", unsigned(word >> 8), unsigned(word & 0xFF));
    }
    if (!FiveMinute() && column == 2) {
        const IntervalEnd end = record.End();
        QString text = TimeText("   %02d:%02d:%02d", end.hour, end.minute, end.second);
        if (Daily() && !end.endOfDay) text += u'*';
        return text;
    }
    const int value = column - MoistFirstValueColumn;
    if (value < 0 || value >= MoistureRecordValues) return {};
    if (status & MoistControllerOff) return QStringLiteral("  Выкл.");
    if (status & MoistNoLink) return QStringLiteral("      --");
    const float v = record.Value(value);
    if (IsBadFloat(v)) return QStringLiteral("  ?");
    const int decimals = value == MoistureGaugePressure ? decimals_.pressure : decimals_.temperature;
    return QStringLiteral("  ") + QString::number(double(v), 'f', std::clamp(decimals, 0, 7));
}

double MeasurementTable::Average(int parameter) const {
    if (parameter < 0 || parameter >= GasParameterCount) return 0.0;
    return averages_[size_t(parameter)];
}

QString MeasurementTable::AverageCell(int column) const {
    if (!HasAverageRow() || column < 0 || column >= ColumnCount()) return {};
    const int labelColumn = FiveMinute() ? 0 : 1;
    if (column == labelColumn) return Text(TextAverage1);
    if (column == labelColumn + 1) return Text(TextAverage2);
    const int parameter = ParameterOfColumn(column);
    if (parameter < 0) return {};
    if (parameter == GasC6Plus && !HexaneShown()) return Text(TextNoHexane);
    QString text = ValueText(parameter, averages_[size_t(parameter)]);
    if (!FiveMinute()) text += u' ';
    return text;
}

qsizetype MeasurementTable::GridRowCount() const {
    return Chromatograph() ? records_.Count() + 4 : records_.Count();
}

QString MeasurementTable::GridCell(qsizetype row, int column) const {
    if (row < 0 || row >= GridRowCount()) return {};
    if (!Chromatograph()) return RecordCell(row, column);
    if (row < 2) {
        const QStringList title = ColumnTitle(column);
        return row < title.size() ? title[int(row)] : QString();
    }
    const qsizetype record = row - 2;
    if (record < records_.Count()) return RecordCell(record, column);
    if (row == GridRowCount() - 1) return AverageCell(column);
    return {};
}

QString MeasurementTable::Caption() const {
    const PackedDate& s = header_.periodStart;
    const PackedDate& e = header_.periodEnd;
    const char* analyser = Chromatograph() ? "хроматографа" : "влагомера";
    if (FiveMinute()) {
        auto stamp = [](const PackedDate& d) {
            return QString::asprintf("%02d.%02d.%02d %02d:%02d:00", d.Day, d.Month, d.Year, d.Hour, d.Minute);
        };
        return QStringLiteral("Мгновенные данные %1 за период  с  %2  по  %3")
            .arg(QString::fromUtf8(analyser), stamp(s), stamp(e));
    }
    if (Daily())
        return QStringLiteral("Суточные данные %1 за период с %2  по  %3")
            .arg(QString::fromUtf8(analyser), DateText(s, "%02d.%02d.%02d"), DateText(e, "%02d.%02d.%02d"));
    return QStringLiteral("Часовые данные %1 за период с %2  %3ч  по  %4  %5ч")
        .arg(QString::fromUtf8(analyser), DateText(s, "%02d.%02d.%02d"), Two(s.Hour),
             DateText(e, "%02d.%02d.%02d"), Two(e.Hour));
}

QString MeasurementTable::StatusCaption(qsizetype record) const {
    if (record < 0 || record >= records_.Count()) return {};
    const RecordView view = records_.At(record);
    const PackedDate d = view.Date();
    if (FiveMinute())
        return QString::asprintf(" Мгновенные 5-минутные данные (%02d.%02d.%02d  %02d:%02d:%02d)", d.Day, d.Month,
                                 d.Year, d.Hour, d.Minute, d.Second);
    const IntervalEnd end = view.End();
    QString text = QString::asprintf(" %s данные с %02d.%02d.%02d %02d:%02d:%02d по %02d:%02d:%02d",
                                     Daily() ? "Суточные" : "Часовые", d.Day, d.Month, d.Year, d.Hour, d.Minute,
                                     d.Second, end.hour, end.minute, end.second);
    if (Daily() && !end.endOfDay) text += u'*';
    return text;
}

QList<int> MeasurementTable::WorkbookColumns() const {
    QList<int> columns;
    const int skip = Chromatograph() ? -1 : (FiveMinute() ? MoistStatusColumn5 : MoistStatusColumnHD);
    for (int c = 0; c < ColumnCount(); ++c)
        if (c != skip) columns.append(c);
    return columns;
}

// ---------------------------------------------------------------------------

MeasurementTableModel::MeasurementTableModel(const MeasurementTable* table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

int MeasurementTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || table_ == nullptr) return 0;
    return int(table_->GridRowCount() - table_->GridTitleRows());
}

int MeasurementTableModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || table_ == nullptr) return 0;
    return table_->ColumnCount();
}

qsizetype MeasurementTableModel::RecordOfRow(int row) const {
    if (table_ == nullptr || row < 0 || row >= table_->RecordCount()) return -1;
    return row;
}

QVariant MeasurementTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || table_ == nullptr) return {};
    switch (role) {
    case Qt::DisplayRole:
        return table_->GridCell(index.row() + table_->GridTitleRows(), index.column());
    case Qt::TextAlignmentRole:
        // The texts carry their own leading blanks, as the grid draws them.
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case RecordRole:
        return QVariant::fromValue(RecordOfRow(index.row()));
    default:
        return {};
    }
}

QVariant MeasurementTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (table_ == nullptr || orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return table_->ColumnTitle(section).join(u'\n');
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(table_->Chromatograph() ? (Qt::AlignLeft | Qt::AlignVCenter)
                                                                         : Qt::AlignCenter));
    return {};
}

}  // namespace zmk
