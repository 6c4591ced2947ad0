#pragma once

// The flow-computer dialogs over the bytes of a configuration record. Each
// runs its dialog through run (the caller's way of showing a sub-dialog) and
// gives whether it was accepted.

#include <cstdint>
#include <functional>

class QDialog;
class QWidget;

namespace zmk {

using RunDialogFn = std::function<int(QDialog&)>;

// The flow-computer list on the 16 entries of 20 bytes and the number of
// connected ones (table 9 field 0, brought into 0..16 for the list); when
// the list is accepted the entries and the count take it.
bool EditRecordFlowComputers(uint8_t* entries, uint8_t* count, QWidget* parent, const RunDialogFn& run);
// Table 21, the write flags of the gas parameters.
bool EditRecordGasParameterWrite(uint8_t* fields, QWidget* parent, const RunDialogFn& run);
// Table 28, the period of writing hourly means.
bool EditRecordHourlyWritePeriod(uint8_t* fields, QWidget* parent, const RunDialogFn& run);

}  // namespace zmk
