// zmkctl watch: the chromatograph's momentary values as the program's
// momentary-data window shows them, one line a second.

#include "Watch.h"

#include <QElapsedTimer>
#include <QThread>

#include "Connection.h"
#include "Interrupt.h"
#include "Output.h"
#include "link/ControllerLink.h"
#include "live/MomentaryData.h"
#include "settings/ReportFormat.h"
#include "tables/TableEngine.h"

namespace zmkctl {

const char* const WatchUsage =
    "  watch [--count N]            the chromatograph's momentary data once a second until\n"
    "                               Ctrl-C (or N lines): the poll time, gas parameters 0..17\n"
    "                               (\"--\" for hexane when it is not in the list, \"?\" for a\n"
    "                               value that is no number) and their zones (0..4, ? for\n"
    "                               another value, - for none), tab-separated; refused when\n"
    "                               the controller has no link with the chromatograph\n";

namespace {

using namespace zmk;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int PollMs = 1000;
constexpr int SliceMs = 50;
constexpr uint8_t ChromLinkParamsTable = 14;
constexpr int HexaneFlagField = 7;  // bit 0 set: hexane is not in the list

int Usage(const QString& message) {
    err() << "zmkctl: watch: " << message << Qt::endl << "usage:\n" << WatchUsage;
    return ExitUsage;
}

// A mismatching answer is told on stderr and never repeated.
class ReportFailure : public RetryQuestion {
public:
    bool AskRetry(const QString& line1, const QString& line2) override {
        err() << line1 << ' ' << line2 << Qt::endl;
        return false;
    }
};

bool Read(TableEngine& engine, ControllerLink& link, TableRequest request) {
    if (engine.ReadTable(request, nullptr, false)) return true;
    err() << link.StatusText() << Qt::endl;
    return false;
}

// The zone of a parameter as one character: its number, "?" or "-".
QChar ZoneChar(int parameter, uint8_t zone, bool hexaneInList) {
    const ColouredText text = GasZoneText(parameter, zone, hexaneInList);
    if (text.Text.isEmpty()) return u'-';
    return zone <= 4 ? QChar(u'0' + zone) : QChar(u'?');
}

}  // namespace

int WatchCommand(Connection& conn, const QStringList& args) {
    long long count = -1;
    if (!args.isEmpty()) {
        bool ok = false;
        if (args.size() != 2 || args[0] != QLatin1String("--count")) return Usage(QStringLiteral("watch [--count N]"));
        count = args[1].toLongLong(&ok);
        if (!ok || count < 1) return Usage(QStringLiteral("N: a whole number from 1 up, got \"%1\"").arg(args[1]));
    }
    if (conn.CheckOnly()) return ExitOk;

    ControllerLink& link = conn.link();
    ConfigImage image;
    ReportFailure failure;
    TableEngine engine(link, image, failure);
    if (!Read(engine, link, {uint8_t(AnalyserLinkTable), uint8_t(ChromLinkField), 1})) return ExitFailed;
    if (*image.Field(AnalyserLinkTable, ChromLinkField) == 0) {
        err() << QStringLiteral("Нет связи с хроматографом (см. текущее состояние контроллера)") << Qt::endl;
        return ExitFailed;
    }
    if (!Read(engine, link, {ChromLinkParamsTable, uint8_t(HexaneFlagField), 1})) return ExitFailed;
    const bool hexaneInList = (*image.Field(ChromLinkParamsTable, HexaneFlagField) & 1) == 0;
    const ReportFormat format = DefaultReportFormat();

    InterruptAsEsc interrupt;
    for (long long line = 0; count < 0 || line < count; ++line) {
        QElapsedTimer tick;
        tick.start();
        if (!Read(engine, link, {uint8_t(ChromMomentaryTable), 0, uint8_t(ChromMomentaryFieldsRead)}) ||
            !Read(engine, link, {uint8_t(GasZoneTable), 0, uint8_t(ShownGasParameters)}))
            return interrupt.Interrupted() ? ExitOk : ExitFailed;
        const uint8_t* values = image.Table(ChromMomentaryTable);
        const uint8_t* zones = image.Table(GasZoneTable);
        QStringList fields{PollTimeText(values)};
        QString zoneText;
        for (int p = 0; p < ShownGasParameters; ++p) {
            fields << GasParameterValueText(values, p, hexaneInList, format);
            zoneText += ZoneChar(p, zones[p], hexaneInList);
        }
        fields << zoneText;
        out() << fields.join(u'\t') << '\n';
        out().flush();
        if (count >= 0 && line + 1 >= count) break;
        while (!interrupt.Interrupted() && tick.elapsed() < PollMs) QThread::msleep(SliceMs);
        if (interrupt.Interrupted()) break;
    }
    return ExitOk;
}

}  // namespace zmkctl
