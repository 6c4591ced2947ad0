#include "Limits.h"

#include "Connection.h"
#include "Output.h"
#include "tables/GasLimits.h"
#include "tables/LabelList.h"
#include "tables/LinkParams.h"
#include "tables/TableEngine.h"

namespace zmkctl {

using namespace zmk;

const char* const LimitsUsage =
    "  limits                       the limits of gas parameters 0..17 (tables 22..26),\n"
    "                               one line each: parameter, symbol, ЗН, НПУ, ВПУ, НДП,\n"
    "                               ВДП, unit (tab-separated); values outside their\n"
    "                               allowed range are named on stderr\n"
    "  set-limit PARAM KIND VALUE   one limit of parameter 0..17, KIND one of ЗН НПУ ВПУ\n"
    "                               НДП ВДП (or ZN NPU VPU NDP VDP), VALUE inside its\n"
    "                               allowed range; written only when it differs\n";

namespace {

constexpr int ExitOk = 0;
constexpr int ExitExchange = 1;
constexpr int ExitUsage = 2;

const char* const KindNames[GasLimitKindCount] = {"ЗН", "НПУ", "ВПУ", "НДП", "ВДП"};
const char* const LatinKindNames[GasLimitKindCount] = {"ZN", "NPU", "VPU", "NDP", "VDP"};

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

struct Session {
    explicit Session(Connection& conn) : failure(conn.link()), engine(conn.link(), image, failure) {}
    ConfigImage image;
    ReportFailure failure;
    TableEngine engine;
};

QString RangeText(GasLimitKind kind, int parameter) {
    const LimitRule& rule = GasLimitRule(kind, parameter);
    return QStringLiteral("%1..%2").arg(FormatLimit(rule.Lowest, rule.Decimals), FormatLimit(rule.Highest, rule.Decimals));
}

void PrintParameter(const LimitSets& sets, int p) {
    out() << p << '\t' << Label(GasSymbolLabels + p);
    for (int k = 0; k < GasLimitKindCount; ++k)
        out() << '\t' << FormatLimit(GasLimitKind(k), p, sets[size_t(p)].Values[size_t(k)]);
    out() << '\t' << GasLimitUnit(p) << '\n';
}

void ReportOutOfRange(const LimitSets& sets, int p) {
    for (int k = 0; k < GasLimitKindCount; ++k) {
        const auto kind = GasLimitKind(k);
        const float value = sets[size_t(p)][kind];
        if (!LimitInRange(kind, p, value))
            err() << QStringLiteral("%1 %2: %3 outside %4")
                         .arg(p)
                         .arg(QString::fromUtf8(KindNames[k]), FormatLimit(kind, p, value), RangeText(kind, p))
                  << Qt::endl;
    }
}

int KindOf(const QString& text) {
    for (int k = 0; k < GasLimitKindCount; ++k)
        if (text.compare(QString::fromUtf8(KindNames[k]), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String(LatinKindNames[k]), Qt::CaseInsensitive) == 0)
            return k;
    return -1;
}

int Usage(const QString& message) {
    err() << "zmkctl: " << message << Qt::endl;
    return ExitUsage;
}

}  // namespace

int LimitsCommand(Connection& conn, const QStringList& args) {
    if (!args.isEmpty()) return Usage(QStringLiteral("limits takes no arguments"));
    if (conn.CheckOnly()) return ExitOk;
    Session s(conn);
    GasLimitCopies copies;
    if (!ReadGasLimitTables(s.engine, copies, nullptr)) return ExitExchange;
    const LimitSets sets = LimitSetsFromImage(s.image);
    for (int p = 0; p < LimitedGasParameters; ++p) PrintParameter(sets, p);
    out().flush();
    for (int p = 0; p < LimitedGasParameters; ++p) ReportOutOfRange(sets, p);
    return ExitOk;
}

int SetLimitCommand(Connection& conn, const QStringList& args) {
    if (args.size() != 3) return Usage(QStringLiteral("set-limit PARAM KIND VALUE"));
    bool ok = false;
    const int p = args[0].toInt(&ok);
    if (!ok || p < 0 || p >= LimitedGasParameters)
        return Usage(QStringLiteral("PARAM must be a gas parameter 0..%1, got \"%2\"").arg(LimitedGasParameters - 1).arg(args[0]));
    const int k = KindOf(args[1]);
    if (k < 0) return Usage(QStringLiteral("KIND must be one of ЗН НПУ ВПУ НДП ВДП, got \"%1\"").arg(args[1]));
    const auto kind = GasLimitKind(k);
    const std::optional<double> value = TypedLimit(args[2]);
    if (!value || !LimitInRange(kind, p, *value))
        return Usage(QStringLiteral("Вводите значения согласно допустимому диапазону: %1").arg(RangeText(kind, p)));
    if (conn.CheckOnly()) return ExitOk;

    Session s(conn);
    // Without the chromatograph's hexane value its limits are not edited.
    if (p == HexaneParameter) {
        if (!s.engine.ReadTable({ChromatographLinkTable, ChromatographField::Flags, 1}, nullptr)) return ExitExchange;
        if (s.image.Table(ChromatographLinkTable)[ChromatographField::Flags] & NoHexaneBit) {
            err() << QStringLiteral("Параметр (гексан) не используется") << Qt::endl;
            return ExitExchange;
        }
    }
    GasLimitCopies copies;
    if (!ReadGasLimitTables(s.engine, copies, nullptr)) return ExitExchange;
    LimitSets sets = LimitSetsFromImage(s.image);
    sets[size_t(p)][kind] = float(*value);
    StoreLimitSets(s.image, sets);
    if (!WriteGasLimitTables(s.engine, copies, nullptr)) return ExitExchange;
    PrintParameter(sets, p);
    out().flush();
    return ExitOk;
}

}  // namespace zmkctl
