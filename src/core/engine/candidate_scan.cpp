#include "core/engine/candidate_scan.h"

#include <algorithm>
#include <map>
#include <numeric>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SWAPWRIGHT_HAVE_AVX2_SCAN 1
#include <immintrin.h>
#endif

namespace swapwright::detail {

// ---------------------------------------------------------------------------------------------
// Keys

KeyTables::KeyTables(const std::vector<Definition>& defs)
    : m_filter(std::size_t{1} << (kFilterBits - 6), 0), m_offsets((std::size_t{1} << kBucketBits) + 1, 0) {
    constexpr int shift = kFilterBits - kBucketBits;
    std::vector<std::uint32_t> hashes(defs.size());
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const std::size_t n = defs[i].find.size();
        if (n == 0)
            continue; // never matches
        const KeyKind kind = keyKindOf(n);
        const std::uint32_t h = keyHash(reinterpret_cast<const unsigned char*>(defs[i].find.data()), kind);
        m_filter[h >> 6] |= std::uint64_t{1} << (h & 63);
        m_kind[kind] = true;
        hashes[i] = h;
        ++m_offsets[(h >> shift) + 1];
    }
    m_onlyLong = m_kind[kKey8] && !m_kind[kKey1] && !m_kind[kKey2] && !m_kind[kKey4] && !m_kind[kKey6];
    std::partial_sum(m_offsets.begin(), m_offsets.end(), m_offsets.begin());
    m_entries.resize(m_offsets.back());
    std::vector<std::uint32_t> fill(m_offsets.begin(), m_offsets.end() - 1);
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (!defs[i].find.empty())
            m_entries[fill[hashes[i] >> shift]++] = static_cast<std::uint32_t>(i);
}

bool KeyTables::candidateAt(const unsigned char* s, std::size_t size, std::size_t p) const noexcept {
    const std::size_t left = size - p;
    for (int k = kKeyKinds - 1; k >= 0; --k)
        if (m_kind[k] && left >= kKeyLength[k] && filterHit(keyHash(s + p, static_cast<KeyKind>(k))))
            return true;
    return false;
}

int KeyTables::buckets(const unsigned char* s, std::size_t size, std::size_t p, const std::uint32_t** begin,
                       const std::uint32_t** end) const noexcept {
    constexpr int shift = kFilterBits - kBucketBits;
    const std::size_t left = size - p;
    int count = 0;
    for (int k = kKeyKinds - 1; k >= 0; --k) {
        if (!m_kind[k] || left < kKeyLength[k])
            continue;
        const std::uint32_t h = keyHash(s + p, static_cast<KeyKind>(k));
        if (!filterHit(h))
            continue;
        const std::uint32_t* b = m_entries.data() + m_offsets[h >> shift];
        const std::uint32_t* e = m_entries.data() + m_offsets[(h >> shift) + 1];
        bool seen = b == e;
        for (int i = 0; i < count; ++i)
            seen |= begin[i] == b; // the same bucket through another key
        if (!seen) {
            begin[count] = b;
            end[count] = e;
            ++count;
        }
    }
    return count;
}

// ---------------------------------------------------------------------------------------------
// Shift-or

ShiftOrScan::ShiftOrScan(const std::vector<Definition>& defs) : m_table(std::size_t{1} << 12, ~std::uint64_t{0}) {
    constexpr int kBuckets = 8;
    // Length classes (the part of the window a text fills), each with at least one bucket;
    // the buckets left over go where they split the largest groups.
    std::map<std::size_t, std::vector<std::size_t>> classes;
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (!defs[i].find.empty())
            classes[std::min(defs[i].find.size(), kWindow)].push_back(i);
    if (classes.empty())
        return;
    std::map<std::size_t, int> shares;
    for (const auto& [length, members] : classes)
        shares[length] = 1;
    int spare = kBuckets - static_cast<int>(classes.size());
    for (; spare > 0; --spare) {
        auto best = shares.begin();
        for (auto it = shares.begin(); it != shares.end(); ++it)
            if (classes[it->first].size() * static_cast<std::size_t>(best->second) >
                classes[best->first].size() * static_cast<std::size_t>(it->second))
                best = it;
        ++best->second;
    }

    std::uint64_t openRows = 0; // window bytes behind the end of a short text: anything fits
    int firstBucket = 0;
    for (auto& [length, members] : classes) {
        const auto prefix = [&](std::size_t i) { return text::toAsciiUpper(defs[i].find.substr(0, kWindow)); };
        std::stable_sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) { return prefix(a) < prefix(b); });
        const int share = shares[length];
        for (std::size_t rank = 0; rank < members.size(); ++rank) {
            const int bucket = firstBucket + static_cast<int>(rank * static_cast<std::size_t>(share) / members.size());
            const auto* f = reinterpret_cast<const unsigned char*>(defs[members[rank]].find.data());
            for (std::size_t j = 0; j < kWindow; ++j) {
                const std::uint64_t bit = std::uint64_t{1} << (8 * j + static_cast<std::size_t>(bucket));
                if (j >= length)
                    openRows |= bit;
                else if (j == 0)
                    for (unsigned x = 0; x < 32; ++x) // the byte in front may be anything
                        m_table[pairKey(static_cast<unsigned char>(x), f[0])] &= ~bit;
                else
                    m_table[pairKey(f[j - 1], f[j])] &= ~bit;
            }
        }
        firstBucket += share;
    }
    for (auto& entry : m_table)
        entry &= ~openRows;
}

std::size_t ShiftOrScan::next(const KeyTables& keys, const unsigned char* s, std::size_t size, std::size_t from,
                              std::size_t to, Cursor& cursor) const noexcept {
    std::size_t tailFrom = from;
    if (size >= kWindow && from <= size - kWindow) {
        // Windows starting before min(to, size - 7) end before this byte.
        const std::size_t stop = std::min(to, size - kWindow + 1) + kWindow - 1;
        std::size_t p = from;
        std::uint64_t state = ~std::uint64_t{0};
        if (cursor.resumeFrom == from) {
            p = cursor.position;
            state = cursor.state;
        }
        const std::uint64_t* table = m_table.data();
        const auto step = [&](std::uint64_t st, std::size_t at) {
            return (st << 8) | table[pairKey(at > 0 ? s[at - 1] : 0, s[at])];
        };
        while (p < stop) {
            // Eight bytes at a time: the AND of the states shows whether any of them ends a
            // window that fits; only then are the eight looked at one by one.
            if (stop - p >= 8 && p > 0) {
                std::uint64_t st = state, all = ~std::uint64_t{0};
                for (std::size_t i = 0; i < 8; ++i) {
                    st = (st << 8) | table[pairKey(s[p + i - 1], s[p + i])];
                    all &= st;
                }
                if ((~all >> 56) == 0) {
                    state = st;
                    p += 8;
                    continue;
                }
            }
            state = step(state, p++);
            if ((~state >> 56) != 0) {
                const std::size_t start = p - kWindow;
                if (keys.candidateAt(s, size, start)) {
                    cursor = {start + 1, p, state};
                    return start;
                }
            }
        }
        cursor = {stop - kWindow + 1, p, state};
        tailFrom = stop - kWindow + 1;
    }
    for (std::size_t q = tailFrom; q < to; ++q)
        if (keys.candidateAt(s, size, q))
            return q;
    return to;
}

// ---------------------------------------------------------------------------------------------
// SIMD

namespace {

constexpr int kTeddyBuckets = 8;

void addByte(TeddyMasks& m, int offset, int bucket, unsigned char c) {
    const auto bit = static_cast<std::uint8_t>(1u << bucket);
    // Both 16-byte halves hold the same table (one per 128-bit lane).
    m.low[offset][c & 15] |= bit;
    m.low[offset][16 + (c & 15)] |= bit;
    m.high[offset][c >> 4] |= bit;
    m.high[offset][16 + (c >> 4)] |= bit;
}

} // namespace

TeddyMasks buildTeddyMasks(const std::vector<Definition>& defs) {
    TeddyMasks m;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (!defs[i].find.empty())
            order.push_back(i);
    if (order.empty())
        return m;
    std::size_t shortest = defs[order.front()].find.size();
    for (const std::size_t i : order)
        shortest = std::min(shortest, defs[i].find.size());
    m.length = static_cast<int>(std::min<std::size_t>(4, shortest));

    // Definitions with alike beginnings share a bucket, which keeps each bucket's sets small.
    std::vector<std::string> prefix(defs.size());
    for (const std::size_t i : order)
        prefix[i] = text::toAsciiUpper(std::string_view(defs[i].find).substr(0, static_cast<std::size_t>(m.length)));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return prefix[a] < prefix[b]; });
    for (std::size_t rank = 0; rank < order.size(); ++rank) {
        const auto& d = defs[order[rank]];
        const int bucket = static_cast<int>(rank * kTeddyBuckets / order.size());
        for (int k = 0; k < m.length; ++k) {
            const auto c = static_cast<unsigned char>(d.find[static_cast<std::size_t>(k)]);
            addByte(m, k, bucket, c);
            if (!d.caseSensitive) {
                addByte(m, k, bucket, static_cast<unsigned char>(text::asciiUpper(static_cast<char>(c))));
                addByte(m, k, bucket, static_cast<unsigned char>(text::asciiLower(static_cast<char>(c))));
            }
        }
    }
    return m;
}

#if SWAPWRIGHT_HAVE_AVX2_SCAN

bool simdScanAvailable() noexcept { return __builtin_cpu_supports("avx2"); }

namespace {

template <int M>
__attribute__((target("avx2"))) inline std::uint32_t teddyBlock(const TeddyMasks& masks, const unsigned char* at) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    __m256i hits = _mm256_set1_epi8(-1);
    for (int k = 0; k < M; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + k));
        const __m256i lo = _mm256_and_si256(v, nibble);
        const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
        const __m256i lowSet = _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(masks.low[k])), lo);
        const __m256i highSet = _mm256_shuffle_epi8(_mm256_load_si256(reinterpret_cast<const __m256i*>(masks.high[k])), hi);
        hits = _mm256_and_si256(hits, _mm256_and_si256(lowSet, highSet));
    }
    const __m256i none = _mm256_cmpeq_epi8(hits, _mm256_setzero_si256());
    return ~static_cast<std::uint32_t>(_mm256_movemask_epi8(none));
}

// The lanes of a block's mask whose positions the key filter confirms.
inline std::uint32_t confirmed(const KeyTables& keys, const unsigned char* s, std::size_t size, std::size_t base,
                               std::uint32_t mask) {
    std::uint32_t kept = 0;
    if (keys.onlyLongKeys() && base + 32 + 8 <= size) {
        while (mask != 0) {
            const int lane = __builtin_ctz(mask);
            mask &= mask - 1;
            kept |= static_cast<std::uint32_t>(keys.longKeyHit(s + base + static_cast<std::size_t>(lane))) << lane;
        }
        return kept;
    }
    while (mask != 0) {
        const int lane = __builtin_ctz(mask);
        mask &= mask - 1;
        if (keys.candidateAt(s, size, base + static_cast<std::size_t>(lane)))
            kept |= std::uint32_t{1} << lane;
    }
    return kept;
}

template <int M>
__attribute__((target("avx2"))) std::size_t teddyScan(const TeddyMasks& masks, const KeyTables& keys,
                                                      const unsigned char* s, std::size_t size, std::size_t from,
                                                      std::size_t to, std::size_t& cacheBase,
                                                      std::uint32_t& cacheMask, bool& found) {
    constexpr std::size_t kBlock = 32;
    found = true;
    std::size_t p = from;
    if (cacheMask != 0 && from >= cacheBase && from < cacheBase + kBlock) {
        const std::uint32_t rest = cacheMask & (~std::uint32_t{0} << (from - cacheBase));
        if (rest != 0)
            return cacheBase + static_cast<std::size_t>(__builtin_ctz(rest));
        p = cacheBase + kBlock;
    }
    while (p < to && p + kBlock + (M - 1) <= size) {
        std::uint32_t mask = teddyBlock<M>(masks, s + p);
        if (mask != 0 && (mask = confirmed(keys, s, size, p, mask)) != 0) {
            cacheBase = p;
            cacheMask = mask;
            return p + static_cast<std::size_t>(__builtin_ctz(mask));
        }
        p += kBlock;
    }
    found = false;
    return p;
}

} // namespace

std::size_t teddyNext(const TeddyMasks& masks, const KeyTables& keys, const unsigned char* s, std::size_t size,
                      std::size_t from, std::size_t to, std::size_t& cacheBase, std::uint32_t& cacheMask,
                      bool& found) noexcept {
    switch (masks.length) {
    case 1: return teddyScan<1>(masks, keys, s, size, from, to, cacheBase, cacheMask, found);
    case 2: return teddyScan<2>(masks, keys, s, size, from, to, cacheBase, cacheMask, found);
    case 3: return teddyScan<3>(masks, keys, s, size, from, to, cacheBase, cacheMask, found);
    default: return teddyScan<4>(masks, keys, s, size, from, to, cacheBase, cacheMask, found);
    }
}

#else

bool simdScanAvailable() noexcept { return false; }

std::size_t teddyNext(const TeddyMasks&, const KeyTables&, const unsigned char*, std::size_t, std::size_t from,
                      std::size_t, std::size_t&, std::uint32_t&, bool& found) noexcept {
    found = false;
    return from;
}

#endif

} // namespace swapwright::detail
