#include "events/EventReport.h"

namespace zmk {

namespace {

constexpr double OrganisationPointSize = 14;
constexpr double TitlePointSize = 12;
constexpr double TitleTextPointSize = 10;
constexpr double TablePointSize = 8;
// Heading height in rows: three lines of the 8-point heading font fill
// three rows of the diagnostic table; the interventions' two lines take 2.5.
constexpr double DiagnosticHeadingRows = 3;
constexpr double InterventionHeadingRows = 2.5;
constexpr double DiagnosticRightMargin = 9;  // millimetres
constexpr double EventMargin = 10;

QString Stamp(const PackedDate& d) {
    return QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", d.Day, d.Month, d.Year, d.Hour, d.Minute, d.Second);
}

// The title band and the page header shared by both lists.
void FillTitle(PagedReport& report, const EventFileHeader& header, const QString& organisation, EventKind kind) {
    const QString name = header.ControllerNameText().trimmed();
    const bool diagnostics = kind == EventKind::Diagnostics;
    report.pageHeader = name;
    report.title = {
        {organisation.left(40), OrganisationPointSize, true, true},
        {QStringLiteral("Хроматограф \"%1\"  (адрес %2)").arg(name).arg(int(header.address)), TitleTextPointSize,
         false, false},
        {diagnostics ? QStringLiteral("Перечень диагностических сообщений")
                     : QStringLiteral("Перечень сообщений о вмешательствах оператора"),
         TitlePointSize, true, true},
        {diagnostics ? QStringLiteral("контроллерa ЗМК_10") : QStringLiteral("в работу контроллерa ЗМК_10"),
         TitleTextPointSize, false, true},
        {QStringLiteral("За период  с  %1  по %2").arg(Stamp(header.first), Stamp(header.last)), TitleTextPointSize,
         false, true},
        {QStringLiteral("Составлен программой zmk_10  %1").arg(Stamp(header.readAt)), TitleTextPointSize, false,
         false},
    };
}

ReportLayout EventLayout(double rightMargin, int firstRows, int laterRows, double headingRows) {
    ReportLayout layout;
    layout.margins = QMarginsF(EventMargin, EventMargin, rightMargin, EventMargin);
    layout.firstPageRows = firstRows;
    layout.laterPageRows = laterRows;
    layout.headingRows = headingRows;
    layout.headingPointSize = TablePointSize;
    layout.bodyPointSize = TablePointSize;
    return layout;
}

}  // namespace

PagedReport BuildDiagnosticReport(const EventFileHeader& header, const std::vector<DiagnosticRow>& rows,
                                  const QString& organisation) {
    PagedReport report;
    report.layout = EventLayout(DiagnosticRightMargin, DiagnosticFirstPageRows, DiagnosticPageRows,
                                DiagnosticHeadingRows);
    FillTitle(report, header, organisation, EventKind::Diagnostics);
    report.columns = {
        {{QStringLiteral("Дата")}, 52, false},
        {{QStringLiteral("Время")}, 52, false},
        {{QStringLiteral("Событие")}, 200, true},
        {{QStringLiteral("Объект / Причина")}, 205, true},
        {{QStringLiteral("Текущее"), QStringLiteral("значение"), QStringLiteral("параметра")}, 60, false},
        {{QStringLiteral("Значение"), QStringLiteral("уставки")}, 60, false},
        {{QStringLiteral("Единица"), QStringLiteral("измер.")}, 58, false},
    };
    report.groups = {{2, 2, QStringLiteral("Сообщение")}};
    report.rowCount = qsizetype(rows.size());
    const std::vector<DiagnosticRow>* source = &rows;
    report.cell = [source](qsizetype row, int column) { return (*source)[size_t(row)].Cell(column); };
    return report;
}

PagedReport BuildInterventionReport(const EventFileHeader& header, const std::vector<InterventionRow>& rows,
                                    const QString& organisation) {
    PagedReport report;
    report.layout = EventLayout(EventMargin, InterventionFirstPageRows, InterventionPageRows,
                                InterventionHeadingRows);
    FillTitle(report, header, organisation, EventKind::Interventions);
    report.columns = {
        {{QStringLiteral("Дата")}, 52, false},
        {{QStringLiteral("Время")}, 52, false},
        {{QStringLiteral("Наименование  параметра")}, 272, true},
        {{QStringLiteral("Старое"), QStringLiteral("значение")}, 87, false},
        {{QStringLiteral("Новое"), QStringLiteral("значение")}, 87, false},
        {{QStringLiteral("Единица"), QStringLiteral("измер.")}, 60, false},
        {{QStringLiteral("Имя"), QStringLiteral("оператора")}, 71, false},
    };
    // Every row of the viewer is printed. (The header's record count says
    // the same for any list the program made; a list is never read past its
    // rows whatever a header says.)
    report.rowCount = qsizetype(rows.size());
    const std::vector<InterventionRow>* source = &rows;
    report.cell = [source](qsizetype row, int column) { return (*source)[size_t(row)].Cell(column); };
    return report;
}

ReportKind EventReportKind(EventKind kind) {
    return kind == EventKind::Diagnostics ? ReportKind::Diagnostics : ReportKind::Interventions;
}

}  // namespace zmk
