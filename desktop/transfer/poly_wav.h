// poly_wav.h - one WAV file of many channels (WAVE_FORMAT_EXTENSIBLE, channel mask 0), that becomes RF64 with
// its ds64 chunk when it grows past what RIFF's 32-bit sizes describe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "binary_file.h"
#include "bwf_chunks.h"

namespace vxf::transfer {

class PolyWavFile {
public:
    // Creates the file (a replacement takes the old one's place only at finish) with `chunks` (bext, cue, iXML)
    // before the data. Samples are 16 or 24 bits.
    bool create(const std::string& path, uint16_t channels, uint32_t sampleRate, uint16_t bits,
                const ChunkBytes& chunks);
    // Appends `frames` frames; `channels[c]` holds channel c as 24-bit little-endian samples (3 bytes each),
    // which a 16-bit file rounds as the mono export does. The buffers are changed.
    bool writeFrames(const std::vector<uint8_t*>& channels, uint32_t frames);
    // Fills in the sizes (RF64 past the limit) and closes; a replacement then takes the old file's place.
    bool finish();
    // Closes a file that stopped part way: a new one is finished, a replacement dropped.
    bool abandon();
    bool isReplacement() const { return file_.isReplacement(); }
    bool isRf64() const { return rf64_; }

private:
    BinaryFile file_;
    uint16_t channels_ = 0;
    uint16_t bytes_ = 3;
    uint64_t dataSizeOffset_ = 0;
    uint64_t frames_ = 0;
    uint64_t dataBytes_ = 0;
    bool rf64_ = false;
    std::vector<uint8_t> interleaved_;
};

// The largest RIFF size a plain WAV is finished with; past it the file becomes RF64. Tests lower it to check the
// switch without writing 4 GiB; 0 sets it back.
void setRf64ThresholdForTesting(uint64_t riffBytes);

}  // namespace vxf::transfer
