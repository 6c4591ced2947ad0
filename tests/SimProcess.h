#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QProcess;

// Runs zmk-sim as a separate process for one test: waits for its "ready"
// line, keeps the TCP port and pseudo-terminal it announced, and stops it
// by its process id.
class SimProcess {
public:
    explicit SimProcess(const QStringList& args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return ready_; }
    quint16 tcpPort() const { return tcpPort_; }
    QString ptyPath() const { return ptyPath_; }
    qint64 pid() const;
    // Everything the simulator printed before it was ready (for failure messages).
    QString output() const { return output_; }
    void stop();

private:
    std::unique_ptr<QProcess> process_;
    bool ready_ = false;
    quint16 tcpPort_ = 0;
    QString ptyPath_;
    QString output_;
};

// Path of the built simulator and command-line companion.
QString SimPath();
QString CtlPath();
