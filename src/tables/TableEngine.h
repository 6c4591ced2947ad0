#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "tables/Catalogue.h"

namespace zmk {

class ControllerLink;
class StatusBarPanel;

// Head of every table request and reply: fields first .. first + count - 1.
struct TableRequest {
    uint8_t table = 0;
    uint8_t first = 0;
    uint8_t count = 0;
};

// The local copy of every controller table, at the catalogue's offsets.
class ConfigImage {
public:
    ConfigImage() { bytes.fill(0); }
    // First byte of the table; null for an empty slot or a number outside 0..37.
    uint8_t* Table(int table);
    const uint8_t* Table(int table) const;
    // First byte of a field.
    uint8_t* Field(int table, int field);

    std::array<uint8_t, ConfigImageSize> bytes;
};

// The engine's question to the user after a failed or mismatching exchange:
// the window layer asks it with the shared message dialog (the retry kind,
// which adds "Повторить попытку?"); command-line use never repeats.
class RetryQuestion {
public:
    virtual ~RetryQuestion() = default;
    // True to repeat the request.
    virtual bool AskRetry(const QString& line1, const QString& line2) = 0;
    // The request failed because the call is gone: nothing to repeat. The
    // window ends the connection with its own message; others may report it.
    virtual void CallLost(const QString& /*statusText*/) {}
};

class NoRetry : public RetryQuestion {
public:
    bool AskRetry(const QString&, const QString&) override { return false; }
};

// Reads and writes table ranges between the image and the controller.
// Ranges longer than one request can carry are split into consecutive
// requests of FieldsPerRead / FieldsPerWrite fields.
class TableEngine {
public:
    TableEngine(ControllerLink& link, ConfigImage& image, RetryQuestion& retry);

    // Reads the range into the image. interactive: progress texts on the
    // status panel and the retry question after a failed exchange; quiet
    // reads (live-data timers) fail silently, but a mismatching echo is
    // always asked about.
    bool ReadTable(TableRequest request, StatusBarPanel* status, bool interactive = true);
    // Writes the image's contents of the range.
    bool WriteTable(TableRequest request, StatusBarPanel* status);
    // Writes only the fields of the range that differ from old (count x field
    // size bytes), as one covering request or as runs, whichever costs fewer
    // bytes on the line. True without any exchange when nothing differs.
    bool WriteTableChanges(TableRequest request, const uint8_t* old, StatusBarPanel* status);
    // One request of count 0 for the table, as the flow-computer tables are
    // read and written when no flow computer is connected: the controller
    // answers with the echo of the head; nothing is stored or sent.
    bool ReadEmptyRange(uint8_t table, StatusBarPanel* status);
    bool WriteEmptyRange(uint8_t table, StatusBarPanel* status);

    ConfigImage& Image() { return image_; }
    ControllerLink& Link() { return link_; }

private:
    bool ReadPiece(TableRequest request, StatusBarPanel* status, bool interactive);
    bool WritePiece(TableRequest request, StatusBarPanel* status);

    ControllerLink& link_;
    ConfigImage& image_;
    RetryQuestion& retry_;
};

// Whether the range lies inside an existing table.
bool ValidRequest(TableRequest request);

// Bytes on the line of one write request carrying fields of size S: 26 + k x S.
constexpr int WriteCost(int fields, int fieldSize) { return 26 + fields * fieldSize; }

}  // namespace zmk
