// sample_codec.cpp - the 3-byte drive sample and its conversion to and from the caller's sample formats.
#include "song/sample_codec.h"

#include <bit>
#include <cstring>
#include <utility>

namespace vxfserver {

namespace {

// One caller sample from the drive bytes s[0] (least significant) to s[2].
template <uint32_t Bytes, uint32_t Order>
[[gnu::always_inline]] inline void unpackOne(const uint8_t* s, uint8_t* d) {
    if constexpr (Bytes == 1) {
        d[0] = s[2];
    } else if constexpr (Bytes == 2) {
        d[0] = Order ? s[2] : s[1];
        d[1] = Order ? s[1] : s[2];
    } else if constexpr (Bytes == 3) {
        d[0] = Order ? s[2] : s[0];
        d[1] = s[1];
        d[2] = Order ? s[0] : s[2];
    } else {
        // The 24-bit value in the top of a word, shifted down with its sign.
        const uint32_t top = uint32_t(s[0]) << 8 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 24;
        const uint32_t value = uint32_t(int32_t(top) >> 8);
        constexpr bool reverse = (Order == 1) == (std::endian::native == std::endian::little);
        const uint32_t stored = reverse ? __builtin_bswap32(value) : value;
        std::memcpy(d, &stored, 4);
    }
}

// One drive sample from the caller bytes c[0] to c[Bytes - 1] in memory order.
template <uint32_t Bytes, uint32_t Order>
[[gnu::always_inline]] inline void packOne(const uint8_t* c, uint8_t* s) {
    if constexpr (Bytes == 1) {
        s[0] = 0;
        s[1] = 0;
        s[2] = c[0];
    } else if constexpr (Bytes == 2) {
        s[0] = 0;
        s[1] = Order ? c[1] : c[0];
        s[2] = Order ? c[0] : c[1];
    } else if constexpr (Bytes == 3) {
        s[0] = Order ? c[2] : c[0];
        s[1] = c[1];
        s[2] = Order ? c[0] : c[2];
    } else {
        s[0] = Order ? c[3] : c[0];
        s[1] = Order ? c[2] : c[1];
        s[2] = Order ? c[1] : c[2];
    }
}

// The stride is a template argument for the two strides a song uses, so the
// loops compile to straight-line copies; 0 stands for any other stride.
template <uint32_t Bytes, uint32_t Order, size_t Stride>
[[gnu::always_inline]] inline void unpackLoop(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride) {
    const size_t step = (Stride ? Stride : stride) * Bytes;
    if constexpr (Bytes == 3 && Order == 0 && Stride == 1) {
        std::memcpy(dest, drive, count * 3);
        return;
    }
    for (size_t j = 0; j < count; ++j) unpackOne<Bytes, Order>(drive + 3 * j, dest + j * step);
}

template <uint32_t Bytes, uint32_t Order, size_t Stride>
[[gnu::always_inline]] inline void packLoop(const uint8_t* source, size_t count, size_t stride, uint8_t* drive) {
    const size_t step = (Stride ? Stride : stride) * Bytes;
    if constexpr (Bytes == 3 && Order == 0 && Stride == 1) {
        std::memcpy(drive, source, count * 3);
        return;
    }
    for (size_t j = 0; j < count; ++j) packOne<Bytes, Order>(source + j * step, drive + 3 * j);
}

template <uint32_t Bytes, uint32_t Order>
[[gnu::always_inline]] inline void unpackWithStride(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride) {
    if (stride == 1) return unpackLoop<Bytes, Order, 1>(drive, count, dest, stride);
    if (stride == 2) return unpackLoop<Bytes, Order, 2>(drive, count, dest, stride);
    unpackLoop<Bytes, Order, 0>(drive, count, dest, stride);
}

template <uint32_t Bytes, uint32_t Order>
[[gnu::always_inline]] inline void packWithStride(const uint8_t* source, size_t count, size_t stride, uint8_t* drive) {
    if (stride == 1) return packLoop<Bytes, Order, 1>(source, count, stride, drive);
    if (stride == 2) return packLoop<Bytes, Order, 2>(source, count, stride, drive);
    packLoop<Bytes, Order, 0>(source, count, stride, drive);
}

template <uint32_t Bytes>
[[gnu::always_inline]] inline void unpackWithOrder(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride,
                                                 uint32_t order) {
    if (order) return unpackWithStride<Bytes, 1>(drive, count, dest, stride);
    unpackWithStride<Bytes, 0>(drive, count, dest, stride);
}

template <uint32_t Bytes>
[[gnu::always_inline]] inline void packWithOrder(const uint8_t* source, size_t count, size_t stride, uint32_t order,
                                               uint8_t* drive) {
    if (order) return packWithStride<Bytes, 1>(source, count, stride, drive);
    packWithStride<Bytes, 0>(source, count, stride, drive);
}

[[gnu::always_inline]] inline void unpackAny(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride,
                                             SampleFormat format) {
    switch (format.bytes) {
        case 1: return unpackWithOrder<1>(drive, count, dest, stride, format.order);
        case 2: return unpackWithOrder<2>(drive, count, dest, stride, format.order);
        case 3: return unpackWithOrder<3>(drive, count, dest, stride, format.order);
        case 4: return unpackWithOrder<4>(drive, count, dest, stride, format.order);
        default: return;
    }
}

[[gnu::always_inline]] inline void packAny(const uint8_t* source, size_t count, size_t stride, SampleFormat format,
                                           uint8_t* drive) {
    if (format.bytes == 0 || source == nullptr) {
        std::memset(drive, 0, count * 3);
        return;
    }
    switch (format.bytes) {
        case 1: return packWithOrder<1>(source, count, stride, format.order, drive);
        case 2: return packWithOrder<2>(source, count, stride, format.order, drive);
        case 3: return packWithOrder<3>(source, count, stride, format.order, drive);
        case 4: return packWithOrder<4>(source, count, stride, format.order, drive);
        default: return;
    }
}

}  // namespace

bool isCallerSampleFormat(uint32_t bytes, uint32_t order) { return bytes >= 1 && bytes <= 4 && order <= 1; }

// The conversion loops are written for the compiler's vectorizer. On x86-64
// they are built a second time for AVX2, taken when the processor has it.
#if defined(__x86_64__) && defined(__GNUC__)
namespace {

// The vectorizer turns the byte swaps of 3-byte samples, the sign extension
// to 4 bytes and the 1- and 2-byte packs into single-byte moves at a quarter of copy
// speed, so with AVX2 those run as shuffles of the compiler's portable vector
// types. Each 16-byte lane holds four samples; a step converts eight.
typedef uint8_t Bytes16 __attribute__((vector_size(16)));
typedef uint8_t Bytes32 __attribute__((vector_size(32)));
typedef int32_t Words8 __attribute__((vector_size(32)));
using LaneMask = int[32];
constexpr int kZero = 32;  // takes a zero byte

constexpr LaneMask kReverse3 = {2,  1,  0,  5,  4,  3,  8,  7,  6,  11, 10, 9,  kZero, kZero, kZero, kZero,
                                18, 17, 16, 21, 20, 19, 24, 23, 22, 27, 26, 25, kZero, kZero, kZero, kZero};
// A drive sample in the top three bytes of a word, ready to be shifted down with its sign.
constexpr LaneMask kTop4 = {kZero, 0,  1,  2,  kZero, 3,  4,  5,  kZero, 6,  7,  8,  kZero, 9,  10, 11,
                            kZero, 16, 17, 18, kZero, 19, 20, 21, kZero, 22, 23, 24, kZero, 25, 26, 27};
constexpr LaneMask kSame = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                            16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};
constexpr LaneMask kReverse4 = {3,  2,  1,  0,  7,  6,  5,  4,  11, 10, 9,  8,  15, 14, 13, 12,
                                19, 18, 17, 16, 23, 22, 21, 20, 27, 26, 25, 24, 31, 30, 29, 28};
constexpr LaneMask kTopOf3 = {kZero, kZero, 0,  kZero, kZero, 1,  kZero, kZero, 2,  kZero, kZero, 3,  kZero, kZero, kZero, kZero,
                              kZero, kZero, 16, kZero, kZero, 17, kZero, kZero, 18, kZero, kZero, 19, kZero, kZero, kZero, kZero};
// Two caller bytes under a zero least significant byte, from either order.
constexpr LaneMask kLowOrderFirst2 = {kZero, 0,  1,  kZero, 2,  3,  kZero, 4,  5,  kZero, 6,  7,  kZero, kZero, kZero, kZero,
                                      kZero, 16, 17, kZero, 18, 19, kZero, 20, 21, kZero, 22, 23, kZero, kZero, kZero, kZero};
constexpr LaneMask kHighOrderFirst2 = {kZero, 1,  0,  kZero, 3,  2,  kZero, 5,  4,  kZero, 7,  6,  kZero, kZero, kZero, kZero,
                                       kZero, 17, 16, kZero, 19, 18, kZero, 21, 20, kZero, 23, 22, kZero, kZero, kZero, kZero};

// Eight samples of InBytes at `in` to eight of OutBytes (3 or 4) at `out`.
// Reads 16 bytes from in + 4 * InBytes and writes 32 bytes: with 3-byte
// results the last 8 are scratch the next step or the tail writes over.
template <size_t InBytes, size_t OutBytes, bool Extend, const LaneMask& Shuffle, const LaneMask& Then, size_t... I>
[[gnu::target("avx2"), gnu::always_inline]] inline void convertEight(const uint8_t* in, uint8_t* out,
                                                                    std::index_sequence<I...>) {
    Bytes16 low, high;
    std::memcpy(&low, in, 16);
    std::memcpy(&high, in + 4 * InBytes, 16);
    const Bytes32 lanes = __builtin_shufflevector(low, high, I...);
    const Bytes32 zero = {};
    Bytes32 converted = __builtin_shufflevector(lanes, zero, Shuffle[I]...);
    if constexpr (Extend) {
        converted = Bytes32(Words8(converted) >> 8);
        converted = __builtin_shufflevector(converted, zero, Then[I]...);
    }
    if constexpr (OutBytes == 3) {
        // The two lanes' 12 bytes side by side.
        const Words8 words = Words8(converted);
        const Words8 packed = __builtin_shufflevector(words, words, 0, 1, 2, 4, 5, 6, 7, 7);
        std::memcpy(out, &packed, 32);
    } else {
        std::memcpy(out, &converted, 32);
    }
}

// Converts the first samples of `count` eight at a time and answers how many;
// the caller's loops convert the rest.
template <size_t InBytes, size_t OutBytes, bool Extend, const LaneMask& Shuffle, const LaneMask& Then = kSame>
[[gnu::target("avx2")]] size_t convertLanes(const uint8_t* in, size_t count, uint8_t* out) {
    const auto fits = [count](size_t j) {
        return (j + 4) * InBytes + 16 <= count * InBytes && (j + 8) * OutBytes + (32 - 8 * OutBytes) <= count * OutBytes;
    };
    size_t j = 0;
    // Two steps a turn while both fit: the steps are independent, and the loop's own work halves.
    for (; fits(j + 8); j += 16) {
        convertEight<InBytes, OutBytes, Extend, Shuffle, Then>(in + j * InBytes, out + j * OutBytes,
                                                              std::make_index_sequence<32>{});
        convertEight<InBytes, OutBytes, Extend, Shuffle, Then>(in + (j + 8) * InBytes, out + (j + 8) * OutBytes,
                                                              std::make_index_sequence<32>{});
    }
    for (; fits(j); j += 8) {
        convertEight<InBytes, OutBytes, Extend, Shuffle, Then>(in + j * InBytes, out + j * OutBytes,
                                                              std::make_index_sequence<32>{});
    }
    return j;
}

[[gnu::target("avx2")]] size_t unpackLanes(const uint8_t* drive, size_t count, uint8_t* dest, SampleFormat format) {
    if (format.bytes == 3 && format.order == 1) return convertLanes<3, 3, false, kReverse3>(drive, count, dest);
    if (format.bytes == 4 && format.order == 0) return convertLanes<3, 4, true, kTop4>(drive, count, dest);
    if (format.bytes == 4 && format.order == 1) return convertLanes<3, 4, true, kTop4, kReverse4>(drive, count, dest);
    return 0;
}

[[gnu::target("avx2")]] size_t packLanes(const uint8_t* source, size_t count, SampleFormat format, uint8_t* drive) {
    if (format.bytes == 3 && format.order == 1) return convertLanes<3, 3, false, kReverse3>(source, count, drive);
    if (format.bytes == 1) return convertLanes<1, 3, false, kTopOf3>(source, count, drive);
    if (format.bytes == 2 && format.order == 0) return convertLanes<2, 3, false, kLowOrderFirst2>(source, count, drive);
    if (format.bytes == 2 && format.order == 1) return convertLanes<2, 3, false, kHighOrderFirst2>(source, count, drive);
    return 0;
}

[[gnu::target("avx2")]] void unpackAvx2(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride,
                                        SampleFormat format) {
    const size_t done = stride == 1 ? unpackLanes(drive, count, dest, format) : 0;
    unpackAny(drive + 3 * done, count - done, dest + done * format.bytes, stride, format);
}
[[gnu::target("avx2")]] void packAvx2(const uint8_t* source, size_t count, size_t stride, SampleFormat format,
                                      uint8_t* drive) {
    const bool silence = format.bytes == 0 || source == nullptr;
    const size_t done = stride == 1 && !silence ? packLanes(source, count, format, drive) : 0;
    packAny(silence ? source : source + done * format.bytes, count - done, stride, format, drive + 3 * done);
}
bool hasAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
}  // namespace
#define VXF_CODEC_AVX2 1
#endif

void unpackSamples(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride, SampleFormat format) {
#ifdef VXF_CODEC_AVX2
    if (hasAvx2()) return unpackAvx2(drive, count, dest, stride, format);
#endif
    unpackAny(drive, count, dest, stride, format);
}

void packSamples(const uint8_t* source, size_t count, size_t stride, SampleFormat format, uint8_t* drive) {
#ifdef VXF_CODEC_AVX2
    if (hasAvx2()) return packAvx2(source, count, stride, format, drive);
#endif
    packAny(source, count, stride, format, drive);
}

}  // namespace vxfserver
