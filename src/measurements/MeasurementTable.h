#pragma once

// The texts of the four measurement viewers (chromatograph 5-minute and
// hourly/daily, moisture meter 5-minute and hourly/daily): column titles,
// record cells with their validity and substitute-value marks, averages and
// captions. The viewers, the workbooks and the prints all read their cells
// here, so that what is shown is what is exported.
//
// Cells are made on demand from the record store; only the averages are
// computed up front (one pass over the records).

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "measurements/WorkbookTitles.h"
#include "measurements/MeasurementFile.h"
#include "measurements/Records.h"

namespace zmk {

// Value columns of the chromatograph viewers: gas parameter indices in
// column order.
inline constexpr int ChromValueColumns = 18;
inline constexpr std::array<int, ChromValueColumns> ChromColumnOrder = {
    GasC6Plus47, GasC3H8, GasIC4H10, GasNC4H10, GasNeoC5H12, GasIC5H12, GasNC5H12, GasN2, GasCH4,
    GasCO2,      GasC2H6, GasC6Plus, GasO2,     GasDe,       GasWobbe,  GasHs,     GasHi, GasT,
};

// Methane below this is no measurement at all: the record is not valid.
inline constexpr float MinimumMethane = 0.001f;

// Short name and unit of a gas parameter as the viewers title it; empty for
// 18, 19 and anything outside 0..19.
QString GasShortName(int parameter);
QString GasUnit(int parameter);
// A column title text centred the viewers' way: up to 9 characters get
// (10 - length) / 2 leading blanks, a longer one a single blank.
QString CentredTitle(const QString& text);
// A value in fixed notation with `decimals` decimals; a text of up to 7
// characters is right-aligned in 8 by leading blanks.
QString FixedValueText(double value, int decimals);

// A cell that shows a measured value: the value as shown (rounded to the
// shown decimals), the decimals, and whether the substitute-value mark '"'
// follows it. Workbooks store such cells as numbers.
struct CellNumber {
    double value = 0;
    int decimals = 0;
    bool substitute = false;
};

// How a record is shown.
enum class RecordState {
    Damaged,          // checksum failed: "Данные" / "недостов."
    NotValid,         // chromatograph: " ---" in every value cell
    AutoCalibration,  // chromatograph 5-minute, status bit 7: " 0" everywhere
    Valid,            // values shown (and averaged, chromatograph)
};

class MeasurementTable {
public:
    // `records` must be of the header's kind; a foreign header is taken as
    // the kind of the store.
    MeasurementTable(const MeasurementFileHeader& header, RecordStore records,
                     const ValueDecimals& decimals);

    ArchiveKind Kind() const { return records_.Kind(); }
    bool Chromatograph() const { return IsChromatograph(Kind()); }
    bool FiveMinute() const { return IsFiveMinute(Kind()); }
    bool Daily() const { return IsDaily(Kind()); }
    const MeasurementFileHeader& Header() const { return header_; }
    const RecordStore& Records() const { return records_; }
    qsizetype RecordCount() const { return records_.Count(); }
    // Header byte 49: the "C6+" column shows its values.
    bool HexaneShown() const { return header_.hexaneColumn == 1; }

    // Grid shape: 20 (chromatograph 5-minute), 21 (chromatograph hourly /
    // daily) or 8 (moisture meter) columns; fixed (date and time) columns
    // 2, 3 or 0; the first value column 2, 3 or 4.
    int ColumnCount() const;
    int FixedColumns() const;
    int FirstValueColumn() const;
    // Gas parameter of a chromatograph value column; -1 for other columns.
    int ParameterOfColumn(int column) const;

    // Title lines of a column: chromatograph — the short name and the unit
    // (row 0 and row 1 of the grid); moisture meter — the four-line block.
    QStringList ColumnTitle(int column) const;

    // The text of one record's cell (as the grid shows it); empty outside
    // the grid.
    QString RecordCell(qsizetype record, int column) const;
    RecordState State(qsizetype record) const;
    // What a record with a bad checksum shows in a column ("Данные" /
    // "недостов." in two columns, nothing elsewhere).
    QString DamagedCell(int column) const;
    // The number a record's cell shows; none for dates, times, statuses and
    // for what replaces a value (" 0", " ---", "  Выкл.", "   --", "NAN", ...).
    std::optional<CellNumber> RecordNumber(qsizetype record, int column) const;
    // Chromatograph only: the average row (" Среднее", " значение", then
    // the averages); empty for the moisture meter.
    bool HasAverageRow() const { return Chromatograph(); }
    QString AverageCell(int column) const;
    // The number an average cell shows; none for the labels and "   --".
    std::optional<CellNumber> AverageNumber(int column) const;
    qsizetype ValidRecords() const { return validRecords_; }
    // Average of gas parameter `parameter` over the valid records (0 with none).
    double Average(int parameter) const;

    // The whole grid as the viewers lay it out: chromatograph — 2 title rows,
    // the records, one empty row and the average row (records + 4 rows);
    // moisture meter — one row per record (the titles are above the grid).
    qsizetype GridRowCount() const;
    int GridTitleRows() const { return Chromatograph() ? 2 : 0; }
    QString GridCell(qsizetype row, int column) const;

    // The viewer's caption from the header's period.
    QString Caption() const;
    // The status window of a chromatograph record: its mode (0 5-minute,
    // 1 hourly/daily) and its caption.
    int StatusMode() const { return FiveMinute() ? 0 : 1; }
    QString StatusCaption(qsizetype record) const;

    // Workbook columns: the grid columns that go to the sheet (the moisture
    // meter's controller status column is left out).
    QList<int> WorkbookColumns() const;

private:
    QString ChromRecordCell(const RecordView& record, RecordState state, int column) const;
    QString MoistureRecordCell(const RecordView& record, int column) const;
    QString ValueText(int parameter, double value) const;
    int GasDecimals(int parameter) const;
    RecordState Decide(qsizetype record) const;

    MeasurementFileHeader header_;
    RecordStore records_;
    ValueDecimals decimals_;
    std::vector<RecordState> states_;  // one per record, decided once
    qsizetype validRecords_ = 0;
    std::array<double, GasParameterCount> averages_{};
};

// The grid of a viewer over a MeasurementTable: the title rows of the
// chromatograph grids are the horizontal header (name and unit on two lines,
// the moisture meter's four-line blocks), every other grid row is a model
// row. Nothing is copied per cell.
class MeasurementTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The record index of a model row (-1 for the empty and the average row).
    static constexpr int RecordRole = Qt::UserRole + 1;

    explicit MeasurementTableModel(const MeasurementTable* table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The record shown in a model row; -1 for rows past the records.
    qsizetype RecordOfRow(int row) const;

private:
    const MeasurementTable* table_;
};

}  // namespace zmk
