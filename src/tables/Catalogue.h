#pragma once

#include <QString>
#include <cstdint>

namespace zmk {

constexpr int TableCount = 38;
constexpr int ConfigImageSize = 1586;
// One read answer carries at most this many data bytes, one write request this many.
constexpr int MaxReadData = 245;
constexpr int MaxWriteData = 229;

// One slot of the controller's table catalogue.
struct TableDescriptor {
    uint8_t fieldCount;  // 0 marks an empty slot, never read or written
    uint8_t fieldSize;   // bytes per field
    uint8_t inConfig;    // 1 for the tables a configuration consists of
    int16_t offset;      // first byte in the configuration image; -1 for an empty slot
    const char* name;    // the table's name as shown to the user (UTF-8)
};

const TableDescriptor& Descriptor(int table);
bool TableExists(int table);
// Whether the controller serves reads of the table: table 13 (the flow
// computers' write passwords) is written, never read.
bool TableReadable(int table);
// Tables whose fields hold credentials, which logs and displays mask:
// table 4, the users (each user's write password, bytes 6..17 of the
// 22-byte record, and identification code, bytes 18..21), and table 13, the
// flow computers' write passwords (all 16 bytes of a field).
constexpr int UsersTable = 4;
constexpr int FlowComputerPasswordTable = 13;
bool HoldsCredentials(int table);
// Whether byte `byteInField` (0-based) of a field of `table` is part of a
// password or an identification code.
bool IsCredentialByte(int table, int byteInField);
// Catalogue name of the table; empty for a number outside 0..37.
QString TableName(int table);
// Most fields of the table that one read (or write) request may carry.
int FieldsPerRead(int table);
int FieldsPerWrite(int table);

}  // namespace zmk
