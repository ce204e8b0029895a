// digsd_layout.cpp - the 1336-byte DIG/SD header: building, parsing, writing and finishing.
#include "digsd_layout.h"

#include <cstring>

#include "audio_error.h"
#include "byte_order.h"

namespace vxf::transfer {

namespace {
constexpr uint16_t kVersion = 32;
constexpr size_t kDataLengthOffset = 184;
constexpr size_t kNameOffset = 254;
constexpr size_t kRateOffset = 1020;
constexpr size_t kRateCodeOffset = 1024;
constexpr size_t kWordLengthOffset = 1028;

void putCountedString(uint8_t* at, const std::string& text) {
    at[0] = static_cast<uint8_t>(text.size());
    std::memcpy(at + 1, text.data(), text.size());
}

void putAllOnes(uint8_t* at, size_t count) { std::memset(at, 0xFF, count); }

uint32_t rateCode(uint32_t sampleRate) {
    switch (sampleRate) {
        case 44100: return 23;
        case 48000: return 20;
        case 88200: return 11;
        case 96000: return 10;
        default: return 0;
    }
}
}  // namespace

DigSdHeader buildDigSdHeader(const std::string& name, uint32_t sampleRate, uint16_t wordLength,
                             uint32_t dataLength) {
    DigSdHeader header{};
    uint8_t* h = header.data();
    storeBe16(h, static_cast<uint16_t>(kDigSdHeaderSize));
    storeBe16(h + 2, kVersion);
    h[56] = 0xFF;
    storeBe32(h + 58, 1);
    storeBe32(h + 62, 327);
    storeBe16(h + 66, 4);
    putCountedString(h + 68, "%Scale");
    storeBe32(h + 102, 1);
    putCountedString(h + 108, "Sec");
    storeBe32(h + kDataLengthOffset, dataLength);
    putCountedString(h + kNameOffset, name.substr(0, kDigSdMaxNameBytes));
    for (size_t k = 0; k < 10; ++k) storeBe16(h + 352 + 40 * k, 1);
    putAllOnes(h + 752, 8);
    storeBe32(h + kRateOffset, sampleRate);
    storeBe32(h + kRateCodeOffset, rateCode(sampleRate));
    storeBe16(h + kWordLengthOffset, wordLength);
    putCountedString(h + 1030, "Linear");
    putAllOnes(h + 1324, 8);
    return header;
}

int readDigSdHeader(AudioStream& stream) {
    ChunkFile& file = stream.file;
    DigSdHeader header;
    if (!file.readExact(header.data(), header.size())) return AUDIO_ERR_READ;
    const uint8_t* h = header.data();
    if (loadBe16(h) != kDigSdHeaderSize || loadBe16(h + 2) != kVersion) return AUDIO_ERR_INVALID;
    const uint32_t dataLength = loadBe32(h + kDataLengthOffset);
    const uint32_t sampleRate = loadBe32(h + kRateOffset);
    const uint16_t wordLength = loadBe16(h + kWordLengthOffset);
    // Below 8 bits there is not a whole byte per sample to count the samples by.
    if (sampleRate == 0 || wordLength < 8) return AUDIO_ERR_INVALID;
    if (dataLength > file.length() - kDigSdHeaderSize) return AUDIO_ERR_INVALID;

    stream.sampleRate = sampleRate;
    stream.wordLength = wordLength;
    stream.sampleCount = dataLength / stream.bytesPerSample();
    stream.dataOffset = kDigSdHeaderSize;
    stream.dataLength = dataLength;
    return AUDIO_OK;
}

int writeDigSdHeader(AudioStream& stream) {
    const uint64_t dataLength = uint64_t{stream.sampleCount} * stream.bytesPerSample();
    const DigSdHeader header = buildDigSdHeader(storedFileName(stream.path, kDigSdMaxNameBytes), stream.sampleRate,
                                                stream.wordLength, static_cast<uint32_t>(dataLength));
    if (!stream.file.write(header.data(), header.size())) return AUDIO_ERR_WRITE;
    stream.dataOffset = kDigSdHeaderSize;
    return AUDIO_OK;
}

int finishDigSd(AudioStream& stream) {
    // The header announced the whole transfer; it now says what was actually written.
    uint8_t length[4];
    storeBe32(length, static_cast<uint32_t>(stream.dataWritten));
    ChunkFile& file = stream.file;
    if (!file.seek(kDataLengthOffset) || !file.write(length, sizeof length)) return AUDIO_ERR_WRITE;
    return AUDIO_OK;
}

}  // namespace vxf::transfer
