#include "core/engine/candidate_scan.h"

#include <algorithm>
#include <numeric>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SWAPWRIGHT_HAVE_AVX2_SCAN 1
#include <immintrin.h>
#endif

namespace swapwright::detail {

KeyGroup groupOf(std::size_t length) noexcept {
    return length >= 4 ? kGroup4 : length >= 2 ? kGroup2 : kGroup1;
}

std::uint32_t definitionHash(const Definition& d) noexcept {
    const auto* f = reinterpret_cast<const unsigned char*>(d.find.data());
    switch (groupOf(d.find.size())) {
    case kGroup4: return keyHash(load32(f) | kCaseBits, kGroup4);
    case kGroup2: return keyHash(load16(f) | (kCaseBits & 0xFFFF), kGroup2);
    default: return keyHash(f[0] | (kCaseBits & 0xFF), kGroup1);
    }
}

KeyTables::KeyTables(const std::vector<Definition>& defs)
    : m_filter(std::size_t{1} << (kFilterBits - 6), 0), m_offsets((std::size_t{1} << kBucketBits) + 1, 0) {
    constexpr int shift = kFilterBits - kBucketBits;
    std::vector<std::uint32_t> hashes(defs.size());
    std::vector<bool> used(defs.size(), false);
    for (std::size_t i = 0; i < defs.size(); ++i) {
        if (defs[i].find.empty())
            continue; // never matches
        used[i] = true;
        const std::uint32_t h = definitionHash(defs[i]);
        hashes[i] = h;
        m_filter[h >> 6] |= std::uint64_t{1} << (h & 63);
        m_hasGroup[groupOf(defs[i].find.size())] = true;
        ++m_offsets[(h >> shift) + 1];
    }
    std::partial_sum(m_offsets.begin(), m_offsets.end(), m_offsets.begin());
    m_entries.resize(m_offsets.back());
    std::vector<std::uint32_t> fill(m_offsets.begin(), m_offsets.end() - 1);
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (used[i])
            m_entries[fill[hashes[i] >> shift]++] = static_cast<std::uint32_t>(i);
}

bool KeyTables::candidateAt(const unsigned char* s, std::size_t size, std::size_t p) const noexcept {
    const std::size_t left = size - p;
    if (left >= 4) {
        const std::uint32_t k = load32(s + p) | kCaseBits;
        return (m_hasGroup[kGroup4] && filterHit(keyHash(k, kGroup4))) ||
               (m_hasGroup[kGroup2] && filterHit(keyHash(k & 0xFFFF, kGroup2))) ||
               (m_hasGroup[kGroup1] && filterHit(keyHash(k & 0xFF, kGroup1)));
    }
    if (left >= 2 && m_hasGroup[kGroup2] && filterHit(keyHash(load16(s + p) | (kCaseBits & 0xFFFF), kGroup2)))
        return true;
    return left >= 1 && m_hasGroup[kGroup1] && filterHit(keyHash(s[p] | (kCaseBits & 0xFF), kGroup1));
}

namespace {

constexpr std::size_t kTeddyMaxDefinitions = 24;
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
    if (order.empty() || order.size() > kTeddyMaxDefinitions)
        return m;
    std::size_t shortest = defs[order.front()].find.size();
    for (const std::size_t i : order)
        shortest = std::min(shortest, defs[i].find.size());
    m.length = static_cast<int>(std::min<std::size_t>(3, shortest));

    // Definitions with alike beginnings share a bucket, which keeps each bucket's sets small.
    const auto prefixOf = [&](std::size_t i) {
        std::string key;
        for (int k = 0; k < m.length; ++k)
            key += static_cast<char>(kUpperTable[static_cast<unsigned char>(defs[i].find[static_cast<std::size_t>(k)])]);
        return key;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return prefixOf(a) < prefixOf(b); });
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

template <int M>
__attribute__((target("avx2"))) std::size_t teddyScan(const TeddyMasks& masks, const unsigned char* s,
                                                      std::size_t size, std::size_t from, std::size_t to,
                                                      std::size_t& cacheBase, std::uint32_t& cacheMask,
                                                      bool& found) {
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
        const std::uint32_t mask = teddyBlock<M>(masks, s + p);
        if (mask != 0) {
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

std::size_t teddyNext(const TeddyMasks& masks, const unsigned char* s, std::size_t size, std::size_t from,
                      std::size_t to, std::size_t& cacheBase, std::uint32_t& cacheMask, bool& found) noexcept {
    switch (masks.length) {
    case 1: return teddyScan<1>(masks, s, size, from, to, cacheBase, cacheMask, found);
    case 2: return teddyScan<2>(masks, s, size, from, to, cacheBase, cacheMask, found);
    default: return teddyScan<3>(masks, s, size, from, to, cacheBase, cacheMask, found);
    }
}

#else

bool simdScanAvailable() noexcept { return false; }

std::size_t teddyNext(const TeddyMasks&, const unsigned char*, std::size_t, std::size_t from, std::size_t,
                      std::size_t&, std::uint32_t&, bool& found) noexcept {
    found = false;
    return from;
}

#endif

} // namespace swapwright::detail
