#include "reports/PassportSheet.h"

#include <charconv>
#include <cmath>

namespace zmk {

namespace {

using namespace PassportLayout;

// Gas parameters whose values enter the averages (columns 2..23 and 28).
constexpr int SummedParameters[] = {GasCH4,    GasC2H6,     GasC3H8,   GasIC4H10, GasNC4H10, GasNeoC5H12,
                                    GasIC5H12, GasNC5H12,   GasC6Plus47, GasO2,   GasN2,     GasCO2,
                                    GasDe,     GasHi,       GasHs,     GasWobbe,  GasT};
// Moisture-meter values in the order of columns 24..27.
constexpr int MoistureOrder[MoistureRecordValues] = {MoistureWaterDewPoint, MoistureReducedDewPoint,
                                                     MoistureHydrocarbonDewPoint, MoistureGaugePressure};
constexpr int ReportParameters = 18;  // gas parameters 0..17; 18 and 19 count as 0

const QString& Dashes() {
    static const QString text = QStringLiteral("--");
    return text;
}

// Running sums of the valid rows, with the rows each value came from.
struct Sums {
    double Value[GasParameterCount] = {};
    int Count[GasParameterCount] = {};
    double Moisture[MoistureRecordValues] = {};
    int MoistureCount[MoistureRecordValues] = {};
    int ValidChrom = 0;
    int ValidMoisture = 0;
};

class SheetWriter {
public:
    SheetWriter(const ReportFormat& format, PassportSheet& sheet) : format_(format), sheet_(sheet) {}

    void Text(int row, int column, const QString& text) { sheet_.Cells.push_back({row, column, text}); }
    // A value that is not a finite number cannot stand in a cell: it shows as "--".
    void Number(int row, int column, double value) {
        if (std::isfinite(value))
            sheet_.Cells.push_back({row, column, value});
        else
            Text(row, column, Dashes());
    }

    // One unit triple (kcal/m3, MJ/m3, third unit) from the rounded MJ/m3 value.
    void Triple(int row, int column, double mj, ReportFormatByte kcalByte, ReportFormatByte thirdByte) {
        Number(row, column, RoundForReport(mj * KcalPerMJ, FormatDecimals(format_, kcalByte)));
        Number(row, column + 1, mj);
        Number(row, column + 2, RoundForReport(mj * KWhPerMJ, FormatDecimals(format_, thirdByte)));
    }

    // Columns 2..23 from gas parameters 0..17, already rounded and balanced.
    void GasColumns(int row, const double values[]) {
        for (int i = 0; i < 12; ++i) Number(row, FirstGasColumn + i, values[PassportComponents[i]]);
        Number(row, DensityColumn, values[GasDe]);
        Triple(row, HiColumn, values[GasHi], FmtHeatKcal, FmtHeatKWh);
        Triple(row, HsColumn, values[GasHs], FmtHeatKcal, FmtHeatKWh);
        Triple(row, WobbeColumn, values[GasWobbe], FmtWobbeKcal, FmtWobbeKWh);
    }

    void ChromRow(int row, const RecordView& record, Sums& sums) {
        if (!ChromRecordValid(record)) {
            for (int c = FirstGasColumn; c < MoistureColumn; ++c) Text(row, c, Dashes());
            Text(row, TemperatureColumn, Dashes());
            return;
        }
        ++sums.ValidChrom;
        double values[GasParameterCount] = {};
        for (int p = 0; p < ReportParameters; ++p)
            values[p] = RoundForReport(record.Value(p), ParameterDigitsOf(format_, p));
        ApplyMethaneBalance(values, ParameterDigitsOf(format_, GasCH4));
        for (int p : SummedParameters) {
            if (!std::isfinite(values[p])) continue;
            sums.Value[p] += values[p];
            ++sums.Count[p];
        }
        GasColumns(row, values);
        Number(row, TemperatureColumn, values[GasT]);
    }

    void MoistureRow(int row, const RecordView& record, Sums& sums) {
        if (!MoistureRecordValid(record)) {
            for (int i = 0; i < MoistureRecordValues; ++i) Text(row, MoistureColumn + i, Dashes());
            return;
        }
        ++sums.ValidMoisture;
        for (int i = 0; i < MoistureRecordValues; ++i) {
            const int v = MoistureOrder[i];
            const double value = MoistureValueForReport(v, record.Value(v));
            Number(row, MoistureColumn + i, value);
            if (!std::isfinite(value)) continue;
            sums.Moisture[v] += value;
            ++sums.MoistureCount[v];
        }
    }

    double MoistureValueForReport(int v, double raw) const {
        if (v == MoistureGaugePressure) return RoundForReport(raw * KgfPerBar, FormatDecimals(format_, FmtPressure));
        return RoundForReport(raw, FormatDecimals(format_, FmtTemperature));
    }

    static double Average(double sum, int count) { return count > 0 ? sum / count : NAN; }

    void DailyAverages(int row, const Sums& sums) {
        if (sums.ValidChrom > 0) {
            double values[GasParameterCount] = {};
            for (int p : SummedParameters)
                values[p] = RoundForReport(Average(sums.Value[p], sums.Count[p]), ParameterDigitsOf(format_, p));
            ApplyMethaneBalance(values, ParameterDigitsOf(format_, GasCH4));
            GasColumns(row, values);
            Number(row, TemperatureColumn,
                   RoundForReport(Average(sums.Value[GasT], sums.Count[GasT]), FormatDecimals(format_, FmtTemperature)));
        }
        if (sums.ValidMoisture > 0) {
            for (int i = 0; i < MoistureRecordValues; ++i) {
                const int v = MoistureOrder[i];
                const int decimals = FormatDecimals(format_, v == MoistureGaugePressure ? FmtPressure : FmtTemperature);
                Number(row, MoistureColumn + i, RoundForReport(Average(sums.Moisture[v], sums.MoistureCount[v]), decimals));
            }
        }
    }

    void MonthlyAverages(int row, const Sums& sums) {
        if (sums.ValidChrom == 0) return;
        const int mjDecimals = FormatDecimals(format_, FmtHeatMJ);
        Triple(row, HiColumn, RoundForReport(Average(sums.Value[GasHi], sums.Count[GasHi]), mjDecimals), FmtHeatKcal,
               FmtHeatKWh);
        Triple(row, HsColumn, RoundForReport(Average(sums.Value[GasHs], sums.Count[GasHs]), mjDecimals), FmtHeatKcal,
               FmtHeatKWh);
    }

private:
    const ReportFormat& format_;
    PassportSheet& sheet_;
};

}  // namespace

double RoundForReport(double value, int decimals) {
    const float single = float(value);
    if (!std::isfinite(single)) return single;
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, single, std::chars_format::fixed,
                                       std::clamp(decimals, 0, MaxReportDecimals));
    if (written.ec != std::errc()) return single;
    double result = single;
    std::from_chars(text, written.ptr, result);
    return result;
}

bool ChromRecordValid(const RecordView& record) {
    if (record.Status() & ChromInvalidMask) return false;
    const float methane = record.Value(GasCH4);
    return std::isfinite(methane) && methane >= MinValidMethane;
}

bool MoistureRecordValid(const RecordView& record) { return (record.Status() & MoistureInvalidMask) == 0; }

void ApplyMethaneBalance(double values[], int methaneDecimals) {
    auto finiteOrZero = [](double v) { return std::isfinite(v) ? v : 0.0; };
    double others = 0;
    for (int p : PassportComponents)
        if (p != GasCH4) others += finiteOrZero(values[p]);
    if (others != 0 || finiteOrZero(values[GasCH4]) != 0) values[GasCH4] = RoundForReport(100.0 - others, methaneDecimals);
}

QString PassportPeriodLine(PassportKind kind, const PackedDate& first, const PackedDate& last) {
    if (kind == PassportKind::Daily)
        return QString::asprintf("За період з %02d.%02d.%02d %02d:00  по  %02d.%02d.%02d %02d:00", first.Day, first.Month,
                                 first.Year, first.Hour, last.Day, last.Month, last.Year, last.Hour);
    return QString::asprintf("За період з %02d.%02d.%02d по  %02d.%02d.%02d", first.Day, first.Month, first.Year, last.Day,
                             last.Month, last.Year);
}

QString PassportHourText(const PackedDate& date) {
    return QString::asprintf("%02d.%02d.%02d  %02d:00", date.Day, date.Month, date.Year, date.Hour);
}

PassportSheet BuildPassportSheet(const PassportData& data, const ReportFormat& format, const QString& objectName) {
    PassportSheet sheet;
    sheet.ObjectName = objectName;
    const qsizetype count = std::min(data.Chrom.Count(), data.Moisture.Count());
    if (count == 0) return sheet;
    sheet.PeriodLine = PassportPeriodLine(data.Kind, data.Chrom.At(0).Date(), data.Chrom.At(count - 1).Date());

    SheetWriter writer(format, sheet);
    Sums sums;
    if (data.Kind == PassportKind::Daily) {
        const qsizetype rows = std::min<qsizetype>(count, MaxDailyPassportRecords);
        for (qsizetype j = 0; j < rows; ++j) {
            const int row = DailyFirstRow + int(j);
            writer.Text(row, DateColumn, PassportHourText(data.Chrom.At(j).Date()));
            writer.ChromRow(row, data.Chrom.At(j), sums);
            writer.MoistureRow(row, data.Moisture.At(j), sums);
        }
        writer.DailyAverages(DailyAveragesRow, sums);
    } else {
        int lastRow = 0;
        for (qsizetype j = 0; j < count; ++j) {
            const int day = data.Chrom.At(j).Date().Day;
            const int row = MonthlyDayZeroRow + day;
            // Each day has its own row; a record out of order or of a day
            // that is not in the month is left out.
            if (day < 1 || day > MaxMonthlyPassportRecords || row <= lastRow) continue;
            lastRow = row;
            writer.ChromRow(row, data.Chrom.At(j), sums);
            writer.MoistureRow(row, data.Moisture.At(j), sums);
        }
        writer.MonthlyAverages(MonthlyAveragesRow, sums);
    }
    return sheet;
}

}  // namespace zmk
