// zmkctl save-config, check-config and write-config: the controller's whole
// configuration and its files (".cnf").
#include "Configuration.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "Connection.h"
#include "Output.h"
#include "common/FileMessage.h"
#include "common/PackedDate.h"
#include "link/ControllerLink.h"
#include "link/SubscriberList.h"
#include "settings/MainSettings.h"
#include "tables/Catalogue.h"
#include "tables/ConfigRecord.h"
#include "tables/ConfigWrite.h"
#include "tables/ControllerClock.h"
#include "tables/Identification.h"
#include "tables/LinkParams.h"
#include "tables/TableEngine.h"
#include "tables/UpperLevelAdoption.h"
#include "tables/UsersTable.h"

namespace zmkctl {

const char* const ConfigurationUsage =
    "  save-config -o FILE.cnf      reads the whole configuration (every configuration\n"
    "                               table but 13, the flow computers' passwords, which\n"
    "                               the controller never gives out) and saves it into FILE\n"
    "                               as the program does; progress on stderr. A reading\n"
    "                               that fails leaves FILE as it was (exit 1)\n"
    "  write-config FILE.cnf [--tables LIST] [--any-channel]\n"
    "                               writes the configuration of FILE into a controller of\n"
    "                               software version 14 (one without configuration), as\n"
    "                               \"Записать все таблицы\" does: every configuration\n"
    "                               table, the users restored with blank credentials, the\n"
    "                               clock set to the computer's time; with --tables (such\n"
    "                               as 3,5,22-26) the listed configuration tables. Table 2\n"
    "                               is written only when destroyed, table 4 exactly when\n"
    "                               destroyed (always, with version 14); the clock without\n"
    "                               other tables (but 4) is refused while the system\n"
    "                               parameters, its clock-change rules, are destroyed\n"
    "                               (always, with version 14). FILE is checked\n"
    "                               first as the program checks it (the fault's two lines\n"
    "                               on stderr, exit 1). The password and user code must\n"
    "                               be those of a user in FILE once the users table is\n"
    "                               restored. After table 3 the link follows the\n"
    "                               controller's new address (on a direct line its rate\n"
    "                               too). Progress on stderr. Only over a direct serial\n"
    "                               line (--serial without --modem): TCP and modem lines\n"
    "                               are refused with exit 2 before anything is opened;\n"
    "                               --any-channel lifts that rule for bench and test\n"
    "                               set-ups\n";

const char* const CheckConfigUsage =
    "  check-config FILE.cnf        checks a configuration file as the program checks it\n"
    "                               before a write (users included): the file's refusal\n"
    "                               or the first fault the check stops at, on stderr\n"
    "                               (exit 1); \"ok\" when there is none\n";

namespace {

using namespace zmk;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

constexpr int ServedTypeCode = 73;

int Usage(const QString& command, const QString& message) {
    err() << "zmkctl: " << command << ": " << message << Qt::endl << "usage:\n" << ConfigurationUsage
          << CheckConfigUsage;
    return ExitUsage;
}

// A message of the program as lines on stderr, an empty second line left out.
void PrintLines(const QString& line1, const QString& line2 = QString()) {
    err() << line1 << Qt::endl;
    if (!line2.isEmpty()) err() << line2 << Qt::endl;
}

// The table engine's retry question: tell what failed, never repeat.
class ReportFailure : public RetryQuestion {
public:
    explicit ReportFailure(ControllerLink& link) : link_(link) {}
    bool AskRetry(const QString& line1, const QString& line2) override {
        if (link_.Status != LinkStatus::Ok) err() << link_.StatusText() << Qt::endl;
        PrintLines(line1, line2);
        return false;
    }
    void CallLost(const QString& statusText) override {
        if (!lossReported_) err() << statusText << Qt::endl;
        lossReported_ = true;
    }

private:
    ControllerLink& link_;
    bool lossReported_ = false;
};

struct Tables {
    explicit Tables(Connection& conn) : failure(conn.link()), engine(conn.link(), image, failure) {}
    ConfigImage image;
    ReportFailure failure;
    TableEngine engine;
};

// Reads the identification and accepts only the ЗМК_10 (type code 73,
// software version 10 or 14), as the program does when it connects.
bool IdentifyServed(Tables& t) {
    if (!t.engine.ReadTable({IdentificationTable, 0, IdentificationFieldCount}, nullptr)) return false;
    const uint8_t* ident = t.image.Table(IdentificationTable);
    if (ident[IdentTypeCode] != ServedTypeCode) {
        PrintLines(QStringLiteral("Код типа подключенного контроллера  %1").arg(int(ident[IdentTypeCode])),
                   QStringLiteral("Программа обслуживает контроллеры ЗМК_10"));
        return false;
    }
    const int version = ident[IdentSoftwareVersion];
    if (version != VersionWithConfiguration && version != VersionWithoutConfiguration) {
        PrintLines(QStringLiteral("Версия ПО подключенного контроллера %1").arg(version),
                   QStringLiteral("Программа обслуживает контроллеры ЗМК только с версией ПО 10"));
        return false;
    }
    return true;
}

// The progress of a reading: one line a table.
class ReadingProgress : public ConfigProgress {
public:
    void SetMaximum(int maximum) override { maximum_ = maximum; }
    void SetPosition(int position) override {
        if (position > 0 && position < maximum_) err() << "read: " << position << '/' << maximum_ << Qt::endl;
    }

private:
    int maximum_ = 0;
};

// The progress of a write: the table just written, found as the one the
// write has unmarked since the last step.
class WritingProgress : public ConfigProgress {
public:
    explicit WritingProgress(const TableSelection& selection) : selection_(selection), before_(selection.write) {}
    void SetMaximum(int maximum) override { maximum_ = maximum; }
    void SetPosition(int position) override {
        for (int t = 0; t < TableCount; ++t) {
            if (before_[size_t(t)] && !selection_.write[size_t(t)])
                err() << "written: table " << t << " (" << position << '/' << maximum_ << ')' << Qt::endl;
        }
        before_ = selection_.write;
    }

private:
    const TableSelection& selection_;
    std::array<bool, TableCount> before_;
    int maximum_ = 0;
};

// What the write tells as it goes: the link follows the controller's new
// address (and on a direct line its rate) once table 3 is written, since
// the controller answers only there from then on.
class FollowingObserver : public ConfigWriteObserver {
public:
    explicit FollowingObserver(ControllerLink& link) : link_(link) {}
    void UpperLevelWritten(const uint8_t* table3) override {
        // Nothing is kept for a next connection: zmkctl has no settings.
        MainSettings settings;
        SubscriberLists lists{};
        AdoptUpperLevelLink(link_, settings, lists, table3);
        err() << "link: address " << link_.Address;
        if (link_.ChannelKind == ChannelDirect) err() << ", " << link_.BaudRate << " bit/s";
        err() << Qt::endl;
    }
    void NameWritten(const QString& name) override { err() << "name: " << name << Qt::endl; }

private:
    ControllerLink& link_;
};

// The file's refusal in the program's words.
std::optional<ConfigRecord> ReadFile(const QString& path) {
    FileMessage message;
    std::optional<ConfigRecord> record = ReadConfigFile(path, &message);
    if (!record) PrintLines(message.first, message.second);
    return record;
}

// The users list of the record as it is written: level-0 records blanked,
// reserved bytes cleared, checked by the rules of a configuration.
std::optional<UsersListFault> CheckedUsers(const ConfigRecord& record, uint8_t* users) {
    std::memcpy(users, record.At(config_offset::Users), UsersListSize);
    NormalizeUsersList(users);
    return CheckUsersList(users, UsersCheck::Configuration);
}

// Whether the link's password and code are those of a user of the list:
// once a restored users table is in force, only such a user may write.
bool CredentialsInList(const ControllerLink& link, const uint8_t* users) {
    for (int u = 0; u < UserCount; ++u) {
        const uint8_t* record = UserRecordAt(users, u);
        if (record[UserLevelAt] == NoAccess) continue;
        if (std::equal(link.WritePassword.begin(), link.WritePassword.end(), record + UserPasswordAt) &&
            std::equal(link.UserCode.begin(), link.UserCode.end(), record + UserCodeAt))
            return true;
    }
    return false;
}

// --tables LIST: numbers and ranges (A-B) separated by commas, each a
// configuration table. False with *error set otherwise.
bool ParseTableList(const QString& text, std::array<bool, TableCount>* checked, QString* error) {
    checked->fill(false);
    for (const QString& part : text.split(u',')) {
        const QStringList ends = part.trimmed().split(u'-');
        bool ok1 = false, ok2 = false;
        const int from = ends[0].toInt(&ok1);
        const int to = ends.size() == 2 ? ends[1].toInt(&ok2) : from;
        if (!ok1 || (ends.size() == 2 && !ok2) || ends.size() > 2 || from > to || from < 0 || to >= TableCount) {
            *error = QStringLiteral("--tables: expected table numbers and ranges separated by commas, got \"%1\"")
                         .arg(text);
            return false;
        }
        for (int t = from; t <= to; ++t) {
            if (!Descriptor(t).inConfig) {
                std::array<int, TableCount> tables;
                const int n = ConfigurationTables(tables);
                QStringList names;
                for (int i = 0; i < n; ++i) names << QString::number(tables[size_t(i)]);
                *error = QStringLiteral("--tables: table %1 is not a configuration table (those are %2)")
                             .arg(t)
                             .arg(names.join(u' '));
                return false;
            }
            (*checked)[size_t(t)] = true;
        }
    }
    return true;
}

struct WriteArguments {
    QString path;
    bool tablesGiven = false;
    std::array<bool, TableCount> tables{};
    bool anyChannel = false;
};

// The arguments of write-config; a usage error's exit code otherwise.
std::optional<int> ParseWriteArguments(const QStringList& args, WriteArguments* a) {
    const QString command = QStringLiteral("write-config");
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--tables")) {
            if (i + 1 >= args.size()) return Usage(command, QStringLiteral("--tables needs a LIST"));
            QString error;
            if (!ParseTableList(args[++i], &a->tables, &error)) return Usage(command, error);
            a->tablesGiven = true;
        } else if (args[i] == QLatin1String("--any-channel")) {
            a->anyChannel = true;
        } else if (args[i].startsWith(QLatin1String("--")) || !a->path.isEmpty()) {
            return Usage(command, QStringLiteral("unexpected \"%1\"").arg(args[i]));
        } else {
            a->path = args[i];
        }
    }
    if (a->path.isEmpty()) return Usage(command, QStringLiteral("write-config FILE.cnf [--tables LIST] [--any-channel]"));
    return std::nullopt;
}

// The check the program makes before a write, on the tables it writes: the
// users (when table 4 is written) and, unless only tables 2 and 4 are,
// every table of the record copied into the image. Prints the fault.
bool CheckBeforeWrite(const ConfigRecord& record, ConfigImage& image, bool onlyClockAndUsers, bool users) {
    std::optional<ConfigFault> fault;
    if (!onlyClockAndUsers) {
        fault = CopyRecordToImage(record, image, users);
    } else if (users) {
        std::array<uint8_t, UsersListSize> list;
        if (const auto f = CheckedUsers(record, list.data()))
            fault = ConfigFault{f->line1, f->line2};
        else
            std::memcpy(image.Table(UsersTable), list.data(), list.size());
    }
    if (!fault) return true;
    PrintLines(fault->line1, fault->line2);
    PrintLines(QStringLiteral("Запись таблиц не выполнена"));
    return false;
}

QString WrittenLater(const TableSelection& s) {
    QStringList tables;
    for (int t = 0; t < TableCount; ++t)
        if (s.write[size_t(t)]) tables << QString::number(t);
    return tables.join(u' ');
}

}  // namespace

int SaveConfigCommand(Connection& conn, const QStringList& args) {
    const QString command = QStringLiteral("save-config");
    if (args.size() != 2 || args[0] != QLatin1String("-o") || args[1].isEmpty())
        return Usage(command, QStringLiteral("save-config -o FILE.cnf"));
    const QString path = args[1];
    if (conn.CheckOnly()) return ExitOk;

    Tables t(conn);
    ReadingProgress progress;
    // The identification first: it tells the name's code page and goes into the record.
    if (!IdentifyServed(t) || !ReadConfiguration(t.engine, nullptr, progress)) {
        PrintLines(QStringLiteral("Параметры конфигурации не прочитаны"));
        return ExitFailed;
    }
    const ConfigRecord record = ImageToRecord(t.image);
    FileMessage message;
    if (!WriteConfigFile(path, record, &message)) {
        PrintLines(message.first, message.second);
        err() << path << Qt::endl;
        return ExitFailed;
    }
    const FileMessage saved = ConfigSavedMessage(path);
    out() << saved.first << ' ' << saved.second << Qt::endl;
    if (record.bytes[config_offset::SoftwareVersion] != ConfigSoftwareVersion)
        err() << "note: the record carries the controller's software version "
              << record.bytes[config_offset::SoftwareVersion]
              << "; the program opens only configuration files of version " << ConfigSoftwareVersion << Qt::endl;
    return ExitOk;
}

int CheckConfigCommand(const QStringList& args) {
    if (args.size() != 1 || args[0].startsWith(QLatin1String("--")))
        return Usage(QStringLiteral("check-config"), QStringLiteral("check-config FILE.cnf"));
    const std::optional<ConfigRecord> record = ReadFile(args[0]);
    if (!record) return ExitFailed;
    ConfigImage image;
    if (const auto fault = CopyRecordToImage(*record, image, true)) {
        PrintLines(fault->line1, fault->line2);
        return ExitFailed;
    }
    out() << "ok" << Qt::endl;
    return ExitOk;
}

int WriteConfigCommand(Connection& conn, const QStringList& args) {
    const QString command = QStringLiteral("write-config");
    WriteArguments a;
    if (const auto usage = ParseWriteArguments(args, &a)) return *usage;
    // The program offers the write only on a direct line.
    if (conn.ChannelKind() != ChannelDirect && !a.anyChannel)
        return Usage(command, QStringLiteral("a configuration is written only over a direct serial line (--serial "
                                             "without --modem); --any-channel allows any line for bench and test "
                                             "set-ups"));

    // The selection: the only controller that takes the write, version 14,
    // has no configuration, and every table counts as destroyed without
    // reading table 7 (so table 4 is always written).
    TableSelection selection = TableSelection::AllDestroyed();
    if (a.tablesGiven) MarkCheckedTables(selection, a.tables);
    else MarkAllTables(selection);
    const bool onlyClockAndUsers = !selection.AnyMarkedBesides({ClockTable, UsersTable});
    // The file and its check before anything is opened.
    const std::optional<ConfigRecord> record = ReadFile(a.path);
    if (!record) return ExitFailed;
    if (conn.CheckOnly()) {
        ConfigImage scratch;
        return CheckBeforeWrite(*record, scratch, onlyClockAndUsers, selection.write[UsersTable]) ? ExitOk : ExitFailed;
    }

    Tables t(conn);
    ControllerLink& link = conn.link();
    if (!IdentifyServed(t)) return ExitFailed;
    const int version = t.image.Table(IdentificationTable)[IdentSoftwareVersion];
    if (version != VersionWithoutConfiguration) {
        err() << "the controller has software version " << version
              << " and keeps its configuration: a configuration is written only into a controller of software "
                 "version 14"
              << Qt::endl;
        return ExitFailed;
    }
    if (!CheckBeforeWrite(*record, t.image, onlyClockAndUsers, selection.write[UsersTable])) return ExitFailed;

    if (selection.write[UsersTable] && !CredentialsInList(link, t.image.Table(UsersTable))) {
        err() << "the password and user code given are not those of a user in " << QFileInfo(a.path).fileName()
              << ": once its users table is written, the controller would refuse every further write; nothing written"
              << Qt::endl;
        return ExitFailed;
    }
    if (onlyClockAndUsers && selection.write[ClockTable]) {
        // The clock goes alone by the controller's own clock-change rules,
        // which a destroyed table of system parameters does not hold.
        if (selection.destroyed[SystemTable]) {
            PrintLines(QStringLiteral("Запись даты и времени невозможна"),
                       QStringLiteral("при разрушенной таблице системных параметров"));
            return ExitFailed;
        }
        if (!t.engine.ReadTable({SystemTable, 0, SystemFieldCount}, nullptr)) return ExitFailed;
    }

    if (selection.write[UsersTable]) {
        if (!RestoreUsersTable(t.engine, nullptr)) {
            PrintLines(QStringLiteral("Таблица зарегистрированных пользователей не восстановлена"),
                       QStringLiteral("Запись в таблицы параметров конфигурации недопустима"));
            return ExitFailed;
        }
        selection.write[UsersTable] = false;
        err() << "written: table " << UsersTable << " (the users, with blank credentials)" << Qt::endl;
    }
    if (selection.write[ClockTable]) {
        const PackedDate now = ComputerClockTime(CurrentDateTimeValue());
        FillClockFromComputer(t.image.Table(ClockTable), now, t.image.Table(SystemTable));
        if (!t.engine.WriteTable({ClockTable, 0, ClockFieldCount}, nullptr)) {
            err() << "not written: " << WrittenLater(selection) << Qt::endl;
            return ExitFailed;
        }
        selection.write[ClockTable] = false;
        const ClockReading clock = ControllerClock(t.image.Table(ClockTable));
        err() << "written: table " << ClockTable << " (the computer's time " << ClockDateText(clock.time) << ' '
              << ClockTimeText(clock.time) << ')' << Qt::endl;
    }

    WritingProgress progress(selection);
    FollowingObserver observer(link);
    if (!WriteConfiguration(t.engine, selection, nullptr, progress, observer)) {
        err() << "not written: " << WrittenLater(selection) << Qt::endl;
        return ExitFailed;
    }
    out() << "written: " << QFileInfo(a.path).fileName() << Qt::endl;
    return ExitOk;
}

}  // namespace zmkctl
