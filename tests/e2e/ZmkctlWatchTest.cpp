// zmkctl watch against the simulator: a line a second until Ctrl-C.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>

#include "QtPrinters.h"
#include "SimProcess.h"

namespace {

QStringList Over(const SimProcess& sim, const QStringList& args) {
    return QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())} + args;
}

// time, 18 values, 18 zone characters
const QRegularExpression Line(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d(\\t-?\\d+\\.\\d{4}){18}\\t[0-4?-]{18}$"));

}  // namespace

TEST(ZmkctlWatch, LinesOnceASecondUntilInterrupted) {
    SimProcess sim;
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QProcess p;
    p.start(CtlPath(), Over(sim, {QStringLiteral("watch")}));
    ASSERT_TRUE(p.waitForStarted());
    QByteArray output;
    QElapsedTimer waited;
    waited.start();
    while (output.count('\n') < 3 && waited.elapsed() < 10000) {
        p.waitForReadyRead(200);
        output += p.readAllStandardOutput();
    }
    ASSERT_EQ(::kill(pid_t(p.processId()), SIGINT), 0);
    ASSERT_TRUE(p.waitForFinished(5000));
    output += p.readAllStandardOutput();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    // Three lines took two pauses of a second.
    EXPECT_GE(waited.elapsed(), 1800);

    const QStringList lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    for (const QString& line : lines) EXPECT_TRUE(Line.match(line).hasMatch()) << line.toStdString();
    // The poll time moves on from line to line; the gas temperature has no zone.
    EXPECT_NE(lines[0].section(u'\t', 0, 0), lines[2].section(u'\t', 0, 0));
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("0-")));
}

TEST(ZmkctlWatch, CountAndTheRules) {
    SimProcess sim;
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    // Hexane out of the list (table 14 field 7 bit 0): "--" and no zone.
    QProcess set;
    set.start(CtlPath(), Over(sim, {QStringLiteral("--password"), QStringLiteral("12345678"), QStringLiteral("--user-code"),
                                    QStringLiteral("1234"), QStringLiteral("set"), QStringLiteral("14"),
                                    QStringLiteral("7=01")}));
    ASSERT_TRUE(set.waitForFinished(10000));
    ASSERT_EQ(set.exitCode(), 0) << set.readAllStandardError().toStdString();
    QProcess p;
    p.start(CtlPath(), Over(sim, {QStringLiteral("watch"), QStringLiteral("--count"), QStringLiteral("1")}));
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0);
    const QStringList fields = QString::fromUtf8(p.readAllStandardOutput()).trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 20);
    EXPECT_EQ(fields[1 + 14], QStringLiteral("--"));
    EXPECT_EQ(fields[19].mid(14, 1), QStringLiteral("-"));
    EXPECT_EQ(fields[19].mid(13, 1), QStringLiteral("0"));

    // Without a chromatograph link, nothing is watched.
    SimProcess lost({QStringLiteral("--chrom-link-lost")});
    ASSERT_TRUE(lost.ready()) << lost.output().toStdString();
    QProcess refused;
    refused.start(CtlPath(), Over(lost, {QStringLiteral("watch")}));
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_EQ(refused.readAllStandardOutput(), QByteArray());
    EXPECT_EQ(QString::fromUtf8(refused.readAllStandardError()),
              QStringLiteral("Нет связи с хроматографом (см. текущее состояние контроллера)\n"));

    QProcess bad;
    bad.start(CtlPath(), Over(sim, {QStringLiteral("watch"), QStringLiteral("--count"), QStringLiteral("0")}));
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_EQ(bad.exitCode(), 2);
}
