// 100,000 diagnostic messages shown in the diagnostic viewer, offscreen, two
// ways: the raw records of a reading's working file decoded, and a saved
// ".ala" file of their rows reopened. Each time runs from reading the file to
// the viewer painted with every cell of its visible rows fetched:
//   target < 1 s each; peak resident memory of the process, target < 300 MB.
// Usage: event_viewer_bench [RECORDS (100000)]
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

#include "common/CheckedFile.h"
#include "events/EventFile.h"
#include "events/EventRecords.h"
#include "events/ui/EventViewer.h"

using namespace zmk;

namespace {

constexpr int DefaultRecords = 100000;
constexpr double TargetSeconds = 1.0;
constexpr double TargetPeakMB = 300.0;

double PeakMB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// A mix of what a controller logs: limit events with values, link losses,
// power, table damage, moisture-meter bits, a firmware checksum, unknown
// codes, and now and then a record that fails its checksum.
QByteArray RawRecords(int count) {
    static const uint8_t codes[] = {13, 10, 2, 3, 42, 22, 59, 44, 11, 90};
    QByteArray bytes;
    bytes.reserve(count * DiagnosticRecord::Size);
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
        bytes.append(reinterpret_cast<const char*>(r.bytes.data()), DiagnosticRecord::Size);
        StepFiveMinutes(time);
    }
    return bytes;
}

// Shows the viewer at its newest rows, fetches every cell of the visible
// rows as the view paints them, and paints. Returns the cells fetched.
int ShowAndFetch(EventViewer& viewer) {
    viewer.show();
    QTableView* view = viewer.RowView();
    view->scrollToBottom();
    QApplication::processEvents();
    const QAbstractItemModel* model = view->model();
    const int top = std::max(0, view->rowAt(0));
    int bottom = view->rowAt(view->viewport()->height() - 1);
    if (bottom < 0) bottom = model->rowCount() - 1;
    int cells = 0;
    for (int row = top; row <= bottom; ++row)
        for (int column = 0; column < model->columnCount(); ++column)
            cells += model->data(model->index(row, column)).toString().isNull() ? 0 : 1;
    viewer.repaint();
    QApplication::processEvents();
    return cells;
}

void Report(const char* what, double seconds) {
    std::printf("%-38s %.3f s   (target < %.1f s)  %s\n", what, seconds, TargetSeconds,
                seconds < TargetSeconds ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : DefaultRecords;

    QTemporaryDir dir;
    const QString working = dir.filePath(QStringLiteral("datafile.ala"));
    const QString saved = dir.filePath(QStringLiteral("saved.ala"));
    if (!WriteFileChecked(working, RawRecords(count))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(working));
        return 1;
    }
    HeaderTableValues values;
    values.chromatographType = ServedChromatographType;
    values.moistureMeterPresent = 1;
    values.moistureMeterType = 2;
    const double before = PeakMB();

    // The working file of a reading, decoded into the viewer.
    QElapsedTimer clock;
    clock.start();
    std::optional<std::vector<DiagnosticRecord>> records = ReadDiagnosticRecords(working);
    if (!records) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(working));
        return 1;
    }
    const EventFileHeader header =
        BuildEventFileHeader(EventKind::Diagnostics, values, 1, PackedDate{25, 1, 1, 0, 0, 0},
                             PackedDate{24, 1, 1, 0, 0, 0}, PackedDate{24, 12, 31, 23, 55, 0}, uint32_t(records->size()));
    int fetched = 0;
    double decodeSeconds = 0;
    {
        std::unique_ptr<EventViewer> viewer =
            EventViewer::ForDiagnostics(header, *records, EventViewMode::ByPeriod, 0);
        decodeSeconds = clock.nsecsElapsed() / 1e9;
        fetched = ShowAndFetch(*viewer);
        const double seconds = clock.nsecsElapsed() / 1e9;
        std::printf("records                                %d\n", int(viewer->DiagnosticRows().size()));
        std::printf("working file read + decoded            %.3f s\n", decodeSeconds);
        Report("working file -> viewer shown", seconds);
        std::printf("cells of the visible rows fetched      %d\n", fetched);
        if (!WriteEventFile(saved, viewer->Header(), viewer->DiagnosticRows())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(saved));
            return 1;
        }
    }
    records.reset();

    // The saved file reopened.
    clock.restart();
    FileMessage message;
    std::optional<EventFileContents> contents = ReadEventFile(saved, EventKind::Diagnostics, &message);
    if (!contents) {
        std::fprintf(stderr, "%s\n", qPrintable(message.first));
        return 1;
    }
    const double readSeconds = clock.nsecsElapsed() / 1e9;
    {
        std::unique_ptr<EventViewer> viewer = EventViewer::ForFile(EventKind::Diagnostics, std::move(*contents));
        ShowAndFetch(*viewer);
        const double seconds = clock.nsecsElapsed() / 1e9;
        const QByteArray what = QStringLiteral("saved file read (%1 bytes)").arg(QFile(saved).size()).toLatin1();
        std::printf("%-38s %.3f s\n", what.constData(), readSeconds);
        Report("saved file -> viewer shown", seconds);
    }
    const double peak = PeakMB();
    std::printf("peak memory                            %.1f MB  (before reading %.1f MB; target < %.0f MB)  %s\n", peak,
                before, TargetPeakMB, peak < TargetPeakMB ? "ok" : "MISSED");
    return 0;
}
