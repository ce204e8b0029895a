// song_commit.h - a growing song's records written in batches while this program holds its drive.
#pragma once

#include <cstdint>

namespace vxfserver {

// Audio written between two commits at most: what a power cut may take of an
// import in progress (about ten seconds of 24 tracks). Everything committed
// before stays whole.
constexpr uint64_t kCommitAudioBytes = 32ull << 20;

// Whether the records that end a track write (audio bitmap, super block, song
// record) may wait for a commit: only while this program holds the drive, so
// no other program can see the drive ahead of its records.
bool songWritesMayWait();

// A track write of the current song ended with its records waiting; it wrote
// `audioBytes` of audio. Commits when enough audio waits.
bool deferSongWrite(uint64_t audioBytes);

// Whether records of this drive's song wait for a commit.
bool songWritesWaitFor(uint32_t driveId, uint32_t songLba);
bool songWritesWait();

// Writes what waits, in the order a single track write writes it: the audio
// reaches the medium, then the audio bitmap and the super block, then the song
// record. A failure leaves the drive as the last commit left it and forgets
// what is loaded of it, so nothing goes on from a view the drive does not hold.
bool commitSongWrites();

// Everything a hold left waiting: the song's records as above, then the
// bookkeeping of its selections (last project, last song).
bool commitHeldWrites();

// True once after an export whose track write left its records waiting: its
// audio goes to the medium with the commit, not at the end of the export.
bool takeExportDeferred();

}  // namespace vxfserver
