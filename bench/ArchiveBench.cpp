// Measurement archive reading against zmk-sim on a pseudo-terminal paced at
// 38400 bit/s in both directions: a month of hourly chromatograph records
// (744 records, 372 requests). Prints the elapsed time over the time the line
// itself needs (every byte of every request and answer at 10 bits, plus the
// 2 ms RTS lead and the one-character RTS tail of each request); target <= 1.10.
// Usage: archive_bench [MONTHS (1)]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "SimLink.h"
#include "link/ControllerLink.h"
#include "measurements/ArchiveReader.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"

using namespace zmk;

namespace {

constexpr int Baud = 38400;
constexpr int Preambles = 5;
constexpr double RtsLeadSeconds = 0.002;
constexpr double BitsPerByte = 10.0;

// Counts what was stored and answers nothing: the reading has no questions here.
class QuietDialogue : public ArchiveReadDialogue {
public:
    void ShowMessage(MessageKind, const QString& l1, const QString& l2) override {
        std::fprintf(stderr, "%s %s\n", qPrintable(l1), qPrintable(l2));
    }
    bool AskQuestion(MessageKind, const QString& l1, const QString& l2) override {
        std::fprintf(stderr, "question: %s %s\n", qPrintable(l1), qPrintable(l2));
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int months = argc > 1 ? std::clamp(atoi(argv[1]), 1, 11) : 1;

    SimLink sim(SimTransport::Pty, {QStringLiteral("--baud"), QString::number(Baud), QStringLiteral("--clock"),
                                    QStringLiteral("2024-12-15 12:00:00")});
    if (!sim.ready()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(sim.output()));
        return 1;
    }
    ControllerLink link(0);
    sim.params.Rate = Baud;
    sim.params.Preambles = Preambles;
    if (!sim.Open(link)) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.message()));
        return 1;
    }

    // Bytes on the line, from the frames themselves.
    double lineSeconds = 0;
    link.SetFrameObserver([&](bool sent, const uint8_t*, int count) {
        if (sent)
            lineSeconds += RtsLeadSeconds + (Preambles + count + 1) * BitsPerByte / Baud;
        else
            lineSeconds += count * BitsPerByte / Baud;
    });

    QTemporaryDir dir;
    ArchiveReadRequest request;
    request.kind = ArchiveKind::ChromHour;
    request.start = PackedDate{24, 1, 1, 0, 0, 0};
    const int lastMonth = months;
    request.end = PackedDate{24, uint8_t(lastMonth), uint8_t(DaysInMonth(2024, lastMonth)), 23, 0, 0};
    request.hdmPath = dir.filePath(QStringLiteral("datafile.hdm"));
    QuietDialogue dialogue;

    QElapsedTimer timer;
    timer.start();
    const ArchiveReadResult result = ReadArchivePeriod(link, request, dialogue);
    const double elapsed = timer.nsecsElapsed() / 1e9;
    if (result.linkFailed || result.fileError) {
        std::fprintf(stderr, "reading failed: %s\n", qPrintable(result.linkStatusText));
        return 1;
    }
    std::printf("hourly chromatograph archive, %d month(s): %u records, %d requests at %d bit/s, "
                "elapsed %.3f s, line time %.3f s, ratio %.3f (target <= 1.10)\n",
                months, result.written, result.answers, Baud, elapsed, lineSeconds, elapsed / lineSeconds);
    return 0;
}
