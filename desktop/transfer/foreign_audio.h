// foreign_audio.h - audio files of other kinds (FLAC, floating-point WAV, AIFF-C, W64 and the like) read through
// libsndfile, one channel at a time, as integer samples of the song's word length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vxf::transfer {

struct ForeignFacts {
    uint32_t sampleRate = 0;
    uint16_t channels = 0;
    uint64_t frames = 0;
};

// What one sample of the file becomes in `bits` (16 or 24): libsndfile gives it as a fraction of full scale
// (-1.0 to below 1.0, integer files exactly); it is scaled by 2^(bits-1), rounded to the nearest integer with
// halves away from zero, and clipped to the width: -2^(bits-1) .. 2^(bits-1)-1. Not a number gives 0.
int32_t foreignSampleToInteger(double sample, unsigned bits);

class ForeignReader {
public:
    ForeignReader();
    ~ForeignReader();
    ForeignReader(const ForeignReader&) = delete;
    ForeignReader& operator=(const ForeignReader&) = delete;

    // Opens the file and tells what it holds; an AUDIO_ERR_* code (AUDIO_OK on success). `detail` is
    // libsndfile's reason when it refuses the file.
    int open(const std::string& path, ForeignFacts& facts, std::string& detail);
    // Reads up to `frames` frames and keeps channel `channel` of them, as `bits`-wide signed samples in the byte
    // order asked for; `got` frames were read (0 at the end). False on a read error.
    bool read(uint16_t channel, unsigned bits, bool bigEndian, uint8_t* out, size_t frames, size_t& got);
    void close();
    bool isOpen() const;

private:
    struct File;
    std::unique_ptr<File> file_;
};

// What libsndfile can open and this system reads only through it, by the name's extension.
bool isForeignFileName(const std::string& path);

}  // namespace vxf::transfer
