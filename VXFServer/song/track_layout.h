// track_layout.h - stored tracks of a song, the size of its track blocks and how callers see them.
#pragma once

#include <cstdint>
#include <optional>

namespace vxfserver {

// An audio block is 1152 sectors on every volume this server reads: 384
// frames of 3 sectors, shared out among the stored tracks.
constexpr uint32_t kSectorsPerAudioBlock = 1152;
constexpr uint32_t kFramesPerAudioBlock = 384;
constexpr uint32_t kSectorsPerFrame = 3;
constexpr uint32_t kSamplesPerFrame = 512;
constexpr uint32_t kDriveSampleBytes = 3;
constexpr uint32_t kMaxStoredTracks = 24;
constexpr uint32_t kAudioBlockBytes = kSectorsPerAudioBlock * 512;
static_assert(kFramesPerAudioBlock * kSectorsPerFrame == kSectorsPerAudioBlock);
static_assert(kSamplesPerFrame * kDriveSampleBytes == kSectorsPerFrame * 512);

// The track block of one stored track within an audio block.
struct TrackBlockSize {
    uint32_t frames;
    uint32_t sectors;
    uint32_t samples;
    bool operator==(const TrackBlockSize&) const = default;
};

// The dimensions for T stored tracks; nothing when T is not one of the
// counts an audio block divides into (2, 4, 6, 8, 12, 16, 24).
std::optional<TrackBlockSize> trackBlockSizeFor(uint32_t storedTracks);

bool isKnownSampleRate(uint32_t rate);
// 88.2 and 96 kHz songs spread each caller track over two stored tracks.
bool isHighSampleRate(uint32_t rate);
uint32_t storedTracksPerCallerTrack(uint32_t rate);

// Whether a song of `callerTracks` tracks at `rate` may be created.
bool isCreatableLayout(uint32_t callerTracks, uint32_t rate);

}  // namespace vxfserver
