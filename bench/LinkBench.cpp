// Link engine figures against zmk-sim on a pseudo-terminal:
//  (a) table reads on a line paced at 38400 bit/s: elapsed time over the time
//      the line itself needs (every byte at 10 bits, plus the 2 ms RTS lead
//      and the one-character RTS tail of each request); target <= 1.10;
//  (b) processor time of the client while it waits 2 s for a silent
//      controller, as a share of the wall time; target <= 5 %. Without
//      anything installed, and with the pump alone (1 ms slices); the
//      window's wait, through its event-loop waiter, is wait_bench's.
// Usage: link_bench [READS (1000)]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

#include "SimLink.h"
#include "link/ControllerLink.h"

using namespace zmk;

namespace {

constexpr int Baud = 38400;
constexpr int Preambles = 5;

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool Connect(ControllerLink& link, SimLink& sim) {
    sim.params.Rate = Baud;
    sim.params.Preambles = Preambles;
    if (sim.Open(link)) return true;
    std::fprintf(stderr, "%s\n", qPrintable(sim.message()));
    return false;
}

int PacedReads(int reads) {
    SimLink sim(SimTransport::Pty, {QStringLiteral("--baud"), QString::number(Baud)});
    if (!sim.ready()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(sim.output()));
        return 1;
    }
    ControllerLink link(0);
    if (!Connect(link, sim)) return 1;
    // A mix of short and long answers: identification, system parameters,
    // the largest read (242 data bytes) and a table of floats.
    const uint8_t requests[][3] = {{0, 0, 18}, {6, 0, 12}, {4, 0, 11}, {22, 0, 20}};
    double lineSeconds = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < reads; ++i) {
        const uint8_t* body = requests[i % 4];
        if (!link.SendRequest(1, body, 3)) {
            std::fprintf(stderr, "read %d failed: %s\n", i, qPrintable(link.StatusText()));
            return 1;
        }
        const int sent = Preambles + 10;
        const int answered = MinAnswerLength + link.AnswerDataLength();
        lineSeconds += 0.002 + double(sent + 1 + answered) * 10.0 / Baud;
    }
    const double elapsed = timer.nsecsElapsed() / 1e9;
    std::printf("paced reads: %d reads at %d bit/s, elapsed %.3f s, line time %.3f s, ratio %.3f (target <= 1.10)\n",
                reads, Baud, elapsed, lineSeconds, elapsed / lineSeconds);
    return 0;
}

int SilentWait(bool withPump) {
    SimLink sim(SimTransport::Pty, {QStringLiteral("--silent")});
    if (!sim.ready()) return 1;
    ControllerLink link(0);
    if (!Connect(link, sim)) return 1;
    if (withPump) link.SetPump([] { QCoreApplication::processEvents(); });
    link.AnswerWaitMs = 2000;
    const uint8_t body[3] = {0, 0, 18};
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = CpuSeconds();
    link.SendRequest(1, body, 3);
    const double cpu = CpuSeconds() - cpu0;
    const double wall = timer.nsecsElapsed() / 1e9;
    std::printf("silent wait%s: status %d, wall %.3f s, processor %.4f s, share %.2f %% (target <= 5 %%)\n",
                withPump ? " with event pump" : "", int(link.Status), wall, cpu, 100.0 * cpu / wall);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int reads = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    int rc = PacedReads(reads);
    rc |= SilentWait(false);
    rc |= SilentWait(true);
    return rc;
}
