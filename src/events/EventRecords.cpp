#include "events/EventRecords.h"

#include <cstring>

#include "measurements/Records.h"

namespace zmk {

DiagnosticRecord DiagnosticRecord::FromBytes(const uint8_t* source) {
    DiagnosticRecord r;
    std::memcpy(r.bytes.data(), source, Size);
    return r;
}

PackedDate DiagnosticRecord::Time() const {
    return PackedDate::FromBytes(bytes.data());
}

bool DiagnosticRecord::Intact() const {
    return RecordIntact(bytes.data(), Size);
}

void DiagnosticRecord::Seal() {
    SealRecord(bytes.data(), Size);
}

InterventionRecord InterventionRecord::FromBytes(const uint8_t* source) {
    InterventionRecord r;
    std::memcpy(r.bytes.data(), source, Size);
    return r;
}

PackedDate InterventionRecord::Time() const {
    return PackedDate::FromBytes(bytes.data());
}

bool InterventionRecord::Intact() const {
    return RecordIntact(bytes.data(), Size);
}

void InterventionRecord::Seal() {
    SealRecord(bytes.data(), Size);
}

}  // namespace zmk
