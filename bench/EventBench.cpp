// Diagnostic archive reading by index against zmk-sim on a pseudo-terminal
// paced at 38400 bit/s in both directions: 1000 records in pages of 11.
// Prints the elapsed time, the pure line time of every request byte
// (preambles included) and answer byte at 10 bits a byte, and their ratio;
// target <= 1.10. The RTS lead and tail of each request are part of the
// elapsed time, not of the line time.
// Usage: event_bench [RECORDS (1000)]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "SimLink.h"
#include "common/MessageKind.h"
#include "events/EventArchiveReader.h"
#include "link/ControllerLink.h"

using namespace zmk;

namespace {

constexpr int Baud = 38400;
constexpr int Preambles = 5;
constexpr double BitsPerByte = 10.0;

class QuietDialogue : public EventReadDialogue {
public:
    void ShowMessage(MessageKind, const QString& l1, const QString& l2) override {
        std::fprintf(stderr, "%s %s\n", qPrintable(l1), qPrintable(l2));
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::clamp(atoi(argv[1]), 1, 100000) : 1000;

    SimLink sim(SimTransport::Pty, {QStringLiteral("--baud"), QString::number(Baud), QStringLiteral("--clock"),
                                    QStringLiteral("2026-03-22 12:00:00"), QStringLiteral("--event-diagnostics"),
                                    QString::number(records)});
    if (!sim.ready()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(sim.output()));
        return 1;
    }
    ControllerLink link(0);
    sim.params.Rate = Baud;
    sim.params.Preambles = Preambles;
    // A machine busy with other work may hold the simulator's bytes back
    // longer than the usual 10 ms; the gap only decides failures, not timing.
    sim.params.ByteGapMs = 100;
    if (!sim.Open(link)) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.message()));
        return 1;
    }

    qint64 requestBytes = 0, answerBytes = 0;
    link.SetFrameObserver([&](bool sent, const uint8_t*, int count) {
        if (sent)
            requestBytes += Preambles + count;
        else
            answerBytes += count;
    });

    QTemporaryDir dir;
    EventReadRequest request;
    request.kind = EventKind::Diagnostics;
    request.workingPath = dir.filePath(QStringLiteral("datafile.ala"));
    QuietDialogue dialogue;

    QElapsedTimer timer;
    timer.start();
    const EventReadResult result = ReadEventsByIndex(link, request, 1, uint32_t(records), dialogue);
    const double elapsed = timer.nsecsElapsed() / 1e9;
    if (result.linkFailed || result.fileError || result.diagnostics.size() != size_t(records)) {
        std::fprintf(stderr, "reading failed after %zu records: %s\n", result.diagnostics.size(),
                     qPrintable(result.linkStatusText));
        return 1;
    }
    const double lineSeconds = double(requestBytes + answerBytes) * BitsPerByte / Baud;
    std::printf("diagnostic archive by index: %d records, %d requests, %lld request + %lld answer bytes at %d bit/s, "
                "elapsed %.3f s, line time %.3f s, ratio %.3f (target <= 1.10)\n",
                records, result.requests, static_cast<long long>(requestBytes), static_cast<long long>(answerBytes),
                Baud, elapsed, lineSeconds, elapsed / lineSeconds);
    return 0;
}
