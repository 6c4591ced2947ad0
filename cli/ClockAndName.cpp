// zmkctl clock, set-clock and set-name: the controller's clock and name.
#include "ClockAndName.h"

#include <algorithm>
#include <array>
#include <optional>

#include "Connection.h"
#include "Output.h"
#include "common/DosCodePage.h"
#include "common/PackedDate.h"
#include "link/ControllerLink.h"
#include "tables/ControllerClock.h"
#include "tables/ControllerName.h"
#include "tables/Identification.h"
#include "tables/TableEngine.h"

namespace zmkctl {

const char* const ClockAndNameUsage =
    "  clock                        the controller's clock (table 2) beside the computer's:\n"
    "                               date, time, weekday, time kind; what differs; the\n"
    "                               correction the program would send\n"
    "  set-clock                    writes the computer's time into the controller's clock\n"
    "                               (table 2, with its weekday and time kind)\n"
    "  set-clock --correct [SECONDS]\n"
    "                               corrects the controller's clock (function code 12): by\n"
    "                               the difference to the computer's clock without leaving\n"
    "                               the controller's hour, or by SECONDS (-32768..32767)\n"
    "  set-name TEXT                the controller's name (table 5, at most 20 characters),\n"
    "                               in the controller's code page, written when it changed\n";

namespace {

using namespace zmk;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Table 7: one state byte per table, nonzero = destroyed.
constexpr uint8_t StatesTable = 7;
constexpr uint8_t StatesRead = 7;

int Usage(const QString& command, const QString& message) {
    err() << "zmkctl: " << command << ": " << message << Qt::endl << "usage:\n" << ClockAndNameUsage;
    return ExitUsage;
}

// The table engine's retry question: tell what failed, never repeat.
class ReportFailure : public RetryQuestion {
public:
    explicit ReportFailure(ControllerLink& link) : link_(link) {}
    bool AskRetry(const QString& line1, const QString& line2) override {
        if (link_.Status != LinkStatus::Ok) err() << link_.StatusText() << Qt::endl;
        err() << line1 << ' ' << line2 << Qt::endl;
        return false;
    }

private:
    ControllerLink& link_;
};

struct Tables {
    explicit Tables(Connection& conn) : failure(conn.link()), engine(conn.link(), image, failure) {}
    bool Read(uint8_t table, uint8_t first, uint8_t count) { return engine.ReadTable({table, first, count}, nullptr); }
    ConfigImage image;
    ReportFailure failure;
    TableEngine engine;
};

QString ClockLine(const ClockReading& r) {
    return ClockDateText(r.time) + QLatin1Char(' ') + ClockTimeText(r.time) + QLatin1Char(' ') +
           ClockWeekdayText(r.weekday) + QLatin1Char(' ') + TimeKindText(r.winter);
}

// The table states allow the clock to be shown: the system parameters and
// the clock intact. Says why not on stderr.
bool ClockTablesIntact(Tables& t) {
    if (!t.Read(StatesTable, 0, StatesRead)) return false;
    const uint8_t* states = t.image.Table(StatesTable);
    if (states[SystemTable] != 0) {
        err() << QStringLiteral("Разрушена таблица системных параметров. "
                                "Информация о текущих дате и времени не может быть представлена")
              << Qt::endl;
        return false;
    }
    if (states[ClockTable] != 0) {
        err() << QStringLiteral("Таблица даты и времени разрушена.") << " (set-clock writes the computer's time)"
              << Qt::endl;
        return false;
    }
    return true;
}

// Reads the clock; the computer's clock is taken when the answer came.
bool ReadClock(Tables& t, ClockReading* controller, ClockReading* computer) {
    if (!t.Read(SystemTable, 0, SystemFieldCount) || !t.Read(ClockTable, 0, ClockFieldCount)) return false;
    const PackedDate pcTime = ComputerClockTime(t.engine.Link().LastExchangeTime);
    *controller = ControllerClock(t.image.Table(ClockTable));
    *computer = ComputerClock(pcTime, t.image.Table(SystemTable));
    return true;
}

bool SendCorrection(Connection& conn, int seconds) {
    uint8_t body[2];
    CorrectionBody(seconds, body);
    if (conn.link().SendRequest(ClockCorrectionCode, body, sizeof body)) {
        out() << "corrected: " << seconds << Qt::endl;
        return true;
    }
    err() << conn.link().StatusText() << Qt::endl << QStringLiteral("Корректировка времени не выполнена") << Qt::endl;
    return false;
}

}  // namespace

int ClockCommand(Connection& conn, const QStringList& args) {
    if (!args.isEmpty()) return Usage(QStringLiteral("clock"), QStringLiteral("takes no arguments"));
    if (conn.CheckOnly()) return ExitOk;
    Tables t(conn);
    ClockReading controller, computer;
    if (!ClockTablesIntact(t) || !ReadClock(t, &controller, &computer)) return ExitFailed;
    const ClockDifferences d = CompareClocks(controller, computer);
    QStringList differs;
    if (d.date) differs << QStringLiteral("date");
    if (d.time) differs << QStringLiteral("time");
    if (d.weekday) differs << QStringLiteral("weekday");
    if (d.kind) differs << QStringLiteral("time-kind");
    out() << "controller: " << ClockLine(controller) << '\n'
          << "computer:   " << ClockLine(computer) << '\n'
          << "differs: " << (differs.isEmpty() ? QStringLiteral("nothing") : differs.join(u' ')) << '\n'
          << "correction: ";
    if (d.sameToTheSecond)
        out() << 0 << '\n';
    else if (!ClockCorrectable(controller.time))
        out() << "none (the controller's clock is no date; set-clock writes the computer's time)\n";
    else
        out() << ClockCorrection(controller.time, computer.time) << '\n';
    out().flush();
    return ExitOk;
}

int SetClockCommand(Connection& conn, const QStringList& args) {
    const QString command = QStringLiteral("set-clock");
    bool correct = false;
    std::optional<int> seconds;
    if (!args.isEmpty()) {
        if (args[0] != QLatin1String("--correct") || args.size() > 2)
            return Usage(command, QStringLiteral("set-clock [--correct [SECONDS]]"));
        correct = true;
        if (args.size() == 2) {
            bool ok = false;
            const int value = args[1].toInt(&ok);
            if (!ok || value < -32768 || value > 32767)
                return Usage(command, QStringLiteral("SECONDS: a whole number from -32768 to 32767, got \"%1\"").arg(args[1]));
            seconds = value;
        }
    }
    if (conn.CheckOnly()) return ExitOk;
    if (seconds) return SendCorrection(conn, *seconds) ? ExitOk : ExitFailed;

    Tables t(conn);
    if (!correct) {
        // The clock-change rules give the time kind written with the time.
        if (!t.Read(SystemTable, 0, SystemFieldCount)) return ExitFailed;
        const PackedDate now = ComputerClockTime(CurrentDateTimeValue());
        FillClockFromComputer(t.image.Table(ClockTable), now, t.image.Table(SystemTable));
        if (!t.engine.WriteTable({ClockTable, 0, ClockFieldCount}, nullptr)) return ExitFailed;
        out() << "written: " << ClockLine(ControllerClock(t.image.Table(ClockTable))) << Qt::endl;
        return ExitOk;
    }
    ClockReading controller, computer;
    if (!ClockTablesIntact(t) || !ReadClock(t, &controller, &computer)) return ExitFailed;
    if (CompareClocks(controller, computer).sameToTheSecond) {
        out() << "corrected: 0 (the clocks agree, nothing sent)" << Qt::endl;
        return ExitOk;
    }
    if (!ClockCorrectable(controller.time)) {
        err() << "the controller's clock (" << ClockDateText(controller.time) << ' ' << ClockTimeText(controller.time)
              << ") is no date to correct; set-clock writes the computer's time" << Qt::endl;
        return ExitFailed;
    }
    return SendCorrection(conn, ClockCorrection(controller.time, computer.time)) ? ExitOk : ExitFailed;
}

int SetNameCommand(Connection& conn, const QStringList& args) {
    const QString command = QStringLiteral("set-name");
    if (args.size() != 1) return Usage(command, QStringLiteral("set-name TEXT (one argument; quote blanks)"));
    const QString text = args[0];
    if (text.size() > NameLength) return Usage(command, QStringLiteral("at most %1 characters").arg(NameLength));
    if (const QString bad = UnstorableNameCharacters(text, false); !bad.isEmpty())
        return Usage(command, QStringLiteral("characters the name cannot hold: \"%1\"").arg(bad));
    if (conn.CheckOnly()) return ExitOk;

    Tables t(conn);
    if (!t.Read(IdentificationTable, 0, IdentificationFieldCount) || !t.Read(NameTable, 0, 1)) return ExitFailed;
    const bool dos = KeepsDosTexts(t.image.Table(IdentificationTable));
    if (const QString bad = UnstorableNameCharacters(text, dos); !bad.isEmpty()) {
        err() << QStringLiteral("Недопустимые символы в наименовании контроллера: \"%1\"").arg(bad)
              << " (the controller keeps its texts in the DOS code page)" << Qt::endl;
        return ExitFailed;
    }
    uint8_t* name = t.image.Table(NameTable);
    std::array<uint8_t, NameLength> old;
    std::copy_n(name, NameLength, old.begin());
    PutNameText(text, name);
    if (dos) EncodeDosText(name, NameLength);
    if (!t.engine.WriteTableChanges({NameTable, 0, 1}, old.data(), nullptr)) return ExitFailed;
    if (dos) DecodeDosText(name, NameLength);
    out() << "name: " << NameText(name) << Qt::endl;
    return ExitOk;
}

}  // namespace zmkctl
