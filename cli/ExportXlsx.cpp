#include "Output.h"
#include "ExportXlsx.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "common/Folders.h"
#include "measurements/WorkbookTitles.h"
#include "measurements/MeasurementFile.h"
#include "measurements/MeasurementTable.h"
#include "measurements/Workbook.h"

namespace zmkctl {

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
constexpr int ExitDamaged = 3;

QString MessageText(const zmk::FileMessage& message) {
    return message.second.isEmpty() ? message.first : message.first + u' ' + message.second;
}

}  // namespace

int ExportXlsxCommand(const QStringList& args) {
    QString input, output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("-o") && i + 1 < args.size()) output = args[++i];
        else if (input.isEmpty() && !args[i].startsWith(u'-')) input = args[i];
        else {
            err() << "zmkctl: export-xlsx FILE -o BOOK.xlsx" << Qt::endl;
            return ExitUsage;
        }
    }
    if (input.isEmpty() || output.isEmpty()) {
        err() << "zmkctl: export-xlsx FILE -o BOOK.xlsx" << Qt::endl;
        return ExitUsage;
    }

    // The kind comes from the file's own header.
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly)) {
        err() << input << ": " << zmk::OpenErrorText() << Qt::endl;
        return ExitFailure;
    }
    const QByteArray head = file.read(zmk::MeasurementFileHeader::Size);
    file.close();
    std::optional<zmk::ArchiveKind> kind;
    if (head.size() == zmk::MeasurementFileHeader::Size)
        kind = zmk::MeasurementFileHeader::Decode(reinterpret_cast<const uint8_t*>(head.constData())).Kind();
    if (!kind) {
        err() << input << ": not a measurement data file" << Qt::endl;
        return ExitFailure;
    }
    zmk::FileMessage message;
    std::optional<zmk::MeasurementFileContents> contents = zmk::ReadMeasurementFile(input, *kind, &message);
    if (!contents) {
        err() << MessageText(message) << Qt::endl;
        return ExitFailure;
    }
    if (contents->missingRecords > 0)
        err() << input << ": " << contents->missingRecords << " records announced by the header are missing"
              << Qt::endl;

    const zmk::MeasurementTable table(contents->header, std::move(contents->records),
                                      zmk::ArchiveDecimalsFromFile(zmk::ReportFormatPath()));
    const zmk::WorkbookStatus status = zmk::WriteMeasurementWorkbook(output, table);
    if (status != zmk::WorkbookStatus::Ok) {
        err() << MessageText(zmk::WorkbookMessage(status, output)) << Qt::endl;
        return ExitFailure;
    }
    out() << table.RecordCount() << " records written to " << output << Qt::endl;
    // The workbook shows them as not valid, as the viewer does.
    qsizetype damaged = 0;
    for (qsizetype i = 0; i < table.RecordCount(); ++i)
        if (!table.Records().At(i).Intact()) ++damaged;
    if (damaged > 0) {
        err() << input << ": " << damaged << " of " << table.RecordCount() << " records failed their checksum"
              << Qt::endl;
        return ExitDamaged;
    }
    return ExitOk;
}

}  // namespace zmkctl
