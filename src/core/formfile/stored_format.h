#pragma once

namespace swapwright {

// How a form file is stored on disk. The detecting conversion to text reports it, and the run
// uses it to decide how to write the file back.
enum TStoredFormat : int {
    fmtUnknown = 0,
    fmtBinary = 1, // a binary form stream wrapped in a resource header
    fmtText = 2,
};

} // namespace swapwright
