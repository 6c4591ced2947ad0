// zmkctl save-config, write-config and check-config: a configuration read
// from one simulated controller, written into one without configuration
// (software version 14) and read back; the rules that refuse a write; the
// check's messages for broken files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <array>
#include <cstring>
#include <functional>
#include <vector>

#include "QtPrinters.h"
#include "SimLog.h"
#include "SimProcess.h"
#include "tables/Catalogue.h"
#include "tables/ConfigRecord.h"
#include "tables/UsersTable.h"

using namespace zmk;

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// zmkctl with the credentials of the simulator's commissioning engineer in
// the environment.
CtlRun Ctl(const QStringList& args, const QString& password = QStringLiteral("12345678")) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZMK_PASSWORD"), password);
    env.insert(QStringLiteral("ZMK_USER_CODE"), QStringLiteral("1234"));
    p.setProcessEnvironment(env);
    p.start(CtlPath(), args);
    CtlRun r;
    if (!p.waitForFinished(60000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList Tcp(const SimProcess& sim, int address = 1) {
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()), QStringLiteral("--addr"),
            QString::number(address)};
}

// The pseudo-terminal, quicker than TCP (whose link pauses before each request).
QStringList Pty(const SimProcess& sim, int address = 1) {
    return {QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"), QStringLiteral("115200"),
            QStringLiteral("--addr"), QString::number(address)};
}

// A request the simulator received: address, function, and for table
// requests the table, first field and count.
struct Request {
    int address, function, table, first, count;
    bool operator==(const Request&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Request& r) {
    return os << '{' << r.address << ',' << r.function << ',' << r.table << ',' << r.first << ',' << r.count << '}';
}

std::vector<Request> Requests(const QString& log) {
    std::vector<Request> result;
    for (const QByteArray& bytes : LoggedRequestFrames(log)) {
        if (bytes.size() < 10) continue;
        const int function = uint8_t(bytes[3]);
        const int head = function == 2 ? 21 : 5;
        if ((function != 1 && function != 2) || bytes.size() < head + 3) {
            result.push_back({uint8_t(bytes[1]), function, -1, -1, -1});
            continue;
        }
        result.push_back({uint8_t(bytes[1]), function, uint8_t(bytes[head]), uint8_t(bytes[head + 1]),
                          uint8_t(bytes[head + 2])});
    }
    return result;
}

std::vector<Request> Writes(const std::vector<Request>& requests) {
    std::vector<Request> writes;
    for (const Request& r : requests)
        if (r.function == 2) writes.push_back(r);
    return writes;
}

QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The record as a configuration file holds it (passwords transformed) ...
QByteArray FileBytes(ConfigRecord record) {
    TransformPasswords(record);
    return QByteArray(reinterpret_cast<const char*>(record.bytes.data()), ConfigRecordSize);
}

// ... and back, whatever the file's version.
ConfigRecord RecordOfFile(const QString& path) {
    ConfigRecord record;
    const QByteArray bytes = Contents(path);
    std::memcpy(record.bytes.data(), bytes.constData(), size_t(std::min<qsizetype>(bytes.size(), ConfigRecordSize)));
    TransformPasswords(record);
    return record;
}

void PutUser(ConfigRecord& r, int user, const char* name, uint8_t level, const char* password, const char* code) {
    uint8_t* record = UserRecordAt(r.At(config_offset::Users), user);
    std::memset(record, ' ', UserRecordSize);
    std::memcpy(record, name, std::strlen(name));
    record[UserLevelAt] = level;
    record[UserReservedAt] = 0;
    std::memcpy(record + UserPasswordAt, password, std::strlen(password));
    std::memcpy(record + UserCodeAt, code, std::strlen(code));
}

// A new configuration with the simulator's commissioning engineer and its
// one flow computer at an address: passes the check.
ConfigRecord SoundRecord() {
    ConfigRecord r = NewConfigRecord();
    PutUser(r, 0, "\xCD\xC0\xCB", Manufacturer, "12345678", "1234");
    r.FlowComputer(0)[0] = 1;
    return r;
}

const QString StatesAllIntact = [] {
    QString s;
    for (int t = 0; t < 38; ++t) s += QStringLiteral("7.%1: 00\n").arg(t);
    return s;
}();

}  // namespace

// A configuration read from a version-10 controller at address 7, given 16
// flow computers and new limits, written into a controller without
// configuration at address 1 over TCP: the users first with blank
// credentials, the clock, then the fixed order with long tables split; the
// link follows the new address once table 3 is written; afterwards nothing
// is destroyed and the configuration read back is the file's.
TEST(ZmkctlConfig, SavedConfigurationWrittenIntoControllerWithoutOne) {
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("saved.cnf"));
    const QString edited = dir.filePath(QStringLiteral("edited.cnf"));
    const QString readBack = dir.filePath(QStringLiteral("read-back.cnf"));
    const QString log = dir.filePath(QStringLiteral("frames.log"));

    {
        SimProcess source({QStringLiteral("--address"), QStringLiteral("7"), QStringLiteral("--name"),
                           QStringLiteral("ГРС-1"), QStringLiteral("--pty")});
        ASSERT_TRUE(source.ready()) << source.output().toStdString();
        const CtlRun r = Ctl(Pty(source, 7) + QStringList{QStringLiteral("save-config"), QStringLiteral("-o"), saved});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("Параметры конфигурации сохранены в файле saved.cnf\n"));
        EXPECT_TRUE(r.err.contains(QStringLiteral("read: 20/22\n"))) << r.err.toStdString();
    }
    const auto loaded = ReadConfigFile(saved);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->NameText(), QStringLiteral("ГРС-1"));
    EXPECT_EQ(loaded->At(config_offset::UpperLevel)[0], 7);

    ConfigRecord record = *loaded;
    record.bytes[config_offset::FlowComputerLink] = 16;
    for (int i = 0; i < 16; ++i) {
        uint8_t* entry = record.FlowComputer(i);
        entry[0] = uint8_t(20 + i);
        entry[1] = uint8_t(i % 3);
        entry[2] = uint8_t(i % 2);
        entry[3] = uint8_t((i + 1) % 2);
        std::memset(entry + config_offset::FlowComputerPassword, 'a' + i, FlowComputerPasswordSize);
    }
    record.LimitBlock(2)[0] ^= 0x40;
    ASSERT_TRUE(WriteConfigFile(edited, record));

    const QString state = dir.filePath(QStringLiteral("target.state"));
    SimProcess target({QStringLiteral("--version"), QStringLiteral("14"), QStringLiteral("--pty"),
                       QStringLiteral("--log"), log, QStringLiteral("--state"), state});
    ASSERT_TRUE(target.ready()) << target.output().toStdString();
    CtlRun r = Ctl(Tcp(target) + QStringList{QStringLiteral("write-config"), edited, QStringLiteral("--any-channel")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("written: edited.cnf\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("link: address 7\nwritten: table 3 (7/21)\n"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("written: table 29 (19/21)\n"))) << r.err.toStdString();

    const std::vector<Request> expected = {
        {1, 2, 4, 0, 10},  {1, 2, 4, 10, 6},  {1, 2, 2, 0, 8},   {1, 2, 9, 0, 8},   {1, 2, 17, 0, 16},
        {1, 2, 18, 0, 16}, {1, 2, 19, 0, 16}, {1, 2, 20, 0, 16}, {1, 2, 13, 0, 14}, {1, 2, 13, 14, 2},
        {1, 2, 3, 0, 4},   {7, 2, 5, 0, 1},   {7, 2, 6, 0, 12},  {7, 2, 14, 0, 8},  {7, 2, 15, 0, 8},
        {7, 2, 21, 0, 20}, {7, 2, 22, 0, 20}, {7, 2, 23, 0, 20}, {7, 2, 24, 0, 20}, {7, 2, 25, 0, 20},
        {7, 2, 26, 0, 20}, {7, 2, 28, 0, 2},  {7, 2, 29, 0, 7}};
    const std::vector<Request> requests = Requests(log);
    EXPECT_EQ(Writes(requests), expected);
    // Before the first write: the identification alone; table 7 is not read
    // from a controller without configuration.
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (Request{1, 1, 0, 0, 18}));
    EXPECT_EQ(requests[1].function, 2);

    r = Ctl(Pty(target, 7) + QStringList{QStringLiteral("read-table"), QStringLiteral("7")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, StatesAllIntact);

    // Read back: the file's record, but for what a controller never gives
    // out (the flow computers' passwords) and the controller's own version.
    r = Ctl(Pty(target, 7) + QStringList{QStringLiteral("save-config"), QStringLiteral("-o"), readBack});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ConfigRecord want = record;
    want.bytes[config_offset::SoftwareVersion] = 14;
    for (int i = 0; i < 16; ++i)
        std::memset(want.FlowComputer(i) + config_offset::FlowComputerPassword, ' ', FlowComputerPasswordSize);
    EXPECT_EQ(RecordOfFile(readBack), want);
    // The flow computers' passwords, which no reading shows, reached the
    // controller as they are in memory: in its state file, after the
    // 20-byte head and tables 0..12.
    int at = 20;
    for (int t = 0; t < 13; ++t) at += Descriptor(t).fieldCount * Descriptor(t).fieldSize;
    const QByteArray passwords = Contents(state).mid(at, 16 * 16);
    QByteArray expectedPasswords;
    for (int i = 0; i < 16; ++i) expectedPasswords += QByteArray(16, char('a' + i));
    EXPECT_EQ(passwords, expectedPasswords);
}

// The write is refused, with nothing written, over TCP without
// --any-channel (nothing opened at all), into a version-10 controller, for
// a file the check refuses, and for credentials no user of the file has;
// over a direct line it goes ahead with the listed tables (and the users,
// which a controller without configuration lacks).
TEST(ZmkctlConfig, WriteRefusalsAndTheDirectLine) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sound.cnf"));
    ASSERT_TRUE(WriteConfigFile(file, SoundRecord()));
    ConfigRecord broken = SoundRecord();
    broken.bytes[config_offset::Chromatograph] = 0;
    const QString brokenFile = dir.filePath(QStringLiteral("broken.cnf"));
    ASSERT_TRUE(WriteConfigFile(brokenFile, broken));

    const QString log14 = dir.filePath(QStringLiteral("v14.log"));
    SimProcess v14({QStringLiteral("--version"), QStringLiteral("14"), QStringLiteral("--pty"), QStringLiteral("--log"),
                    log14});
    ASSERT_TRUE(v14.ready()) << v14.output().toStdString();

    CtlRun r = Ctl(Tcp(v14) + QStringList{QStringLiteral("write-config"), file});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral(
        "zmkctl: write-config: a configuration is written only over a direct serial line")))
        << r.err.toStdString();

    r = Ctl(Tcp(v14) + QStringList{QStringLiteral("write-config"), brokenFile, QStringLiteral("--any-channel")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("Неверно задан адрес хроматографа\nЗапись таблиц не выполнена\n"));
    EXPECT_TRUE(Requests(log14).empty()) << "nothing reaches the controller before the check";

    r = Ctl(Tcp(v14) + QStringList{QStringLiteral("write-config"), file, QStringLiteral("--any-channel")},
            QStringLiteral("87654321"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("the password and user code given are not those of a user in sound.cnf")))
        << r.err.toStdString();
    EXPECT_TRUE(Writes(Requests(log14)).empty());

    // The clock alone goes by the controller's clock-change rules, which a
    // controller without configuration does not have.
    r = Ctl(Tcp(v14) + QStringList{QStringLiteral("write-config"), file, QStringLiteral("--tables"),
                                   QStringLiteral("2"), QStringLiteral("--any-channel")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("Запись даты и времени невозможна\nпри разрушенной таблице системных параметров\n"));
    EXPECT_TRUE(Writes(Requests(log14)).empty());

    // The direct line: --tables 5 writes the users (destroyed, so always)
    // and the name, not the clock.
    r = Ctl({QStringLiteral("--serial"), v14.ptyPath(), QStringLiteral("write-config"), file, QStringLiteral("--tables"),
             QStringLiteral("5")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(Writes(Requests(log14)),
              (std::vector<Request>{{1, 2, 4, 0, 10}, {1, 2, 4, 10, 6}, {1, 2, 5, 0, 1}}));

    const QString log10 = dir.filePath(QStringLiteral("v10.log"));
    SimProcess v10({QStringLiteral("--log"), log10});
    ASSERT_TRUE(v10.ready()) << v10.output().toStdString();
    r = Ctl(Tcp(v10) + QStringList{QStringLiteral("write-config"), file, QStringLiteral("--any-channel")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("the controller has software version 10"))) << r.err.toStdString();
    EXPECT_EQ(Requests(log10), (std::vector<Request>{{1, 1, 0, 0, 18}}));
}

// Table 3 with address 7 and rate code 15 written over a direct line into a
// controller that understands only its own rate: the name after it goes to
// address 7 at 19200 bit/s.
TEST(ZmkctlConfig, DirectLineFollowsNewAddressAndRate) {
    QTemporaryDir dir;
    ConfigRecord record = SoundRecord();
    const uint8_t upper[] = {7, 15, 0, 0};
    std::memcpy(record.At(config_offset::UpperLevel), upper, sizeof upper);
    const QString file = dir.filePath(QStringLiteral("fast.cnf"));
    ASSERT_TRUE(WriteConfigFile(file, record));
    const QString log = dir.filePath(QStringLiteral("frames.log"));
    SimProcess sim({QStringLiteral("--version"), QStringLiteral("14"), QStringLiteral("--pty"),
                    QStringLiteral("--check-line-rate"), QStringLiteral("--log"), log});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();

    CtlRun r = Ctl({QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"), QStringLiteral("9600"),
                    QStringLiteral("write-config"), file, QStringLiteral("--tables"), QStringLiteral("3,5")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("link: address 7, 19200 bit/s\n"))) << r.err.toStdString();
    EXPECT_EQ(Writes(Requests(log)),
              (std::vector<Request>{{1, 2, 4, 0, 10}, {1, 2, 4, 10, 6}, {1, 2, 3, 0, 4}, {7, 2, 5, 0, 1}}));

    r = Ctl({QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"), QStringLiteral("19200"),
             QStringLiteral("--addr"), QStringLiteral("7"), QStringLiteral("read-table"), QStringLiteral("3")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("3.0: 07\n3.1: 0F\n3.2: 00\n3.3: 00\n"));
}

// Malformed arguments are refused before anything is opened.
TEST(ZmkctlConfig, MalformedArguments) {
    const QStringList serial{QStringLiteral("--serial"), QStringLiteral("/nonexistent/zmk-tty")};
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"write-config"}, "write-config FILE.cnf"},
        {{"write-config", "a.cnf", "--tables"}, "--tables needs a LIST"},
        {{"write-config", "a.cnf", "--tables", "7"}, "--tables: table 7 is not a configuration table (those are 2 3 4 "
                                                    "5 6 9 13 14 15 17 18 19 20 21 22 23 24 25 26 28 29)"},
        {{"write-config", "a.cnf", "--tables", "3,x"}, "--tables: expected table numbers"},
        {{"write-config", "a.cnf", "--tables", "26-22"}, "--tables: expected table numbers"},
        {{"write-config", "a.cnf", "b.cnf"}, "unexpected \"b.cnf\""},
        {{"save-config"}, "save-config -o FILE.cnf"},
        {{"save-config", "-o"}, "save-config -o FILE.cnf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CtlRun r = Ctl(serial + c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
    const CtlRun r = Ctl({QStringLiteral("check-config")});
    EXPECT_EQ(r.exitCode, 2);
}

// check-config: the file's refusal or the first fault the check stops at,
// in the check's order, each line exactly; "ok" for a sound file.
TEST(ZmkctlConfig, CheckConfigLines) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        std::function<QByteArray()> file;
        int exitCode;
        QString err;
    };
    const auto with = [](std::function<void(ConfigRecord&)> change) {
        return [change] {
            ConfigRecord r = SoundRecord();
            change(r);
            return FileBytes(r);
        };
    };
    const std::vector<Case> cases = {
        {"sound", with([](ConfigRecord&) {}), 0, QString()},
        {"no users", [] { return FileBytes(NewConfigRecord()); }, 1,
         QStringLiteral("В списке зарегистрированных пользователей\nне зарегистрирован производитель-наладчик\n")},
        {"two level-1 users", with([](ConfigRecord& r) { PutUser(r, 3, "SEC", Manufacturer, "1", "9"); }), 1,
         QStringLiteral("Может быть зарегистрирован\nтолько один производитель-наладчик\n")},
        {"users 2 and 5 named alike", with([](ConfigRecord& r) {
             PutUser(r, 1, "ADM", Administrator, "a", "11");
             PutUser(r, 2, "ENG", Engineer, "e", "33");
             PutUser(r, 4, "ADM", Operator, "o", "44");
         }),
         1, QStringLiteral("Пользователи   2 и 5.\nСовпадение имен пользователей\n")},
        {"users 1 and 3 with one code", with([](ConfigRecord& r) { PutUser(r, 2, "ENG", Engineer, "e", "1234"); }), 1,
         QStringLiteral("Пользователи   1 и 3.\nСовпадение кодов идентификации пользователя\n")},
        {"user 2 without a name", with([](ConfigRecord& r) { PutUser(r, 1, "", Operator, "o", "44"); }), 1,
         QStringLiteral("Номер пользователя в таблице: 2.\nНе задано имя пользователя\n")},
        {"user 2 with a code of byte 0", with([](ConfigRecord& r) {
             PutUser(r, 1, "OPR", Operator, "o", "44");
             UserRecordAt(r.At(config_offset::Users), 1)[UserCodeAt] = 0;
         }),
         1, QStringLiteral("Номер пользователя в таблице: 2.\nНе задан код идентификации пользователя\n")},
        {"level-0 user with a name is blanked", with([](ConfigRecord& r) { PutUser(r, 1, "\xCD\xC0\xCB", NoAccess, "", ""); }),
         0, QString()},
        {"chromatograph address 0", with([](ConfigRecord& r) { r.bytes[config_offset::Chromatograph] = 0; }), 1,
         QStringLiteral("Неверно задан адрес хроматографа\n")},
        {"users before the chromatograph", with([](ConfigRecord& r) {
             r.bytes[config_offset::Chromatograph] = 0;
             PutUser(r, 3, "SEC", Manufacturer, "1", "9");
         }),
         1, QStringLiteral("Может быть зарегистрирован\nтолько один производитель-наладчик\n")},
        {"moisture meter address 0", with([](ConfigRecord& r) { r.bytes[config_offset::MoistureMeter] = 0; }), 1,
         QStringLiteral("Неверно задан адрес влагомера\n")},
        {"flow computer 2 of 2 at address 0", with([](ConfigRecord& r) {
             r.bytes[config_offset::FlowComputerLink] = 2;
             r.FlowComputer(0)[0] = 5;
             r.FlowComputer(1)[0] = 0;
         }),
         1, QStringLiteral("Неверно заданы адреса вычислителей РГ\n")},
        {"flow computer 3 at address 0, 2 connected", with([](ConfigRecord& r) {
             r.bytes[config_offset::FlowComputerLink] = 2;
             r.FlowComputer(0)[0] = 5;
             r.FlowComputer(1)[0] = 6;
         }),
         0, QString()},
        {"17 flow computers", with([](ConfigRecord& r) { r.bytes[config_offset::FlowComputerLink] = 17; }), 1,
         QStringLiteral("Неверно задано количество вычислителей РГ\n")},
        {"foreign", [] { return QByteArray(ConfigRecordSize, 'x'); }, 1,
         QStringLiteral("Файл case.cnf не является файлом конфигурации\nконтроллера ЗМК_10\n")},
        {"version 14", with([](ConfigRecord& r) { r.bytes[config_offset::SoftwareVersion] = 14; }), 1,
         QStringLiteral("Файл параметров конфигурации case.cnf подготовлен\nдля контроллера ЗМК_10 с версией ПО 14\n")},
        {"empty", [] { return QByteArray(); }, 1,
         QStringLiteral("Файл case.cnf не является файлом конфигурации\nконтроллера ЗМК_10\n")},
        {"cut after the moisture meter", [] { return FileBytes(SoundRecord()).left(351); }, 1,
         QStringLiteral("В списке зарегистрированных пользователей\nне зарегистрирован производитель-наладчик\n")},
    };
    const QString path = dir.filePath(QStringLiteral("case.cnf"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.file());
        f.close();
        const QByteArray before = Contents(path);
        const CtlRun r = Ctl({QStringLiteral("check-config"), path});
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, c.exitCode == 0 ? QStringLiteral("ok\n") : QString());
        EXPECT_EQ(Contents(path), before) << "the check never changes the file";
    }
    const CtlRun r = Ctl({QStringLiteral("check-config"), dir.filePath(QStringLiteral("missing.cnf"))});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("Ошибка открытия файла\n"));
}

// A reading that fails on the way (the tenth request answered too late)
// leaves the output file as it was and no temporary file beside it.
TEST(ZmkctlConfig, FailedSaveLeavesTheFileAsItWas) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.cnf"));
    const QByteArray old = FileBytes(SoundRecord());
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    SimProcess sim({QStringLiteral("--answer-delay-at"), QStringLiteral("10:1500"), QStringLiteral("--pty")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const CtlRun r = Ctl(Pty(sim) + QStringList{QStringLiteral("--wait-ms"), QStringLiteral("300"),
                                                QStringLiteral("save-config"), QStringLiteral("-o"), path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("Параметры конфигурации не прочитаны\n"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("read: 7/22\n"))) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("read: 8/22\n"))) << r.err.toStdString();
    EXPECT_EQ(Contents(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.cnf")});
}
