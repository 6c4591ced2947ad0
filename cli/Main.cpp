// zmkctl: the command-line companion of the service program. It talks to one
// controller over TCP or a serial line through the same link engine.
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextStream>

#include "Connection.h"
#include "tables/Catalogue.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitExchange = 1;
constexpr int ExitUsage = 2;

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}
QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

const char* const Usage =
    "usage: zmkctl CONNECTION COMMAND [ARGS]\n"
    "\n"
    "connection:\n"
    "  --tcp HOST:PORT | --serial DEVICE [--baud N (9600)]\n"
    "  --addr N (1; 255 answers from any address)   --preambles N (5)   --attempts N (1)\n"
    "  --wait-ms N (2000)   --gap-ms N (100)   --connect-ms N (5000)\n"
    "  --password TEXT   --user-code TEXT   --log FILE (every frame in hex, credentials masked)\n"
    "\n"
    "commands:\n"
    "  identify                     the controller's identification (table 0)\n"
    "  read-table T [FIRST [COUNT]] fields of table T, one line each: T.F: hex bytes\n"
    "  write-table T FIRST HEX...   writes fields FIRST.. of table T, one hex string a field\n";

int UsageError(const QString& message) {
    err() << "zmkctl: " << message << Qt::endl << Usage;
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

// Reads fields first..first+count-1 of a table, split as one request can carry.
bool ReadFields(zmkctl::Connection& conn, int table, int first, int count, QByteArray* data) {
    const int size = zmk::Descriptor(table).fieldSize;
    const int step = zmk::FieldsPerRead(table);
    for (int f = first; f < first + count; f += step) {
        const int n = std::min(step, first + count - f);
        const uint8_t body[3] = {uint8_t(table), uint8_t(f), uint8_t(n)};
        if (!conn.Request(1, body, 3)) return false;
        const auto& a = conn.link().AnswerBuf;
        if (a[5] != body[0] || a[6] != body[1] || a[7] != body[2] || a[2] < 10 + n * size) {
            err() << "Несоответствие запрошенных и переданных данных. Табл. " << table << Qt::endl;
            return false;
        }
        data->append(reinterpret_cast<const char*>(&a[8]), n * size);
    }
    return true;
}

int Identify(zmkctl::Connection& conn, const QStringList& args) {
    if (!args.isEmpty()) return UsageError(QStringLiteral("identify takes no arguments"));
    QByteArray t0;
    if (!ReadFields(conn, 0, 0, 18, &t0)) return ExitExchange;
    out() << "type-code: " << uint8_t(t0[1]) << '\n'
          << "software-version: " << uint8_t(t0[3]) << '\n'
          << "destroyed-table: " << uint8_t(t0[0]) << '\n'
          << "code-page: " << uint8_t(t0[12]) << '\n'
          << "address: " << conn.link().AnswerBuf[1] << Qt::endl;
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
    QByteArray data;
    if (!ReadFields(conn, table, first, count, &data)) return ExitExchange;
    const int size = zmk::Descriptor(table).fieldSize;
    for (int i = 0; i < count; ++i)
        out() << table << '.' << first + i << ": "
              << Hex(reinterpret_cast<const uint8_t*>(data.constData()) + i * size, size) << '\n';
    out().flush();
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
    const int step = zmk::FieldsPerWrite(table);
    for (int f = 0; f < count; f += step) {
        const int n = std::min(step, count - f);
        QByteArray body;
        body.append(char(table)).append(char(first + f)).append(char(n));
        body.append(data.mid(f * d.fieldSize, n * d.fieldSize));
        if (!conn.Request(2, reinterpret_cast<const uint8_t*>(body.constData()), int(body.size())))
            return ExitExchange;
        const auto& a = conn.link().AnswerBuf;
        if (a[5] != uint8_t(body[0]) || a[6] != uint8_t(body[1]) || a[7] != uint8_t(body[2])) {
            err() << "Несоответствие заголовка ответа заголовку запроса на запись. Табл. " << table << Qt::endl;
            return ExitExchange;
        }
    }
    out() << "written: " << table << '.' << first << ".." << first + count - 1 << Qt::endl;
    return ExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        out() << Usage;
        out().flush();
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    zmkctl::ConnectionOptions options;
    QString error;
    if (!zmkctl::ParseConnectionOptions(args, &options, &error)) return UsageError(error);
    if (args.isEmpty()) return UsageError(QStringLiteral("no command"));
    const QString command = args.takeFirst();

    using Handler = int (*)(zmkctl::Connection&, const QStringList&);
    Handler handler = nullptr;
    if (command == QLatin1String("identify")) handler = Identify;
    else if (command == QLatin1String("read-table")) handler = ReadTableCommand;
    else if (command == QLatin1String("write-table")) handler = WriteTableCommand;
    else return UsageError(QStringLiteral("unknown command %1").arg(command));

    zmkctl::Connection conn;
    if (!conn.Open(options, &error)) {
        err() << error << Qt::endl;
        return ExitExchange;
    }
    return handler(conn, args);
}
