#include "common/MessageKind.h"

namespace zmk {

namespace {

// Fixed lines of the archive period checks (kinds 9 and 10). The second one
// has two blanks before "и".
const char16_t* const kArchiveDatesLine1 = u"За время работы оператора изменились даты";
const char16_t* const kArchiveDatesLine2 = u"самой старой  и последней записей в архиве.";

}  // namespace

MessageLook MessageLookFor(int32_t kind, const QString& first, const QString& second) {
    MessageLook look;
    look.Line1 = first;
    look.Line2 = second;
    switch (kind) {
    case MsgError:
        look.Caption = QStringLiteral("Ошибка");
        break;
    case MsgInputError:
        look.Caption = QStringLiteral("Ошибка ввода параметров");
        break;
    case MsgQuestion:
        look.Question = true;
        break;
    case MsgSeeControllerState:
        look.Line3 = QStringLiteral("(см. текущее состояние контроллера)");
        break;
    case MsgExchangeResult:
        look.Caption = QStringLiteral("Результат обмена с устройством");
        break;
    case MsgRetryQuestion:
        look.Line3 = QStringLiteral("Повторить попытку?");
        look.Question = true;
        break;
    case MsgArchiveDatesChanged:
    case MsgArchiveDatesQuestion:
        look.Line1 = QString::fromUtf16(kArchiveDatesLine1);
        look.Line2 = QString::fromUtf16(kArchiveDatesLine2);
        look.Line3 = first;
        look.Question = kind == MsgArchiveDatesQuestion;
        break;
    default:  // MsgInfo and kinds without a look of their own
        break;
    }
    return look;
}

}  // namespace zmk
