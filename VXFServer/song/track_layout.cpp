// track_layout.cpp - stored tracks of a song, the size of its track blocks and how callers see them.
#include "song/track_layout.h"

#include <algorithm>
#include <array>

namespace vxfserver {

namespace {
constexpr std::array<uint32_t, 7> kStoredTrackCounts{2, 4, 6, 8, 12, 16, 24};
constexpr std::array<uint32_t, 5> kCreatableAtBaseRate{2, 6, 8, 16, 24};
constexpr std::array<uint32_t, 4> kCreatableAtHighRate{2, 6, 8, 12};

template <size_t N>
bool listed(const std::array<uint32_t, N>& list, uint32_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}
}  // namespace

std::optional<TrackBlockSize> trackBlockSizeFor(uint32_t storedTracks) {
    if (!listed(kStoredTrackCounts, storedTracks)) return std::nullopt;
    uint32_t frames = kFramesPerAudioBlock / storedTracks;
    return TrackBlockSize{frames, frames * kSectorsPerFrame, frames * kSamplesPerFrame};
}

bool isKnownSampleRate(uint32_t rate) { return rate == 44100 || rate == 48000 || isHighSampleRate(rate); }

bool isHighSampleRate(uint32_t rate) { return rate == 88200 || rate == 96000; }

uint32_t storedTracksPerCallerTrack(uint32_t rate) { return isHighSampleRate(rate) ? 2 : 1; }

bool isCreatableLayout(uint32_t callerTracks, uint32_t rate) {
    if (!isKnownSampleRate(rate)) return false;
    return isHighSampleRate(rate) ? listed(kCreatableAtHighRate, callerTracks)
                                  : listed(kCreatableAtBaseRate, callerTracks);
}

}  // namespace vxfserver
