// Arbitrary bytes as a saved measurement file of the six kinds (".mch",
// ".hch", ".dch", ".mwm", ".hwm", ".dwm") and as a raw "datafile.hdm". Only
// the kind that the signature and analyser byte name may take a file, and
// only with chromatograph type 4; what is read is exactly the announced
// records that are present; saving it and opening the saved file gives the
// same back. The records are then laid out the way the viewers, prints and
// workbooks show them: every cell of every grid, the averages, captions and
// status decodings, with numbers in the configured decimals.
#include <QModelIndex>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "FuzzSupport.h"
#include "common/NumberFormat.h"
#include "live/ChromatographStatus.h"
#include "measurements/MeasurementFile.h"
#include "measurements/MeasurementTable.h"
#include "measurements/WorkbookTitles.h"
#include "settings/ReportFormat.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

constexpr int HeaderSize = MeasurementFileHeader::Size;
// Header bytes that are not kept when a header is decoded (written as 0).
constexpr int UnusedHeaderBytes[] = {36, 42, 50, 51, 52, 53, 54, 55, 56, 57};
constexpr int FirstReservedByte = 50;
constexpr int ReservedBytes = 8;

bool UnusedHeaderByte(int offset) {
    return std::find(std::begin(UnusedHeaderBytes), std::end(UnusedHeaderBytes), offset) !=
           std::end(UnusedHeaderBytes);
}

// The decimals come from the eight reserved header bytes, so that every
// number of decimals (and the clamping of damaged format bytes) is reached.
ValueDecimals DecimalsFrom(const QByteArray& input) {
    ReportFormat format = DefaultReportFormat();
    if (input.size() >= HeaderSize)
        for (int i = 0; i < ReportFormatDialogBytes; ++i)
            format.Format[i] = uint8_t(input[FirstReservedByte + i % ReservedBytes]);
    return ArchiveValueDecimals(format);
}

// A number cell: the value in fixed notation with `decimals` decimals.
void CheckNumber(const QString& cell, double value, int decimals) {
    FUZZ_CHECK(decimals >= 0 && decimals <= MaxReportDecimals);
    const QString text = cell.trimmed();
    bool ok = false;
    const double parsed = text.toDouble(&ok);
    FUZZ_CHECK(ok);
    FUZZ_CHECK(!text.contains(u'e') && !text.contains(u'E') && !text.contains(u','));
    const qsizetype point = text.indexOf(u'.');
    FUZZ_CHECK(decimals == 0 ? point < 0 : point >= 0 && text.size() - point - 1 == decimals);
    const double tolerance = 0.5 * std::pow(10.0, -decimals) + std::fabs(value) * 1e-15;
    FUZZ_CHECK(std::fabs(parsed - value) <= tolerance);
}

void CheckChromValueCell(const MeasurementTable& table, const RecordView& record, RecordState state,
                         int column, const ValueDecimals& decimals, const QString& cell) {
    const int parameter = table.ParameterOfColumn(column);
    FUZZ_CHECK(parameter >= 0 && parameter < GasParameterCount);
    if (state == RecordState::NotValid) {
        FUZZ_CHECK(cell == QStringLiteral(" ---"));
        return;
    }
    if (state == RecordState::AutoCalibration) {
        FUZZ_CHECK(table.FiveMinute() && cell == QStringLiteral(" 0"));
        return;
    }
    if (parameter == GasC6Plus && !table.HexaneShown()) {
        FUZZ_CHECK(cell == QStringLiteral("   --"));
        return;
    }
    QString text = cell;
    if (!table.FiveMinute()) {
        FUZZ_CHECK(!text.isEmpty() && text.back() == (record.Status() == 0 ? u' ' : u'"'));
        text.chop(1);
    }
    FUZZ_CHECK(text.size() >= 8);
    const float value = record.Value(parameter);
    if (IsBadFloat(value))
        FUZZ_CHECK(text.trimmed() == QStringLiteral("NAN"));
    else
        CheckNumber(text, value, decimals.gas[parameter]);
}

void CheckMoistureValueCell(const RecordView& record, int value, const ValueDecimals& decimals,
                            const QString& cell) {
    const uint8_t status = record.Status();
    if (status & MoistControllerOff) {
        FUZZ_CHECK(cell == QStringLiteral("  Выкл."));
    } else if (status & MoistNoLink) {
        FUZZ_CHECK(cell == QStringLiteral("      --"));
    } else if (IsBadFloat(record.Value(value))) {
        FUZZ_CHECK(cell == QStringLiteral("  ?"));
    } else {
        FUZZ_CHECK(cell.startsWith(QStringLiteral("  ")));
        CheckNumber(cell, record.Value(value),
                    value == MoistureGaugePressure ? decimals.pressure : decimals.temperature);
    }
}

void CheckTable(const MeasurementFileHeader& header, const RecordStore& records, const ValueDecimals& decimals) {
    const MeasurementTable table(header, records, decimals);
    const ArchiveKind kind = records.Kind();
    const bool chrom = IsChromatograph(kind);
    const qsizetype count = records.Count();
    FUZZ_CHECK(table.Kind() == kind && table.RecordCount() == count);
    FUZZ_CHECK(table.ColumnCount() == (chrom ? (IsFiveMinute(kind) ? 20 : 21) : 8));
    FUZZ_CHECK(table.GridRowCount() == (chrom ? count + 4 : count));
    FUZZ_CHECK(table.ValidRecords() >= 0 && table.ValidRecords() <= count);
    FUZZ_CHECK(!table.Caption().isEmpty());

    const int columns = table.ColumnCount();
    qsizetype valid = 0;
    for (qsizetype r = 0; r < count; ++r) {
        const RecordView record = records.At(r);
        const RecordState state = table.State(r);
        FUZZ_CHECK((state == RecordState::Damaged) == !record.Intact());
        FUZZ_CHECK(chrom || state == RecordState::Damaged || state == RecordState::Valid);
        valid += state == RecordState::Valid;
        FUZZ_CHECK(!table.StatusCaption(r).isEmpty());
        FUZZ_CHECK(table.RecordCell(r, -1).isEmpty() && table.RecordCell(r, columns).isEmpty());
        for (int c = 0; c < columns; ++c) {
            const QString cell = table.RecordCell(r, c);
            FUZZ_CHECK(table.GridCell(r + table.GridTitleRows(), c) == cell);
            if (state == RecordState::Damaged) {
                const int markColumn = chrom ? 1 : 0;
                FUZZ_CHECK(c == markColumn ? cell == QStringLiteral("     Данные")
                           : c == markColumn + 1 ? cell.trimmed() == QStringLiteral("недостов.")
                                                 : cell.isEmpty());
            } else if (chrom && c >= table.FirstValueColumn()) {
                CheckChromValueCell(table, record, state, c, decimals, cell);
            } else if (!chrom && c >= 4) {
                CheckMoistureValueCell(record, c - 4, decimals, cell);
            } else {
                FUZZ_CHECK(!cell.isEmpty() || (!chrom && IsFiveMinute(kind) && c == 3));
            }
        }
        if (chrom) {
            const ChromStatusView status =
                DecodeChromStatus(table.StatusMode(), record.Status(), uint8_t(record.StatusWord()),
                                  uint8_t(record.StatusWord() >> 8));
            FUZZ_CHECK(status.Controller.Visible && !status.Controller.Heading.isEmpty());
            FUZZ_CHECK(status.Chromatograph.Visible ==
                       (IsFiveMinute(kind) && (record.Status() & (ChromCtrlWasOff | ChromCtrlNoLink)) == 0));
        }
    }
    FUZZ_CHECK(!chrom || valid == table.ValidRecords());
    FUZZ_CHECK(table.StatusCaption(-1).isEmpty() && table.StatusCaption(count).isEmpty());

    if (chrom) {
        for (int p = 0; p < GasParameterCount; ++p) {
            FUZZ_CHECK(std::isfinite(table.Average(p)));
            FUZZ_CHECK(valid > 0 || table.Average(p) == 0.0);
        }
        const qsizetype averageRow = table.GridRowCount() - 1;
        for (int c = 0; c < columns; ++c) {
            FUZZ_CHECK(table.GridCell(averageRow, c) == table.AverageCell(c));
            FUZZ_CHECK(table.GridCell(averageRow - 1, c).isEmpty());
            const QStringList title = table.ColumnTitle(c);
            FUZZ_CHECK(title.size() == 2 && table.GridCell(0, c) == title[0] && table.GridCell(1, c) == title[1]);
            const int parameter = table.ParameterOfColumn(c);
            if (parameter >= 0 && (parameter != GasC6Plus || table.HexaneShown())) {
                QString text = table.AverageCell(c);
                if (!table.FiveMinute())
                    text.chop(1);
                CheckNumber(text, table.Average(parameter), decimals.gas[parameter]);
            }
        }
    } else {
        for (int c = 0; c < columns; ++c)
            FUZZ_CHECK(table.ColumnTitle(c).size() == 4);
    }
    FUZZ_CHECK(table.GridCell(-1, 0).isEmpty() && table.GridCell(table.GridRowCount(), 0).isEmpty());
    FUZZ_CHECK(table.WorkbookColumns().size() == (chrom ? columns : columns - 1));

    // The viewer's model shows the grid below its title rows.
    const MeasurementTableModel model(&table);
    FUZZ_CHECK(model.rowCount() == table.GridRowCount() - table.GridTitleRows());
    FUZZ_CHECK(model.columnCount() == columns);
    for (int row = 0; row < model.rowCount(); ++row) {
        FUZZ_CHECK(model.RecordOfRow(row) == (row < count ? row : -1));
        const QModelIndex index = model.index(row, row % columns);
        FUZZ_CHECK(model.data(index).toString() == table.GridCell(row + table.GridTitleRows(), row % columns));
    }
    for (int c = 0; c < columns; ++c)
        FUZZ_CHECK(model.headerData(c, Qt::Horizontal).toString() == table.ColumnTitle(c).join(u'\n'));
}

void CheckAccepted(const QByteArray& input, ArchiveKind kind, const MeasurementFileContents& contents) {
    const MeasurementFileHeader& header = contents.header;
    FUZZ_CHECK(input.size() >= HeaderSize);
    FUZZ_CHECK(header.Kind() == kind);
    FUZZ_CHECK(header.chromatographType == ServedChromatographType);
    const auto encoded = header.Encode();
    for (int i = 0; i < HeaderSize; ++i)
        FUZZ_CHECK(encoded[size_t(i)] == (UnusedHeaderByte(i) ? 0 : uint8_t(input[i])));

    const int size = RecordSize(kind);
    const qsizetype present = (input.size() - HeaderSize) / size;
    const qsizetype expected = std::min<qsizetype>(header.recordCount, present);
    FUZZ_CHECK(contents.records.Kind() == kind);
    FUZZ_CHECK(contents.records.Count() == expected);
    FUZZ_CHECK(contents.records.Bytes() == input.mid(HeaderSize, expected * size));
    FUZZ_CHECK(contents.missingRecords == header.recordCount - uint32_t(expected));

    // Saved again and reopened: the same header (counting what is there) and records.
    const QString saved = ScratchPath(QStringLiteral("saved") + QLatin1String(KindInfo(kind).extension));
    FileMessage message;
    FUZZ_CHECK(WriteMeasurementFile(saved, header, contents.records, &message));
    const auto again = ReadMeasurementFile(saved, kind);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->header.recordCount == uint32_t(expected) && again->missingRecords == 0);
    FUZZ_CHECK(again->records.Bytes() == contents.records.Bytes());
    MeasurementFileHeader counted = header;
    counted.recordCount = uint32_t(expected);
    FUZZ_CHECK(again->header.Encode() == counted.Encode());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = Bytes(data, size);
    const QString path = ScratchPath(QStringLiteral("input.mch"));
    WriteFile(path, input);
    const ValueDecimals decimals = DecimalsFrom(input);

    // The kind the header names, if any, and one other kind chosen by the
    // last (unused) header byte: only the named kind may take the file.
    const bool whole = input.size() >= HeaderSize;
    const std::optional<ArchiveKind> named =
        whole ? MeasurementFileHeader::Decode(data).Kind() : std::nullopt;
    const uint8_t chooser = whole ? data[HeaderSize - 1] : size > 0 ? data[0] : 0;
    bool accepted = false;
    for (const ArchiveKind kind : {named.value_or(ArchiveKind(chooser % ArchiveKindCount)),
                                   ArchiveKind(chooser % ArchiveKindCount)}) {
        FileMessage message;
        const auto contents = ReadMeasurementFile(path, kind, &message);
        if (!contents) {
            FUZZ_CHECK(message.kind == MessageKind::Error);
            FUZZ_CHECK(message.first.contains(QStringLiteral("input.mch")));
            FUZZ_CHECK(message.second == RejectionSecondLine(kind));
            continue;
        }
        FUZZ_CHECK(named == kind);
        if (accepted)
            continue;  // the same kind twice
        accepted = true;
        CheckAccepted(input, kind, *contents);
        CheckTable(contents->header, contents->records, decimals);
    }
    FUZZ_CHECK(accepted == (named.has_value() && data[47] == ServedChromatographType));

    // The same bytes as the raw records of a reading of the kind chosen by
    // the next header byte: every whole record, no header. Unless the file
    // was taken, the grids are made from these records, so that every cell
    // meets any bytes.
    const ArchiveKind raw = ArchiveKind((whole ? data[HeaderSize - 2] : chooser) % ArchiveKindCount);
    const auto records = ReadHdmFile(path, raw);
    FUZZ_CHECK(records.has_value());
    const qsizetype count = input.size() / RecordSize(raw);
    FUZZ_CHECK(records->Kind() == raw && records->Count() == count);
    FUZZ_CHECK(records->Bytes() == input.left(count * RecordSize(raw)));
    if (!accepted)
        CheckTable(whole ? MeasurementFileHeader::Decode(data) : MeasurementFileHeader(), *records, decimals);
    return 0;
}
