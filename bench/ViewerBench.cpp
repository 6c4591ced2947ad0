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

#include "YearOfRecords.h"
#include "measurements/MeasurementFile.h"
#include "measurements/ui/MeasurementViewer.h"
#include "measurements/ui/ChromFiveMinuteViewer.h"

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
    ChromFiveMinuteViewer viewer(contents->header, std::move(contents->records));
    viewer.show();
    viewer.findChild<QTableView*>(QStringLiteral("recordView"))->scrollToBottom();
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
