#include "tables/ConfigRecord.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "common/CheckedFile.h"
#include "common/DosCodePage.h"
#include "common/StatusBarPanel.h"
#include "tables/Catalogue.h"
#include "tables/ControllerName.h"
#include "tables/LinkParams.h"
#include "tables/GasLimits.h"
#include "tables/Identification.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"

namespace zmk {

namespace {

namespace off = config_offset;

constexpr int NameSize = 20;
constexpr int UpperLevelTable = 3;
constexpr int SystemTable = 6;
constexpr int ChromatographTable = 14;
constexpr int MoistureMeterTable = 15;
constexpr int TypeTable = 17;
constexpr int AddressTable = 18;
constexpr int PipelinesTable = 19;
constexpr int ByteOrderTable = 20;
constexpr int GasWriteTable = 21;
constexpr int FirstLimitTable = 22;
constexpr int HourlyPeriodTable = 28;
constexpr int EthernetTable = 29;

// Offsets inside a flow computer's entry.
constexpr int EntryAddress = 0;
constexpr int EntryType = 1;
constexpr int EntryPipelines = 2;
constexpr int EntryByteOrder = 3;

int TableBytes(int table) {
    const TableDescriptor& d = Descriptor(table);
    return d.fieldCount * d.fieldSize;
}

// A whole table between the record and the image.
void FromImage(ConfigRecord& record, int offset, const ConfigImage& image, int table) {
    std::memcpy(record.At(offset), image.Table(table), size_t(TableBytes(table)));
}
void ToImage(ConfigImage& image, int table, const ConfigRecord& record, int offset) {
    std::memcpy(image.Table(table), record.At(offset), size_t(TableBytes(table)));
}

// Where each whole table lies in the record.
struct TablePlace {
    int table;
    int offset;
};
constexpr TablePlace LaterTables[] = {
    {GasWriteTable, off::GasWriteFlags},
    {FirstLimitTable + 0, off::Limits + 0 * off::LimitBlockSize},
    {FirstLimitTable + 1, off::Limits + 1 * off::LimitBlockSize},
    {FirstLimitTable + 2, off::Limits + 2 * off::LimitBlockSize},
    {FirstLimitTable + 3, off::Limits + 3 * off::LimitBlockSize},
    {FirstLimitTable + 4, off::Limits + 4 * off::LimitBlockSize},
    {HourlyPeriodTable, off::HourlyWritePeriod},
    {EthernetTable, off::Ethernet},
};

FileMessage Message(MessageKind kind, const QString& first, const QString& second = QString()) {
    return FileMessage{kind, first, second};
}

void Report(FileMessage* message, const FileMessage& m) {
    if (message) *message = m;
}

}  // namespace

QString ConfigRecord::NameText() const {
    return zmk::NameText(At(off::Name));
}

ConfigRecord NewConfigRecord() {
    ConfigRecord r;
    std::fill_n(r.At(off::Name), NameSize, uint8_t(' '));
    r.bytes[off::TypeCode] = ConfigTypeCode;
    r.bytes[off::SoftwareVersion] = ConfigSoftwareVersion;

    const auto put = [&r](int offset, std::initializer_list<uint8_t> values) {
        std::copy(values.begin(), values.end(), r.At(offset));
    };
    put(off::UpperLevel, {1, 11, 3, 0});
    put(off::System, {3, 201, 3, 10, 201, 4, 9, 1, 1, 1, 0, 0});
    put(off::Chromatograph, {1, 11, 0, 0, 150, 5, 4, 0});
    put(off::MoistureMeter, {1, 11, 0, 0, 150, 5, 0, 0});
    put(off::FlowComputerLink, {1, 11, 5, 20, 3, 1, 0, 1});

    for (int i = 0; i < MaxFlowComputers; ++i)
        std::fill_n(r.FlowComputer(i) + off::FlowComputerPassword, FlowComputerPasswordSize, uint8_t(' '));
    for (int u = 0; u < UserCount; ++u) {
        uint8_t* user = UserRecordAt(r.At(off::Users), u);
        std::fill_n(user, UserRecordSize, uint8_t(' '));
        user[UserLevelAt] = 0;
        user[UserReservedAt] = 0;
    }

    // Nitrogen, carbon dioxide and density are written into the flow computers.
    for (int parameter : {7, 9, 12})
        r.bytes[size_t(off::GasWriteFlags + parameter)] = 1;
    FillDefaultLimits(r.At(off::Limits), off::LimitBlockSize);
    r.bytes[off::HourlyWritePeriod] = 1;
    return r;
}

ConfigRecord ImageToRecord(const ConfigImage& image) {
    ConfigRecord r = NewConfigRecord();
    std::memcpy(r.At(off::Identification), image.Table(IdentificationTable), size_t(TableBytes(IdentificationTable)));
    r.bytes[off::Origin] = 1;
    FromImage(r, off::Name, image, NameTable);
    FromImage(r, off::UpperLevel, image, UpperLevelTable);
    FromImage(r, off::Users, image, UsersTable);
    FromImage(r, off::System, image, SystemTable);
    FromImage(r, off::Chromatograph, image, ChromatographTable);
    FromImage(r, off::MoistureMeter, image, MoistureMeterTable);
    FromImage(r, off::FlowComputerLink, image, FlowComputerLinkTable);
    const int n = std::min<int>(image.Table(FlowComputerLinkTable)[0], MaxFlowComputers);
    for (int i = 0; i < n; ++i) {
        uint8_t* entry = r.FlowComputer(i);
        entry[EntryAddress] = image.Table(AddressTable)[i];
        entry[EntryType] = image.Table(TypeTable)[i];
        entry[EntryPipelines] = image.Table(PipelinesTable)[i];
        entry[EntryByteOrder] = image.Table(ByteOrderTable)[i];
    }
    for (const TablePlace& p : LaterTables)
        FromImage(r, p.offset, image, p.table);
    return r;
}

void TransformPasswords(ConfigRecord& record) {
    for (int i = 0; i < MaxFlowComputers; ++i) {
        uint8_t* password = record.FlowComputer(i) + off::FlowComputerPassword;
        for (int b = 0; b < FlowComputerPasswordSize; ++b)
            password[b] = uint8_t(4 - password[b]);
    }
}

std::optional<ConfigRecord> ReadConfigFile(const QString& path, FileMessage* message) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Report(message, Message(MessageKind::Error, OpenErrorText()));
        return std::nullopt;
    }
    ConfigRecord record;
    const qint64 got = file.read(reinterpret_cast<char*>(record.bytes.data()), ConfigRecordSize);
    if (got < 0) {
        Report(message, Message(MessageKind::Error, OpenErrorText()));
        return std::nullopt;
    }
    const QString name = QFileInfo(path).fileName();
    if (record.bytes[off::TypeCode] != ConfigTypeCode) {
        Report(message, Message(MessageKind::Info, QStringLiteral("Файл %1 не является файлом конфигурации").arg(name),
                                QStringLiteral("контроллера ЗМК_10")));
        return std::nullopt;
    }
    if (record.bytes[off::SoftwareVersion] != ConfigSoftwareVersion) {
        Report(message,
               Message(MessageKind::Info, QStringLiteral("Файл параметров конфигурации %1 подготовлен").arg(name),
                       QStringLiteral("для контроллера ЗМК_10 с версией ПО %1").arg(record.bytes[off::SoftwareVersion])));
        return std::nullopt;
    }
    TransformPasswords(record);
    return record;
}

bool WriteConfigFile(const QString& path, const ConfigRecord& record, FileMessage* message) {
    ConfigRecord stored = record;
    TransformPasswords(stored);
    const QByteArray bytes(reinterpret_cast<const char*>(stored.bytes.data()), ConfigRecordSize);
    if (!WriteFileChecked(path, bytes)) {
        Report(message, Message(MessageKind::Error, OpenErrorText()));
        return false;
    }
    return true;
}

FileMessage ConfigSavedMessage(const QString& path) {
    return Message(MessageKind::Info, QStringLiteral("Параметры конфигурации"),
                   QStringLiteral("сохранены в файле %1").arg(QFileInfo(path).fileName()));
}

QString ProposedConfigFileName(const QString& folder, const ConfigRecord& record, const QDateTime& now) {
    QString name = record.NameText();
    for (QChar& c : name)
        if (c == u'/' || c == QChar(0)) c = u'_';
    const QDate d = now.date();
    const QTime t = now.time();
    const auto two = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    // Put together piece by piece: a name holding "%1" must stay as it is.
    return folder + QStringLiteral("/zmk_") + two(record.bytes[off::SoftwareVersion]) + QLatin1Char('-') + name +
           QLatin1Char('-') + two(d.year() - 2000) + two(d.month()) + two(d.day()) + two(t.hour()) +
           two(t.minute()) + QStringLiteral(".cnf");
}

std::optional<ConfigFault> CopyRecordToImage(const ConfigRecord& record, ConfigImage& image, bool checkUsers) {
    ToImage(image, NameTable, record, off::Name);
    ToImage(image, UpperLevelTable, record, off::UpperLevel);
    if (checkUsers) {
        std::array<uint8_t, UserCount * UserRecordSize> users;
        std::memcpy(users.data(), record.At(off::Users), users.size());
        NormalizeUsersList(users.data());
        if (const auto fault = CheckUsersList(users.data(), UsersCheck::Configuration))
            return ConfigFault{fault->line1, fault->line2};
        std::memcpy(image.Table(UsersTable), users.data(), users.size());
    }
    ToImage(image, SystemTable, record, off::System);
    if (record.bytes[off::Chromatograph] == 0) return ConfigFault{QStringLiteral("Неверно задан адрес хроматографа"), {}};
    ToImage(image, ChromatographTable, record, off::Chromatograph);
    if (record.bytes[off::MoistureMeter] == 0) return ConfigFault{QStringLiteral("Неверно задан адрес влагомера"), {}};
    ToImage(image, MoistureMeterTable, record, off::MoistureMeter);

    // A count the controller cannot hold would make the flow-computer
    // tables' writes reach past their 16 fields.
    const int n = record.FlowComputerCount();
    if (n > MaxFlowComputers)
        return ConfigFault{QStringLiteral("Неверно задано количество вычислителей РГ"), {}};
    ToImage(image, FlowComputerLinkTable, record, off::FlowComputerLink);
    for (int i = 0; i < n; ++i) {
        const uint8_t* entry = record.FlowComputer(i);
        if (entry[EntryAddress] == 0) return ConfigFault{QStringLiteral("Неверно заданы адреса вычислителей РГ"), {}};
        image.Table(AddressTable)[i] = entry[EntryAddress];
        image.Table(TypeTable)[i] = entry[EntryType];
        image.Table(PipelinesTable)[i] = entry[EntryPipelines];
        image.Table(ByteOrderTable)[i] = entry[EntryByteOrder];
        std::memcpy(image.Field(FlowComputerPasswordTable, i), entry + off::FlowComputerPassword,
                    FlowComputerPasswordSize);
    }
    for (const TablePlace& p : LaterTables)
        ToImage(image, p.table, record, p.offset);
    return std::nullopt;
}

bool ReadConfiguration(TableEngine& engine, StatusBarPanel* status, ConfigProgress& progress) {
    int tables = 0;
    for (int t = 0; t < TableCount; ++t)
        tables += Descriptor(t).inConfig ? 1 : 0;
    const int maximum = tables + 1;
    progress.SetMaximum(maximum);
    progress.SetPosition(0);

    ConfigImage& image = engine.Image();
    int position = 0;
    for (int t = 0; t < TableCount; ++t) {
        const TableDescriptor& d = Descriptor(t);
        if (!d.inConfig || t == FlowComputerPasswordTable) continue;
        const bool perFlowComputer = t >= TypeTable && t <= ByteOrderTable;
        const int fields =
            perFlowComputer ? std::min<int>(image.Table(FlowComputerLinkTable)[0], d.fieldCount) : d.fieldCount;
        const bool ok = fields == 0 ? engine.ReadEmptyRange(uint8_t(t), status)
                                    : engine.ReadTable({uint8_t(t), 0, uint8_t(fields)}, status);
        if (!ok) return false;
        if (t == NameTable && KeepsDosTexts(image.Table(IdentificationTable)))
            DecodeDosText(image.Table(NameTable), NameSize);
        if (t == SystemTable) {
            uint8_t* system = image.Table(SystemTable);
            system[9] = 1;
            system[10] = 0;
            system[11] = 0;
        }
        progress.SetPosition(++position);
    }
    progress.SetPosition(maximum);
    progress.Linger();
    return true;
}

}  // namespace zmk
