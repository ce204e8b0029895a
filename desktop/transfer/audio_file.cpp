// audio_file.cpp - one mono audio file in use: open, parse, create, read, write and finish it.
#include "audio_file.h"

#include <vector>

#include "aiff_layout.h"

#include <algorithm>
#include "digsd_layout.h"
#include "sample_conversion.h"
#include "sd2_layout.h"
#include "wav_layout.h"

namespace vxf::transfer {

namespace {
constexpr unsigned kInputBytesFor16BitFiles = 3;   // 16-bit files are fed 24-bit samples
constexpr uint64_t kWriteBehindBytes = 2 << 20;

bool isKnownFormat(AudioFormat format) { return static_cast<uint16_t>(format) <= static_cast<uint16_t>(AudioFormat::DigSd); }
}  // namespace

AudioFile::AudioFile(MessageSink& sink) : sink_(sink) {}

AudioFile::~AudioFile() {
    if (isOpen()) Close();
}

bool AudioFile::fail(int code) {
    stream_.file.close();
    foreign_.close();
    lastError_ = code;
    sink_.showError(audioErrorMessage(code, stream_.path));
    return false;
}

bool AudioFile::begin(AudioFormat format, const std::string& path, bool writing) {
    if (isOpen()) Close();
    stream_.format = format;
    stream_.path = path;
    stream_.writing = writing;
    stream_.outer = Chunk{};
    stream_.inner = Chunk{};
    stream_.dataOffset = stream_.dataLength = stream_.dataRead = stream_.dataWritten = 0;
    stream_.chunksBeforeData.clear();
    lastError_ = AUDIO_OK;
    replaces_ = false;
    stream_.file.setTap(nullptr);
    return isKnownFormat(format) || fail(AUDIO_ERR_UNSUPPORTED);
}

int AudioFile::readHeader() {
    switch (stream_.format) {
        case AudioFormat::Wav: return readWavHeader(stream_);
        case AudioFormat::Aiff: return readAiffHeader(stream_);
        case AudioFormat::Sd2: return readSd2Header(stream_);
        case AudioFormat::DigSd: return readDigSdHeader(stream_);
    }
    return AUDIO_ERR_UNSUPPORTED;
}

int AudioFile::writeHeader() {
    switch (stream_.format) {
        case AudioFormat::Wav: return writeWavHeader(stream_);
        case AudioFormat::Aiff: return writeAiffHeader(stream_);
        case AudioFormat::Sd2: return writeSd2Header(stream_);
        case AudioFormat::DigSd: return writeDigSdHeader(stream_);
    }
    return AUDIO_ERR_UNSUPPORTED;
}

int AudioFile::finish() {
    switch (stream_.format) {
        case AudioFormat::Wav: return finishWav(stream_);
        case AudioFormat::Aiff: return finishAiff(stream_);
        case AudioFormat::Sd2: return finishSd2(stream_);
        case AudioFormat::DigSd: return finishDigSd(stream_);
    }
    return AUDIO_ERR_UNSUPPORTED;
}

bool AudioFile::OpenForRead(AudioFormat format, const std::string& path, uint32_t& sampleRate,
                            uint16_t& wordLength, uint32_t& sampleCount) {
    if (!begin(format, path, false)) return false;
    stream_.sampleRate = 0;
    stream_.wordLength = 0;
    stream_.sampleCount = 0;
    if (!stream_.file.openForReading(path)) return fail(AUDIO_ERR_OPEN);
    if (int code = readHeader(); code != AUDIO_OK) return fail(code);
    if (!stream_.file.seek(stream_.dataOffset)) return fail(AUDIO_ERR_READ);
    sampleRate = stream_.sampleRate;
    wordLength = stream_.wordLength;
    sampleCount = stream_.sampleCount;
    return true;
}

bool AudioFile::OpenForeignForRead(const std::string& path, uint16_t channel, uint16_t wordLength,
                                   uint32_t& sampleRate, uint32_t& sampleCount) {
    if (!begin(AudioFormat::Wav, path, false)) return false;
    sampleRate = sampleCount = 0;
    if (wordLength != 16 && wordLength != 24) return fail(AUDIO_ERR_UNSUPPORTED);
    ForeignFacts facts;
    std::string detail;
    if (int code = foreign_.open(path, facts, detail); code != AUDIO_OK) return fail(code);
    if (channel >= facts.channels) return fail(AUDIO_ERR_MULTICHANNEL);
    // A song counts its samples in 32 bits.
    if (facts.frames > UINT32_MAX) return fail(AUDIO_ERR_UNSUPPORTED);
    foreignChannel_ = channel;
    stream_.sampleRate = sampleRate = facts.sampleRate;
    stream_.wordLength = wordLength;
    stream_.sampleCount = sampleCount = static_cast<uint32_t>(facts.frames);
    stream_.dataLength = uint64_t{sampleCount} * stream_.bytesPerSample();
    return true;
}

bool AudioFile::readForeign(void* buffer, size_t byteCount, bool wantBigEndian, size_t& bytesRead) {
    const unsigned bytes = stream_.bytesPerSample();
    const uint64_t left = (stream_.dataLength - stream_.dataRead) / bytes;
    const size_t frames = static_cast<size_t>(std::min<uint64_t>(byteCount / bytes, left));
    size_t got = 0;
    if (!foreign_.read(foreignChannel_, stream_.wordLength, wantBigEndian, static_cast<uint8_t*>(buffer), frames,
                       got)) {
        return fail(AUDIO_ERR_READ);
    }
    bytesRead = got * bytes;
    stream_.dataRead += bytesRead;
    return true;
}

bool AudioFile::OpenForWrite(AudioFormat format, const std::string& path, uint32_t sampleRate,
                             uint16_t wordLength, uint32_t sampleCount, const std::vector<uint8_t>& chunks) {
    if (!begin(format, path, true)) return false;
    stream_.chunksBeforeData = chunks;
    stream_.sampleRate = sampleRate;
    stream_.wordLength = wordLength;
    stream_.sampleCount = sampleCount;
    if (!isSupportedWordLength(wordLength)) return fail(AUDIO_ERR_UNSUPPORTED);
    // Refused before anything is created: the header could not describe that much data.
    if (uint64_t{sampleCount} * stream_.bytesPerSample() + chunks.size() > kMaxSampleDataBytes) {
        return fail(AUDIO_ERR_WRITE);
    }
    if (!stream_.file.createForWriting(path)) return fail(AUDIO_ERR_OPEN);
    stream_.file.startWritebackEvery(writeBehind_ ? kWriteBehindBytes : 0);
    replaces_ = stream_.file.isReplacement();
    if (int code = writeHeader(); code != AUDIO_OK) return fail(code);
    if (tap_) {
        if (int code = tellFinishedHeader(); code != AUDIO_OK) return fail(code);
    }
    return true;
}

// The header is finished as Close would after every announced sample, its bytes told to the
// tap, and then put back as it was: the file is as writeHeader left it, and Close finishes it
// from the samples that really came.
int AudioFile::tellFinishedHeader() {
    const uint64_t headerBytes = stream_.dataOffset;
    std::vector<uint8_t> started(headerBytes);
    std::vector<uint8_t> finished(headerBytes);
    const AudioStream::Chunks chunks = stream_.chunks();
    if (!stream_.file.seek(0) || !stream_.file.readExact(started.data(), headerBytes)) return AUDIO_ERR_WRITE;
    stream_.dataWritten = uint64_t{stream_.sampleCount} * stream_.bytesPerSample();
    if (int code = finish(); code != AUDIO_OK) return code;
    if (!stream_.file.seek(0) || !stream_.file.readExact(finished.data(), headerBytes) || !stream_.file.seek(0) ||
        !stream_.file.write(started.data(), headerBytes) || !stream_.file.truncate(headerBytes) ||
        !stream_.file.seek(headerBytes)) {
        return AUDIO_ERR_WRITE;
    }
    stream_.restore(chunks);
    stream_.dataWritten = 0;
    stream_.file.setTap(tap_);
    tap_->wrote(0, finished.data(), headerBytes);
    return AUDIO_OK;
}

void AudioFile::fromFileCoding(uint8_t* data, size_t sampleCount, bool wantBigEndian, bool wantUnsigned8) const {
    const bool fileBigEndian = isBigEndianFormat(stream_.format);
    switch (stream_.wordLength) {
        case 8:
            if (isUnsigned8Format(stream_.format) != wantUnsigned8) invertSignBits(data, sampleCount);
            break;
        case 16:
            if (fileBigEndian != wantBigEndian) swapBytes16(data, sampleCount);
            break;
        case 24:
            if (fileBigEndian != wantBigEndian) swapBytes24(data, sampleCount);
            break;
        default:
            break;
    }
}

bool AudioFile::ReadSamples(void* buffer, size_t byteCount, bool wantBigEndian, bool wantUnsigned8,
                            size_t& bytesRead) {
    bytesRead = 0;
    if (!isOpen() || stream_.writing) return false;
    if (foreign_.isOpen()) return readForeign(buffer, byteCount, wantBigEndian, bytesRead);
    const uint64_t left = stream_.dataLength - stream_.dataRead;
    const size_t wanted = byteCount < left ? byteCount : static_cast<size_t>(left);
    bool ok = false;
    const size_t got = stream_.file.read(buffer, wanted, ok);
    if (!ok) return fail(AUDIO_ERR_READ);
    stream_.dataRead += got;
    if (stream_.bytesPerSample() != 0) {
        fromFileCoding(static_cast<uint8_t*>(buffer), got / stream_.bytesPerSample(), wantBigEndian, wantUnsigned8);
    }
    bytesRead = got;
    return true;
}

void AudioFile::toFileCoding(uint8_t* data, size_t sampleCount, bool inputBigEndian, bool inputUnsigned8) const {
    const bool fileBigEndian = isBigEndianFormat(stream_.format);
    if (stream_.wordLength == 8) {
        if (isUnsigned8Format(stream_.format) != inputUnsigned8) invertSignBits(data, sampleCount);
        return;
    }
    // 16-bit files are fed 24-bit samples too, reduced after they are in the file's order.
    if (fileBigEndian != inputBigEndian) swapBytes24(data, sampleCount);
    if (stream_.wordLength == 16) reduce24To16Rounded(data, sampleCount, fileBigEndian);
}

bool AudioFile::WriteSamples(void* buffer, size_t byteCount, bool inputBigEndian, bool inputUnsigned8,
                             size_t& bytesConsumed) {
    bytesConsumed = 0;
    if (!isOpen() || !stream_.writing) return false;
    const unsigned inputBytes = stream_.wordLength == 16 ? kInputBytesFor16BitFiles : stream_.bytesPerSample();
    const size_t samples = byteCount / inputBytes;
    const size_t outputBytes = samples * stream_.bytesPerSample();
    if (outputBytes > kMaxSampleDataBytes - stream_.dataWritten) return fail(AUDIO_ERR_WRITE);
    toFileCoding(static_cast<uint8_t*>(buffer), samples, inputBigEndian, inputUnsigned8);
    if (!stream_.file.write(buffer, outputBytes)) return fail(AUDIO_ERR_WRITE);
    stream_.dataWritten += outputBytes;
    bytesConsumed = samples * inputBytes;
    return true;
}

bool AudioFile::Close() {
    if (!isOpen()) return false;
    if (foreign_.isOpen()) {
        foreign_.close();
        return true;
    }
    if (stream_.writing) {
        if (int code = finish(); code != AUDIO_OK) return fail(code);
    }
    if (!(stream_.writing ? stream_.file.commit() : stream_.file.close())) {
        return fail(stream_.writing ? AUDIO_ERR_WRITE : AUDIO_ERR_READ);
    }
    return true;
}

bool AudioFile::CloseIncomplete() {
    if (!replaces_ || !isOpen()) return Close();
    stream_.file.close();
    return true;
}

}  // namespace vxf::transfer
