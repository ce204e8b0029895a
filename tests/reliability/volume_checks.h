// volume_checks.h - what a test reads back from a mounted volume: every song's audio, and every way the volume disagrees with itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxf::reliability {

using Bytes = std::vector<uint8_t>;

// A song as callers see it: where its record lies, and the samples of each of
// its tracks (3 bytes a sample, least significant first) over its whole length.
struct StoredSong {
    uint32_t lba = 0;
    uint16_t project = 0;  // index in the project list
    uint16_t index = 0;    // index in the project's song list
    uint32_t length = 0;
    std::vector<Bytes> tracks;
};

// Every song of every listed project, in list order, through the exports.
// Songs and projects that do not load are left out and named in `problems`.
std::vector<StoredSong> readAllSongs(uint32_t handle, std::vector<std::string>& problems);

// Whether `after` holds `before`'s samples: all of them, or only the first
// before.length of each track (a song that grew).
bool sameAudio(const StoredSong& before, const StoredSong& after, bool prefixOnly);

// Every disagreement of the mounted volume with itself, one line each:
// projects or songs that do not load or are listed twice, song slots in use
// that no project lists (or listed songs whose slot is free), a wrong song
// count, block runs outside the audio space or disagreeing with the block
// count, clusters shared by two songs, clusters in use marked free or
// marked in use by no song, and a free count that is not the number of free
// clusters. Makes each song current in turn.
std::vector<std::string> consistencyProblems(uint32_t handle);

// Only what can lose audio: a cluster of a song marked free (the next
// growing song would be given it) or shared by two songs.
std::vector<std::string> safetyProblems(uint32_t handle);

}  // namespace vxf::reliability
