#include "unzip/crc32.h"

#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

uint32_t TableCrc32(uint32_t crc, const unsigned char* data, size_t size) {
    return static_cast<uint32_t>(crc32_z(crc, data, size));
}

#if defined(__x86_64__)

constexpr size_t kLane = 16;
constexpr size_t kLanes = 4;

__attribute__((target("pclmul,sse2"))) inline __m128i Load(const unsigned char* data) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
}

// lane moved forward by the distance that constants encode, added to next.
__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i lane, __m128i constants,
                                                           __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// At least kLanes * kLane bytes. Four lanes fold 64 bytes a step, then fold into one; the one
// left has the same remainder as the data it stands for, so the table finishes on it and on the
// bytes after it.
__attribute__((target("pclmul,sse2"))) uint32_t FoldedCrc32(uint32_t crc, const unsigned char* data,
                                                            size_t size) {
    // x^(512+32) and x^(512-32) modulo the polynomial, then x^(128+32) and x^(128-32), each
    // bit-reflected and shifted by one for the reflected product.
    const __m128i fourLanes = _mm_set_epi64x(0x1c6e41596, 0x154442bd4);
    const __m128i oneLane = _mm_set_epi64x(0x0ccaa009e, 0x1751997d0);
    __m128i lanes[kLanes];
    for (size_t i = 0; i < kLanes; ++i)
        lanes[i] = Load(data + i * kLane);
    // The register's start value enters as the first four bytes' complement.
    lanes[0] = _mm_xor_si128(lanes[0], _mm_cvtsi32_si128(static_cast<int>(~crc)));
    size_t done = kLanes * kLane;
    for (; size - done >= kLanes * kLane; done += kLanes * kLane) {
        for (size_t i = 0; i < kLanes; ++i)
            lanes[i] = Fold(lanes[i], fourLanes, Load(data + done + i * kLane));
    }
    __m128i folded = lanes[0];
    for (size_t i = 1; i < kLanes; ++i)
        folded = Fold(folded, oneLane, lanes[i]);
    for (; size - done >= kLane; done += kLane)
        folded = Fold(folded, oneLane, Load(data + done));
    alignas(kLane) unsigned char last[kLane];
    _mm_store_si128(reinterpret_cast<__m128i*>(last), folded);
    return TableCrc32(TableCrc32(0xFFFFFFFF, last, kLane), data + done, size - done);
}

bool CanFold() {
    static const bool canFold = __builtin_cpu_supports("pclmul") != 0;
    return canFold;
}

#endif

} // namespace

uint32_t Crc32(uint32_t crc, const char* data, size_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
#if defined(__x86_64__)
    if (size >= kLanes * kLane && CanFold())
        return FoldedCrc32(crc, bytes, size);
#endif
    return TableCrc32(crc, bytes, size);
}
