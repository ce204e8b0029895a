// session_metadata.h - what a song holds beyond its samples, in the plain form the files we write carry it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vxf::transfer {

constexpr size_t kLocatePoints = 25;
constexpr size_t kTempoEntries = 20;
constexpr size_t kStoredTracks = 24;

struct LocatePoint {
    uint32_t sample = 0;
    std::string name;  // 8 characters as the drive keeps them
};

struct TempoMark {
    uint16_t measure = 0;
    uint8_t beatNumerator = 0;
    uint8_t beatDenominator = 0;
    uint32_t bpm = 0;
    bool used() const { return measure != 0 || beatNumerator != 0 || beatDenominator != 0 || bpm != 0; }
};

// The song and where it comes from. Names are as the server gives them; texts from the drive are not trusted
// to be printable and are cleaned where a file format needs it.
struct SessionMetadata {
    std::string drive;    // the drive's description
    std::string project;  // the project's name
    std::string song;     // the song's name (extended on "1.10 " volumes)
    uint32_t songHandle = 0;
    uint32_t sampleRate = 0;
    uint16_t wordLength = 24;
    uint16_t trackCount = 0;  // caller tracks
    uint32_t length = 0;      // samples per track
    std::array<LocatePoint, kLocatePoints> locates{};
    uint8_t loopStart = 1;
    uint8_t loopEnd = 2;
    uint8_t tempoMapLocate = 1;
    std::array<TempoMark, kTempoEntries> tempo{};
    uint32_t pitch = 0;
    uint8_t storedTracksPerTrack = 1;
    std::array<int32_t, kStoredTracks> slip{};  // by stored track

    // A point is on the timeline when it is set (not at 0) and within the song; the start point always is.
    bool onTimeline(size_t locate) const;
    // The loop, when both its points are set, within the song and in order.
    bool hasLoop() const;
    // The slip values of caller track `track` (from 0): one, or two at 88.2 and 96 kHz.
    std::array<int32_t, 2> slipsOf(uint16_t track) const;
    // Unique per song: the song's handle and a hash of where it lies and what it is called; at most 32 characters.
    std::string originatorReference() const;
};

// Texts from the drive as plain printable ASCII: other bytes become '?'; outer blanks are dropped.
std::string printableText(const std::string& text);

}  // namespace vxf::transfer
