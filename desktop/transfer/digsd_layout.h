// digsd_layout.h - the 1336-byte DIG/SD header: building, parsing, writing and finishing.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "audio_stream.h"

namespace vxf::transfer {

constexpr size_t kDigSdHeaderSize = 1336;
constexpr size_t kDigSdMaxNameBytes = 97;   // the name runs from 255 up to the next field at 352

using DigSdHeader = std::array<uint8_t, kDigSdHeaderSize>;

DigSdHeader buildDigSdHeader(const std::string& name, uint32_t sampleRate, uint16_t wordLength,
                             uint32_t dataLength);

// Each gives AUDIO_OK or an AUDIO_ERR_* code.
int readDigSdHeader(AudioStream& stream);
int writeDigSdHeader(AudioStream& stream);
int finishDigSd(AudioStream& stream);

}  // namespace vxf::transfer
