// audio_census.h - the clusters the songs use, counted over their block runs, and the audio bitmap rebuilt from them.
#pragma once

#include <cstdint>
#include <functional>

#include "volume/bitmaps.h"
#include "core/server_state.h"

namespace vxfserver {

// Whether a song's record failed its checks (rather than a read failing).
bool isCorruptSongError(int32_t code);

// Bit words shaped like the audio bitmap's, every bit set at the start: a
// cluster whose bit is still set is claimed by no song counted so far.
struct ClusterCensus {
    uint32_t unclaimed[kAudioBitmapWords];
    uint32_t used;  // distinct clusters claimed
};
void startCensus(ClusterCensus& census);

// Claims the clusters of every block of the song's runs (each counted once).
void countSongClusters(ClusterCensus& census, const Song& song);

// Asked for a song slot whose record is corrupt; answers whether the census
// goes on (it then passes over the slot).
using CorruptSongSlot = std::function<bool(uint32_t songLba)>;

// Counts every song whose slot is set in the song bitmap, orphans included.
// Each record is read without becoming the current song, so that the open
// project, its primary song and the handle's remembered song stay as they
// are. A record that cannot be read ends the census with its error; one that
// is corrupt too, unless `onCorrupt` lets the census go on.
bool censusOfSongSlots(ClusterCensus& census, const CorruptSongSlot& onCorrupt = nullptr);

// The in-memory audio bitmap becomes exactly the claimed clusters, with the
// tail of the volume's cluster count set, and Available Clusters the rest.
// The caller writes both.
void installCensus(const ClusterCensus& census);

}  // namespace vxfserver
