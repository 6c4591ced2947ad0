#include "PrintReports.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <optional>

#include "EventCommands.h"
#include "Output.h"
#include "common/FileMessage.h"
#include "common/OrganisationName.h"
#include "common/Folders.h"
#include "common/PagedReport.h"
#include "events/EventFile.h"
#include "events/EventReport.h"
#include "measurements/MeasurementFile.h"
#include "measurements/MeasurementTable.h"
#include "measurements/MoistureReport.h"
#include "measurements/WorkbookTitles.h"

namespace zmkctl {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
constexpr int ExitDamaged = 3;

struct PrintArguments {
    QString input;
    QString output;
    std::optional<QString> title;
};

// FILE -o REPORT.pdf [--title TEXT]; false after saying what is wrong.
bool ParseArguments(const char* command, const QStringList& args, PrintArguments* parsed) {
    bool wellFormed = true;
    for (qsizetype i = 0; i < args.size() && wellFormed; ++i) {
        if (args[i] == QLatin1String("-o") && i + 1 < args.size()) parsed->output = args[++i];
        else if (args[i] == QLatin1String("--title") && i + 1 < args.size()) parsed->title = args[++i];
        else if (parsed->input.isEmpty() && !args[i].startsWith(u'-')) parsed->input = args[i];
        else wellFormed = false;
    }
    if (!wellFormed || parsed->input.isEmpty() || parsed->output.isEmpty()) {
        err() << "zmkctl: " << command << " FILE -o REPORT.pdf [--title TEXT]" << Qt::endl;
        return false;
    }
    if (parsed->title && parsed->title->size() > zmk::OrganisationNameLength) {
        err() << "zmkctl: --title: at most " << zmk::OrganisationNameLength << " characters" << Qt::endl;
        return false;
    }
    return true;
}

QString MessageText(const zmk::FileMessage& message) {
    return message.second.isEmpty() ? message.first : message.first + u' ' + message.second;
}

QString Organisation(const PrintArguments& args) {
    return args.title ? *args.title : zmk::ReadOrganisationName();
}

int WritePdf(const zmk::PagedReport& report, const QString& output) {
    QString error;
    if (!zmk::WriteReportPdf(report, output, &error)) {
        err() << zmk::PrintErrorText() << ": " << output << (error.isEmpty() ? QString() : ": " + error)
              << Qt::endl;
        return ExitFailure;
    }
    out() << report.rowCount << " rows on " << report.PageCount() << " pages written to " << output << Qt::endl;
    return ExitOk;
}

}  // namespace

bool IsPrintCommand(const char* word) {
    return word != nullptr && (std::strcmp(word, "print-events") == 0 || std::strcmp(word, "print-moisture") == 0);
}

int PrintEventsCommand(const QStringList& args) {
    PrintArguments parsed;
    if (!ParseArguments("print-events", args, &parsed)) return ExitUsage;
    const zmk::EventKind kind = EventFileKind(parsed.input);
    zmk::FileMessage message;
    const std::optional<zmk::EventFileContents> file = zmk::ReadEventFile(parsed.input, kind, &message);
    if (!file) {
        err() << MessageText(message) << Qt::endl;
        return ExitFailure;
    }
    const QString organisation = Organisation(parsed);
    const zmk::PagedReport report =
        kind == zmk::EventKind::Diagnostics ? zmk::BuildDiagnosticReport(file->header, file->diagnostics, organisation)
                                            : zmk::BuildInterventionReport(file->header, file->interventions, organisation);
    return WritePdf(report, parsed.output);
}

int PrintMoistureCommand(const QStringList& args) {
    PrintArguments parsed;
    if (!ParseArguments("print-moisture", args, &parsed)) return ExitUsage;
    // The kind comes from the file's own header; chromatograph archives are
    // not printed (they go to workbooks).
    QFile file(parsed.input);
    if (!file.open(QIODevice::ReadOnly)) {
        err() << parsed.input << ": " << zmk::OpenErrorText() << Qt::endl;
        return ExitFailure;
    }
    const QByteArray head = file.read(zmk::MeasurementFileHeader::Size);
    file.close();
    std::optional<zmk::ArchiveKind> kind;
    if (head.size() == zmk::MeasurementFileHeader::Size)
        kind = zmk::MeasurementFileHeader::Decode(reinterpret_cast<const uint8_t*>(head.constData())).Kind();
    if (!kind || zmk::IsChromatograph(*kind)) {
        err() << parsed.input << ": not a moisture-meter data file" << Qt::endl;
        return ExitFailure;
    }
    zmk::FileMessage message;
    std::optional<zmk::MeasurementFileContents> contents = zmk::ReadMeasurementFile(parsed.input, *kind, &message);
    if (!contents) {
        err() << MessageText(message) << Qt::endl;
        return ExitFailure;
    }
    if (contents->missingRecords > 0)
        err() << parsed.input << ": " << contents->missingRecords << " records announced by the header are missing"
              << Qt::endl;
    const zmk::MeasurementTable table(contents->header, std::move(contents->records),
                                      zmk::ArchiveDecimalsFromFile(zmk::ReportFormatPath()));
    const int rc = WritePdf(zmk::BuildMoistureReport(table, Organisation(parsed)), parsed.output);
    if (rc != ExitOk) return rc;
    qsizetype damaged = 0;
    for (qsizetype i = 0; i < table.RecordCount(); ++i)
        if (!table.Records().At(i).Intact()) ++damaged;
    if (damaged > 0) {
        err() << parsed.input << ": " << damaged << " of " << table.RecordCount() << " records failed their checksum"
              << Qt::endl;
        return ExitDamaged;
    }
    return ExitOk;
}

}  // namespace zmkctl
