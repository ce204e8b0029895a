// session_metadata.cpp - what a song holds beyond its samples: which points reach the files, and its reference.
#include "session_metadata.h"

#include <cstdio>

namespace vxf::transfer {

bool SessionMetadata::onTimeline(size_t locate) const {
    if (locate >= kLocatePoints) return false;
    const uint32_t sample = locates[locate].sample;
    return (locate == 0 || sample != 0) && sample <= length;
}

bool SessionMetadata::hasLoop() const {
    return loopStart < kLocatePoints && loopEnd < kLocatePoints && onTimeline(loopStart) && onTimeline(loopEnd) &&
           locates[loopStart].sample < locates[loopEnd].sample;
}

std::array<int32_t, 2> SessionMetadata::slipsOf(uint16_t track) const {
    const size_t per = storedTracksPerTrack == 2 ? 2 : 1;
    const size_t first = size_t(track) * per;
    std::array<int32_t, 2> values{};
    for (size_t i = 0; i < per && first + i < kStoredTracks; ++i) values[i] = slip[first + i];
    return values;
}

std::string SessionMetadata::originatorReference() const {
    // FNV-1a: stable across builds and machines, which std::hash is not.
    uint64_t hash = 0xcbf29ce484222325ull;
    const auto mix = [&hash](const std::string& text) {
        for (unsigned char c : text + '\n') hash = (hash ^ c) * 0x100000001b3ull;
    };
    mix(drive);
    mix(project);
    mix(song);
    mix(std::to_string(songHandle));
    char text[40];
    std::snprintf(text, sizeof text, "VXF%08X-%016llX", songHandle, static_cast<unsigned long long>(hash));
    return text;
}

std::string printableText(const std::string& text) {
    std::string out;
    for (unsigned char c : text) out += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

}  // namespace vxf::transfer
