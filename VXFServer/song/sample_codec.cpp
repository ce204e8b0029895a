// sample_codec.cpp - the 3-byte drive sample and its conversion to and from the caller's sample formats.
#include "song/sample_codec.h"

#include <bit>
#include <cstring>

namespace vxfserver {

namespace {

// One caller sample from the drive bytes s[0] (least significant) to s[2].
template <uint32_t Bytes, uint32_t Order>
inline void unpackOne(const uint8_t* s, uint8_t* d) {
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
inline void packOne(const uint8_t* c, uint8_t* s) {
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
[[gnu::target("avx2")]] void unpackAvx2(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride,
                                        SampleFormat format) {
    unpackAny(drive, count, dest, stride, format);
}
[[gnu::target("avx2")]] void packAvx2(const uint8_t* source, size_t count, size_t stride, SampleFormat format,
                                      uint8_t* drive) {
    packAny(source, count, stride, format, drive);
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
