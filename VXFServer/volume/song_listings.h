// song_listings.h - where each song is listed: every listed project's record read, a song listed twice found.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace vxfserver {

struct Listing {
    uint32_t project;   // record LBA of a listed project
    uint32_t position;  // index in its song list
};

// The listings of every song in the projects of the project list, in list
// order and song order; a project whose record is corrupt is passed over (its
// songs are found by the scan's recovery). A read failure is the error.
using SongListings = std::map<uint32_t, std::vector<Listing>>;
bool collectListings(SongListings& listings);

// How many times the listed projects list the song at `lba`.
bool countListings(uint32_t lba, uint32_t& count);

// Keeps each song in one list only: of several listings, the one in the
// project the list names as the last opened (where an interrupted move to
// another project was heading), else the first. The other listings are
// removed and their projects written; `removed` counts them.
bool keepOneListingPerSong(uint32_t& removed);

}  // namespace vxfserver
