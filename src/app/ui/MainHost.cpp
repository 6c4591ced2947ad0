#include "app/ui/MainHost.h"

#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>

#include "app/Suplfunc.h"
#include "app/ui/About.h"
#include "app/ui/Question.h"
#include "link/Comportfunctions.h"
#include "link/TcpChannel.h"

namespace zmk {

namespace {
constexpr int HostPortNo = 1;
constexpr int ConnectTimeoutMs = 5000;
constexpr int ResultKind = 5;  // "Результат обмена с устройством"
}  // namespace

MainHost::MainHost(const HostConnection& connection, QWidget* parent)
    : QMainWindow(parent), connection_(connection), link_(std::make_unique<hgcbox>(0)) {
    setWindowTitle(QStringLiteral("Обслуживание контроллера ЗМК_10"));
    resize(640, 360);

    QMenu* linkMenu = menuBar()->addMenu(QStringLiteral("Связь"));
    linkMenu->addAction(QStringLiteral("Связаться"), this, &MainHost::NconnectClick);
    linkMenu->addAction(QStringLiteral("Отключить связь"), this, &MainHost::NdisconnectClick);
    menuBar()->addAction(QStringLiteral("О программе"), this, &MainHost::NaboutClick);
    menuBar()->addAction(QStringLiteral("Выход"), this, &QWidget::close);

    linkInfo_ = new QLabel(this);
    message_ = new QLabel(this);
    exchange_ = new QLabel(this);
    exchange_->setMinimumWidth(80);
    statusBar()->addWidget(linkInfo_);
    statusBar()->addWidget(message_, 1);
    statusBar()->addPermanentWidget(exchange_);
    exchangePanel_ = std::make_unique<LabelPanel>(exchange_);

    identification_ = new QLabel(this);
    identification_->setAlignment(Qt::AlignCenter);
    setCentralWidget(identification_);

    link_->StatusPanel = exchangePanel_.get();
    link_->SetPump([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    link_->Address = uint8_t(connection_.address);
    Shared().Link = link_.get();
    linkInfo_->setText(connection_.tcpHost.isEmpty()
                           ? QStringLiteral("COM: %1, %2 бит/с").arg(connection_.serialDevice).arg(connection_.baud)
                           : QStringLiteral("Ethernet: %1:%2").arg(connection_.tcpHost).arg(connection_.tcpPort));
}

MainHost::~MainHost() {
    NdisconnectClick();
    Shared().Link = nullptr;
}

bool MainHost::OpenChannel(QString* error) {
    if (!connection_.tcpHost.isEmpty()) {
        link_->ChannelKind = ChannelEthernet;
        link_->ClosePortEachExchange = 0;
        link_->Socket = TcpChannel::Connect(connection_.tcpHost, connection_.tcpPort, ConnectTimeoutMs, error);
        return bool(link_->Socket);
    }
    link_->ChannelKind = ChannelDirect;
    link_->ClosePortEachExchange = 0;
    link_->BaudRate = connection_.baud;
    link_->ComPortNo = HostPortNo;
    SetComPortDevice(HostPortNo, connection_.serialDevice);
    if (link_->OpenPort()) return true;
    *error = link_->MessageBuf;
    return false;
}

bool MainHost::NconnectClick() {
    NdisconnectClick();
    QString error;
    if (!OpenChannel(&error)) {
        Shared().MessageKind = ResultKind;
        ShowMessageBox(QStringLiteral("Нет соединения с контроллером."), error);
        return false;
    }
    menuBar()->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const uint8_t body[3] = {0, 0, 18};
    const bool ok = link_->SendRequest(1, body, 3);
    QApplication::restoreOverrideCursor();
    menuBar()->setEnabled(true);
    if (!ok) {
        message_->setText(link_->StatusText());
        Shared().MessageKind = ResultKind;
        ShowMessageBox(QStringLiteral("Не выполнено чтение из таблицы 0."), link_->StatusText());
        return false;
    }
    const auto& a = link_->AnswerBuf;
    identification_->setText(QStringLiteral("Код типа контроллера: %1\nВерсия программного обеспечения: %2\n"
                                            "Адрес контроллера: %3")
                                 .arg(a[8 + 1])
                                 .arg(a[8 + 3])
                                 .arg(a[1]));
    message_->setText(link_->StatusText());
    Shared().Connected = true;
    return true;
}

void MainHost::NdisconnectClick() {
    if (link_->Socket) {
        link_->Socket->close();
        link_->Socket.reset();
    }
    link_->ClosePort();
    Shared().Connected = false;
    identification_->clear();
}

void MainHost::NaboutClick() {
    TFormAbout about(this);
    about.exec();
}

}  // namespace zmk
