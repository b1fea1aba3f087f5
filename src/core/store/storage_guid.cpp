#include "core/store/storage_guid.h"

#include "core/base/text.h"


namespace swapwright {

namespace {

std::uint32_t le32(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint32_t>(u[0]) | static_cast<std::uint32_t>(u[1]) << 8 |
           static_cast<std::uint32_t>(u[2]) << 16 | static_cast<std::uint32_t>(u[3]) << 24;
}

std::uint16_t le16(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return static_cast<std::uint16_t>(u[0] | u[1] << 8);
}

constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kDirectoryEntrySize = 128;
constexpr std::uint32_t kLastRegularSector = 0xFFFFFFF9;
constexpr unsigned char kRootStorageType = 5;

} // namespace

bool isStructuredStorageSignature(std::string_view firstBytes) noexcept {
    return firstBytes.substr(0, kStructuredStorageSignature.size()) == kStructuredStorageSignature;
}

std::string guidToString(const TGuid& g) {
    const char* b = reinterpret_cast<const char*>(g.data());
    // The first three groups are little-endian numbers, the last eight bytes are in file order.
    std::string bytesInTextOrder;
    for (const int i : {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15})
        bytesInTextOrder += b[i];
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "{";
    for (std::size_t i = 0; i < bytesInTextOrder.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            out += '-';
        const auto u = static_cast<unsigned char>(bytesInTextOrder[i]);
        out += kHex[u >> 4];
        out += kHex[u & 15];
    }
    out += '}';
    return out;
}

std::optional<TGuid> guidFromString(std::string_view s) {
    TGuid g{};
    if (s.empty())
        return g;
    if (s.size() >= 2 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, s.size() - 2);
    if (s.size() != 36)
        return std::nullopt;
    std::uint8_t textOrder[16];
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (s[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        const int hi = text::hexDigitValue(s[i]);
        const int lo = i + 1 < s.size() ? text::hexDigitValue(s[i + 1]) : -1;
        if (hi < 0 || lo < 0 || n == 16)
            return std::nullopt;
        textOrder[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    if (n != 16)
        return std::nullopt;
    constexpr int kFileIndex[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        g[static_cast<std::size_t>(kFileIndex[i])] = textOrder[i];
    return g;
}

std::optional<TGuid> structuredStorageRootClassId(std::string_view header, const ReadAtFunction& readAt) {
    if (header.size() < kHeaderSize || !isStructuredStorageSignature(header))
        return std::nullopt;
    if (le16(header.data() + 0x1C) != 0xFFFE)
        return std::nullopt;
    const unsigned sectorShift = le16(header.data() + 0x1E);
    if (sectorShift != 9 && sectorShift != 12)
        return std::nullopt;
    const std::uint32_t firstDirectorySector = le32(header.data() + 0x30);
    if (firstDirectorySector > kLastRegularSector)
        return std::nullopt;
    const std::uint64_t offset = (static_cast<std::uint64_t>(firstDirectorySector) + 1) << sectorShift;
    char entry[kDirectoryEntrySize];
    if (!readAt(offset, sizeof entry, entry))
        return std::nullopt;
    if (static_cast<unsigned char>(entry[0x42]) != kRootStorageType)
        return std::nullopt;
    TGuid g{};
    for (std::size_t i = 0; i < g.size(); ++i)
        g[i] = static_cast<std::uint8_t>(entry[0x50 + i]);
    return g;
}

} // namespace swapwright
