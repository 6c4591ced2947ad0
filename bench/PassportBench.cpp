// The monthly passport: its reading from zmk-sim on a pseudo-terminal paced at
// 38400 bit/s in both directions (both analysers' daily records of a month),
// measured as the archive benchmark measures: the elapsed time over the time
// the line itself needs (every byte of every request and answer at 10 bits,
// plus the 2 ms RTS lead and the one-character RTS tail of each request);
// target <= 1.10. Then, apart, the workbook built from the records in memory
// into the template (best of several runs); target < 0.3 s.
// Usage: passport_bench [RUNS (5)]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "SimLink.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "link/ControllerLink.h"
#include "reports/PassportReader.h"
#include "reports/PassportWorkbook.h"

using namespace zmk;

namespace {

constexpr int Baud = 38400;
constexpr int Preambles = 5;
constexpr double RtsLeadSeconds = 0.002;
constexpr double BitsPerByte = 10.0;

class QuietDialogue : public ArchiveReadDialogue {
public:
    void ShowMessage(MessageKind, const QString& l1, const QString& l2) override {
        std::fprintf(stderr, "%s %s\n", qPrintable(l1), qPrintable(l2));
    }
    bool AskQuestion(MessageKind, const QString&, const QString&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::clamp(atoi(argv[1]), 1, 100) : 5;

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
    double lineSeconds = 0;
    int requests = 0;
    link.SetFrameObserver([&](bool sent, const uint8_t*, int count) {
        if (sent) {
            lineSeconds += RtsLeadSeconds + (Preambles + count + 1) * BitsPerByte / Baud;
            ++requests;
        } else {
            lineSeconds += count * BitsPerByte / Baud;
        }
    });

    // October 2024, well inside the simulator's archive.
    const ArchiveBounds bounds{PackedDate{24, 1, 1, 10, 0, 0}, PackedDate{24, 12, 14, 10, 0, 0}};
    QuietDialogue dialogue;
    QElapsedTimer timer;
    timer.start();
    const std::optional<PassportData> data =
        ReadPassport(link, PassportKind::Monthly, PackedDate{24, 10, 1, 10, 0, 0}, bounds, dialogue);
    const double elapsed = timer.nsecsElapsed() / 1e9;
    if (!data) {
        std::fprintf(stderr, "reading failed\n");
        return 1;
    }
    std::printf("monthly passport reading: %lld + %lld records, %d requests at %d bit/s, elapsed %.3f s, "
                "line time %.3f s, ratio %.3f (target <= 1.10)\n",
                (long long)data->Chrom.Count(), (long long)data->Moisture.Count(), requests, Baud, elapsed, lineSeconds,
                elapsed / lineSeconds);

    const QString templatePath = FindPassportTemplate(PassportKind::Monthly);
    if (templatePath.isEmpty()) {
        std::fprintf(stderr, "no monthly template beside the program or in share/zmk\n");
        return 1;
    }
    QTemporaryDir dir;
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const PassportSheet sheet = BuildPassportSheet(*data, DefaultReportFormat(), QStringLiteral("Объект"));
        if (WritePassportWorkbook(templatePath, dir.filePath(QStringLiteral("passport.xlsx")), sheet) != WorkbookStatus::Ok) {
            std::fprintf(stderr, "the workbook could not be written\n");
            return 1;
        }
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    std::printf("monthly passport workbook from records in memory: best of %d runs %.4f s (target < 0.3 s)\n", runs, best);
    return 0;
}
