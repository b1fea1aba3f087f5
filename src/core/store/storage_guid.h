#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Class identifiers and the root entry of structured storage (compound) files: enough to tell
// such a file apart from a text settings file and to name the class it carries.
namespace swapwright {

using TGuid = std::array<std::uint8_t, 16>; // in the byte order of the file

inline constexpr std::string_view kStructuredStorageSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

bool isStructuredStorageSignature(std::string_view firstBytes) noexcept;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case; the first three groups little-endian.
std::string guidToString(const TGuid& guid);
// Accepts the form above with or without braces, either letter case; the empty text is the
// all-zero identifier. nullopt for anything else.
std::optional<TGuid> guidFromString(std::string_view text);

// Reads `size` bytes at `offset` into `out`; false when they are not all there.
using ReadAtFunction = std::function<bool(std::uint64_t offset, std::size_t size, char* out)>;

// The class identifier of the root storage of a compound file whose 512-byte header is given;
// further bytes (the first directory sector) are fetched through readAt. nullopt when the header
// or the root entry is not that of a compound file.
std::optional<TGuid> structuredStorageRootClassId(std::string_view header, const ReadAtFunction& readAt);

} // namespace swapwright
