#pragma once

#include <QLabel>
#include <QMainWindow>
#include <memory>

#include "app/StatusBarPanel.h"
#include "link/Hgcbox.h"

class QAction;

namespace zmk {

// A status-bar panel over a label of the main window.
class LabelPanel : public StatusBarPanel {
public:
    explicit LabelPanel(QLabel* label) : label_(label) {}
    void setText(const QString& text) override { label_->setText(text); }
    QString text() const override { return label_->text(); }
    void repaint() override { label_->repaint(); }

private:
    QLabel* label_;
};

// Where the program connects, from its command line.
struct HostConnection {
    QString tcpHost;
    quint16 tcpPort = 0;
    QString serialDevice;
    int baud = 9600;
    int address = 1;
};

// The window that hosts the shared dialogs until the full main window
// arrives: it connects to one controller, identifies it and shows the outcome.
class MainHost : public QMainWindow {
    Q_OBJECT

public:
    explicit MainHost(const HostConnection& connection, QWidget* parent = nullptr);
    ~MainHost() override;

    hgcbox& Link() { return *link_; }
    QLabel* Identification() const { return identification_; }

public slots:
    // Opens the channel and reads the identification table; true when the
    // controller answered.
    bool NconnectClick();
    void NdisconnectClick();
    void NaboutClick();

private:
    bool OpenChannel(QString* error);

    HostConnection connection_;
    std::unique_ptr<hgcbox> link_;
    QLabel* linkInfo_;
    QLabel* exchange_;
    QLabel* message_;
    std::unique_ptr<LabelPanel> exchangePanel_;
    QLabel* identification_;
};

}  // namespace zmk
