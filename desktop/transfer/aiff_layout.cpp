// aiff_layout.cpp - the AIFF header: parsing, writing and finishing, and the 80-bit sample rate.
#include "aiff_layout.h"

#include <bit>

#include "audio_error.h"
#include "byte_order.h"

namespace vxf::transfer {

namespace {
constexpr uint32_t kCommSize = 18;
constexpr uint32_t kSoundHeaderSize = 8;  // offset and block size before the samples
constexpr uint64_t kFormHeaderSize = 12;

// Where the sizes lie in the file we write: FORM at 4, COMM at 16, SSND right before its data (at 42 when
// no chunk stands between COMM and SSND); the COMM frame count follows the channel count at 22.
constexpr uint64_t kFormSizeOffset = 4;
constexpr uint64_t kCommSizeOffset = 16;
constexpr uint64_t kFramesOffset = 22;

struct KnownRate {
    uint8_t prefix[4];
    uint32_t rate;
};
constexpr KnownRate kKnownRates[] = {
    {{0x40, 0x0E, 0xAC, 0x44}, 44100},
    {{0x40, 0x0E, 0xBB, 0x80}, 48000},
    {{0x40, 0x0F, 0xAC, 0x44}, 88200},
    {{0x40, 0x0F, 0xBB, 0x80}, 96000},
};

// The file was written with RIFF sizes; AIFF wants them big-endian.
bool reverseSizeAt(ChunkFile& file, uint64_t offset) {
    uint8_t size[4];
    if (!file.seek(offset) || !file.readExact(size, sizeof size)) return false;
    uint8_t reversed[4] = {size[3], size[2], size[1], size[0]};
    return file.seek(offset) && file.write(reversed, sizeof reversed);
}

int readComm(AudioStream& stream, uint32_t& frames) {
    ChunkFile& file = stream.file;
    Chunk comm;
    if (!file.seek(kFormHeaderSize) || !file.descend(comm, fourCC("COMM"), nullptr, SizeOrder::BigEndian) ||
        comm.size < kCommSize) {
        return AUDIO_ERR_INVALID;
    }
    uint8_t record[kCommSize];
    if (!file.readExact(record, sizeof record)) return AUDIO_ERR_READ;
    const uint16_t channels = loadBe16(record);
    const uint16_t sampleSize = loadBe16(record + 6);
    if (channels != 1) return AUDIO_ERR_MULTICHANNEL;
    if (!isSupportedWordLength(sampleSize)) return AUDIO_ERR_UNSUPPORTED;
    frames = loadBe32(record + 2);
    stream.wordLength = sampleSize;
    stream.sampleRate = decodeExtendedRate(record + 8);
    return AUDIO_OK;
}

int readSoundData(AudioStream& stream, uint32_t frames) {
    ChunkFile& file = stream.file;
    Chunk ssnd;
    if (!file.seek(kFormHeaderSize) || !file.descend(ssnd, fourCC("SSND"), nullptr, SizeOrder::BigEndian)) {
        return AUDIO_ERR_INVALID;
    }
    uint8_t header[kSoundHeaderSize];
    if (!file.readExact(header, sizeof header)) return AUDIO_ERR_READ;
    if (loadBe32(header) != 0 || loadBe32(header + 4) != 0) return AUDIO_ERR_UNSUPPORTED;

    // The frames COMM announces must be there, inside the SSND chunk and inside the file.
    const uint64_t dataOffset = ssnd.dataOffset + kSoundHeaderSize;
    const uint64_t dataLength = uint64_t{frames} * stream.bytesPerSample();
    if (ssnd.size < kSoundHeaderSize || dataLength > ssnd.size - kSoundHeaderSize ||
        dataLength > file.length() - dataOffset) {
        return AUDIO_ERR_INVALID;
    }
    stream.inner = ssnd;
    stream.sampleCount = frames;
    stream.dataOffset = dataOffset;
    stream.dataLength = dataLength;
    return AUDIO_OK;
}
}  // namespace

void encodeExtendedRate(uint32_t rate, uint8_t out[kExtendedRateSize]) {
    for (size_t i = 0; i < kExtendedRateSize; ++i) out[i] = 0;
    if (rate == 0) return;
    const int highestBit = std::bit_width(rate) - 1;
    storeBe16(out, static_cast<uint16_t>(16383 + highestBit));
    const uint64_t mantissa = uint64_t{rate} << (63 - highestBit);
    storeBe32(out + 2, static_cast<uint32_t>(mantissa >> 32));
    storeBe32(out + 6, static_cast<uint32_t>(mantissa));
}

uint32_t decodeExtendedRate(const uint8_t in[kExtendedRateSize]) {
    for (const KnownRate& known : kKnownRates) {
        if (in[0] == known.prefix[0] && in[1] == known.prefix[1] && in[2] == known.prefix[2] &&
            in[3] == known.prefix[3]) {
            return known.rate;
        }
    }
    return 0;
}

int readAiffHeader(AudioStream& stream) {
    ChunkFile& file = stream.file;
    uint8_t header[kFormHeaderSize];
    if (!file.readExact(header, sizeof header)) return AUDIO_ERR_READ;
    // AIFF-C ("AIFC") is not accepted.
    if (loadFourCC(header) != fourCC("FORM") || loadFourCC(header + 8) != fourCC("AIFF")) return AUDIO_ERR_INVALID;
    uint32_t frames = 0;
    if (int code = readComm(stream, frames); code != AUDIO_OK) return code;
    return readSoundData(stream, frames);
}

int writeAiffHeader(AudioStream& stream) {
    ChunkFile& file = stream.file;
    uint8_t comm[kCommSize];
    storeBe16(comm, 1);
    storeBe32(comm + 2, stream.sampleCount);
    storeBe16(comm + 6, stream.wordLength);
    encodeExtendedRate(stream.sampleRate, comm + 8);
    const uint8_t soundHeader[kSoundHeaderSize] = {};

    // The outer chunk is written as a RIFF chunk; finishAiff turns it into a FORM chunk.
    Chunk commChunk;
    if (!file.createRiffForm(stream.outer, fourCC("AIFF")) || !file.createChunk(commChunk, fourCC("COMM")) ||
        !file.write(comm, sizeof comm) || !file.ascend(commChunk) ||
        !file.write(stream.chunksBeforeData.data(), stream.chunksBeforeData.size()) ||
        !file.createChunk(stream.inner, fourCC("SSND")) || !file.write(soundHeader, sizeof soundHeader)) {
        return AUDIO_ERR_WRITE;
    }
    stream.dataOffset = stream.inner.dataOffset + kSoundHeaderSize;
    return AUDIO_OK;
}

int finishAiff(AudioStream& stream) {
    ChunkFile& file = stream.file;
    if (!ascendDataAndForm(stream)) return AUDIO_ERR_WRITE;
    const uint8_t form[4] = {'F', 'O', 'R', 'M'};
    if (!file.seek(0) || !file.write(form, sizeof form) || !reverseSizeAt(file, kFormSizeOffset) ||
        !reverseSizeAt(file, kCommSizeOffset) || !reverseSizeAt(file, stream.inner.dataOffset - 4)) {
        return AUDIO_ERR_WRITE;
    }
    // A transfer that stopped early leaves fewer frames than announced at the start:
    // the frame count follows the samples actually written, so the file stays valid.
    uint8_t frames[4];
    storeBe32(frames, static_cast<uint32_t>(stream.dataWritten / stream.bytesPerSample()));
    if (!file.seek(kFramesOffset) || !file.write(frames, sizeof frames)) return AUDIO_ERR_WRITE;
    return AUDIO_OK;
}

}  // namespace vxf::transfer
