// wav_layout.cpp - the RIFF WAVE header: parsing, writing and finishing.
#include "wav_layout.h"

#include "audio_error.h"
#include "byte_order.h"

namespace vxf::transfer {

namespace {
constexpr uint32_t kFormatRecordSize = 16;
constexpr uint16_t kFormatTagPcm = 1;

// Block align 1, 2 and 3 go with 8, 16 and 24 bits; other block aligns are not handled.
int checkBlockAlign(uint16_t blockAlign, uint16_t bitsPerSample) {
    if (blockAlign < 1 || blockAlign > 3) return AUDIO_ERR_UNSUPPORTED;
    return bitsPerSample == blockAlign * 8 ? AUDIO_OK : AUDIO_ERR_INVALID;
}
}  // namespace

int readWavHeader(AudioStream& stream) {
    ChunkFile& file = stream.file;
    Chunk riff;
    if (!file.descendForm(riff, SizeOrder::LittleEndian) || riff.id != fourCC("RIFF") ||
        riff.formType != fourCC("WAVE")) {
        return AUDIO_ERR_INVALID;
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
    if (formatTag != kFormatTagPcm) return AUDIO_ERR_UNSUPPORTED;
    if (channels != 1) return AUDIO_ERR_MULTICHANNEL;
    if (int code = checkBlockAlign(blockAlign, bitsPerSample); code != AUDIO_OK) return code;

    // The sample data is searched after the format record only.
    Chunk data;
    if (!file.ascend(fmt) || !file.descend(data, fourCC("data"), &riff, SizeOrder::LittleEndian)) {
        return AUDIO_ERR_INVALID;
    }
    if (data.size > file.length() - data.dataOffset) return AUDIO_ERR_INVALID;

    stream.outer = riff;
    stream.inner = data;
    stream.sampleRate = samplesPerSecond;
    stream.wordLength = static_cast<uint16_t>(blockAlign * 8);
    stream.sampleCount = data.size / blockAlign;
    stream.dataOffset = data.dataOffset;
    stream.dataLength = data.size;
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
