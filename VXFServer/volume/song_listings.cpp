// song_listings.cpp - where each song is listed: every listed project's record read, a song listed twice found.
#include "volume/song_listings.h"

#include <algorithm>
#include <set>

#include "core/errors.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "core/record_io.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

// The listing that stays of a song listed more than once.
size_t keptListing(const std::vector<Listing>& listings) {
    const uint32_t lastOpened = state().projectList.lastProjectHandle;
    for (size_t i = 0; i < listings.size(); ++i) {
        if (listings[i].project == lastOpened) return i;
    }
    return 0;
}

bool removeFromProject(uint32_t project, std::vector<uint32_t> positions) {
    ProjectRecord record{};
    if (!readProjectRecord(project, record)) return false;
    std::sort(positions.rbegin(), positions.rend());
    for (uint32_t position : positions) {
        if (position >= record.songCount) continue;
        std::copy(record.songs + position + 1, record.songs + record.songCount, record.songs + position);
        record.songs[--record.songCount] = 0;
    }
    uint8_t sector[kSectorSize];
    encodeProjectRecord(record, sector);
    return writeRecordCopies(project, 1, sector);
}

}  // namespace

bool collectListings(SongListings& listings) {
    listings.clear();
    const ProjectList& list = state().projectList;
    std::set<uint32_t> seen;
    for (uint32_t i = 0; i < list.count && i < kMaxProjectHandles; ++i) {
        // A project the list names twice lists its songs once.
        if (!seen.insert(list.handles[i]).second) continue;
        ProjectRecord record{};
        if (!readProjectRecord(list.handles[i], record)) {
            if (isCorruptProjectError(lastError())) continue;
            return false;
        }
        for (uint32_t s = 0; s < record.songCount && s < kMaxSongHandles; ++s) {
            listings[record.songs[s]].push_back(Listing{list.handles[i], s});
        }
    }
    return true;
}

bool countListings(uint32_t lba, uint32_t& count) {
    SongListings listings;
    if (!collectListings(listings)) return false;
    const auto found = listings.find(lba);
    count = found == listings.end() ? 0 : uint32_t(found->second.size());
    return true;
}

bool keepOneListingPerSong(uint32_t& removed) {
    removed = 0;
    SongListings listings;
    if (!collectListings(listings)) return false;
    std::map<uint32_t, std::vector<uint32_t>> dropped;  // project -> positions
    for (const auto& [song, places] : listings) {
        if (places.size() < 2) continue;
        const size_t kept = keptListing(places);
        for (size_t i = 0; i < places.size(); ++i) {
            if (i != kept) dropped[places[i].project].push_back(places[i].position);
        }
        removed += uint32_t(places.size() - 1);
    }
    for (const auto& [project, positions] : dropped) {
        if (!removeFromProject(project, positions)) return false;
    }
    return true;
}

}  // namespace vxfserver
