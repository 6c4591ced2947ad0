#include "tables/ui/MessageBoxRetry.h"

#include "app/ConnectionState.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"

namespace zmk {

bool MessageBoxRetry::AskRetry(const QString& line1, const QString& line2) {
    Shared().MessageKind = MsgRetryQuestion;
    ShowMessageBox(line1, line2);
    return Shared().QuestionAnswer;
}

}  // namespace zmk
