// song_time_text.cpp - a song's length as both front ends show it.
#include "song_time_text.h"

#include <cstdio>

namespace vxf::transfer {

std::string songTimeText(uint32_t samples, uint32_t rate) {
    const uint32_t frame = rate / 30;
    if (frame == 0) return "invalid SR";
    const uint32_t seconds = samples / rate;
    const uint32_t rest = samples % rate;
    // Frames round to the nearest thirtieth and are not carried into the seconds.
    const uint32_t frames = (rest + frame / 2) / frame;
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u:%02u", seconds / 3600, (seconds / 60) % 60, seconds % 60, frames);
    return text;
}

}  // namespace vxf::transfer
