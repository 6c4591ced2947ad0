#include "common/MessageKind.h"

namespace zmk {

namespace {

// Fixed lines of the archive period checks (kinds 9 and 10). The second one
// has two blanks before "и".
const char16_t* const kArchiveDatesLine1 = u"За время работы оператора изменились даты";
const char16_t* const kArchiveDatesLine2 = u"самой старой  и последней записей в архиве.";

}  // namespace

MessageLook MessageLookFor(MessageKind kind, const QString& first, const QString& second) {
    MessageLook look;
    look.Line1 = first;
    look.Line2 = second;
    switch (kind) {
    case MessageKind::Error:
        look.Caption = QStringLiteral("Ошибка");
        break;
    case MessageKind::InputError:
        look.Caption = QStringLiteral("Ошибка ввода параметров");
        break;
    case MessageKind::Question:
        look.Question = true;
        break;
    case MessageKind::SeeControllerState:
        look.Line3 = QStringLiteral("(см. текущее состояние контроллера)");
        break;
    case MessageKind::ExchangeResult:
        look.Caption = QStringLiteral("Результат обмена с устройством");
        break;
    case MessageKind::RetryQuestion:
        look.Line3 = QStringLiteral("Повторить попытку?");
        look.Question = true;
        break;
    case MessageKind::ArchiveDatesChanged:
    case MessageKind::ArchiveDatesQuestion:
        look.Line1 = QString::fromUtf16(kArchiveDatesLine1);
        look.Line2 = QString::fromUtf16(kArchiveDatesLine2);
        look.Line3 = first;
        look.Question = kind == MessageKind::ArchiveDatesQuestion;
        break;
    default:  // Info and kinds without a look of their own
        break;
    }
    return look;
}

}  // namespace zmk
