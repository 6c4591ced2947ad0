#include "events/EventFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "common/CheckedFile.h"
#include "common/Cp1251.h"
#include "measurements/Records.h"

namespace zmk {

namespace {

// Header offsets.
constexpr int HSignature = 0;
constexpr int HName = 4;
constexpr int HAddress = 24;
constexpr int HReadAt = 25;
constexpr int HFirst = 31;
constexpr int HLast = 37;
constexpr int HCount = 43;
constexpr int HChromType = 47;
constexpr int HMoistType = 48;
constexpr int HHexane = 49;

constexpr uint8_t OptionNoHexane = 0x01;  // table 14 field 7, bit 0

constexpr char DiagnosticSignature[] = "ALA";
constexpr char InterventionSignature[] = "AUD";

const char* Signature(EventKind kind) {
    return kind == EventKind::Diagnostics ? DiagnosticSignature : InterventionSignature;
}

const char* Extension(EventKind kind) {
    return kind == EventKind::Diagnostics ? ".ala" : ".aud";
}

// Slot sizes of the two row kinds, in column order.
constexpr std::array<int, DiagnosticRow::ColumnCount> DiagnosticSlots = {20, 20, 100, 100, 20, 20, 20};
constexpr std::array<int, InterventionRow::ColumnCount> InterventionSlots = {20, 20, 100, 20, 20, 20, 5};

template <typename Row, size_t N>
std::array<uint8_t, Row::Size> EncodeSlots(const Row& row, const std::array<int, N>& widths) {
    std::array<uint8_t, Row::Size> b{};
    int offset = 0;
    for (size_t c = 0; c < N; ++c) {
        ToCp1251Slot(row.Cell(int(c)), b.data() + offset, widths[c]);  // cut to size - 1
        offset += widths[c];
    }
    return b;
}

template <size_t N>
std::array<QString, N> DecodeSlots(const uint8_t* bytes, const std::array<int, N>& widths) {
    std::array<QString, N> cells;
    int offset = 0;
    for (size_t c = 0; c < N; ++c) {
        cells[c] = FromCp1251Slot(bytes + offset, widths[c]);
        offset += widths[c];
    }
    return cells;
}

void Report(FileMessage* out, const FileMessage& message) {
    if (out)
        *out = message;
}

FileMessage OpenError() {
    return FileMessage{MessageKind::Error, OpenErrorText(), {}};
}

template <typename Row>
bool WriteRows(const QString& path, const EventFileHeader& header, EventKind kind,
               const std::vector<Row>& rows, FileMessage* message) {
    if (rows.size() > size_t(UINT32_MAX)) {
        Report(message, OpenError());
        return false;
    }
    EventFileHeader stored = header;
    std::memcpy(stored.signature.data(), Signature(kind), stored.signature.size());
    stored.recordCount = uint32_t(rows.size());
    const auto head = stored.Encode();

    CheckedFile file(path);
    bool ok = file.Open() && file.Write(head.data(), qint64(head.size()));
    for (size_t i = 0; ok && i < rows.size(); ++i) {
        const auto bytes = rows[i].Encode();
        ok = file.Write(bytes.data(), qint64(bytes.size()));
    }
    if (!ok || !file.Commit()) {
        Report(message, OpenError());
        return false;
    }
    return true;
}

template <typename Record>
std::optional<std::vector<Record>> ReadRecords(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    std::vector<Record> records;
    const qsizetype count = bytes.size() / Record::Size;
    records.reserve(size_t(count));
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    for (qsizetype i = 0; i < count; ++i)
        records.push_back(Record::FromBytes(data + i * Record::Size));
    return records;
}

}  // namespace

// ---------------------------------------------------------------------------
// Header

std::array<uint8_t, EventFileHeader::Size> EventFileHeader::Encode() const {
    std::array<uint8_t, Size> b{};
    std::memcpy(b.data() + HSignature, signature.data(), signature.size());
    std::memcpy(b.data() + HName, controllerName.data(), controllerName.size());
    b[HAddress] = address;
    readAt.ToBytes(b.data() + HReadAt);
    first.ToBytes(b.data() + HFirst);
    last.ToBytes(b.data() + HLast);
    PutUint32(b.data() + HCount, recordCount);
    b[HChromType] = chromatographType;
    b[HMoistType] = moistureMeterType;
    b[HHexane] = hexaneColumn;
    return b;
}

EventFileHeader EventFileHeader::Decode(const uint8_t* bytes) {
    EventFileHeader h;
    std::memcpy(h.signature.data(), bytes + HSignature, h.signature.size());
    std::memcpy(h.controllerName.data(), bytes + HName, h.controllerName.size());
    h.address = bytes[HAddress];
    h.readAt = PackedDate::FromBytes(bytes + HReadAt);
    h.first = PackedDate::FromBytes(bytes + HFirst);
    h.last = PackedDate::FromBytes(bytes + HLast);
    h.recordCount = Uint32At(bytes + HCount);
    h.chromatographType = bytes[HChromType];
    h.moistureMeterType = bytes[HMoistType];
    h.hexaneColumn = bytes[HHexane];
    return h;
}

std::optional<EventKind> EventFileHeader::Kind() const {
    for (EventKind kind : {EventKind::Diagnostics, EventKind::Interventions})
        if (std::memcmp(signature.data(), Signature(kind), signature.size()) == 0)
            return kind;
    return std::nullopt;
}

QString EventFileHeader::ControllerNameText() const {
    return FromCp1251Slot(controllerName.data(), NameSize);
}

EventFileHeader BuildEventFileHeader(EventKind kind, const HeaderTableValues& values, uint8_t address,
                                     const PackedDate& readAt, const PackedDate& first,
                                     const PackedDate& last, uint32_t recordCount) {
    EventFileHeader h;
    std::memcpy(h.signature.data(), Signature(kind), h.signature.size());
    h.controllerName = values.controllerName;
    h.address = address;
    h.readAt = readAt;
    h.first = first;
    h.last = last;
    h.recordCount = recordCount;
    h.chromatographType = values.chromatographType;
    h.moistureMeterType = values.moistureMeterPresent != 0 ? values.moistureMeterType : 0;
    h.hexaneColumn = (values.chromatographOptions & OptionNoHexane) == 0 ? 1 : 0;
    return h;
}

// ---------------------------------------------------------------------------
// Rows

QString DiagnosticRow::Cell(int column) const {
    switch (column) {
    case 0: return date;
    case 1: return time;
    case 2: return event;
    case 3: return object;
    case 4: return value;
    case 5: return setpoint;
    case 6: return unit;
    }
    return {};
}

std::array<uint8_t, DiagnosticRow::Size> DiagnosticRow::Encode() const {
    return EncodeSlots(*this, DiagnosticSlots);
}

DiagnosticRow DiagnosticRow::Decode(const uint8_t* bytes) {
    const auto c = DecodeSlots(bytes, DiagnosticSlots);
    return DiagnosticRow{c[0], c[1], c[2], c[3], c[4], c[5], c[6]};
}

QString InterventionRow::Cell(int column) const {
    switch (column) {
    case 0: return date;
    case 1: return time;
    case 2: return name;
    case 3: return oldValue;
    case 4: return newValue;
    case 5: return unit;
    case 6: return operatorName;
    }
    return {};
}

std::array<uint8_t, InterventionRow::Size> InterventionRow::Encode() const {
    return EncodeSlots(*this, InterventionSlots);
}

InterventionRow InterventionRow::Decode(const uint8_t* bytes) {
    const auto c = DecodeSlots(bytes, InterventionSlots);
    return InterventionRow{c[0], c[1], c[2], c[3], c[4], c[5], c[6]};
}

// ---------------------------------------------------------------------------
// Saved files

QString EventRejectionSecondLine(EventKind kind) {
    return kind == EventKind::Diagnostics
               ? QStringLiteral("диагностические сообщения контроллера ЗМК_10")
               : QStringLiteral("сообщения о вмешательствах оператора контроллера ЗМК_10");
}

std::optional<EventFileContents> ReadEventFile(const QString& path, EventKind kind, FileMessage* message) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Report(message, OpenError());
        return std::nullopt;
    }
    const FileMessage rejection{
        MessageKind::Error,
        QStringLiteral("Файл %1 не является файлом, содержащим").arg(QFileInfo(path).fileName()),
        EventRejectionSecondLine(kind)};

    uint8_t head[EventFileHeader::Size];
    if (file.read(reinterpret_cast<char*>(head), sizeof head) != qint64(sizeof head)) {
        Report(message, rejection);
        return std::nullopt;
    }
    const EventFileHeader header = EventFileHeader::Decode(head);
    if (header.Kind() != kind || header.chromatographType != ServedChromatographType) {
        Report(message, rejection);
        return std::nullopt;
    }

    // A cut file is refused before anything is allocated for its rows, so an
    // absurd count in a damaged header never sizes an allocation.
    const int rowSize = EventRowSize(kind);
    const qint64 present = std::max<qint64>(0, file.size() - EventFileHeader::Size) / rowSize;
    if (present < qint64(header.recordCount)) {
        Report(message, rejection);
        return std::nullopt;
    }
    const QByteArray body = file.read(qint64(header.recordCount) * rowSize);
    if (file.error() != QFileDevice::NoError || body.size() != qint64(header.recordCount) * rowSize) {
        Report(message, OpenError());
        return std::nullopt;
    }

    EventFileContents contents;
    contents.header = header;
    const auto* data = reinterpret_cast<const uint8_t*>(body.constData());
    if (kind == EventKind::Diagnostics) {
        contents.diagnostics.reserve(header.recordCount);
        for (uint32_t i = 0; i < header.recordCount; ++i)
            contents.diagnostics.push_back(DiagnosticRow::Decode(data + qint64(i) * rowSize));
    } else {
        contents.interventions.reserve(header.recordCount);
        for (uint32_t i = 0; i < header.recordCount; ++i)
            contents.interventions.push_back(InterventionRow::Decode(data + qint64(i) * rowSize));
    }
    return contents;
}

bool WriteEventFile(const QString& path, const EventFileHeader& header,
                    const std::vector<DiagnosticRow>& rows, FileMessage* message) {
    return WriteRows(path, header, EventKind::Diagnostics, rows, message);
}

bool WriteEventFile(const QString& path, const EventFileHeader& header,
                    const std::vector<InterventionRow>& rows, FileMessage* message) {
    return WriteRows(path, header, EventKind::Interventions, rows, message);
}

QString DefaultEventFileName(const QString& folder, uint8_t address, const PackedDate& date, EventKind kind) {
    return folder + QStringLiteral("/zmk_10-%1-%2%3%4")
                        .arg(int(address), 3, 10, QLatin1Char('0'))
                        .arg(int(date.Year), 2, 10, QLatin1Char('0'))
                        .arg(int(date.Month), 2, 10, QLatin1Char('0'))
                        .arg(int(date.Day), 2, 10, QLatin1Char('0')) +
           QLatin1String(Extension(kind));
}

QString WithEventExtension(const QString& path, EventKind kind) {
    return QFileInfo(path).suffix().isEmpty() ? path + QLatin1String(Extension(kind)) : path;
}

FileMessage ReplaceQuestion(const QString& path) {
    return FileMessage{MessageKind::Question,
                       QStringLiteral("Файл %1 уже есть.").arg(QFileInfo(path).fileName()),
                       QStringLiteral("Вы хотите заменить существующий файл?")};
}

std::optional<std::vector<DiagnosticRecord>> ReadDiagnosticRecords(const QString& path) {
    return ReadRecords<DiagnosticRecord>(path);
}

std::optional<std::vector<InterventionRecord>> ReadInterventionRecords(const QString& path) {
    return ReadRecords<InterventionRecord>(path);
}

}  // namespace zmk
