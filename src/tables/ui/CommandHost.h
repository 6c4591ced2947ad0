#pragma once

#include <QString>

class QWidget;

namespace zmk {

class StatusBarPanel;
class TableEngine;

// What a command of the main window needs of it: the window to own its
// dialogs (disabled during long operations), the table engine with the link
// and the configuration image, and the status-bar panel of command texts.
// The main window implements it; the commands never include the window.
class CommandHost {
public:
    virtual ~CommandHost() = default;

    virtual QWidget* Window() = 0;
    virtual TableEngine& Tables() = 0;
    // The panel of command texts (status bar 1, panel 2).
    virtual StatusBarPanel* MessagePanel() = 0;
    // Clears the panel of command texts after a while.
    virtual void StartMessageTimer() = 0;
};

}  // namespace zmk
