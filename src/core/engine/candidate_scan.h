#pragma once

// Internal to the substitution: the prepared definitions, the exact test at one position, and
// the scanners that find the positions where some definition may begin.
//
// Every scanner works with a coarse key of the bytes at a position: each byte with bit 0x20
// set. Bytes equal after ASCII case folding are equal after that, so a position where a
// definition matches always has the definition's key; the exact test then decides.

#include "core/base/text.h"
#include "core/engine/replacement_model.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace swapwright::detail {

struct Definition {
    std::string find;   // as given
    std::string folded; // ASCII upper case when the comparison ignores case, else the same as find
    bool caseSensitive = false;
    bool wholeWord = false;
};

inline constexpr std::array<unsigned char, 256> kUpperTable = [] {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<unsigned char>(text::asciiUpper(static_cast<char>(i)));
    return t;
}();

inline constexpr std::array<bool, 256> kWordTable = [] {
    std::array<bool, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[static_cast<std::size_t>(i)] = text::isWordByte(static_cast<unsigned char>(i));
    return t;
}();

// The find text bytes equal the source bytes at p (case folded when asked); no bounds checks.
inline bool sameBytes(const Definition& d, const unsigned char* at) noexcept {
    const auto* f = reinterpret_cast<const unsigned char*>(d.folded.data());
    const std::size_t n = d.folded.size();
    if (d.caseSensitive)
        return std::memcmp(f, at, n) == 0;
    for (std::size_t i = 0; i < n; ++i)
        if (kUpperTable[at[i]] != f[i])
            return false;
    return true;
}

// The exact test: the definition occurs at p of s[0, size). `wordTests` is false with a prefix
// kind, which turns the whole-word tests off.
inline bool matchesAt(const Definition& d, const unsigned char* s, std::size_t size, std::size_t p,
                      bool wordTests) noexcept {
    const std::size_t n = d.find.size();
    if (p > size || n > size - p)
        return false;
    const bool words = wordTests && d.wholeWord;
    if (words && p > 0 && kWordTable[s[p - 1]])
        return false;
    if (!sameBytes(d, s + p))
        return false;
    if (words && p + n < size && kWordTable[s[p + n]])
        return false;
    return true;
}

inline std::uint32_t load32(const unsigned char* p) noexcept {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline std::uint32_t load16(const unsigned char* p) noexcept {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Keys of 1, 2 and 4 bytes (definitions of length 1, 2-3, and 4 or more) hashed into one
// space: 16 bits select a filter bit, the top 12 of them a bucket of definitions.
enum KeyGroup : std::uint32_t { kGroup1 = 0, kGroup2 = 1, kGroup4 = 2 };
inline constexpr std::uint32_t kCaseBits = 0x20202020u;

inline std::uint32_t keyHash(std::uint32_t key, KeyGroup group) noexcept {
    return ((key + group * 0x6F4F2A35u) * 0x9E3779B1u) >> 16;
}

class KeyTables {
public:
    static constexpr int kFilterBits = 16;
    static constexpr int kBucketBits = 12;

    explicit KeyTables(const std::vector<Definition>& defs);

    bool hasGroup(KeyGroup g) const noexcept { return m_hasGroup[g]; }
    bool filterHit(std::uint32_t hash) const noexcept { return (m_filter[hash >> 6] >> (hash & 63)) & 1; }
    const std::uint32_t* bucketBegin(std::uint32_t hash) const noexcept {
        return m_entries.data() + m_offsets[hash >> (kFilterBits - kBucketBits)];
    }
    const std::uint32_t* bucketEnd(std::uint32_t hash) const noexcept {
        return m_entries.data() + m_offsets[(hash >> (kFilterBits - kBucketBits)) + 1];
    }

    // Whether some definition may begin at p (any number of bytes remaining).
    bool candidateAt(const unsigned char* s, std::size_t size, std::size_t p) const noexcept;

private:
    std::vector<std::uint64_t> m_filter;   // 2^kFilterBits bits
    std::vector<std::uint32_t> m_offsets;  // 2^kBucketBits + 1
    std::vector<std::uint32_t> m_entries;  // definition indices, ascending within each bucket
    bool m_hasGroup[3] = {false, false, false};
};

// The key of a definition and of a position, by the definition's length group.
KeyGroup groupOf(std::size_t length) noexcept;
std::uint32_t definitionHash(const Definition& d) noexcept;

// Byte masks of a SIMD scan over the first M (1..3) bytes of each definition, with the
// definitions spread over 8 buckets: position p is a candidate when, for some bucket, every
// byte p+i lies in the bucket's set of bytes at offset i (tested by its low and high nibble).
struct TeddyMasks {
    int length = 0; // M; 0 when the SIMD scan is not used
    alignas(32) std::uint8_t low[3][32] = {};
    alignas(32) std::uint8_t high[3][32] = {};
};
TeddyMasks buildTeddyMasks(const std::vector<Definition>& defs);
// Whether this processor runs the SIMD scan.
bool simdScanAvailable() noexcept;

// The SIMD scan from `from`, in whole blocks that fit before `size`. Sets `found` and returns
// the first candidate (which may lie at or behind `to`); otherwise returns where it stopped:
// at or behind `to`, or at the first position too close to the end for a block, from which
// the caller goes on without SIMD. `cacheBase`/`cacheMask` carry the last block between calls.
std::size_t teddyNext(const TeddyMasks& masks, const unsigned char* s, std::size_t size, std::size_t from,
                      std::size_t to, std::size_t& cacheBase, std::uint32_t& cacheMask, bool& found) noexcept;

} // namespace swapwright::detail
