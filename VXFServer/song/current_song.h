// current_song.h - the current song: loading its record with repair, saving it, and what song operations check first.
#pragma once


#include <cstdint>

#include "core/server_state.h"

namespace vxfserver {

// Reads both blocks of the song record at `lba`, each from both copies with
// repair, into `song` without making it current. An LBA that is no song
// slot's record is VXF_ERR_SONG_CORRUPT, and nothing is read or written. A record whose track
// layout or block runs cannot be used (runs outside the audio space) is
// VXF_ERR_SONG_CORRUPT: its values would size buffers and address the drive.
bool readSongRecord(uint32_t lba, Song& song);
// The same without the checks of its values: only for mending them.
bool readSongRecordAsStored(uint32_t lba, Song& song);
// The scan's reading: a record whose only fault is runs reaching outside the
// audio space (into the system area, past the drive's end) loads with those
// runs cut to the audio space or dropped; `dropped` counts the runs changed.
bool readSongRecordDroppingStrayRuns(uint32_t lba, Song& song, uint32_t& dropped);

// Writes the current song's record: information block, then block runs,
// each to both copies.
bool saveSong();
// The same for a song record that is not the current song.
bool saveSongRecord(Song& song);

// Whether every run in use starts on an audio block of the audio space and
// ends inside its clusters.
bool runsLieInAudioSpace(const Song& song);

// Fails with VXF_ERR_NO_PRIMARY_SONG when no song is current.
bool requireCurrentSong();
// Mounted volume, open project and current song, checked in this order.
bool requireSongContext();
// The same for operations that change the current song: the song first.
bool requireSongChange();

// Whether the open project lists the song at `lba`.
bool openProjectListsSong(uint32_t lba);

// What callers see: at 88.2 and 96 kHz one caller track is two stored tracks
// holding alternate samples.
uint32_t storedPerCallerTrack(const Song& song);
uint16_t callerTrackCount(const Song& song);
uint32_t callerLength(const Song& song);
uint32_t allocatedKiB(const Song& song);
bool isWriteProtected(const Song& song);

// Whether the block runs agree with Number of Audio Blocks: every run in use
// holds blocks and their sum is the count. Songs written by the recorder may
// disagree until the drive's song check mends them; they are not grown.
bool runsAgreeWithCount(const Song& song);


}  // namespace vxfserver
