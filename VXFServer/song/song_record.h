// song_record.h - the song record: information block and block-run block, their encoding and defaults.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/server_state.h"

namespace vxfserver {

constexpr size_t kSongInfoBytes = 1024;      // Song Info Length (2) sectors
constexpr size_t kSongRunBlockBytes = 2560;  // Song BR Length (5) sectors
constexpr size_t kLocateNameWidth = 8;
constexpr uint32_t kWriteProtectBit = 0x04000000u;

// The record of a song (Song, in host order) is stored as an information
// block and a block-run block, each with its own magic and checksum.

// The contents of a new record at `lba` (runs block at `lba` + `infoSectors`):
// no audio, default names, locate points and tempo map. Track count, word
// length, rate and track-block dimensions are left 0 for the caller.
void initSongRecord(Song& song, uint32_t lba, uint32_t infoSectors);

// Encoding fills a zeroed block and stores its checksum (also into the record).
void encodeSongInfo(Song& song, uint8_t* block);
void encodeSongRuns(Song& song, uint8_t* block);
// Decoding applies the name rule to every name; only the first 64 runs are
// stored, the rest of the table is cleared.
void decodeSongInfo(const uint8_t* block, Song& song);
void decodeSongRuns(const uint8_t* block, Song& song);

// Whether either block of a record at `lba` carries its magic: a slot that
// ever held a song record does, a slot never written does not.
bool songBlocksBearMagic(const uint8_t* info, const uint8_t* runs, uint32_t lba, uint32_t infoSectors);

// Whether track count, rate and track-block dimensions agree with one
// another, so that they can size buffers and divide positions.
bool songLayoutIsSound(const Song& song);

}  // namespace vxfserver
