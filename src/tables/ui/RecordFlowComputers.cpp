#include "tables/ui/RecordFlowComputers.h"

#include <algorithm>
#include <cstring>

#include "tables/FlowComputers.h"
#include "tables/ui/FlowComputerDialogs.h"

namespace zmk {

bool EditRecordFlowComputers(uint8_t* entries, uint8_t* count, QWidget* parent, const RunDialogFn& run) {
    FlowComputerList list;
    list.Count = std::clamp(int(*count), 0, MaxFlowComputers);
    for (int i = 0; i < MaxFlowComputers; ++i)
        std::memcpy(&list.Entries[i], entries + i * sizeof(FlowComputerEntry), sizeof(FlowComputerEntry));
    FlowComputerListDialog form(list, ParamsMode::Record, parent);
    if (run(form) != QDialog::Accepted) return false;
    *count = uint8_t(list.Count);
    for (int i = 0; i < MaxFlowComputers; ++i)
        std::memcpy(entries + i * sizeof(FlowComputerEntry), &list.Entries[i], sizeof(FlowComputerEntry));
    return true;
}

bool EditRecordGasParameterWrite(uint8_t* fields, QWidget* parent, const RunDialogFn& run) {
    GasParameterWriteDialog form(fields, ParamsMode::Record, parent);
    return run(form) == QDialog::Accepted;
}

bool EditRecordHourlyWritePeriod(uint8_t* fields, QWidget* parent, const RunDialogFn& run) {
    HourlyWritePeriodDialog form(fields, ParamsMode::Record, parent);
    return run(form) == QDialog::Accepted;
}

}  // namespace zmk
