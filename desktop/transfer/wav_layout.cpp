// wav_layout.cpp - the RIFF WAVE header: parsing, writing and finishing.
#include "wav_layout.h"

#include <algorithm>
#include <cstdint>

#include "audio_error.h"
#include "byte_order.h"

namespace vxf::transfer {

namespace {
constexpr uint32_t kFormatRecordSize = 16;
constexpr uint16_t kFormatTagPcm = 1;
constexpr uint16_t kFormatTagExtensible = 0xFFFE;
// The extensible record: the 16 bytes above, the extension's size, valid bits, channel mask and sub-format.
constexpr uint32_t kExtensibleRecordSize = 40;
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// RF64: sizes of 4 GiB and more stand in the ds64 chunk, and the 32-bit fields hold this.
constexpr uint32_t kSizeInDs64 = 0xFFFFFFFF;
constexpr uint32_t kDs64MinimumSize = 28;

// Block align 1, 2 and 3 go with 8, 16 and 24 bits; other block aligns are not handled.
int checkBlockAlign(uint16_t blockAlign, uint16_t bitsPerSample) {
    if (blockAlign < 1 || blockAlign > 3) return AUDIO_ERR_UNSUPPORTED;
    return bitsPerSample == blockAlign * 8 ? AUDIO_OK : AUDIO_ERR_INVALID;
}

// Mono integer PCM in the extensible header, whatever its valid bits up to the container: the samples are read
// in their container's width, the bits below the valid ones being zero. A header that contradicts itself is
// invalid; another sub-format (floating point among them) or more channels are not ours to read.
int checkExtensible(ChunkFile& file, const Chunk& fmt, uint16_t channels, uint16_t bitsPerSample) {
    if (fmt.size < kExtensibleRecordSize) return AUDIO_ERR_INVALID;
    uint8_t extension[kExtensibleRecordSize - kFormatRecordSize];
    if (!file.readExact(extension, sizeof extension)) return AUDIO_ERR_READ;
    const uint16_t validBits = loadLe16(extension + 2);
    if (channels == 0 || validBits == 0 || validBits > bitsPerSample) return AUDIO_ERR_INVALID;
    if (!std::equal(kPcmSubFormat, kPcmSubFormat + 16, extension + 8)) return AUDIO_ERR_UNSUPPORTED;
    return channels == 1 ? AUDIO_OK : AUDIO_ERR_MULTICHANNEL;
}

// The 64-bit data size of an RF64 file; its ds64 chunk comes first.
int readDs64(ChunkFile& file, const Chunk& riff, uint64_t& dataSize) {
    Chunk ds64;
    if (!file.descend(ds64, fourCC("ds64"), &riff, SizeOrder::LittleEndian) || ds64.size < kDs64MinimumSize) {
        return AUDIO_ERR_INVALID;
    }
    uint8_t record[kDs64MinimumSize];
    if (!file.readExact(record, sizeof record)) return AUDIO_ERR_READ;
    dataSize = uint64_t{loadLe32(record + 8)} | uint64_t{loadLe32(record + 12)} << 32;
    return file.ascend(ds64) ? AUDIO_OK : AUDIO_ERR_READ;
}
}  // namespace

int readWavHeader(AudioStream& stream) {
    ChunkFile& file = stream.file;
    Chunk riff;
    if (!file.descendForm(riff, SizeOrder::LittleEndian) ||
        (riff.id != fourCC("RIFF") && riff.id != fourCC("RF64")) || riff.formType != fourCC("WAVE")) {
        return AUDIO_ERR_INVALID;
    }
    const bool rf64 = riff.id == fourCC("RF64");
    uint64_t ds64DataSize = 0;
    if (rf64) {
        if (int code = readDs64(file, riff, ds64DataSize); code != AUDIO_OK) return code;
    }
    Chunk fmt;
    if (!file.descend(fmt, fourCC("fmt "), &riff, SizeOrder::LittleEndian) || fmt.size < kFormatRecordSize) {
        return AUDIO_ERR_INVALID;
    }
    uint8_t record[kFormatRecordSize];
    if (!file.readExact(record, sizeof record)) return AUDIO_ERR_READ;
    const uint16_t formatTag = loadLe16(record);
    const uint16_t channels = loadLe16(record + 2);
    const uint32_t samplesPerSecond = loadLe32(record + 4);
    const uint16_t blockAlign = loadLe16(record + 12);
    const uint16_t bitsPerSample = loadLe16(record + 14);
    if (formatTag == kFormatTagExtensible) {
        if (int code = checkExtensible(file, fmt, channels, bitsPerSample); code != AUDIO_OK) return code;
    } else {
        if (formatTag != kFormatTagPcm) return AUDIO_ERR_UNSUPPORTED;
        if (channels != 1) return AUDIO_ERR_MULTICHANNEL;
    }
    if (int code = checkBlockAlign(blockAlign, bitsPerSample); code != AUDIO_OK) return code;

    // The sample data is searched after the format record only.
    Chunk data;
    if (!file.ascend(fmt) || !file.descend(data, fourCC("data"), &riff, SizeOrder::LittleEndian)) {
        return AUDIO_ERR_INVALID;
    }
    const uint64_t dataSize = rf64 && data.size == kSizeInDs64 ? ds64DataSize : data.size;
    if (dataSize > file.length() - data.dataOffset) return AUDIO_ERR_INVALID;
    // A song counts its samples in 32 bits.
    if (dataSize / blockAlign > UINT32_MAX) return AUDIO_ERR_UNSUPPORTED;

    stream.outer = riff;
    stream.inner = data;
    stream.sampleRate = samplesPerSecond;
    stream.wordLength = static_cast<uint16_t>(blockAlign * 8);
    stream.sampleCount = static_cast<uint32_t>(dataSize / blockAlign);
    stream.dataOffset = data.dataOffset;
    stream.dataLength = dataSize;
    return AUDIO_OK;
}

int writeWavHeader(AudioStream& stream) {
    ChunkFile& file = stream.file;
    const uint16_t bytesPerSample = static_cast<uint16_t>(stream.bytesPerSample());
    uint8_t record[kFormatRecordSize];
    storeLe16(record, kFormatTagPcm);
    storeLe16(record + 2, 1);
    storeLe32(record + 4, stream.sampleRate);
    storeLe32(record + 8, stream.sampleRate * bytesPerSample);
    storeLe16(record + 12, bytesPerSample);
    storeLe16(record + 14, stream.wordLength);

    Chunk fmt;
    if (!file.createRiffForm(stream.outer, fourCC("WAVE")) || !file.createChunk(fmt, fourCC("fmt ")) ||
        !file.write(record, sizeof record) || !file.ascend(fmt) ||
        !file.write(stream.chunksBeforeData.data(), stream.chunksBeforeData.size()) ||
        !file.createChunk(stream.inner, fourCC("data"))) {
        return AUDIO_ERR_WRITE;
    }
    stream.dataOffset = stream.inner.dataOffset;
    return AUDIO_OK;
}

int finishWav(AudioStream& stream) { return ascendDataAndForm(stream) ? AUDIO_OK : AUDIO_ERR_WRITE; }

}  // namespace vxf::transfer
