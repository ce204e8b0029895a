// song_time_text.h - a song's length as both front ends show it.
#pragma once

#include <cstdint>
#include <string>

namespace vxf::transfer {

// "%02d:%02d:%02d:%02d" hours, minutes, seconds and thirtieths of a second of a length in
// samples; "invalid SR" for a rate too small to hold a frame.
std::string songTimeText(uint32_t samples, uint32_t rate);

}  // namespace vxf::transfer
