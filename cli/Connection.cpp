#include "Connection.h"

#include <QDateTime>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextStream>
#include <cstdio>

#include "common/Cp1251.h"
#include "link/LinkSetup.h"
#include "link/SerialChannel.h"

namespace zmkctl {

namespace {

constexpr int DirectPort = 1;
constexpr int PasswordSize = 12;
constexpr int UserCodeSize = 4;
constexpr char PasswordVariable[] = "ZMK_PASSWORD";
constexpr char UserCodeVariable[] = "ZMK_USER_CODE";

bool TakeInt(const QString& name, const QString& value, int min, int max, int* out, QString* error) {
    bool ok = false;
    const int v = value.toInt(&ok);
    if (!ok || v < min || v > max) {
        *error = QStringLiteral("%1: expected a whole number from %2 to %3, got \"%4\"").arg(name).arg(min).arg(max).arg(value);
        return false;
    }
    *out = v;
    return true;
}

// The first line of a password file, without its line end.
bool ReadPasswordFile(const QString& path, QString* password, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("--password-file: cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    // A password is a few characters: a longer first line is refused for
    // its length, so more than this is never read.
    constexpr qint64 LongestLine = 1024;
    QByteArray line = file.readLine(LongestLine);
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("--password-file: cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    QStringDecoder decoder(QStringDecoder::Utf8);
    *password = decoder.decode(line);
    if (decoder.hasError()) {
        *error = QStringLiteral("--password-file: the first line of %1 is not UTF-8 text").arg(path);
        return false;
    }
    return true;
}

}  // namespace

bool ParseConnectionOptions(QStringList& args, ConnectionOptions* o, QString* error) {
    QStringList rest;
    bool passwordGiven = false, userCodeGiven = false;
    QString passwordFile;
    bool passwordFileGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            rest << a;
            continue;
        }
        auto value = [&](QString* out) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            *out = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--tcp")) {
            if (!value(&v)) return false;
            const int colon = v.lastIndexOf(':');
            bool ok = false;
            const int port = colon > 0 ? v.mid(colon + 1).toInt(&ok) : 0;
            if (colon <= 0 || !ok || port < 1 || port > 65535) {
                *error = QStringLiteral("--tcp: expected HOST:PORT, got \"%1\"").arg(v);
                return false;
            }
            o->tcpHost = v.left(colon);
            o->tcpPort = quint16(port);
        } else if (a == QLatin1String("--serial")) {
            if (!value(&o->serialDevice)) return false;
        } else if (a == QLatin1String("--baud")) {
            if (!value(&v) || !TakeInt(a, v, 110, 256000, &o->baud, error)) return false;
        } else if (a == QLatin1String("--addr")) {
            if (!value(&v) || !TakeInt(a, v, 1, 255, &o->address, error)) return false;
        } else if (a == QLatin1String("--preambles")) {
            if (!value(&v) || !TakeInt(a, v, 0, 255, &o->preambles, error)) return false;
        } else if (a == QLatin1String("--attempts")) {
            if (!value(&v) || !TakeInt(a, v, 1, 255, &o->attempts, error)) return false;
        } else if (a == QLatin1String("--wait-ms")) {
            if (!value(&v) || !TakeInt(a, v, 1, 600000, &o->waitMs, error)) return false;
        } else if (a == QLatin1String("--gap-ms")) {
            if (!value(&v) || !TakeInt(a, v, 1, 600000, &o->gapMs, error)) return false;
        } else if (a == QLatin1String("--connect-ms")) {
            if (!value(&v) || !TakeInt(a, v, 1, 600000, &o->connectMs, error)) return false;
        } else if (a == QLatin1String("--password")) {
            if (!value(&o->password)) return false;
            passwordGiven = true;
        } else if (a == QLatin1String("--password-file")) {
            if (!value(&passwordFile)) return false;
            passwordFileGiven = true;
        } else if (a == QLatin1String("--user-code")) {
            if (!value(&o->userCode)) return false;
            userCodeGiven = true;
        } else if (a == QLatin1String("--log")) {
            if (!value(&o->logPath)) return false;
        } else if (a == QLatin1String("--show-secrets")) {
            o->showSecrets = true;
        } else if (a == QLatin1String("--modem")) {
            o->modem = true;
        } else if (a == QLatin1String("--phone")) {
            if (!value(&o->phone)) return false;
        } else if (a == QLatin1String("--init")) {
            if (!value(&o->initCommands)) return false;
        } else if (a == QLatin1String("--connect-wait")) {
            if (!value(&v) || !TakeInt(a, v, 1, 360, &o->connectWaitS, error)) return false;
        } else if (a == QLatin1String("--dial-attempts")) {
            if (!value(&v) || !TakeInt(a, v, 1, 10, &o->dialAttempts, error)) return false;
        } else if (a == QLatin1String("--guard-ms")) {
            if (!value(&v) || !TakeInt(a, v, zmk::ModemDialogue::MinEscapeGuardMs, 60000, &o->escapeGuardMs, error))
                return false;
        } else {
            *error = QStringLiteral("unknown option %1").arg(a);
            return false;
        }
    }
    if (o->tcpHost.isEmpty() == o->serialDevice.isEmpty()) {
        *error = QStringLiteral("give exactly one of --tcp HOST:PORT and --serial DEVICE");
        return false;
    }
    if (o->modem && o->serialDevice.isEmpty()) {
        *error = QStringLiteral("--modem needs --serial DEVICE: the modem is on a serial port");
        return false;
    }
    if (!o->modem && o->escapeGuardMs != 0) {
        *error = QStringLiteral("--guard-ms is for --modem");
        return false;
    }
    if (o->modem && o->phone.trimmed().isEmpty()) {
        *error = QStringLiteral("--modem needs --phone NUMBER");
        return false;
    }
    if (!o->modem && (!o->phone.isEmpty() || !o->initCommands.isEmpty())) {
        *error = QStringLiteral("--phone and --init are for --modem");
        return false;
    }
    // The modem gets its commands and the number as bytes of the Windows-1251 code page.
    bool ok = true;
    zmk::ToCp1251(o->initCommands, &ok);
    if (ok) zmk::ToCp1251(o->phone, &ok);
    if (!ok) {
        *error = QStringLiteral("--phone and --init: characters outside the Windows-1251 code page");
        return false;
    }
    // Credentials: an option wins over the environment. Where they came from
    // is named when they do not fit.
    if (passwordGiven && passwordFileGiven) {
        *error = QStringLiteral("give one of --password and --password-file");
        return false;
    }
    QString passwordSource = QStringLiteral("--password");
    if (passwordFileGiven) {
        if (!ReadPasswordFile(passwordFile, &o->password, error)) return false;
        passwordSource = QStringLiteral("--password-file");
    } else if (!passwordGiven && qEnvironmentVariableIsSet(PasswordVariable)) {
        o->password = qEnvironmentVariable(PasswordVariable);
        passwordSource = QString::fromLatin1(PasswordVariable);
    }
    QString userCodeSource = QStringLiteral("--user-code");
    if (!userCodeGiven && qEnvironmentVariableIsSet(UserCodeVariable)) {
        o->userCode = qEnvironmentVariable(UserCodeVariable);
        userCodeSource = QString::fromLatin1(UserCodeVariable);
    }
    QByteArray credential;
    if (!CredentialBytes(o->password, PasswordSize, &credential)) {
        *error = QStringLiteral("%1: at most 12 characters of the Windows-1251 code page").arg(passwordSource);
        return false;
    }
    if (!CredentialBytes(o->userCode, UserCodeSize, &credential)) {
        *error = QStringLiteral("%1: at most 4 characters of the Windows-1251 code page").arg(userCodeSource);
        return false;
    }
    args = rest;
    return true;
}

uint8_t ChannelOf(const ConnectionOptions& o) {
    if (!o.tcpHost.isEmpty()) return zmk::ChannelEthernet;
    return o.modem ? zmk::ChannelPhone : zmk::ChannelDirect;
}

bool CredentialBytes(const QString& text, int size, QByteArray* bytes) {
    QStringEncoder encoder("windows-1251");
    QByteArray encoded = encoder.isValid() ? QByteArray(encoder.encode(text)) : text.toLatin1();
    if (encoder.isValid() && encoder.hasError()) return false;
    if (encoded.size() > size) return false;
    encoded.append(QByteArray(size - encoded.size(), ' '));
    *bytes = encoded;
    return true;
}

bool Connection::Open(const ConnectionOptions& o, QString* error) {
    showSecrets_ = o.showSecrets;
    QByteArray password, userCode;
    if (!CredentialBytes(o.password, PasswordSize, &password)) {
        *error = QStringLiteral("the password: at most 12 characters of the Windows-1251 code page");
        return false;
    }
    if (!CredentialBytes(o.userCode, UserCodeSize, &userCode)) {
        *error = QStringLiteral("the user code: at most 4 characters of the Windows-1251 code page");
        return false;
    }
    std::copy(password.begin(), password.end(), link_.WritePassword.begin());
    std::copy(userCode.begin(), userCode.end(), link_.UserCode.begin());

    if (!o.logPath.isEmpty()) {
        log_ = std::make_unique<QFile>(o.logPath);
        if (!log_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            *error = QStringLiteral("cannot write the log file %1: %2").arg(o.logPath, log_->errorString());
            return false;
        }
        link_.SetFrameObserver([this](bool sent, const uint8_t* bytes, int count) {
            const QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + ' ' +
                                 logFormatter_.Format(sent, bytes, count) + '\n';
            log_->write(line.toUtf8());
            log_->flush();
        });
    }

    // The settings the program would hold for this line, set up the way the
    // program sets up its link. The port stays open for the whole command.
    zmk::ChannelParams record;
    record.Port = DirectPort;
    record.Address = uint8_t(o.address);
    record.Rate = o.baud;
    record.Preambles = uint8_t(o.preambles);
    record.Attempts = uint8_t(o.attempts);
    record.ByteGapMs = o.gapMs;
    record.AnswerWaitS = (o.waitMs + 999) / 1000;
    zmk::MainSettings settings;
    settings.Direct = settings.Phone = settings.Ethernet = record;
    settings.DoClosePort = false;
    zmk::LinkOpenOptions options;
    options.answerWaitMs = o.waitMs;  // to the millisecond, finer than the settings' seconds
    options.connectWaitMs = o.connectMs;
    options.settleMs = 0;             // a command starts at once

    QString why;
    if (!o.tcpHost.isEmpty()) {
        // The host as the subscriber entry of the Ethernet link.
        zmk::EthernetAbonent peer = zmk::EmptyEthernetAbonent();
        const auto to = zmk::MakeSockAddr(o.tcpHost, QString::number(o.tcpPort), QStringLiteral("TCP"), &why);
        if (to) {
            peer.SetIp(to->Address);
            peer.SetPort(to->Port);
            peer.Address = uint8_t(o.address);
            options.subscriber = &peer;
        }
        if (!to || !zmk::OpenLink(link_, zmk::ChannelEthernet, settings, options, &why)) {
            *error = QStringLiteral("no connection to %1:%2: %3").arg(o.tcpHost).arg(o.tcpPort).arg(why);
            return false;
        }
        return true;
    }
    zmk::SetComPortDevice(DirectPort, o.serialDevice);
    // On the telephone channel RTS is left alone.
    if (!zmk::OpenLink(link_, o.modem ? zmk::ChannelPhone : zmk::ChannelDirect, settings, options, &why)) {
        *error = why + QStringLiteral(" (%1)").arg(o.serialDevice);
        return false;
    }
    if (!o.modem) return true;

    modem_ = std::make_unique<zmk::ModemDialogue>(
        zmk::ModemDialogue::Context{link_.PortHandle.get(), {}, {}, nullptr, nullptr, o.escapeGuardMs});
    const zmk::DialResult result = modem_->Dial(zmk::ToCp1251(o.phone), zmk::ToCp1251(o.initCommands), nullptr,
                                                o.dialAttempts, o.connectWaitS);
    if (result != zmk::DialResult::Connected) {
        // The dialogue has hung up whatever the failed attempts left going.
        *error = zmk::DialResultText(result);
        return false;
    }
    lineUp_ = true;
    link_.SetCarrierWatch(true);
    return true;
}

Connection::~Connection() {
    // A call the modem reported lost has nothing left to hang up.
    if (lineUp_ && modem_ && link_.PortHandle && !link_.CarrierLost()) modem_->HangUp();
}

bool Connection::Request(uint8_t code, const uint8_t* data, int length) {
    if (link_.SendRequest(code, data, length)) return true;
    QTextStream(stderr) << link_.StatusText() << Qt::endl;
    return false;
}

}  // namespace zmkctl
