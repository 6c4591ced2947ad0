#include "SimProcess.h"

#include <QElapsedTimer>
#include <QProcess>
#include <csignal>
#include <sys/types.h>

SimProcess::SimProcess(const QStringList& args) : process_(std::make_unique<QProcess>()) {
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start(SimPath(), args);
    if (!process_->waitForStarted(5000)) {
        output_ = QStringLiteral("cannot start ") + SimPath();
        return;
    }
    QElapsedTimer timer;
    timer.start();
    while (!ready_ && timer.elapsed() < 10000) {
        if (!process_->canReadLine() && !process_->waitForReadyRead(200)) {
            if (process_->state() != QProcess::Running) break;
            continue;
        }
        while (process_->canReadLine()) {
            const QString line = QString::fromUtf8(process_->readLine()).trimmed();
            output_ += line + '\n';
            if (line.startsWith(QLatin1String("tcp "))) {
                tcpPort_ = line.section(':', -1).toUShort();
            } else if (line.startsWith(QLatin1String("pty "))) {
                ptyPath_ = line.mid(4);
            } else if (line == QLatin1String("ready")) {
                ready_ = true;
            }
        }
    }
    if (!ready_) output_ += QString::fromUtf8(process_->readAllStandardError());
}

SimProcess::~SimProcess() { stop(); }

qint64 SimProcess::pid() const { return process_ ? process_->processId() : 0; }

void SimProcess::stop() {
    if (!process_ || process_->state() == QProcess::NotRunning) return;
    const qint64 id = process_->processId();
    if (id > 0) ::kill(static_cast<pid_t>(id), SIGTERM);
    if (!process_->waitForFinished(3000) && id > 0) {
        ::kill(static_cast<pid_t>(id), SIGKILL);
        process_->waitForFinished(3000);
    }
}

QString SimPath() { return QStringLiteral(ZMK_SIM_PATH); }
QString CtlPath() { return QStringLiteral(ZMK_CTL_PATH); }
