#pragma once

// How the readers and writers of files report what went wrong: a message
// for the shared message dialog, its kind and two lines.

#include <QString>

#include "common/MessageKind.h"

namespace zmk {

struct FileMessage {
    MessageKind kind = MessageKind::None;
    QString first;
    QString second;
};

// "Ошибка открытия файла"
QString OpenErrorText();

}  // namespace zmk
