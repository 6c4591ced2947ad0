#pragma once

// The exchange log's view of the frames: each frame as one line of
// hexadecimal bytes, "TX CC 01 0A ..." for a request and "RX 33 01 ..." for
// an answer, with every credential that travels masked as "**":
// - the caller's write password and user code in the requests that carry
//   them (function codes 2, 12, 25, 32, 33; bytes 4..19);
// - the users' passwords and codes of table 4 and the flow computers'
//   passwords of table 13, in the data of writes and of read answers.
// A frame with a masked byte has its checksum masked too: its 16 bits,
// together with the bytes shown, would give the masked bytes away.
//
// An answer is judged by the request it answers, which the formatter
// remembers from the last request it was shown, and by the table its own
// echo names (a late answer may belong to an earlier request): either
// naming a credentials table is enough to mask. Feed it every frame of the
// exchange in order, requests and answers alike.

#include <QString>
#include <cstdint>
#include <vector>

namespace zmk {

class FrameLogFormatter {
public:
    // The line of one frame; `sent` for a request of the program.
    QString Format(bool sent, const uint8_t* bytes, int count);
    // Which bytes of the frame are masked (true), by the same rules and
    // remembering the request the same way; for views that lay the bytes
    // out themselves. Format calls it.
    std::vector<bool> Mask(bool sent, const uint8_t* bytes, int count);

private:
    // The last request: its function code and the table of a table
    // request (-1 for other requests).
    int requestCode_ = -1;
    int requestTable_ = -1;
};

}  // namespace zmk
