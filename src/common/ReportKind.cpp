#include "common/ReportKind.h"

namespace zmk {

namespace {

QString SecondsPeriod(const PackedDate& s, const PackedDate& e) {
    return QString::asprintf("за период  с  %02d.%02d.%02d  %02d:%02d:%02d  по  %02d.%02d.%02d  %02d:%02d:%02d",
                             s.Day, s.Month, s.Year, s.Hour, s.Minute, s.Second, e.Day, e.Month, e.Year, e.Hour,
                             e.Minute, e.Second);
}

}  // namespace

QStringList PrintDialogLines(ReportKind kind, const PackedDate& s, const PackedDate& e) {
    switch (kind) {
    case ReportKind::Diagnostics:
        return {QStringLiteral("Перечень диагностических сообщений"), QStringLiteral("контроллерa ЗМК_10"),
                SecondsPeriod(s, e)};
    case ReportKind::Interventions:
        return {QStringLiteral("Перечень сообщений о вмешательствах оператора"),
                QStringLiteral("в работу к контроллерa ЗМК_10"), SecondsPeriod(s, e)};
    case ReportKind::MoistureHourly:
        return {QStringLiteral("Часовые измерительные данные влагомера"), QStringLiteral("контроллерa ЗМК_10"),
                QString::asprintf("за период  с  %02d.%02d.%02d  %02dч  по  %02d.%02d.%02d  %02dч", s.Day, s.Month,
                                  s.Year, s.Hour, e.Day, e.Month, e.Year, e.Hour)};
    case ReportKind::MoistureDaily:
        return {QStringLiteral("Суточные измерительные данные влагомера"), QStringLiteral("контроллерa ЗМК_10"),
                QString::asprintf("за период  с  %02d.%02d.%02d  по  %02d.%02d.%02d", s.Day, s.Month, s.Year, e.Day,
                                  e.Month, e.Year)};
    case ReportKind::MoistureFiveMinute:
        return {QStringLiteral("Мгновенные данные влагомера"), QStringLiteral("контроллерa  ЗМК_10"),
                SecondsPeriod(s, e)};
    }
    return {QString(), QString(), QString()};
}

QString PrintErrorText() { return QStringLiteral("Ошибка печати данных"); }

}  // namespace zmk
