// Reopening a year of 5-minute chromatograph records (105,120) from a saved
// file and showing the chromatograph 5-minute viewer, offscreen:
//   time from reading the file to the viewer painted, target < 1 s;
//   peak resident memory of the process, target < 300 MB.
// Usage: viewer_bench [RECORDS (105120)]
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

#include "measurements/MeasurementFile.h"
#include "measurements/ui/Arhmom_chr.h"

using namespace zmk;

namespace {

constexpr int YearOfFiveMinuteRecords = 105120;
constexpr double TargetSeconds = 1.0;
constexpr double TargetPeakMB = 300.0;

double PeakMB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// Records every 5 minutes from 01.01.24 with slowly moving values; every
// 97th from a time the controller was off, every 211th calibrating.
RecordStore YearOfRecords(int count) {
    RecordStore store(ArchiveKind::ChromFiveMinute);
    store.Reserve(count);
    uint8_t r[ChromFiveMinuteRecordSize];
    for (int i = 0; i < count; ++i) {
        std::fill(std::begin(r), std::end(r), 0);
        const int minutes = i * 5;
        const int day = minutes / 1440;
        PackedDate d{24, uint8_t(1 + day / 28 % 12), uint8_t(1 + day % 28), uint8_t(minutes / 60 % 24),
                     uint8_t(minutes % 60), 0};
        d.ToBytes(r);
        r[6] = i % 97 == 0 ? 0x02 : (i % 211 == 0 ? 0x80 : 0x00);
        for (int p = 0; p < 20; ++p) PutFloat(r + 11 + 4 * p, 0.01f * float(p + 1) + 0.0001f * float(i % 1000));
        PutFloat(r + 11 + 4 * GasCH4, 92.0f + 0.001f * float(i % 500));
        SealRecord(r, ChromFiveMinuteRecordSize);
        store.Append(r);
    }
    return store;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : YearOfFiveMinuteRecords;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("year.mch"));
    {
        HeaderTableValues values;
        values.chromatographType = ServedChromatographType;
        const MeasurementFileHeader header = BuildMeasurementFileHeader(
            ArchiveKind::ChromFiveMinute, values, 1, PackedDate{25, 1, 1, 0, 0, 0}, PackedDate{24, 1, 1, 0, 0, 0},
            PackedDate{24, 12, 31, 23, 55, 0}, uint32_t(count));
        if (!WriteMeasurementFile(path, header, YearOfRecords(count))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    const double before = PeakMB();

    QElapsedTimer clock;
    clock.start();
    FileMessage message;
    std::optional<MeasurementFileContents> contents = ReadMeasurementFile(path, ArchiveKind::ChromFiveMinute, &message);
    if (!contents) {
        std::fprintf(stderr, "%s\n", qPrintable(message.first));
        return 1;
    }
    const double readSeconds = clock.nsecsElapsed() / 1e9;
    TFormArhMom_Chr viewer(contents->header, std::move(contents->records));
    viewer.show();
    viewer.StringGrid1->scrollToBottom();
    QApplication::processEvents();
    viewer.repaint();
    QApplication::processEvents();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double peak = PeakMB();

    std::printf("records                      %d\n", int(viewer.Table().RecordCount()));
    std::printf("file read                    %.3f s\n", readSeconds);
    std::printf("file read + viewer shown     %.3f s   (target < %.1f s)  %s\n", seconds, TargetSeconds,
                seconds < TargetSeconds ? "ok" : "MISSED");
    std::printf("peak memory                  %.1f MB  (before reading %.1f MB; target < %.0f MB)  %s\n", peak,
                before, TargetPeakMB, peak < TargetPeakMB ? "ok" : "MISSED");
    return 0;
}
