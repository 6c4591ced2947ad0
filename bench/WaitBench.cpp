// The window's wait for a silent controller: processor time of the program
// while one request waits SECONDS for an answer that never comes, as a share
// of the wall time, in a QGuiApplication (offscreen) with the link set up as
// the main window sets it up (the pump, and the event-loop waiter); target
// < 1 %. For comparison the same wait with the pump alone, which makes the
// wait 1 ms slices with the window's events processed between them (the
// window's wait before the waiter). Over a pseudo-terminal (direct line) and
// over TCP (the 500 ms pause before each Ethernet request included).
// Usage: wait_bench [SECONDS (5)]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

#include "SimLink.h"
#include "link/ControllerLink.h"
#include "link/ui/EventLoopWaiter.h"

using namespace zmk;

namespace {

constexpr double TargetPercent = 1.0;

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One request to the silent simulator; false when the simulator or the link
// could not be set up.
bool SilentWait(SimTransport transport, bool withWaiter, int seconds) {
    SimLink sim(transport, {QStringLiteral("--silent")});
    if (!sim.ready()) {
        std::fprintf(stderr, "simulator did not start: %s\n", qPrintable(sim.output()));
        return false;
    }
    sim.answerWaitMs = seconds * 1000;
    ControllerLink link(0);
    if (!sim.Open(link)) {
        std::fprintf(stderr, "%s\n", qPrintable(sim.message()));
        return false;
    }
    EventLoopWaiter waiter;
    link.SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    if (withWaiter) link.SetWaiter(&waiter);

    const uint8_t body[3] = {0, 0, 18};
    QElapsedTimer timer;
    timer.start();
    const double cpu0 = CpuSeconds();
    link.SendRequest(1, body, 3);
    const double cpu = CpuSeconds() - cpu0;
    const double wall = timer.nsecsElapsed() / 1e9;
    const double percent = 100.0 * cpu / wall;
    const char* medium = transport == SimTransport::Pty ? "pty" : "tcp";
    if (withWaiter) {
        std::printf("window wait, %s, event-loop waiter: status %d, wall %.3f s, processor %.4f s, "
                    "share %.3f %% (target < %.0f %%), ratio %.3f\n",
                    medium, int(link.Status), wall, cpu, percent, TargetPercent, percent / TargetPercent);
    } else {
        std::printf("window wait, %s, pump between 1 ms slices (before): status %d, wall %.3f s, "
                    "processor %.4f s, share %.3f %%\n",
                    medium, int(link.Status), wall, cpu, percent);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    bool ok = true;
    for (SimTransport transport : {SimTransport::Pty, SimTransport::Tcp}) {
        ok = SilentWait(transport, false, seconds) && ok;
        ok = SilentWait(transport, true, seconds) && ok;
    }
    return ok ? 0 : 1;
}
