// cluster_claims.cpp - which clusters the songs claim, so that a write never lands in another song's audio.
#include "song/cluster_claims.h"

#include <cstdint>
#include <set>
#include <vector>

#include "volume/bitmaps.h"
#include "song/block_runs.h"
#include "song/current_song.h"
#include "core/errors.h"
#include "core/record.h"
#include "core/server_state.h"
#include "volume/song_listings.h"
#include "volume/super_block.h"
#include "song/track_layout.h"

namespace vxfserver {

namespace {

struct Claims {
    bool counted = false;
    uint64_t mount = 0;  // the mount the count was taken of
    std::vector<uint8_t> songs;  // per cluster: how many songs claim it (2 means two or more)
    uint32_t clearedSong = 0;    // the song found to own its clusters alone since the count
};

Claims g_claims;

// Every cluster of the song once, and whether it claims one of its blocks twice.
std::set<uint32_t> clustersOf(const Song& song, bool& blockTwice) {
    std::set<uint32_t> clusters;
    std::set<uint32_t> blocks;
    blockTwice = false;
    for (size_t r = 0, n = runsInUse(song.runs); r < n; ++r) {
        for (uint32_t b = 0; b < song.runs[r].length; ++b) {
            const uint32_t lba = song.runs[r].lba + b * kSectorsPerAudioBlock;
            uint32_t k = 0;
            if (!clusterOfLba(lba, k)) continue;
            clusters.insert(k);
            blockTwice = !blocks.insert(lba).second || blockTwice;
        }
    }
    return clusters;
}

void countSong(const Song& song) {
    bool twice = false;
    for (uint32_t k : clustersOf(song, twice)) {
        if (k < g_claims.songs.size() && g_claims.songs[k] < 2) ++g_claims.songs[k];
    }
}

// The songs of the slots in use and of the lists; a record that does not
// load claims nothing here (the scan deals with it).
bool countClaims() {
    const SuperBlock& sb = state().superBlock;
    g_claims = Claims{};
    g_claims.songs.assign(totalClusters(sb), 0);
    std::set<uint32_t> songs;
    const uint32_t* slots = state().songBitmap.words;
    for (uint32_t b = nextSongSlotSet(slots, 0); b != kNoSongSlot; b = nextSongSlotSet(slots, b + 1)) {
        songs.insert(sb.songLba + b * sb.songLength);
    }
    SongListings listings;
    if (!collectListings(listings)) return false;
    for (const auto& listed : listings) songs.insert(listed.first);
    Song song;
    for (uint32_t lba : songs) {
        if (readSongRecord(lba, song)) {
            countSong(song);
        } else if (lastError() == VXF_ERR_DISK_READ) {
            return false;
        }
    }
    setLastError(VXF_OK);
    g_claims.counted = true;
    g_claims.mount = state().mountGeneration;
    return true;
}

// A cluster a song claims is in use, whatever a damaged bitmap says.
void markClaimedClusters() {
    ServerState& st = state();
    for (uint32_t k = 0; k < g_claims.songs.size(); ++k) {
        uint32_t& word = st.audioBitmap.words[k / 32];
        const uint32_t bit = 1u << (k % 32);
        if (g_claims.songs[k] == 0 || (word & bit) != 0) continue;
        word |= bit;
        if (st.superBlock.availableClusters > 0) st.superBlock.availableClusters -= 1;
        setFlag(kFlagAudioBitmapChanged | kFlagSuperBlockChanged);
    }
}

}  // namespace

bool guardSongWrite() {
    const Song& song = state().song;
    if (!g_claims.counted || g_claims.mount != state().mountGeneration) {
        if (!countClaims()) return false;
        markClaimedClusters();
    }
    if (g_claims.clearedSong == song.lba && song.lba != 0) return true;
    bool blockTwice = false;
    for (uint32_t k : clustersOf(song, blockTwice)) {
        if (k < g_claims.songs.size() && g_claims.songs[k] > 1) return fail(VXF_ERR_SONG_CORRUPT);
    }
    if (blockTwice) return fail(VXF_ERR_SONG_CORRUPT);
    g_claims.clearedSong = song.lba;
    return true;
}

void forgetClusterClaims() { g_claims = Claims{}; }

}  // namespace vxfserver
