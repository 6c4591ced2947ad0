#pragma once

#include <QLabel>
#include <QPushButton>
#include <functional>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"

// Takes every shared message and question while it lives, in place of the
// modal dialog: the callback gets the kind and the look the dialog would have
// shown (caption and lines) and returns the answer ("Да" = true).
class MessageTrap {
public:
    using Callback = std::function<bool(zmk::MessageKind kind, const zmk::MessageLook& look)>;

    explicit MessageTrap(Callback callback) {
        previous_ = zmk::SetMessageHandler([callback](zmk::MessageKind kind, const QString& first, const QString& second) {
            return callback(kind, zmk::MessageLookFor(kind, first, second));
        });
    }
    ~MessageTrap() { zmk::SetMessageHandler(std::move(previous_)); }
    MessageTrap(const MessageTrap&) = delete;
    MessageTrap& operator=(const MessageTrap&) = delete;

private:
    zmk::MessageHandler previous_;
};

// A button of the shared message dialog: "yesButton", "noButton" or "okButton".
template <typename Box>
QPushButton* MessageButton(const Box& box, const char* name) {
    return box->template findChild<QPushButton*>(QString::fromLatin1(name));
}

// Line 1..3 of the shared message dialog.
template <typename Box>
QLabel* MessageLine(const Box& box, int line) {
    return box->template findChild<QLabel*>(QStringLiteral("line%1").arg(line));
}
