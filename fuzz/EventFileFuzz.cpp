// Arbitrary bytes as a saved event file (".ala", ".aud") and as the raw
// records of a reading ("datafile.ala" / "datafile.aud").
//
// As a saved file: only the kind its signature names may take it, with
// exactly the rows the header announces; saving what was read and opening
// the saved file gives the same rows, and saving those again gives the same
// bytes.
//
// As raw records: the first byte chooses whether the records are sealed
// (so that the decoders get past the checksum and meet every code, table,
// field and value), the moisture-meter type and the code page of names.
// Every record gives one row; a record that fails its checksum gives the
// damaged mark and nothing else; no cell holds a NUL. The rows saved and
// opened again come back as their slots keep them.
#include <QString>
#include <optional>
#include <vector>

#include "FuzzSupport.h"
#include "events/DiagnosticDecoder.h"
#include "events/EventFile.h"
#include "events/InterventionDecoder.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

constexpr EventKind Kinds[] = {EventKind::Diagnostics, EventKind::Interventions};

template <typename Row>
const std::vector<Row>& RowsOf(const EventFileContents& contents);
template <>
const std::vector<DiagnosticRow>& RowsOf(const EventFileContents& contents) {
    return contents.diagnostics;
}
template <>
const std::vector<InterventionRow>& RowsOf(const EventFileContents& contents) {
    return contents.interventions;
}

// A row as it comes back from its slots in a saved file.
template <typename Row>
Row ThroughSlots(const Row& row) {
    return Row::Decode(row.Encode().data());
}

template <typename Row>
void CheckCells(const Row& row) {
    for (int c = 0; c < Row::ColumnCount; ++c)
        FUZZ_CHECK(!row.Cell(c).contains(QChar(0)));
}

// Saves the rows, opens the saved file, and checks it gives back the rows as
// their slots keep them; a second save of those rows writes the same bytes.
template <typename Row>
void CheckSaveAndReopen(const EventFileHeader& header, const std::vector<Row>& rows, EventKind kind) {
    const QString saved = ScratchPath(kind == EventKind::Diagnostics ? QStringLiteral("saved.ala")
                                                                      : QStringLiteral("saved.aud"));
    FUZZ_CHECK(WriteEventFile(saved, header, rows));
    const QByteArray first = ReadFile(saved);
    FUZZ_CHECK(first.size() == EventFileHeader::Size + qsizetype(rows.size()) * Row::Size);

    const std::optional<EventFileContents> reopened = ReadEventFile(saved, kind);
    // Only a chromatograph the program serves makes a file it opens again.
    if (header.chromatographType != 4) {
        FUZZ_CHECK(!reopened.has_value());
        return;
    }
    FUZZ_CHECK(reopened.has_value());
    FUZZ_CHECK(reopened->header.Kind() == kind);
    FUZZ_CHECK(reopened->header.recordCount == rows.size());
    const std::vector<Row>& back = RowsOf<Row>(*reopened);
    FUZZ_CHECK(back.size() == rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        FUZZ_CHECK(back[i] == ThroughSlots(rows[i]));

    FUZZ_CHECK(WriteEventFile(saved, reopened->header, back));
    FUZZ_CHECK(ReadFile(saved) == first);
}

void CheckSavedFile(const QString& path, const QByteArray& input) {
    const bool whole = input.size() >= EventFileHeader::Size;
    const std::optional<EventKind> named =
        whole ? EventFileHeader::Decode(reinterpret_cast<const uint8_t*>(input.constData())).Kind()
              : std::nullopt;
    for (const EventKind kind : Kinds) {
        FileMessage message;
        const std::optional<EventFileContents> contents = ReadEventFile(path, kind, &message);
        if (!contents) {
            FUZZ_CHECK(message.kind == MessageKind::Error);
            continue;
        }
        FUZZ_CHECK(named == kind);
        FUZZ_CHECK(contents->header.chromatographType == 4);
        const qsizetype rowSize = EventRowSize(kind);
        const qsizetype rows = qsizetype(contents->header.recordCount);
        FUZZ_CHECK(EventFileHeader::Size + rows * rowSize <= input.size());
        if (kind == EventKind::Diagnostics) {
            FUZZ_CHECK(contents->interventions.empty() && qsizetype(contents->diagnostics.size()) == rows);
            for (const DiagnosticRow& row : contents->diagnostics)
                CheckCells(row);
            CheckSaveAndReopen(contents->header, contents->diagnostics, kind);
        } else {
            FUZZ_CHECK(contents->diagnostics.empty() && qsizetype(contents->interventions.size()) == rows);
            for (const InterventionRow& row : contents->interventions)
                CheckCells(row);
            CheckSaveAndReopen(contents->header, contents->interventions, kind);
        }
    }
}

template <typename Record>
std::vector<Record> RecordsFrom(const QByteArray& bytes, bool seal) {
    std::vector<Record> records;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    for (qsizetype at = 0; at + Record::Size <= bytes.size(); at += Record::Size) {
        Record record = Record::FromBytes(data + at);
        if (seal)
            record.Seal();
        records.push_back(record);
    }
    return records;
}

template <typename Row>
void CheckDecodedRow(const Row& row, bool intact) {
    CheckCells(row);
    if (intact) {
        FUZZ_CHECK(row.date != DamagedRecordMark());
        return;
    }
    FUZZ_CHECK(row.date == DamagedRecordMark());
    for (int c = 1; c < Row::ColumnCount; ++c)
        FUZZ_CHECK(row.Cell(c).isEmpty());
}

void CheckRawRecords(const QByteArray& input) {
    const uint8_t flags = input.isEmpty() ? 0 : uint8_t(input[0]);
    const bool seal = (flags & 0x01) != 0;
    const QByteArray body = input.mid(1);

    EventFileHeader header;
    header.chromatographType = 4;
    header.moistureMeterType = uint8_t(flags >> 2);

    // The working file's reader takes every whole record and drops the rest.
    const QString working = ScratchPath(QStringLiteral("datafile.ala"));
    WriteFile(working, body);
    const auto read = ReadDiagnosticRecords(working);
    FUZZ_CHECK(read.has_value() && qsizetype(read->size()) == body.size() / DiagnosticRecord::Size);

    const std::vector<DiagnosticRecord> diagnostics = RecordsFrom<DiagnosticRecord>(body, seal);
    const DecodedDiagnostics decoded = DecodeDiagnostics(diagnostics, header);
    FUZZ_CHECK(decoded.rows.size() == diagnostics.size());
    int damaged = 0;
    for (size_t i = 0; i < diagnostics.size(); ++i) {
        const bool intact = diagnostics[i].Intact();
        damaged += intact ? 0 : 1;
        CheckDecodedRow(decoded.rows[i], intact);
        if (intact)
            FUZZ_CHECK(decoded.rows[i].event == DiagnosticEventText(diagnostics[i].Code()));
    }
    FUZZ_CHECK(decoded.damaged == damaged);
    CheckSaveAndReopen(header, decoded.rows, EventKind::Diagnostics);

    const std::vector<InterventionRecord> interventions = RecordsFrom<InterventionRecord>(body, seal);
    const ControllerTextCodePage names =
        (flags & 0x02) ? ControllerTextCodePage::Windows1251 : ControllerTextCodePage::Dos;
    const DecodedInterventions changes = DecodeInterventions(interventions, names);
    FUZZ_CHECK(changes.rows.size() == interventions.size());
    damaged = 0;
    for (size_t i = 0; i < interventions.size(); ++i) {
        const bool intact = interventions[i].Intact();
        damaged += intact ? 0 : 1;
        CheckDecodedRow(changes.rows[i], intact);
    }
    FUZZ_CHECK(changes.damaged == damaged);
    CheckSaveAndReopen(header, changes.rows, EventKind::Interventions);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = Bytes(data, size);
    const QString path = ScratchPath(QStringLiteral("input.ala"));
    WriteFile(path, input);
    CheckSavedFile(path, input);
    CheckRawRecords(input);
    return 0;
}
