#pragma once

#include "tables/TableEngine.h"

namespace zmk {

// The table engine's retry question asked with the shared message dialog.
class MessageBoxRetry : public RetryQuestion {
public:
    bool AskRetry(const QString& line1, const QString& line2) override;
};

}  // namespace zmk
