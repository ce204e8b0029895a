// lost_song_read.cpp - reading the tracks of one lost song, its overwritten clusters as silence, without reaching it.
#include "maintenance/lost_song_read.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/server_state.h"
#include "maintenance/lost_songs.h"
#include "song/current_song.h"
#include "song/track_read.h"

namespace vxfserver {

namespace {

// The lost song opened last, for the volume it was found on.
struct OpenLostSong {
    bool open = false;
    uint32_t driveId = 0;
    uint64_t mount = 0;
    uint32_t slot = 0;
    Song song{};
    std::vector<uint32_t> silentBlocks;  // song block indices whose cluster is overwritten
};

OpenLostSong g_lost;

bool keepLostSong(uint32_t slot) {
    g_lost = OpenLostSong{};
    LostSongSurvey survey;
    if (!surveyLostSongs(survey)) return false;
    const LostSong* lost = findLostSong(survey, slot);
    if (lost == nullptr) return fail(VXF_ERR_INVALID_PARAMETER);
    if (lost->state == LostState::Damaged) return fail(VXF_ERR_SONG_CORRUPT);
    g_lost = OpenLostSong{true, state().currentDriveId, state().mountGeneration, slot, lost->song,
                          overwrittenBlocks(*lost)};
    return true;
}

// The volume read afresh since (another program's change, a new mount): the song is found again.
bool requireLostSong() {
    if (!g_lost.open || g_lost.driveId != state().currentDriveId) return fail(VXF_ERR_NO_PRIMARY_SONG);
    return g_lost.mount == state().mountGeneration || keepLostSong(g_lost.slot);
}

// Caller samples [offset, offset + delivered) of one destination hold `r` stored tracks interleaved.
void silenceOverwritten(uint8_t* area, uint32_t offset, uint32_t delivered, uint32_t bytesPerSample) {
    const Song& song = g_lost.song;
    const uint64_t r = storedPerCallerTrack(song);
    const uint64_t first = offset / r;
    const uint64_t end = first + delivered / r;
    for (uint32_t q : g_lost.silentBlocks) {
        const uint64_t from = std::max<uint64_t>(first, uint64_t(q) * song.samplesPerTrackBlock);
        const uint64_t to = std::min<uint64_t>(end, uint64_t(q + 1) * song.samplesPerTrackBlock);
        if (from >= to) continue;
        std::memset(area + (from - first) * r * bytesPerSample, 0, size_t((to - from) * r * bytesPerSample));
    }
}

// Runs `read` with the lost song as the current song, and puts the current song back.
template <class Read>
bool onLostSong(Read&& read) {
    if (!requireMounted() || !requireLostSong()) return false;
    ServerState& st = state();
    const Song current = st.song;
    const SongPosition position = st.position;
    st.song = g_lost.song;
    invalidateTransferCache();
    const bool done = read();
    st.song = current;
    st.position = position;
    invalidateTransferCache();
    return done;
}

}  // namespace

bool openLostSong(uint32_t slot) { return requireMounted() && keepLostSong(slot); }

bool readLostTrack(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                   uint32_t byteOrder, void* buffer) {
    return onLostSong([&] {
        if (!readTrackOfSong(track, offset, count, samplesRead, bytesPerSample, byteOrder, buffer)) return false;
        silenceOverwritten(static_cast<uint8_t*>(buffer), offset, samplesRead, bytesPerSample);
        return true;
    });
}

bool readLostAllTracks(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                       uint32_t byteOrder, void* const* buffers) {
    return onLostSong([&] {
        if (!readAllTracksOfSong(offset, count, samplesRead, bytesPerSample, byteOrder, buffers)) return false;
        for (uint32_t c = 0; c < callerTrackCount(g_lost.song); ++c) {
            if (buffers[c] != nullptr) silenceOverwritten(static_cast<uint8_t*>(buffers[c]), offset, samplesRead, bytesPerSample);
        }
        return true;
    });
}

bool lostSongTransferSize(uint32_t& size) {
    return onLostSong([&] { return optimalTransferSize(size); });
}

}  // namespace vxfserver
