#pragma once

// What the main window tells about the connection in its client area: the
// controller, the channel, since when, and how the last exchanges went. A
// controller that has stopped answering is said so, with what the user can
// do about it.

#include <QDateTime>
#include <QList>
#include <QString>

#include "link/Frame.h"

namespace zmk {

// The course of the exchanges of one connection.
class ExchangeHistory {
public:
    // A new connection: nothing exchanged yet.
    void Clear() { *this = ExchangeHistory(); }
    // One request ended with the status (text: the link's status text).
    void Note(LinkStatus status, const QString& text, const QDateTime& at);

    bool Any() const { return at_.isValid(); }
    const QDateTime& LastAt() const { return at_; }
    bool LastOk() const { return lastOk_; }
    const QString& LastText() const { return text_; }
    // Requests in a row that reached no controller (no answer, a broken
    // answer, the channel failed); a refusal is an answer, and a request
    // the user stopped says nothing about the line.
    int FailedInARow() const { return failedInARow_; }

private:
    QDateTime at_;
    bool lastOk_ = false;
    QString text_;
    int failedInARow_ = 0;
};

// True for the outcomes that mean the controller was not reached.
bool IsLinkFailure(LinkStatus status);

struct ConnectionFacts {
    bool connected = false;
    QString controllerName;  // as the controller keeps it, blanks trimmed
    int address = 0;
    int typeCode = 0;
    int softwareVersion = 0;
    QString channel;         // the channel and subscriber (or port and rate), as the status bars show them
    bool modemLine = false;  // a dialled line: "Отключить связь" is on the call panel
    QDateTime connectedSince;
    ExchangeHistory exchanges;
};

struct SummaryLine {
    QString label;
    QString value;
};

// The lines of the summary: "Нет связи" alone when not connected.
QList<SummaryLine> SummaryLines(const ConnectionFacts& facts);
// The warning of a link that no longer reaches the controller, with what
// to do about it; empty while the last exchange went through.
QString DeadLinkWarning(const ConnectionFacts& facts);

}  // namespace zmk
