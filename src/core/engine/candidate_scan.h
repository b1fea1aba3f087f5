#pragma once

// Internal to the substitution: the prepared definitions, the exact test at one position, and
// the scanners that find the positions where some definition may begin.
//
// The scanners work with coarse views of the bytes: each byte with bit 0x20 set (or, in the
// shift-or scan, only some of its bits). Bytes equal after ASCII case folding are equal after
// that, so a position where a definition matches is always a candidate; the exact test then
// decides, in definition order.

#include "core/base/text.h"

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

// The find text bytes equal the source bytes at `at` (case folded when asked); no bounds checks.
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
    if (n == 0 || p > size || n > size - p)
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

inline std::uint64_t load64(const unsigned char* p) noexcept {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
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

// ---------------------------------------------------------------------------------------------
// Keys: the first 1, 2, 4, 6 or 8 bytes of a position (bit 0x20 set in each), hashed into one
// space of kFilterBits bits. A find text of n bytes is keyed on the longest of these that it
// covers; a position may begin a definition only when one of its keys is in the filter, and
// the key's bucket lists the definitions to test there.

enum KeyKind : std::uint32_t { kKey1 = 0, kKey2 = 1, kKey4 = 2, kKey6 = 3, kKey8 = 4 };
inline constexpr int kKeyKinds = 5;
inline constexpr std::size_t kKeyLength[kKeyKinds] = {1, 2, 4, 6, 8};
inline constexpr int kFilterBits = 18;
inline constexpr int kBucketBits = 12;

inline KeyKind keyKindOf(std::size_t n) noexcept {
    return n >= 8 ? kKey8 : n >= 6 ? kKey6 : n >= 4 ? kKey4 : n >= 2 ? kKey2 : kKey1;
}

// Needs kKeyLength[kind] readable bytes at `at`.
inline std::uint32_t keyHash(const unsigned char* at, KeyKind kind) noexcept {
    constexpr std::uint64_t caseBits = 0x2020202020202020ull;
    std::uint64_t key = 0;
    switch (kind) {
    case kKey8: key = load64(at) | caseBits; break;
    case kKey6: key = ((load32(at) | (std::uint64_t{load16(at + 4)} << 32)) | caseBits) & 0xFFFFFFFFFFFFull; break;
    case kKey4: key = (load32(at) | caseBits) & 0xFFFFFFFFull; break;
    case kKey2: key = (load16(at) | caseBits) & 0xFFFFull; break;
    default: key = (at[0] | caseBits) & 0xFFull; break;
    }
    // The kind goes into the top byte, which no key of 6 bytes or less uses.
    if (kind != kKey8)
        key |= std::uint64_t{kind + 1} << 56;
    return static_cast<std::uint32_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kFilterBits));
}

class KeyTables {
public:
    explicit KeyTables(const std::vector<Definition>& defs);

    // Whether some definition may begin at p (any number of bytes remaining).
    bool candidateAt(const unsigned char* s, std::size_t size, std::size_t p) const noexcept;
    // The buckets of the definitions that may begin at p; each holds ascending indices.
    // Returns how many (at most kKeyKinds) were stored in begin/end.
    int buckets(const unsigned char* s, std::size_t size, std::size_t p, const std::uint32_t** begin,
                const std::uint32_t** end) const noexcept;
    bool empty() const noexcept { return m_entries.empty(); }
    // Every find text has 8 bytes or more: then the 8-byte key alone decides, where 8 bytes remain.
    bool onlyLongKeys() const noexcept { return m_onlyLong; }
    bool longKeyHit(const unsigned char* at) const noexcept { return filterHit(keyHash(at, kKey8)); }

private:
    bool filterHit(std::uint32_t hash) const noexcept { return (m_filter[hash >> 6] >> (hash & 63)) & 1; }

    std::vector<std::uint64_t> m_filter;  // 2^kFilterBits bits
    std::vector<std::uint32_t> m_offsets; // 2^kBucketBits + 1
    std::vector<std::uint32_t> m_entries; // definition indices, ascending within each bucket
    bool m_kind[kKeyKinds] = {false, false, false, false, false};
    bool m_onlyLong = false;
};

// ---------------------------------------------------------------------------------------------
// The portable scan: shift-or over windows of 8 bytes, the definitions spread over 8 buckets.
// Bit 8j+b of the state is 0 while the last j+1 bytes fit bucket b's first j+1 bytes, judged
// by pairs of neighbouring bytes (7 bits of the byte, 5 of its predecessor). Bytes of a window
// behind the end of a short find text fit anything; short texts get buckets of their own so
// they do not weaken those of the long ones. Every window ends 7 bytes behind its start, so
// candidates come in order.

class ShiftOrScan {
public:
    static constexpr std::size_t kWindow = 8;

    explicit ShiftOrScan(const std::vector<Definition>& defs);

    // Where the scan stands, so the next call can go on without starting its window over.
    struct Cursor {
        std::size_t resumeFrom = SIZE_MAX; // a call from here continues at `position`
        std::size_t position = 0;          // next byte to shift in
        std::uint64_t state = ~std::uint64_t{0};
    };

    // The first candidate in [from, to) confirmed by `keys`, or `to`.
    std::size_t next(const KeyTables& keys, const unsigned char* s, std::size_t size, std::size_t from,
                     std::size_t to, Cursor& cursor) const noexcept;

private:
    // The key of a byte and its predecessor: 7 bits of the byte (all but 0x20), 5 of the other.
    static constexpr std::array<std::uint16_t, 256> kHighKey = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned c = 0; c < 256; ++c)
            t[c] = static_cast<std::uint16_t>(((c & 0x1Fu) | ((c & 0xC0u) >> 1)) << 5);
        return t;
    }();
    static std::uint32_t pairKey(unsigned char previous, unsigned char current) noexcept {
        return kHighKey[current] | (previous & 0x1Fu);
    }

    std::vector<std::uint64_t> m_table; // 2^12 entries
};

// ---------------------------------------------------------------------------------------------
// The SIMD scan: byte masks over the first M (1..4) bytes of each, the
// definitions spread over 8 buckets; position p is a candidate when, for some bucket, every
// byte p+i lies in the bucket's set of bytes at offset i (tested by its low and high nibble).

struct TeddyMasks {
    int length = 0; // M; 0 when the SIMD scan is not used
    alignas(32) std::uint8_t low[4][32] = {};
    alignas(32) std::uint8_t high[4][32] = {};
};
TeddyMasks buildTeddyMasks(const std::vector<Definition>& defs);
// Whether this processor runs the SIMD scan.
bool simdScanAvailable() noexcept;

// The SIMD scan from `from`, in whole blocks that fit before `size`. Sets `found` and returns
// the first candidate (which may lie at or behind `to`); otherwise returns where it stopped:
// at or behind `to`, or at the first position too close to the end for a block, from which
// the caller goes on without SIMD. Block candidates are confirmed with `keys` before they are
// returned. `cacheBase`/`cacheMask` carry the last block between calls.
std::size_t teddyNext(const TeddyMasks& masks, const KeyTables& keys, const unsigned char* s, std::size_t size,
                      std::size_t from, std::size_t to, std::size_t& cacheBase, std::uint32_t& cacheMask,
                      bool& found) noexcept;

} // namespace swapwright::detail
