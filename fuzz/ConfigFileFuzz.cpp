// Arbitrary bytes as a configuration file (".cnf") and the record it gives
// through the check made before a write.
//
// The file: refused exactly when it is not a record of this controller
// (byte 2 not 73, byte 4 not 10), with a message; otherwise the record holds
// the file's first 2603 bytes (zeros after a short file) with the flow
// computers' passwords restored. Saved again (for one input in SaveShare:
// the write syncs the disk) it gives the same bytes and the same record.
//
// The check, with and without the users: a check that passes with the users
// passes without them; one that passes leaves in the image every table of
// the record (the users list as stored: exactly one user of level 1, the
// rules kept, level-0 users blank), so that the record made of the image
// holds the same tables; a chromatograph or moisture-meter address 0 or more
// than 16 flow computers never pass. The proposed file name keeps the
// controller name inside the folder.
#include <QDateTime>
#include <algorithm>
#include <cstring>
#include <optional>

#include "FuzzSupport.h"
#include "tables/ConfigRecord.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

constexpr size_t SaveShare = 8;
namespace off = config_offset;

// Where each table the check copies lies in the record, and its size.
struct Place {
    int table, offset, size;
};
constexpr Place Tables[] = {
    {5, off::Name, 20},        {3, off::UpperLevel, 4},      {6, off::System, 12},
    {14, off::Chromatograph, 8}, {15, off::MoistureMeter, 8}, {9, off::FlowComputerLink, 8},
    {21, off::GasWriteFlags, 20}, {22, off::Limits + 0 * off::LimitBlockSize, 80},
    {23, off::Limits + 1 * off::LimitBlockSize, 80}, {24, off::Limits + 2 * off::LimitBlockSize, 80},
    {25, off::Limits + 3 * off::LimitBlockSize, 80}, {26, off::Limits + 4 * off::LimitBlockSize, 80},
    {28, off::HourlyWritePeriod, 2}, {29, off::Ethernet, 28},
};
constexpr int FlowComputerTables[] = {18, 17, 19, 20};  // entry bytes 0..3

bool Same(const uint8_t* a, const uint8_t* b, int size) { return std::memcmp(a, b, size_t(size)) == 0; }

void CheckFileRead(const QByteArray& input, const std::optional<ConfigRecord>& record, const FileMessage& message) {
    const bool ours = input.size() > off::SoftwareVersion && uint8_t(input[off::TypeCode]) == ConfigTypeCode &&
                      uint8_t(input[off::SoftwareVersion]) == ConfigSoftwareVersion;
    FUZZ_CHECK(record.has_value() == ours);
    if (!record) {
        FUZZ_CHECK(message.kind != MessageKind::None && !message.first.isEmpty() && !message.second.isEmpty());
        return;
    }
    ConfigRecord stored = *record;
    TransformPasswords(stored);
    const qsizetype taken = std::min<qsizetype>(input.size(), ConfigRecordSize);
    FUZZ_CHECK(Same(stored.bytes.data(), reinterpret_cast<const uint8_t*>(input.constData()), int(taken)));
    FUZZ_CHECK(std::all_of(stored.bytes.begin() + taken, stored.bytes.end(), [](uint8_t b) { return b == 0; }));
}

void CheckSaveAndReopen(const QByteArray& input, const ConfigRecord& record) {
    const QString saved = ScratchPath(QStringLiteral("saved.cnf"));
    FUZZ_CHECK(WriteConfigFile(saved, record));
    QByteArray expected = input.left(ConfigRecordSize);
    expected.append(QByteArray(ConfigRecordSize - expected.size(), '\0'));
    FUZZ_CHECK(ReadFile(saved) == expected);
    const std::optional<ConfigRecord> back = ReadConfigFile(saved);
    FUZZ_CHECK(back.has_value() && *back == record);
}

// What a check that passed leaves in the image.
void CheckImage(const ConfigRecord& record, const ConfigImage& image, bool users) {
    for (const Place& p : Tables)
        FUZZ_CHECK(Same(image.Table(p.table), record.At(p.offset), p.size));
    const int n = record.FlowComputerCount();
    FUZZ_CHECK(n <= MaxFlowComputers);
    for (int i = 0; i < n; ++i) {
        const uint8_t* entry = record.FlowComputer(i);
        FUZZ_CHECK(entry[0] != 0);
        for (int b = 0; b < 4; ++b)
            FUZZ_CHECK(image.Table(FlowComputerTables[b])[i] == entry[b]);
        FUZZ_CHECK(Same(image.Table(FlowComputerPasswordTable) + i * FlowComputerPasswordSize,
                        entry + off::FlowComputerPassword, FlowComputerPasswordSize));
    }
    FUZZ_CHECK(record.bytes[off::Chromatograph] != 0 && record.bytes[off::MoistureMeter] != 0);

    // The record made of the image after a reading holds the same tables.
    const ConfigRecord made = ImageToRecord(image);
    for (const Place& p : Tables)
        FUZZ_CHECK(Same(made.At(p.offset), record.At(p.offset), p.size));
    for (int i = 0; i < n; ++i)
        FUZZ_CHECK(Same(made.FlowComputer(i), record.FlowComputer(i), 4));

    if (!users) return;
    const uint8_t* list = image.Table(UsersTable);
    FUZZ_CHECK(!CheckUsersList(list, UsersCheck::Configuration).has_value());
    int manufacturers = 0;
    for (int u = 0; u < UserCount; ++u) {
        const uint8_t* user = UserRecordAt(list, u);
        const uint8_t* given = UserRecordAt(record.At(off::Users), u);
        FUZZ_CHECK(user[UserReservedAt] == 0 && user[UserLevelAt] == given[UserLevelAt]);
        manufacturers += user[UserLevelAt] == Manufacturer ? 1 : 0;
        if (user[UserLevelAt] == NoAccess) {
            FUZZ_CHECK(IsBlankName(user) && IsBlankCode(user));
            FUZZ_CHECK(std::all_of(user + UserPasswordAt, user + UserPasswordAt + UserPasswordSize,
                                   [](uint8_t b) { return b == ' '; }));
        } else {
            FUZZ_CHECK(Same(user, given, UserNameSize) && Same(user + UserPasswordAt, given + UserPasswordAt, 16));
        }
    }
    FUZZ_CHECK(manufacturers == 1);
}

void CheckConfiguration(const ConfigRecord& record) {
    std::optional<ConfigFault> faults[2];
    for (const bool users : {false, true}) {
        ConfigImage image;
        faults[users] = CopyRecordToImage(record, image, users);
        if (faults[users]) {
            FUZZ_CHECK(!faults[users]->line1.isEmpty());
            continue;
        }
        CheckImage(record, image, users);
    }
    FUZZ_CHECK(faults[true].has_value() || !faults[false].has_value());
    if (record.bytes[off::Chromatograph] == 0 || record.bytes[off::MoistureMeter] == 0 ||
        record.FlowComputerCount() > MaxFlowComputers)
        FUZZ_CHECK(faults[false].has_value());

    const QString folder = QStringLiteral("/cfg");
    const QString name = ProposedConfigFileName(folder, record, QDateTime(QDate(2024, 3, 5), QTime(9, 7)));
    FUZZ_CHECK(name.startsWith(folder + QStringLiteral("/zmk_10-")) && name.endsWith(QStringLiteral("-2403050907.cnf")));
    FUZZ_CHECK(!name.mid(folder.size() + 1).contains(u'/') && !name.contains(QChar(0)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = Bytes(data, size);
    const QString path = ScratchPath(QStringLiteral("input.cnf"));
    WriteFile(path, input);
    FileMessage message;
    const std::optional<ConfigRecord> record = ReadConfigFile(path, &message);
    CheckFileRead(input, record, message);
    if (!record) return 0;
    if (Sampled(input, SaveShare)) CheckSaveAndReopen(input, *record);
    CheckConfiguration(*record);
    return 0;
}
