// sd2_layout.cpp - Sound Designer II files in MacBinary II: parsing, writing and finishing.
#include "sd2_layout.h"

#include <vector>

#include "audio_error.h"
#include "macbinary.h"
#include "sd2_resources.h"

namespace vxf::transfer {

namespace {
// Zero bytes from `length` up to the next multiple of 128.
bool padTo128(ChunkFile& file, uint64_t length) {
    const std::vector<uint8_t> zeros(roundUpTo128(length) - length, 0);
    return file.write(zeros.data(), zeros.size());
}
}  // namespace

int readSd2Header(AudioStream& stream) {
    ChunkFile& file = stream.file;
    MacBinaryHeader header;
    if (!file.readExact(header.data(), header.size())) return AUDIO_ERR_READ;
    if (!isSd2MacBinaryHeader(header)) return AUDIO_ERR_INVALID;
    const uint32_t dataLength = macBinaryDataLength(header);
    if (dataLength > file.length() - kMacBinaryHeaderSize) return AUDIO_ERR_INVALID;

    Sd2Parameters parameters;
    const uint64_t forkStart = kMacBinaryHeaderSize + roundUpTo128(dataLength);
    if (int code = readSd2Parameters(file, forkStart, parameters); code != AUDIO_OK) return code;
    if (parameters.wordLength == 0 || parameters.sampleRate == 0) return AUDIO_ERR_INVALID;

    stream.wordLength = parameters.wordLength;
    stream.sampleRate = parameters.sampleRate;
    stream.sampleCount = dataLength / stream.bytesPerSample();
    stream.dataOffset = kMacBinaryHeaderSize;
    stream.dataLength = dataLength;
    return AUDIO_OK;
}

int writeSd2Header(AudioStream& stream) {
    const uint64_t dataLength = uint64_t{stream.sampleCount} * stream.bytesPerSample();
    const MacBinaryHeader header = buildSd2MacBinaryHeader(storedFileName(stream.path, kMacBinaryMaxNameBytes),
                                                           static_cast<uint32_t>(dataLength), macTimeNow());
    if (!stream.file.write(header.data(), header.size())) return AUDIO_ERR_WRITE;
    stream.dataOffset = kMacBinaryHeaderSize;
    return AUDIO_OK;
}

int finishSd2(AudioStream& stream) {
    ChunkFile& file = stream.file;
    const uint64_t dataEnd = kMacBinaryHeaderSize + stream.dataWritten;
    const auto fork = buildSd2ResourceFork(stream.wordLength, stream.sampleRate);
    // The resource fork follows the samples actually written, and the header says how many
    // there are, so a transfer that stopped early still leaves a valid file.
    MacBinaryHeader header;
    if (!file.seek(dataEnd) || !padTo128(file, dataEnd) || !file.write(fork.data(), fork.size()) ||
        !padTo128(file, file.position()) || !file.seek(0) || !file.readExact(header.data(), header.size())) {
        return AUDIO_ERR_WRITE;
    }
    setMacBinaryDataLength(header, static_cast<uint32_t>(stream.dataWritten));
    if (!file.seek(0) || !file.write(header.data(), header.size())) return AUDIO_ERR_WRITE;
    return AUDIO_OK;
}

}  // namespace vxf::transfer
