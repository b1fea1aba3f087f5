#pragma once

#include <cstdint>

namespace swapwright::gui {

// The bytes the program holds allocated on its heap now (the C library's count; 0 where it has none).
std::uint64_t heapBytesInUse() noexcept;

} // namespace swapwright::gui
