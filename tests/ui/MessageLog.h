#pragma once

#include <QList>
#include <QString>

#include "MessageTrap.h"

// One shared message or question as the message dialog would have shown it.
struct SeenMessage {
    int kind = 0;
    QString caption;
    QString line1;
    QString line2;
    QString line3;
    bool question = false;  // "Да" and "Нет" instead of the acknowledgement
};

// Takes every shared message and question while it lives and remembers them
// in order; a question is answered with `answer` ("Да" = true).
class MessageLog {
public:
    explicit MessageLog(bool answer = false) : answer_(answer) {}

    QList<SeenMessage> seen;

private:
    bool answer_;
    MessageTrap trap_{[this](zmk::MessageKind kind, const zmk::MessageLook& look) {
        seen.append({int(kind), look.Caption, look.Line1, look.Line2, look.Line3, look.Question});
        return answer_;
    }};
};
