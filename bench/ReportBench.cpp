// A printed list of diagnostic messages written to a PDF file: the raw
// records decoded into the viewer's rows as the viewer does, then the
// report (title band, headings, every page) painted into a PDF and written
// through CheckedFile. Target: 10,000 records in under 5 s.
// Usage: report_bench [RECORDS (10000)]
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <vector>

#include "events/DiagnosticDecoder.h"
#include "events/EventFile.h"
#include "events/EventReport.h"

using namespace zmk;

namespace {

constexpr int DefaultRecords = 10000;
constexpr double TargetSeconds = 5.0;

// Limit events with values, link losses, power, table damage and unknown
// codes, one record in 997 failing its checksum.
std::vector<DiagnosticRecord> Records(int count) {
    static const uint8_t codes[] = {13, 10, 2, 3, 42, 22, 59, 44, 11, 90};
    std::vector<DiagnosticRecord> records;
    records.reserve(size_t(count));
    PackedDate time{24, 1, 1, 0, 0, 0};
    for (int i = 0; i < count; ++i) {
        DiagnosticRecord r;
        time.ToBytes(r.bytes.data());
        r.bytes[6] = codes[i % std::size(codes)];
        r.bytes[8] = uint8_t(i % 7 == 0 ? 201 : 33 + i % 3);
        r.bytes[9] = uint8_t(i % 20);
        const float x = 90.0f + float(i % 1000) / 100.0f;
        const float y = 95.0f;
        std::memcpy(r.bytes.data() + 10, &x, 4);
        std::memcpy(r.bytes.data() + 14, &y, 4);
        r.Seal();
        if (i % 997 == 0) r.bytes[3] ^= 0x10;
        records.push_back(r);
        StepFiveMinutes(time);
    }
    return records;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultRecords;
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const std::vector<DiagnosticRecord> records = Records(count);
    HeaderTableValues values;
    values.chromatographType = ServedChromatographType;
    const EventFileHeader header = BuildEventFileHeader(EventKind::Diagnostics, values, 1, PackedDate{24, 2, 5, 10, 0, 0},
                                                        records.front().Time(), records.back().Time(), uint32_t(count));

    QElapsedTimer clock;
    clock.start();
    const std::vector<DiagnosticRow> rows = DecodeDiagnostics(records, header).rows;
    const double decodeSeconds = clock.nsecsElapsed() / 1e9;
    const PagedReport report = BuildDiagnosticReport(header, rows, QStringLiteral("ООО Газ Сервис"));
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    QString error;
    clock.restart();
    if (!WriteReportPdf(report, path, &error)) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(error));
        return 1;
    }
    const double pdfSeconds = clock.nsecsElapsed() / 1e9;
    const double total = decodeSeconds + pdfSeconds;
    std::printf("records                    %d\n", count);
    std::printf("pages                      %d\n", report.PageCount());
    std::printf("PDF size                   %.1f MB\n", double(QFileInfo(path).size()) / 1e6);
    std::printf("rows decoded               %.3f s\n", decodeSeconds);
    std::printf("report painted and written %.3f s\n", pdfSeconds);
    std::printf("total                      %.3f s   (target < %.1f s)  %s\n", total, TargetSeconds,
                total < TargetSeconds ? "ok" : "SLOW");
    return 0;
}
