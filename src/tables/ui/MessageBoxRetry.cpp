#include "tables/ui/MessageBoxRetry.h"

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"

namespace zmk {

bool MessageBoxRetry::AskRetry(const QString& line1, const QString& line2) {
    return Ask(MessageKind::RetryQuestion, line1, line2);
}

}  // namespace zmk
