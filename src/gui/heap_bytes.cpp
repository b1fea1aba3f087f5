#include "gui/heap_bytes.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace swapwright::gui {

std::uint64_t heapBytesInUse() noexcept {
#if defined(__GLIBC__)
    // Chunks in use in every arena plus the blocks served by mmap.
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<std::uint64_t>(info.uordblks) + static_cast<std::uint64_t>(info.hblkhd);
#else
    return 0;
#endif
}

} // namespace swapwright::gui
