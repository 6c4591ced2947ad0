#pragma once

#include "Controller.h"

#include <string>

namespace zmksim {

enum class StateFileRead {
    Loaded,   // the bytes are in the buffer
    Missing,  // no such file: start from the defaults
    Failed,   // exists but cannot be read, or is far too large; error says why
};

// Reads a whole state file. Anything larger than any state file could be is
// refused without reading it all.
StateFileRead ReadStateFile(const std::string& path, Bytes& image, std::string& error);

// Replaces the state file: the image goes to a temporary file in the same
// folder, is flushed to the disk and renamed over the old file, so that a
// crash leaves either the old or the new state, never a mixture.
bool WriteStateFile(const std::string& path, const Bytes& image, std::string& error);

}  // namespace zmksim
