#pragma once

namespace zmk {

// Esc during a long archive reading. The reader marks the reading in
// progress; the window's Esc watch then asks it to stop, and the reader polls
// and clears the request between its requests. One for the whole run.
struct ArchiveReadingState {
    bool InProgress = false;
    bool AbortRequested = false;
};

ArchiveReadingState& ArchiveReading();

}  // namespace zmk
