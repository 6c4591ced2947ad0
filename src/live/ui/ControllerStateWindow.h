#pragma once

// "Текущее состояние контроллера": the controller's summary of abnormal
// situations (table 16) and its links with the analysers (table 33), polled
// every second, with the ways on to the flow-computer state, the table state
// and the momentary-data windows.

#include <array>

#include "live/ui/PollingWindow.h"
#include "settings/ReportFormat.h"
#include "tables/ConfigWrite.h"

class QLabel;

namespace zmk {

// Value fields (QLabel): "chromFlag", "chromLink", "flowFlag",
// "selfDiagnosticFlag", "valueFlag", "moistureFlag" (never filled),
// "moistureLink", "flagsTime". Buttons: "flowComputerButton",
// "tableStateButton", "chromMomentaryButton", "moistureMomentaryButton",
// "toggleButton", "exitButton".
class ControllerStateWindow : public PollingWindow {
    Q_OBJECT

public:
    static constexpr int FormWidth = 532;
    static constexpr int FormHeight = 544;

    // moistureMeterPresent: without one the moisture section is disabled and
    // its link is not shown. hexaneInList and format go to the
    // chromatograph's momentary window. identByteOrder: identification field
    // 10, the order of the words in table 16.
    ControllerStateWindow(CommandHost& host, bool moistureMeterPresent, bool hexaneInList, uint8_t identByteOrder,
                          const ReportFormat& format, QWidget* parent = nullptr);

    // The window was closed by the table-state button, with the selection
    // from table 7 (no table marked).
    bool TableStateRequested() const { return tableStateRequested_; }
    const TableSelection& Selection() const { return selection_; }

    // The button actions; a click while a poll waits for its answer runs
    // its action once the poll has ended.
    void ShowFlowComputerState();
    void RequestTableState();
    void ShowChromatographMomentary();
    void ShowMoistureMomentary();

private:
    void showFlags();
    void showLinks();
    // The four action buttons and "Выход".
    void setButtonsEnabled(bool enabled);

    bool moistureMeterPresent_;
    bool hexaneInList_;
    uint8_t identByteOrder_;
    ReportFormat format_;
    bool tableStateRequested_ = false;
    TableSelection selection_;

    QLabel* chromFlag_;
    QLabel* chromLink_;
    QLabel* flowFlag_;
    QLabel* selfDiagnosticFlag_;
    QLabel* valueFlag_;
    QLabel* moistureLink_;
    QLabel* flagsTime_;
    std::array<QPushButton*, 4> actions_{};
};

// "Возможность исполнения контроллером его функций": the two fields of
// table 8 as read. Values "clockChangeValue", "flowExchangeValue";
// "exitButton".
class ControllerFunctionsWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 508;
    static constexpr int FormHeight = 202;

    // table8: the two fields (nonzero = possible).
    ControllerFunctionsWindow(const uint8_t* table8, QWidget* parent = nullptr);
};

}  // namespace zmk
