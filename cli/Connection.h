#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>

#include "link/ModemDialogue.h"
#include "link/ControllerLink.h"
#include "tables/FrameLogFormatter.h"

namespace zmkctl {

// Connection options shared by every command.
struct ConnectionOptions {
    QString tcpHost;
    quint16 tcpPort = 0;
    QString serialDevice;
    int baud = 9600;
    int address = 1;
    int preambles = 5;
    int attempts = 1;
    int waitMs = 2000;
    int gapMs = 100;
    int connectMs = 5000;
    // The program user's credentials, taken from --password,
    // --password-file or ZMK_PASSWORD, and from --user-code or ZMK_USER_CODE.
    QString password;
    QString userCode;
    QString logPath;
    // Users' passwords and codes are printed as they are, not as "**".
    bool showSecrets = false;
    // Telephone/GSM modem on the serial device: dialled before the command,
    // hung up afterwards.
    bool modem = false;
    QString phone;
    QString initCommands;
    int connectWaitS = 50;
    int dialAttempts = 1;
    int escapeGuardMs = 0;  // silence around "+++"; 0: the dialogue's least (1200 ms)
};

// Takes the connection options out of args (leaving the command and its
// arguments). The credentials not given as options come from the
// environment (ZMK_PASSWORD, ZMK_USER_CODE); an option wins. False with
// *error set on a malformed or missing option, an unreadable password file
// or credentials too long for the controller.
bool ParseConnectionOptions(QStringList& args, ConnectionOptions* options, QString* error);

// The channel the options choose: Ethernet for --tcp, the telephone
// channel for --modem, the direct line otherwise (ChannelKindValue).
uint8_t ChannelOf(const ConnectionOptions& options);

// The link object configured and its channel opened; *error holds the
// message when that fails.
class Connection {
public:
    Connection() = default;
    // A connection that is never opened: a command given it checks its
    // arguments and returns 0 (or its usage error) without any exchange.
    // It knows the channel the options choose (ChannelKindValue), for the
    // commands whose rules depend on it.
    enum CheckArguments { ArgumentsOnly };
    explicit Connection(CheckArguments, uint8_t channelKind = zmk::ChannelDirect)
        : checkOnly_(true), checkedChannel_(channelKind) {}
    bool CheckOnly() const { return checkOnly_; }
    // The channel: the one the options choose while the arguments are
    // checked, the link's own once it is open.
    uint8_t ChannelKind() const { return checkOnly_ ? checkedChannel_ : link_.ChannelKind; }
    // A dialled line is hung up before the port closes.
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Open(const ConnectionOptions& options, QString* error);
    zmk::ControllerLink& link() { return link_; }
    // Whether the command prints users' passwords and codes (--show-secrets).
    bool ShowSecrets() const { return showSecrets_; }
    // Sends a request; on failure writes the link's status text to stderr.
    bool Request(uint8_t code, const uint8_t* data, int length);

private:
    zmk::ControllerLink link_{0};
    std::unique_ptr<QFile> log_;
    zmk::FrameLogFormatter logFormatter_;
    std::unique_ptr<zmk::ModemDialogue> modem_;
    bool lineUp_ = false;
    bool checkOnly_ = false;
    bool showSecrets_ = false;
    uint8_t checkedChannel_ = zmk::ChannelDirect;
};

// Text as the controller holds it for credentials: Windows-1251 bytes,
// blank-padded (or cut) to size. False when a character has no such byte.
bool CredentialBytes(const QString& text, int size, QByteArray* bytes);

}  // namespace zmkctl
