// cluster_claims.h - which clusters the songs claim, so that a write never lands in another song's audio.
#pragma once

namespace vxfserver {

// Before the current song's audio is written. The first time after a mount,
// every song's runs are counted (the slots set in the song bitmap and the
// songs the lists name); a cluster a song claims is then marked in use in
// memory even where a damaged audio bitmap says it is free, so that no
// growing song is granted it (the bitmap on the drive follows with the next
// write of it). Fails with VXF_ERR_SONG_CORRUPT, before anything is written,
// when a cluster of the current song is claimed by another song too, or a
// block of it twice by the song itself: the scan gives each its own copy.
bool guardSongWrite();

// The count no longer holds: the volume was formatted anew, or a song gave
// its clusters back (a new mount is noticed by itself).
void forgetClusterClaims();

}  // namespace vxfserver
