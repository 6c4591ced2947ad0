// zmkctl: the command-line companion of the service program. It talks to one
// controller over TCP or a serial line through the same link engine.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QRegularExpression>
#include <memory>
#include <QTextStream>

#include "Output.h"
#include "ClockAndName.h"
#include "Configuration.h"
#include "Connection.h"
#include "EventCommands.h"
#include "ExportXlsx.h"
#include "Passport.h"
#include "ReadArchive.h"
#include "Limits.h"
#include "PrintReports.h"
#include "Users.h"
#include "Watch.h"
#include "common/Cp1251.h"
#include "tables/Catalogue.h"
#include "tables/TableEngine.h"
#include "common/DosCodePage.h"

namespace {

using zmkctl::err;
using zmkctl::out;

constexpr int ExitOk = 0;
constexpr int ExitExchange = 1;
constexpr int ExitUsage = 2;


const char* const Usage =
    "usage: zmkctl CONNECTION COMMAND [ARGS]\n"
    "\n"
    "connection:\n"
    "  --tcp HOST:PORT | --serial DEVICE [--baud N (9600)]\n"
    "  --addr N (1; 255 answers from any address)   --preambles N (5)   --attempts N (1)\n"
    "  --wait-ms N (2000)   --gap-ms N (100)   --connect-ms N (5000)\n"
    "  --password TEXT | --password-file FILE   --user-code TEXT\n"
    "      the program user's write password (the first line of FILE) and\n"
    "      identification code; without these options they are taken from the\n"
    "      environment, ZMK_PASSWORD and ZMK_USER_CODE (an option wins over the\n"
    "      environment). A password on the command line shows in the process list:\n"
    "      prefer the file or the environment\n"
    "  --log FILE   every frame in hex, appended to FILE; passwords and user codes\n"
    "      (in request heads, tables 4 and 13) are masked as **, and so is the\n"
    "      checksum of a frame with masked bytes\n"
    "  --show-secrets   read-table, dump, set and users print the users' passwords and codes\n"
    "      (table 4) and the flow computers' passwords (table 13), shown as ** otherwise\n"
    "  --modem --phone NUMBER [--init \"ATZ^AT&F\"] [--connect-wait S (50)] [--dial-attempts N (1)]\n"
    "      [--guard-ms N (1200)]\n"
    "      with --serial: the modem on DEVICE dials NUMBER (initialisation commands\n"
    "      separated by ^), the command runs over the line, the line is hung up after;\n"
    "      a failed call prints the dial result and exits with 1; --guard-ms: the\n"
    "      silence around the escape \"+++\" for modems with a longer guard time (S12)\n"
    "\n"
    "commands:\n"
    "  identify                     the controller's identification (table 0)\n"
    "  read-table T [FIRST [COUNT]] fields of table T, one line each: T.F: hex bytes\n"
    "  write-table T FIRST HEX...   writes fields FIRST.. of table T, one hex string a field\n"
    "  dump                         every table, one line a field\n"
    "  set T F=HEX [F=HEX ...]      changes fields of table T, writing only what differs\n"
    "%USERS%"
    "%LIMITS%"
    "%READ_ARCHIVE%"
    "%READ_EVENTS%"
    "%PASSPORT%"
    "%CLOCK_AND_NAME%"
    "%CONFIGURATION%"
    "%WATCH%"
    "\n"
    "without a connection:\n"
    "  decode-text HEX              the controller's DOS code page bytes as text\n"
    "  encode-text TEXT             text as the controller's DOS code page bytes\n"
    "%EXPORT_XLSX%"
    "%SHOW_EVENTS%"
    "%CHECK_CONFIG%"
    "%PRINT_REPORTS%"
    "\n"
    "exit codes, the same for every command:\n"
    "  0  done\n"
    "  1  the job failed: the link's status text, the controller's refusal or the\n"
    "     finding on stderr\n"
    "  2  malformed arguments (credentials included), or a line the command is\n"
    "     not taken over (write-config); nothing was opened\n"
    "  3  done, but some records failed their checksum (read-archive, read-events,\n"
    "     export-xlsx)\n";

QString UsageText() {
    return QString::fromUtf8(Usage).replace(QStringLiteral("%READ_ARCHIVE%"),
                                            QString::fromUtf8(zmkctl::ReadArchiveUsage))
        .replace(QStringLiteral("%CLOCK_AND_NAME%"), QString::fromUtf8(zmkctl::ClockAndNameUsage))
        .replace(QStringLiteral("%READ_EVENTS%"), QString::fromUtf8(zmkctl::ReadEventsUsage))
        .replace(QStringLiteral("%EXPORT_XLSX%"), QString::fromUtf8(zmkctl::ExportXlsxUsage))
        .replace(QStringLiteral("%SHOW_EVENTS%"), QString::fromUtf8(zmkctl::ShowEventsUsage))
        .replace(QStringLiteral("%PRINT_REPORTS%"), QString::fromUtf8(zmkctl::PrintReportsUsage))
        .replace(QStringLiteral("%USERS%"), QString::fromUtf8(zmkctl::UsersUsage))
        .replace(QStringLiteral("%LIMITS%"), QString::fromUtf8(zmkctl::LimitsUsage))
        .replace(QStringLiteral("%PASSPORT%"), QString::fromUtf8(zmkctl::PassportUsage))
        .replace(QStringLiteral("%CONFIGURATION%"), QString::fromUtf8(zmkctl::ConfigurationUsage))
        .replace(QStringLiteral("%CHECK_CONFIG%"), QString::fromUtf8(zmkctl::CheckConfigUsage))
        .replace(QStringLiteral("%WATCH%"), QString::fromUtf8(zmkctl::WatchUsage));
}

int UsageError(const QString& message) {
    err() << "zmkctl: " << message << Qt::endl << UsageText();
    return ExitUsage;
}

bool ParseNumber(const QString& text, int min, int max, int* value) {
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= min && *value <= max;
}

QString Hex(const uint8_t* bytes, int count) {
    return QByteArray(reinterpret_cast<const char*>(bytes), count).toHex(' ').toUpper();
}

// The engine's retry question, answered "no" after saying what failed.
class ReportFailure : public zmk::RetryQuestion {
public:
    explicit ReportFailure(zmk::ControllerLink& link) : link_(link) {}
    bool AskRetry(const QString& line1, const QString& line2) override {
        if (link_.Status != zmk::LinkStatus::Ok) err() << link_.StatusText() << Qt::endl;
        err() << line1 << ' ' << line2 << Qt::endl;
        return false;
    }
    void CallLost(const QString& statusText) override {
        // Said once: every later request fails the same way.
        if (!lossReported_) err() << statusText << Qt::endl;
        lossReported_ = true;
    }

private:
    zmk::ControllerLink& link_;
    bool lossReported_ = false;
};

// The table engine over the command's connection, never asking to repeat.
struct Tables {
    explicit Tables(zmkctl::Connection& conn) : failure(conn.link()), engine(conn.link(), image, failure) {}
    zmk::ConfigImage image;
    ReportFailure failure;
    zmk::TableEngine engine;
};

bool ReadFields(Tables& t, int table, int first, int count) {
    return t.engine.ReadTable({uint8_t(table), uint8_t(first), uint8_t(count)}, nullptr, true);
}

// The fields one line each, "T.F: hex bytes"; passwords and codes as "**"
// unless the secrets are to be shown.
void PrintFields(Tables& t, int table, int first, int count, bool showSecrets) {
    const int size = zmk::Descriptor(table).fieldSize;
    for (int f = first; f < first + count; ++f) {
        const uint8_t* field = t.image.Field(table, f);
        QStringList bytes;
        for (int i = 0; i < size; ++i)
            bytes << (!showSecrets && zmk::IsCredentialByte(table, i) ? QStringLiteral("**") : Hex(field + i, 1));
        out() << table << '.' << f << ": " << bytes.join(QLatin1Char(' ')) << '\n';
    }
    out().flush();
}

constexpr int IdentTypeCode = 1;
constexpr int IdentVersion = 3;
constexpr int ServedTypeCode = 73;

int Identify(zmkctl::Connection& conn, const QStringList& args) {
    if (!args.isEmpty()) return UsageError(QStringLiteral("identify takes no arguments"));
    if (conn.CheckOnly()) return ExitOk;
    Tables t(conn);
    if (!ReadFields(t, 0, 0, 18)) return ExitExchange;
    const uint8_t* t0 = t.image.Table(0);
    out() << "type-code: " << t0[IdentTypeCode] << '\n'
          << "software-version: " << t0[IdentVersion] << '\n'
          << "destroyed-table: " << t0[0] << '\n'
          << "code-page: " << t0[12] << '\n'
          << "address: " << conn.link().AnswerAddress() << Qt::endl;
    // Only the ЗМК_10 is served: type code 73 with software version 10 or 14.
    if (t0[IdentTypeCode] != ServedTypeCode) {
        err() << QStringLiteral("Код типа подключенного контроллера  %1").arg(int(t0[IdentTypeCode])) << ' '
              << QStringLiteral("Программа обслуживает контроллеры ЗМК_10") << Qt::endl;
        return ExitExchange;
    }
    if (t0[IdentVersion] != 10 && t0[IdentVersion] != 14) {
        err() << QStringLiteral("Версия ПО подключенного контроллера %1").arg(int(t0[IdentVersion])) << ' '
              << QStringLiteral("Программа обслуживает контроллеры ЗМК только с версией ПО 10") << Qt::endl;
        return ExitExchange;
    }
    return ExitOk;
}

bool TableArgument(const QString& text, int* table) {
    return ParseNumber(text, 0, zmk::TableCount - 1, table) && zmk::TableExists(*table);
}

int ReadTableCommand(zmkctl::Connection& conn, const QStringList& args) {
    int table = 0, first = 0, count = 0;
    if (args.isEmpty() || args.size() > 3) return UsageError(QStringLiteral("read-table T [FIRST [COUNT]]"));
    if (!TableArgument(args[0], &table)) return UsageError(QStringLiteral("no such table: %1").arg(args[0]));
    const int fields = zmk::Descriptor(table).fieldCount;
    if (args.size() > 1 && !ParseNumber(args[1], 0, fields - 1, &first))
        return UsageError(QStringLiteral("table %1 has fields 0..%2").arg(table).arg(fields - 1));
    count = fields - first;
    if (args.size() > 2 && !ParseNumber(args[2], 1, fields - first, &count))
        return UsageError(QStringLiteral("COUNT must be 1..%1").arg(fields - first));
    if (conn.CheckOnly()) return ExitOk;
    Tables t(conn);
    if (!ReadFields(t, table, first, count)) return ExitExchange;
    PrintFields(t, table, first, count, conn.ShowSecrets());
    return ExitOk;
}

int WriteTableCommand(zmkctl::Connection& conn, const QStringList& args) {
    int table = 0, first = 0;
    if (args.size() < 3) return UsageError(QStringLiteral("write-table T FIRST HEX..."));
    if (!TableArgument(args[0], &table)) return UsageError(QStringLiteral("no such table: %1").arg(args[0]));
    const auto& d = zmk::Descriptor(table);
    const int count = int(args.size()) - 2;
    if (!ParseNumber(args[1], 0, d.fieldCount - 1, &first) || first + count > d.fieldCount)
        return UsageError(QStringLiteral("table %1 has fields 0..%2").arg(table).arg(d.fieldCount - 1));
    QByteArray data;
    for (int i = 2; i < args.size(); ++i) {
        const QByteArray field = QByteArray::fromHex(args[i].toLatin1());
        static const QRegularExpression hexOnly(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
        if (!hexOnly.match(args[i]).hasMatch() || field.size() != d.fieldSize)
            return UsageError(QStringLiteral("field %1: expected %2 bytes in hex, got \"%3\"")
                                  .arg(first + i - 2).arg(d.fieldSize).arg(args[i]));
        data += field;
    }
    if (conn.CheckOnly()) return ExitOk;
    Tables t(conn);
    std::copy(data.begin(), data.end(), t.image.Field(table, first));
    if (!t.engine.WriteTable({uint8_t(table), uint8_t(first), uint8_t(count)}, nullptr)) return ExitExchange;
    out() << "written: " << table << '.' << first << ".." << first + count - 1 << Qt::endl;
    return ExitOk;
}

int DumpCommand(zmkctl::Connection& conn, const QStringList& args) {
    if (!args.isEmpty()) return UsageError(QStringLiteral("dump takes no arguments"));
    if (conn.CheckOnly()) return ExitOk;
    Tables t(conn);
    int rc = ExitOk;
    for (int table = 0; table < zmk::TableCount; ++table) {
        const int fields = zmk::Descriptor(table).fieldCount;
        if (fields == 0) continue;
        if (!zmk::TableReadable(table)) {
            err() << "table " << table << ": write-only, not read" << Qt::endl;
            continue;
        }
        if (!ReadFields(t, table, 0, fields)) {
            rc = ExitExchange;
            if (conn.link().CarrierLost()) break;
            continue;
        }
        PrintFields(t, table, 0, fields, conn.ShowSecrets());
    }
    return rc;
}

// set T F=HEX [F=HEX ...]: the whole table is read, the named fields changed
// in the image, and only what differs is written.
int SetCommand(zmkctl::Connection& conn, const QStringList& args) {
    int table = 0;
    if (args.size() < 2) return UsageError(QStringLiteral("set T F=HEX [F=HEX ...]"));
    if (!TableArgument(args[0], &table)) return UsageError(QStringLiteral("no such table: %1").arg(args[0]));
    const auto& d = zmk::Descriptor(table);
    std::vector<std::pair<int, QByteArray>> changes;
    static const QRegularExpression form(QStringLiteral("^(\\d+)=((?:[0-9A-Fa-f]{2})+)$"));
    for (int i = 1; i < args.size(); ++i) {
        const auto m = form.match(args[i]);
        int field = 0;
        if (!m.hasMatch() || !ParseNumber(m.captured(1), 0, d.fieldCount - 1, &field))
            return UsageError(QStringLiteral("expected F=HEX with F in 0..%1, got \"%2\"").arg(d.fieldCount - 1).arg(args[i]));
        const QByteArray bytes = QByteArray::fromHex(m.captured(2).toLatin1());
        if (bytes.size() != d.fieldSize)
            return UsageError(QStringLiteral("field %1: expected %2 bytes in hex").arg(field).arg(d.fieldSize));
        changes.emplace_back(field, bytes);
    }
    if (conn.CheckOnly()) return ExitOk;
    Tables t(conn);
    if (!ReadFields(t, table, 0, d.fieldCount)) return ExitExchange;
    const uint8_t* start = t.image.Table(table);
    const std::vector<uint8_t> old(start, start + d.fieldCount * d.fieldSize);
    for (const auto& [field, bytes] : changes) std::copy(bytes.begin(), bytes.end(), t.image.Field(table, field));
    if (!t.engine.WriteTableChanges({uint8_t(table), 0, d.fieldCount}, old.data(), nullptr)) return ExitExchange;
    PrintFields(t, table, 0, d.fieldCount, conn.ShowSecrets());
    return ExitOk;
}

// The controller's DOS code page: hex bytes -> text, and text -> hex bytes.
int DecodeTextCommand(const QStringList& args) {
    static const QRegularExpression hexOnly(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    const QString hex = args.join(QString()).remove(' ');
    if (args.isEmpty() || !hexOnly.match(hex).hasMatch())
        return UsageError(QStringLiteral("decode-text HEX: pairs of hexadecimal digits"));
    QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    zmk::DecodeDosText(reinterpret_cast<uint8_t*>(bytes.data()), int(bytes.size()));
    out() << zmk::FromCp1251(bytes) << Qt::endl;
    return ExitOk;
}

int EncodeTextCommand(const QStringList& args) {
    if (args.size() != 1) return UsageError(QStringLiteral("encode-text TEXT (one argument; quote blanks)"));
    bool ok = true;
    QByteArray bytes = zmk::ToCp1251(args[0], &ok);
    if (!ok) return UsageError(QStringLiteral("the text has characters outside the Windows-1251 code page"));
    zmk::EncodeDosText(reinterpret_cast<uint8_t*>(bytes.data()), int(bytes.size()));
    out() << Hex(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size())) << Qt::endl;
    return ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    // The printed reports need fonts, hence a GUI application; with no
    // display it paints on the offscreen platform.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && zmkctl::IsPrintCommand(argv[1])) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList args = app->arguments().mid(1);
    if (args.isEmpty() || args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out() << UsageText();
        out().flush();
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    // Commands that need no controller.
    if (args.first() == QLatin1String("decode-text")) return DecodeTextCommand(args.mid(1));
    if (args.first() == QLatin1String("encode-text")) return EncodeTextCommand(args.mid(1));
    if (args.first() == QLatin1String("export-xlsx")) return zmkctl::ExportXlsxCommand(args.mid(1));
    if (args.first() == QLatin1String("show-events")) return zmkctl::ShowEventsCommand(args.mid(1));
    if (args.first() == QLatin1String("check-config")) return zmkctl::CheckConfigCommand(args.mid(1));
    if (args.first() == QLatin1String("print-events")) return zmkctl::PrintEventsCommand(args.mid(1));
    if (args.first() == QLatin1String("print-moisture")) return zmkctl::PrintMoistureCommand(args.mid(1));

    // Commands with options of their own: what follows the command word is theirs.
    QStringList commandArgs;
    for (const char* name : {"read-archive", "read-events", "set-clock", "set-name", "set-limit",
                             "save-config", "write-config", "watch", "passport"}) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        if (at < 0) continue;
        commandArgs = args.mid(at + 1);
        args = args.mid(0, at + 1);
        break;
    }

    zmkctl::ConnectionOptions options;
    QString error;
    if (!zmkctl::ParseConnectionOptions(args, &options, &error)) return UsageError(error);
    args += commandArgs;
    if (args.isEmpty()) return UsageError(QStringLiteral("no command"));
    const QString command = args.takeFirst();

    using Handler = int (*)(zmkctl::Connection&, const QStringList&);
    Handler handler = nullptr;
    if (command == QLatin1String("identify")) handler = Identify;
    else if (command == QLatin1String("read-table")) handler = ReadTableCommand;
    else if (command == QLatin1String("write-table")) handler = WriteTableCommand;
    else if (command == QLatin1String("dump")) handler = DumpCommand;
    else if (command == QLatin1String("set")) handler = SetCommand;
    else if (command == QLatin1String("read-archive")) handler = zmkctl::ReadArchiveCommand;
    else if (command == QLatin1String("read-events")) handler = zmkctl::ReadEventsCommand;
    else if (command == QLatin1String("passport")) handler = zmkctl::PassportCommand;
    else if (command == QLatin1String("users")) handler = zmkctl::UsersCommand;
    else if (command == QLatin1String("limits")) handler = zmkctl::LimitsCommand;
    else if (command == QLatin1String("set-limit")) handler = zmkctl::SetLimitCommand;
    else if (command == QLatin1String("clock")) handler = zmkctl::ClockCommand;
    else if (command == QLatin1String("set-clock")) handler = zmkctl::SetClockCommand;
    else if (command == QLatin1String("set-name")) handler = zmkctl::SetNameCommand;
    else if (command == QLatin1String("save-config")) handler = zmkctl::SaveConfigCommand;
    else if (command == QLatin1String("write-config")) handler = zmkctl::WriteConfigCommand;
    else if (command == QLatin1String("watch")) handler = zmkctl::WatchCommand;
    else return UsageError(QStringLiteral("unknown command %1").arg(command));

    // Every argument is checked before anything is opened or dialled.
    {
        zmkctl::Connection check(zmkctl::Connection::ArgumentsOnly, zmkctl::ChannelOf(options));
        const int rc = handler(check, args);
        if (rc != ExitOk) return rc;
    }
    zmkctl::Connection conn;
    if (!conn.Open(options, &error)) {
        err() << error << Qt::endl;
        return ExitExchange;
    }
    return handler(conn, args);
}
