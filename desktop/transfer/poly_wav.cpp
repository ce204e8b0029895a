// poly_wav.cpp - one WAV file of many channels, RF64 when it grows past 4 GiB.
#include "poly_wav.h"

#include <cstring>

#include "sample_conversion.h"

namespace vxf::transfer {

namespace {
constexpr uint64_t kRiffLimit = 0xFFFFFFFFull;
uint64_t riffThreshold = kRiffLimit;

constexpr uint32_t kDs64Size = 28;  // RIFF size, data size, sample count (64 bits each), table length 0
constexpr uint64_t kDs64Offset = 12;
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

void put16(ChunkBytes& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(ChunkBytes& out, uint32_t v) {
    put16(out, uint16_t(v));
    put16(out, uint16_t(v >> 16));
}
void put64(ChunkBytes& out, uint64_t v) {
    put32(out, uint32_t(v));
    put32(out, uint32_t(v >> 32));
}
void putId(ChunkBytes& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(id[i]));
}

// RIFF header, a JUNK chunk that becomes ds64 if needed, the extensible format record.
ChunkBytes header(uint16_t channels, uint32_t rate, uint16_t bytes) {
    ChunkBytes out;
    putId(out, "RIFF");
    put32(out, 0);
    putId(out, "WAVE");
    putId(out, "JUNK");
    put32(out, kDs64Size);
    out.resize(out.size() + kDs64Size, 0);
    putId(out, "fmt ");
    put32(out, 40);
    put16(out, 0xFFFE);
    put16(out, channels);
    put32(out, rate);
    put32(out, rate * channels * bytes);
    put16(out, uint16_t(channels * bytes));
    put16(out, uint16_t(bytes * 8));
    put16(out, 22);
    put16(out, uint16_t(bytes * 8));  // every bit valid
    put32(out, 0);                    // no speaker positions: the channels are tracks
    out.insert(out.end(), kPcmSubFormat, kPcmSubFormat + 16);
    return out;
}
}  // namespace

void setRf64ThresholdForTesting(uint64_t riffBytes) { riffThreshold = riffBytes == 0 ? kRiffLimit : riffBytes; }

bool PolyWavFile::create(const std::string& path, uint16_t channels, uint32_t sampleRate, uint16_t bits,
                         const ChunkBytes& chunks) {
    if (channels == 0 || (bits != 16 && bits != 24)) return false;
    channels_ = channels;
    bytes_ = uint16_t(bits / 8);
    frames_ = dataBytes_ = 0;
    rf64_ = false;
    ChunkBytes start = header(channels, sampleRate, bytes_);
    start.insert(start.end(), chunks.begin(), chunks.end());
    putId(start, "data");
    put32(start, 0);
    dataSizeOffset_ = start.size() - 4;
    return file_.createForWriting(path) && file_.write(start.data(), start.size());
}

bool PolyWavFile::writeFrames(const std::vector<uint8_t*>& channels, uint32_t frames) {
    if (channels.size() != channels_) return false;
    if (bytes_ == 2) {
        for (uint8_t* channel : channels) reduce24To16Rounded(channel, frames, false);
    }
    const size_t frameBytes = size_t(channels_) * bytes_;
    interleaved_.resize(size_t(frames) * frameBytes);
    for (size_t c = 0; c < channels_; ++c) {
        const uint8_t* from = channels[c];
        uint8_t* to = interleaved_.data() + c * bytes_;
        for (uint32_t f = 0; f < frames; ++f, from += bytes_, to += frameBytes) std::memcpy(to, from, bytes_);
    }
    if (!file_.write(interleaved_.data(), interleaved_.size())) return false;
    frames_ += frames;
    dataBytes_ += interleaved_.size();
    return true;
}

bool PolyWavFile::finish() {
    if (!file_.isOpen()) return false;
    if (dataBytes_ % 2 != 0) {
        const uint8_t pad = 0;
        if (!file_.write(&pad, 1)) return false;
    }
    const uint64_t riffSize = file_.length() - 8;
    rf64_ = riffSize > riffThreshold || dataBytes_ > riffThreshold;
    ChunkBytes riff, dataSize;
    if (rf64_) {
        putId(riff, "RF64");
        put32(riff, 0xFFFFFFFF);
        ChunkBytes ds64;
        putId(ds64, "ds64");
        put32(ds64, kDs64Size);
        put64(ds64, riffSize);
        put64(ds64, dataBytes_);
        put64(ds64, frames_);
        put32(ds64, 0);
        put32(dataSize, 0xFFFFFFFF);
        if (!file_.seek(kDs64Offset) || !file_.write(ds64.data(), ds64.size())) return false;
    } else {
        putId(riff, "RIFF");
        put32(riff, uint32_t(riffSize));
        put32(dataSize, uint32_t(dataBytes_));
    }
    return file_.seek(0) && file_.write(riff.data(), riff.size()) && file_.seek(dataSizeOffset_) &&
           file_.write(dataSize.data(), dataSize.size()) && file_.commit();
}

bool PolyWavFile::abandon() {
    if (!file_.isOpen()) return true;
    if (file_.isReplacement()) return file_.close();
    return finish();
}

}  // namespace vxf::transfer
