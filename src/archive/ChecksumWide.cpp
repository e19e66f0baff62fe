#include "archive/ChecksumWide.h"

// How the folding works. The byte rule is linear over GF(2): after n bytes from register 0
// the register is the sum over bytes i and bits k of bit k of byte i times A^(n-1-i) t_k,
// where A is the rule's effect on the register with a zero byte and t_k = table[1 << k].
// Grouping by bit k, that is the sum over k of G_k(A) t_k with the polynomial
// G_k(y) = sum of bit k of byte i times y^(n-1-i). The minimal polynomial of A,
//     mu(y) = 0x8FB30A04 (degree 31, computed once from the table),
// satisfies mu(A) = 0, so only G_k mod mu matters. Each G_k is a long bit string (bit k of
// every byte), and reducing a bit string modulo a small polynomial is what carry-less
// multiplication does fast: split the data into its eight bit planes (GFNI transposes 8x8
// bit blocks, VBMI regroups them), fold each plane 128 bits at a time with two carry-less
// products by y^128 and y^192 mod mu, and reduce the result to 64 bits. The 64-bit
// remainders, put back into bytes, form 64 bytes with the same effect as all the input.

#if defined(__x86_64__) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#define CHECKSUM_WIDE_KERNEL 1
// GCC 12's AVX-512 headers fill "undefined" vectors by self-assignment, which its own
// uninitialized-use warnings then report from inside the headers.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include <array>
#endif

namespace checksum {

#ifdef CHECKSUM_WIDE_KERNEL

namespace {

constexpr std::uint64_t kMinimalPolynomial = 0x8FB30A04u;

// y^n mod mu, by shifting one bit at a time.
constexpr std::uint64_t PowerMod(unsigned n) {
    std::uint64_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & (std::uint64_t{1} << 31))
            r ^= kMinimalPolynomial;
    }
    return r;
}

// One byte per bit plane: byte i = 1 << i picks plane i, and the bytes of a qword end up
// most significant bit first (the earliest byte in bit 7).
constexpr long long kToPlanes = 0x8040201008040201LL;
// The inverse transpose's selector.
constexpr long long kFromPlanes = 0x0102040810204080LL;

using Index = std::array<unsigned char, 64>;

// Regroups the transposed qwords so that qword s holds plane s of all 64 bytes, the
// earliest byte in the top bit: target byte 8s + p comes from byte 8(7 - p) + s.
constexpr Index MakeGatherIndex() {
    Index idx{};
    for (int s = 0; s < 8; ++s)
        for (int p = 0; p < 8; ++p)
            idx[8 * s + p] = static_cast<unsigned char>(8 * (7 - p) + s);
    return idx;
}

// The inverse regrouping, also reversing the bytes of each qword for kFromPlanes.
constexpr Index MakeScatterIndex() {
    Index idx{};
    for (int q = 0; q < 8; ++q)
        for (int r = 0; r < 8; ++r)
            idx[8 * q + r] = static_cast<unsigned char>(8 * (7 - r) + 7 - q);
    return idx;
}

constexpr Index kGather = MakeGatherIndex();
constexpr Index kScatter = MakeScatterIndex();

#define WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,gfni,vpclmulqdq")))

WIDE_TARGET inline __m512i Xor3(__m512i a, __m512i b, __m512i c) {
    return _mm512_ternarylogic_epi64(a, b, c, 0x96);
}

// 64 bytes -> eight 64-bit planes (qword s = bit s of every byte).
WIDE_TARGET inline __m512i ToPlanes(const std::uint8_t* p, __m512i gather) {
    const __m512i data = _mm512_loadu_si512(p);
    const __m512i t = _mm512_gf2p8affine_epi64_epi8(_mm512_set1_epi64(kToPlanes), data, 0);
    return _mm512_permutexvar_epi8(gather, t);
}

// acc * y^128 + next, modulo mu, in each 128-bit lane (the high qword is the earlier half).
WIDE_TARGET inline __m512i Fold(__m512i acc, __m512i next, __m512i k128_192) {
    return Xor3(_mm512_clmulepi64_epi128(acc, k128_192, 0x00),
                _mm512_clmulepi64_epi128(acc, k128_192, 0x11), next);
}

// Each 128-bit lane reduced modulo mu to below 64 bits (left in the low qword).
WIDE_TARGET inline __m512i ReduceTo64(__m512i acc, __m512i k64) {
    const __m512i lowQword = _mm512_set_epi64(0, -1, 0, -1, 0, -1, 0, -1);
    for (int round = 0; round < 2; ++round)
        acc = _mm512_xor_si512(_mm512_clmulepi64_epi128(acc, k64, 0x01),
                               _mm512_and_si512(acc, lowQword));
    return acc;
}

} // namespace

bool WideKernelAvailable() {
    static const bool available =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("gfni") &&
        __builtin_cpu_supports("vpclmulqdq");
    return available;
}

WIDE_TARGET void FoldBlocks(const std::uint8_t* p, std::size_t blocks, std::uint8_t folded[64]) {
    const __m512i gather = _mm512_loadu_si512(kGather.data());
    const __m512i k128_192 = _mm512_set_epi64(
        static_cast<long long>(PowerMod(192)), static_cast<long long>(PowerMod(128)),
        static_cast<long long>(PowerMod(192)), static_cast<long long>(PowerMod(128)),
        static_cast<long long>(PowerMod(192)), static_cast<long long>(PowerMod(128)),
        static_cast<long long>(PowerMod(192)), static_cast<long long>(PowerMod(128)));
    // Lane L of evenPlanes holds plane 2L, lane L of oddPlanes plane 2L + 1.
    __m512i evenPlanes = _mm512_setzero_si512();
    __m512i oddPlanes = _mm512_setzero_si512();
    for (std::size_t b = 0; b < blocks; ++b, p += kWideBlock) {
        const __m512i earlier = ToPlanes(p, gather);
        const __m512i later = ToPlanes(p + 64, gather);
        evenPlanes = Fold(evenPlanes, _mm512_unpacklo_epi64(later, earlier), k128_192);
        oddPlanes = Fold(oddPlanes, _mm512_unpackhi_epi64(later, earlier), k128_192);
    }
    const __m512i k64 = _mm512_set1_epi64(static_cast<long long>(PowerMod(64)));
    const __m512i planes =
        _mm512_unpacklo_epi64(ReduceTo64(evenPlanes, k64), ReduceTo64(oddPlanes, k64));
    const __m512i regrouped = _mm512_permutexvar_epi8(_mm512_loadu_si512(kScatter.data()), planes);
    const __m512i bytes =
        _mm512_gf2p8affine_epi64_epi8(_mm512_set1_epi64(kFromPlanes), regrouped, 0);
    _mm512_storeu_si512(folded, bytes);
}

#else

bool WideKernelAvailable() {
    return false;
}

void FoldBlocks(const std::uint8_t*, std::size_t, std::uint8_t*) {}

#endif

} // namespace checksum
