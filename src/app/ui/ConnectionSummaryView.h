#pragma once

#include <QFrame>

#include "app/ConnectionSummary.h"

class QLabel;

namespace zmk {

// The connection summary in the main window's client area: "Нет связи", or
// the controller, the channel, since when and the last exchange; below it
// the warning of a link that no longer reaches the controller.
// Widgets for tests: labels "summaryText" and "deadLinkWarning" (hidden
// while there is nothing to warn of).
class ConnectionSummaryView : public QFrame {
    Q_OBJECT

public:
    explicit ConnectionSummaryView(QWidget* parent = nullptr);

    void Show(const ConnectionFacts& facts);

private:
    QLabel* text_;
    QLabel* warning_;
};

}  // namespace zmk
