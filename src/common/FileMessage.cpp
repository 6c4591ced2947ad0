#include "common/FileMessage.h"

namespace zmk {

QString OpenErrorText() {
    return QStringLiteral("Ошибка открытия файла");
}

}  // namespace zmk
