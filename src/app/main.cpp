#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>
#include <QTimer>

#include "app/ui/MainHost.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zmk"));
    // One decimal separator everywhere: the full stop.
    QLocale::setDefault(QLocale::c());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Обслуживание контроллера ЗМК_10"));
    parser.addHelpOption();
    const QCommandLineOption tcp(QStringLiteral("tcp"), QStringLiteral("Controller on TCP."), QStringLiteral("HOST:PORT"));
    const QCommandLineOption serial(QStringLiteral("serial"), QStringLiteral("Controller on a serial line."),
                                    QStringLiteral("DEVICE"));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Serial speed."), QStringLiteral("N"),
                                  QStringLiteral("9600"));
    const QCommandLineOption addr(QStringLiteral("addr"), QStringLiteral("Controller address."), QStringLiteral("N"),
                                  QStringLiteral("1"));
    parser.addOptions({tcp, serial, baud, addr});
    parser.process(app);

    zmk::HostConnection connection;
    if (parser.isSet(tcp)) {
        const QString value = parser.value(tcp);
        connection.tcpHost = value.section(':', 0, -2);
        connection.tcpPort = value.section(':', -1).toUShort();
    }
    connection.serialDevice = parser.value(serial);
    connection.baud = parser.value(baud).toInt();
    connection.address = parser.value(addr).toInt();
    if (connection.tcpHost.isEmpty() && connection.serialDevice.isEmpty()) {
        connection.tcpHost = QStringLiteral("127.0.0.1");
        connection.tcpPort = 4001;
    }

    zmk::MainHost window(connection);
    window.show();
    QTimer::singleShot(100, &window, &zmk::MainHost::NconnectClick);
    return app.exec();
}
