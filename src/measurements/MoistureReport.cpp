#include "measurements/MoistureReport.h"

#include "measurements/WorkbookTitles.h"

namespace zmk {

namespace {

constexpr int ColumnWidth = 95;  // eight columns side by side, one unit apart
constexpr int ColumnGap = 1;
constexpr double HeadingPointSize = 9;
constexpr double BodyPointSize = 10;
constexpr double LargeTitlePointSize = 12;
constexpr double TitlePointSize = 10;

QString Stamp(const PackedDate& d) { return QString::asprintf("%02d.%02d.%02d", d.Day, d.Month, d.Year); }

QString PeriodText(ReportKind kind, const PackedDate& s, const PackedDate& e) {
    switch (kind) {
    case ReportKind::MoistureFiveMinute:
        return QString::asprintf("за период  с  %02d.%02d.%02d %02d:%02d:00  по  %02d.%02d.%02d %02d:%02d:00", s.Day,
                                 s.Month, s.Year, s.Hour, s.Minute, e.Day, e.Month, e.Year, e.Hour, e.Minute);
    case ReportKind::MoistureHourly:
        return QString::asprintf("за период  с  %02d.%02d.%02d  %02dч  по  %02d.%02d.%02d  %02dч", s.Day, s.Month,
                                 s.Year, s.Hour, e.Day, e.Month, e.Year, e.Hour);
    default:
        return QStringLiteral("за период  с  %1  по  %2").arg(Stamp(s), Stamp(e));
    }
}

QString KindTitle(ReportKind kind) {
    switch (kind) {
    case ReportKind::MoistureFiveMinute: return QStringLiteral("Мгновенные данные влагомера");
    case ReportKind::MoistureHourly: return QStringLiteral("Часовые измерительные данные влагомера");
    default: return QStringLiteral("Суточные измерительные данные влагомера");
    }
}

// Title blocks of the first four columns; the value columns take the
// viewer's value titles.
QStringList FixedTitle(bool fiveMinute, int column) {
    static const QStringList five[4] = {
        {QStringLiteral(" "), QStringLiteral("Дата")},
        {QStringLiteral(" "), QStringLiteral("Время")},
        {QStringLiteral(" "), QStringLiteral("Статус"), QStringLiteral("контроллера")},
        {QStringLiteral("Признаки"), QStringLiteral("состояния"), QStringLiteral("влагомера")},
    };
    static const QStringList hourDay[4] = {
        {QStringLiteral(" "), QStringLiteral("Дата"), QStringLiteral("начала")},
        {QStringLiteral(" "), QStringLiteral("Время"), QStringLiteral("начала")},
        {QStringLiteral(" "), QStringLiteral("Время"), QStringLiteral("конца")},
        {QStringLiteral(" "), QStringLiteral("Статус"), QStringLiteral("контроллера")},
    };
    return fiveMinute ? five[column] : hourDay[column];
}

}  // namespace

ReportKind MoistureReportKind(const MeasurementTable& table) {
    if (table.FiveMinute()) return ReportKind::MoistureFiveMinute;
    return table.Daily() ? ReportKind::MoistureDaily : ReportKind::MoistureHourly;
}

PagedReport BuildMoistureReport(const MeasurementTable& table, const QString& organisation) {
    const MeasurementFileHeader& header = table.Header();
    const ReportKind kind = MoistureReportKind(table);
    const QString name = header.ControllerNameText().trimmed();

    PagedReport report;
    report.layout.margins = QMarginsF(10, 10, 10, 10);
    report.layout.firstPageRows = MoistureFirstPageRows;
    report.layout.laterPageRows = MoisturePageRows;
    report.layout.headingRows = MoistureHeadingLines;
    report.layout.headingPointSize = HeadingPointSize;
    report.layout.bodyPointSize = BodyPointSize;
    report.layout.columnGap = ColumnGap;
    report.layout.frameRows = true;
    report.layout.headingFromTop = true;

    report.pageHeader = name;
    const PackedDate& r = header.opened;
    report.title = {
        {organisation.left(40), LargeTitlePointSize, true, true},
        {QStringLiteral("Контроллер \"%1\"  (адрес %2)").arg(name).arg(int(header.address)), TitlePointSize, false,
         false},
        {KindTitle(kind), LargeTitlePointSize, true, true},
        {PeriodText(kind, header.periodStart, header.periodEnd), TitlePointSize, false, true},
        {QString::asprintf("Составлен программой zmk_10  %02d.%02d.%02d  %02d:%02d:%02d", r.Day, r.Month, r.Year,
                           r.Hour, r.Minute, r.Second),
         TitlePointSize, false, false},
    };

    for (int c = 0; c < 8; ++c) {
        ReportColumn column;
        column.heading = c < 4 ? FixedTitle(table.FiveMinute(), c) : MoistureValueTitle(c - 4);
        column.width = ColumnWidth;
        report.columns.push_back(column);
    }
    report.rowCount = table.RecordCount();
    const MeasurementTable* source = &table;
    report.cell = [source](qsizetype row, int column) { return source->RecordCell(row, column).trimmed(); };
    return report;
}

}  // namespace zmk
