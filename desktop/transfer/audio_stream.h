// audio_stream.h - what an open audio file knows: the file, its format and where its samples lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio_format.h"
#include "chunk_file.h"

namespace vxf::transfer {

// The largest amount of sample data any of the four formats can describe: their sizes and
// lengths are 32-bit, and WAV and AIFF count their chunk headers in the outer size too.
constexpr uint64_t kMaxSampleDataBytes = 0xFFFFFFFFull - 64;

struct AudioStream {
    ChunkFile file;
    AudioFormat format = AudioFormat::Wav;
    bool writing = false;
    std::string path;
    uint32_t sampleRate = 0;
    uint16_t wordLength = 0;
    uint32_t sampleCount = 0;

    // WAV and AIFF: the outer (RIFF or FORM) chunk and the chunk holding the samples.
    Chunk outer;
    Chunk inner;

    uint64_t dataOffset = 0;   // file offset of the first sample byte
    uint64_t dataLength = 0;   // reading: bytes of sample data in the file
    uint64_t dataRead = 0;     // reading: bytes of sample data handed out so far
    uint64_t dataWritten = 0;  // writing: bytes of sample data written so far

    // Writing WAV or AIFF: whole chunks (headers, sizes and pad bytes in the file's order) that go between the
    // format chunk and the sample chunk. Empty for the plain files of the four formats.
    std::vector<uint8_t> chunksBeforeData;

    unsigned bytesPerSample() const { return wordLength / 8u; }

    // The chunks as they stand, to go back to after a trial finish.
    struct Chunks {
        Chunk outer;
        Chunk inner;
    };
    Chunks chunks() const { return {outer, inner}; }
    void restore(const Chunks& saved) {
        outer = saved.outer;
        inner = saved.inner;
    }
};

// WAV and AIFF: closes the sample chunk after the data written so far (adding its pad byte)
// and then the outer chunk, filling in both sizes.
bool ascendDataAndForm(AudioStream& stream);

// The name SD2 and DIG/SD files keep of themselves: the file name without directory and
// extension, cut to at most `maxBytes` bytes without splitting a UTF-8 character.
std::string storedFileName(const std::string& path, size_t maxBytes);

}  // namespace vxf::transfer
