#include "measurements/MeasurementFile.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "common/CheckedFile.h"
#include "common/Cp1251.h"
#include "common/DosCodePage.h"
#include "common/Folders.h"
#include "tables/TableEngine.h"
#include "common/PackedDate.h"

namespace zmk {

namespace {

// Header offsets.
constexpr int HSignature = 0;
constexpr int HAnalyser = 3;
constexpr int HName = 4;
constexpr int HAddress = 24;
constexpr int HOpened = 25;
constexpr int HStart = 31;
constexpr int HEnd = 37;
constexpr int HPeriodBytes = 5;  // each period date takes 5 bytes and a 0 after them
constexpr int HCount = 43;
constexpr int HChromType = 47;
constexpr int HMoistType = 48;
constexpr int HHexane = 49;

// Table fields the header is built from.
constexpr int TableControllerName = 5;
constexpr int TableSystem = 6, FieldMoisturePresent = 8;
constexpr int TableChrom = 14, FieldChromType = 6, FieldChromOptions = 7;
constexpr int TableMoisture = 15, FieldMoistureType = 6;
constexpr uint8_t OptionNoHexane = 0x01;

// Message kinds of the shared message dialog.
constexpr MessageKind KindError = MessageKind::Error;
constexpr MessageKind KindNotice = MessageKind::Info;

FileMessage Message(MessageKind kind, const QString& first, const QString& second = {}) {
    return FileMessage{kind, first, second};
}

void Report(FileMessage* out, const FileMessage& message) {
    if (out)
        *out = message;
}

QString FileNameOnly(const QString& path) {
    return QFileInfo(path).fileName();
}

QString DatedName(const QString& folder, uint8_t address, const PackedDate& date) {
    return folder + QStringLiteral("/zmk_10-%1-%2%3%4")
                        .arg(int(address), 3, 10, QLatin1Char('0'))
                        .arg(int(date.Year), 2, 10, QLatin1Char('0'))
                        .arg(int(date.Month), 2, 10, QLatin1Char('0'))
                        .arg(int(date.Day), 2, 10, QLatin1Char('0'));
}

bool HasExtension(const QString& path) {
    return !QFileInfo(path).suffix().isEmpty();
}

}  // namespace

// ---------------------------------------------------------------------------
// Header

std::array<uint8_t, MeasurementFileHeader::Size> MeasurementFileHeader::Encode() const {
    std::array<uint8_t, Size> b{};
    std::memcpy(b.data() + HSignature, signature.data(), signature.size());
    b[HAnalyser] = analyser;
    std::memcpy(b.data() + HName, controllerName.data(), controllerName.size());
    b[HAddress] = address;
    opened.ToBytes(b.data() + HOpened);
    periodStart.ToBytes(b.data() + HStart, HPeriodBytes);
    periodEnd.ToBytes(b.data() + HEnd, HPeriodBytes);
    PutUint32(b.data() + HCount, recordCount);
    b[HChromType] = chromatographType;
    b[HMoistType] = moistureMeterType;
    b[HHexane] = hexaneColumn;
    return b;
}

MeasurementFileHeader MeasurementFileHeader::Decode(const uint8_t* bytes) {
    MeasurementFileHeader h;
    std::memcpy(h.signature.data(), bytes + HSignature, h.signature.size());
    h.analyser = bytes[HAnalyser];
    std::memcpy(h.controllerName.data(), bytes + HName, h.controllerName.size());
    h.address = bytes[HAddress];
    h.opened = PackedDate::FromBytes(bytes + HOpened);
    h.periodStart = PackedDate::FromBytes(bytes + HStart, HPeriodBytes);
    h.periodEnd = PackedDate::FromBytes(bytes + HEnd, HPeriodBytes);
    h.recordCount = Uint32At(bytes + HCount);
    h.chromatographType = bytes[HChromType];
    h.moistureMeterType = bytes[HMoistType];
    h.hexaneColumn = bytes[HHexane];
    return h;
}

std::optional<ArchiveKind> MeasurementFileHeader::Kind() const {
    return KindFromSignature(signature.data(), analyser);
}

QString MeasurementFileHeader::ControllerNameText() const {
    return FromCp1251Slot(controllerName.data(), NameSize);
}

bool ReadHeaderTables(TableEngine& engine, StatusBarPanel* status) {
    constexpr int TableIdentification = 0, FieldCodePage = 12;
    constexpr int NameLength = 20;
    ConfigImage& image = engine.Image();
    if (!engine.ReadTable({TableIdentification, FieldCodePage, 1}, status)) return false;
    if (!engine.ReadTable({TableControllerName, 0, 1}, status)) return false;
    if (image.Table(TableIdentification)[FieldCodePage] == 0) DecodeDosText(image.Table(TableControllerName), NameLength);
    if (!engine.ReadTable({TableChrom, 0, 8}, status)) return false;
    if (!engine.ReadTable({TableSystem, FieldMoisturePresent, 1}, status)) return false;
    return image.Table(TableSystem)[FieldMoisturePresent] == 0 ||
           engine.ReadTable({TableMoisture, FieldMoistureType, 1}, status);
}

HeaderTableValues HeaderValuesFromImage(const ConfigImage& image) {
    HeaderTableValues v;
    if (const uint8_t* name = image.Table(TableControllerName))
        std::memcpy(v.controllerName.data(), name, v.controllerName.size());
    if (const uint8_t* chrom = image.Table(TableChrom)) {
        v.chromatographType = chrom[FieldChromType];
        v.chromatographOptions = chrom[FieldChromOptions];
    }
    if (const uint8_t* sys = image.Table(TableSystem))
        v.moistureMeterPresent = sys[FieldMoisturePresent];
    if (const uint8_t* moist = image.Table(TableMoisture))
        v.moistureMeterType = moist[FieldMoistureType];
    return v;
}

MeasurementFileHeader BuildMeasurementFileHeader(ArchiveKind kind, const HeaderTableValues& values,
                                                 uint8_t address, const PackedDate& opened,
                                                 const PackedDate& start, const PackedDate& end,
                                                 uint32_t recordCount) {
    const ArchiveKindInfo& info = KindInfo(kind);
    MeasurementFileHeader h;
    std::memcpy(h.signature.data(), info.signature, h.signature.size());
    h.analyser = info.analyser;
    h.controllerName = values.controllerName;
    h.address = address;
    h.opened = opened;
    h.periodStart = start.Prefix(info.datePrefix);
    h.periodEnd = end.Prefix(info.datePrefix);
    h.recordCount = recordCount;
    h.chromatographType = values.chromatographType;
    h.moistureMeterType = values.moistureMeterPresent != 0 ? values.moistureMeterType : 0;
    h.hexaneColumn = (values.chromatographOptions & OptionNoHexane) == 0 ? 1 : 0;
    return h;
}

// ---------------------------------------------------------------------------
// Messages

QString NoDataText() {
    return QStringLiteral("Нет данных за указанный период");
}

QString RejectionSecondLine(ArchiveKind kind) {
    switch (kind) {
    case ArchiveKind::ChromFiveMinute:
        return QStringLiteral("мгновенные данные хроматографа из архива 5-минутных данных");
    case ArchiveKind::ChromHour:
        return QStringLiteral("часовые данные хроматографа из архива контроллера ЗМК_10");
    case ArchiveKind::ChromDay:
        return QStringLiteral("суточные данные хроматографа из архива контроллера ЗМК_10");
    case ArchiveKind::MoistureFiveMinute:
        return QStringLiteral("мгновенные данные влагомера из архива 5-минутных данных");
    case ArchiveKind::MoistureHour:
        return QStringLiteral("часовые данные влагомера из архива контроллера ЗМК_10");
    case ArchiveKind::MoistureDay:
        return QStringLiteral("суточные данные влагомера из архива контроллера ЗМК_10");
    }
    return {};
}

FileMessage SavedMessage(const QString& path) {
    return Message(KindNotice, QStringLiteral("Данные сохранены в файле %1.").arg(FileNameOnly(path)));
}

// ---------------------------------------------------------------------------
// Saved measurement files

std::optional<MeasurementFileContents> ReadMeasurementFile(const QString& path, ArchiveKind kind,
                                                           FileMessage* message) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Report(message, Message(KindError, OpenErrorText()));
        return std::nullopt;
    }
    const FileMessage rejection =
        Message(KindError,
                QStringLiteral("Файл %1 не является файлом, содержащим").arg(FileNameOnly(path)),
                RejectionSecondLine(kind));

    uint8_t head[MeasurementFileHeader::Size];
    if (file.read(reinterpret_cast<char*>(head), sizeof head) != qint64(sizeof head)) {
        Report(message, rejection);
        return std::nullopt;
    }
    const MeasurementFileHeader header = MeasurementFileHeader::Decode(head);
    if (header.Kind() != kind || header.chromatographType != ServedChromatographType) {
        Report(message, rejection);
        return std::nullopt;
    }

    // Read only the whole records that are both announced and present, so that
    // an absurd count in a damaged header never sizes an allocation.
    const int size = RecordSize(kind);
    const qint64 available = std::max<qint64>(0, file.size() - MeasurementFileHeader::Size) / size;
    const qint64 wanted = std::min<qint64>(header.recordCount, available);
    QByteArray body = file.read(wanted * size);
    if (file.error() != QFileDevice::NoError) {
        Report(message, Message(KindError, OpenErrorText()));
        return std::nullopt;
    }

    MeasurementFileContents contents;
    contents.header = header;
    contents.records = RecordStore(kind, std::move(body));
    contents.missingRecords = header.recordCount - uint32_t(contents.records.Count());
    return contents;
}

bool WriteMeasurementFile(const QString& path, const MeasurementFileHeader& header,
                          const RecordStore& records, FileMessage* message) {
    const FileMessage failure = Message(KindError, OpenErrorText());
    if (header.Kind() != records.Kind() || records.Count() > qsizetype(UINT32_MAX)) {
        Report(message, failure);
        return false;
    }
    MeasurementFileHeader stored = header;
    stored.recordCount = uint32_t(records.Count());
    const auto head = stored.Encode();

    CheckedFile file(path);
    if (!file.Open() || !file.Write(head.data(), qint64(head.size())) || !file.Write(records.Bytes()) ||
        !file.Commit()) {
        Report(message, failure);
        return false;
    }
    return true;
}

QString DefaultMeasurementFileName(const QString& folder, uint8_t address, const PackedDate& date,
                                   ArchiveKind kind) {
    return DatedName(folder, address, date) + QLatin1String(KindInfo(kind).extension);
}

QString DefaultWorkbookFileName(const QString& folder, uint8_t address, const PackedDate& date,
                                ArchiveKind kind) {
    return DatedName(folder, address, date) +
           (IsChromatograph(kind) ? QStringLiteral("_ch.xlsx") : QStringLiteral("_wm.xlsx"));
}

QString WithDefaultExtension(const QString& path, ArchiveKind kind) {
    return HasExtension(path) ? path : path + QLatin1String(KindInfo(kind).extension);
}

QString WithWorkbookExtension(const QString& path) {
    return HasExtension(path) ? path : path + QStringLiteral(".xlsx");
}

// ---------------------------------------------------------------------------
// "datafile.hdm"

HdmFile::~HdmFile() {
    Close();
}

bool HdmFile::Create(const QString& path) {
    Close();
    path_ = path;
    file_ = std::make_unique<QFile>(path);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file_.reset();
        return false;
    }
    return true;
}

bool HdmFile::Create() {
    return Create(TempFilePath(TempFile::Hdm));
}

bool HdmFile::Append(const uint8_t* records, int count, int recordSize) {
    if (!file_ || !records || count < 0 || recordSize <= 0)
        return false;
    const qint64 bytes = qint64(count) * recordSize;
    return file_->write(reinterpret_cast<const char*>(records), bytes) == bytes;
}

bool HdmFile::Close() {
    if (!file_)
        return true;
    const bool flushed = file_->flush();
    file_->close();
    const bool ok = flushed && file_->error() == QFileDevice::NoError;
    file_.reset();
    return ok;
}

bool HdmFile::IsOpen() const {
    return file_ != nullptr;
}

std::optional<RecordStore> ReadHdmFile(const QString& path, ArchiveKind kind, FileMessage* message) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Report(message, Message(KindNotice, OpenErrorText()));
        return std::nullopt;
    }
    const int size = RecordSize(kind);
    const qint64 count = file.size() / size;
    QByteArray body = file.read(count * size);
    if (body.size() != count * size) {
        Report(message, Message(KindNotice, OpenErrorText()));
        return std::nullopt;
    }
    return RecordStore(kind, std::move(body));
}

std::optional<RecordStore> ReadHdmFile(ArchiveKind kind, FileMessage* message) {
    return ReadHdmFile(TempFilePath(TempFile::Hdm), kind, message);
}

}  // namespace zmk
