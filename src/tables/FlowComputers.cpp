#include "tables/FlowComputers.h"

#include <algorithm>


namespace zmk {

namespace {

constexpr int FlowTables[4] = {FlowTypeTable, FlowAddressTable, FlowPipelineTable, FlowByteOrderTable};

QString Unknown(int value) { return QStringLiteral(" ? (%1)").arg(value); }

}  // namespace

FlowComputerEntry BlankFlowComputer() {
    FlowComputerEntry entry;
    entry.Password.fill(' ');
    return entry;
}

FlowComputerList FlowComputersFromImage(const ConfigImage& image, int count) {
    FlowComputerList list;
    list.Count = std::clamp(count, 0, MaxFlowComputers);
    for (int i = 0; i < MaxFlowComputers; ++i) list.Entries[i] = BlankFlowComputer();
    for (int i = 0; i < list.Count; ++i) {
        FlowComputerEntry& e = list.Entries[i];
        e.Type = image.Table(FlowTypeTable)[i];
        e.Address = image.Table(FlowAddressTable)[i];
        e.Pipelines = image.Table(FlowPipelineTable)[i];
        e.ByteOrder = image.Table(FlowByteOrderTable)[i];
    }
    return list;
}

void StoreFlowComputers(ConfigImage& image, const FlowComputerList& list) {
    image.Table(FlowComputerLinkTable)[FlowLinkField::ComputerCount] = uint8_t(list.Count);
    for (int i = 0; i < list.Count; ++i) {
        const FlowComputerEntry& e = list.Entries[i];
        image.Table(FlowTypeTable)[i] = e.Type;
        image.Table(FlowAddressTable)[i] = e.Address;
        image.Table(FlowPipelineTable)[i] = e.Pipelines;
        image.Table(FlowByteOrderTable)[i] = e.ByteOrder;
        std::copy(e.Password.begin(), e.Password.end(), image.Field(FlowPasswordTable, i));
    }
}

void RemoveFlowComputer(FlowComputerList& list, int index) {
    if (index < 0 || index >= list.Count) return;
    for (int i = index; i + 1 < list.Count; ++i) {
        list.Entries[i] = list.Entries[i + 1];
        list.SplitPassword[i] = list.SplitPassword[i + 1];
        list.PasswordEntered[i] = true;
    }
    --list.Count;
    list.Entries[list.Count] = BlankFlowComputer();
    list.PasswordEntered[list.Count] = false;
    list.SplitPassword[list.Count] = false;
}

InputCheck CheckFlowComputers(const FlowComputerList& list) {
    for (int i = 0; i < list.Count; ++i) {
        const FlowComputerEntry& e = list.Entries[i];
        if (e.Address == 0 || e.Address == 255 || e.Type >= FlowTypeCount || e.ByteOrder >= FlowByteOrderCount)
            return InputProblem{QStringLiteral("Вычислитель № %1").arg(i + 1), QStringLiteral("Неверно заданы параметры")};
        for (int j = i + 1; j < list.Count; ++j)
            if (list.Entries[j].Address == e.Address)
                return InputProblem{QStringLiteral("Повтор адреса %1").arg(e.Address), QString()};
    }
    return std::nullopt;
}

QString FlowTypeText(uint8_t type) {
    return type < FlowTypeCount ? QLatin1Char(' ') + Label(FlowComputerTypeLabels + type) : Unknown(type);
}

QString FlowByteOrderText(uint8_t order) {
    return order < FlowByteOrderCount ? QLatin1Char(' ') + Label(ByteOrderLabels + order) : Unknown(order);
}

bool ReadFlowComputerTables(TableEngine& tables, FlowComputerCopies& copies, StatusBarPanel* status) {
    for (int t = 0; t < 4; ++t) {
        if (!tables.ReadTable({uint8_t(FlowTables[t]), 0, uint8_t(MaxFlowComputers)}, status, true)) return false;
        std::copy_n(tables.Image().Table(FlowTables[t]), MaxFlowComputers, copies.Tables[t].begin());
    }
    return true;
}

bool WriteFlowComputerTables(TableEngine& tables, const FlowComputerList& list, const FlowComputerCopies& copies,
                             StatusBarPanel* status) {
    if (list.Count <= 0) return true;
    for (int t = 0; t < 4; ++t)
        if (!tables.WriteTableChanges({uint8_t(FlowTables[t]), 0, uint8_t(list.Count)}, copies.Tables[t].data(), status))
            return false;
    for (int i = 0; i < list.Count; ++i)
        if (list.PasswordEntered[i] && !tables.WriteTable({uint8_t(FlowPasswordTable), uint8_t(i), 1}, status))
            return false;
    return true;
}

}  // namespace zmk
