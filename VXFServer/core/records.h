// records.h - the volume's on-disk records as the server holds them in memory, in host order: every wing includes these.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxfserver {

// --- super block ---

// Where the format puts everything; a mounted volume reads its own values
// from the super block instead.
namespace layout {
constexpr uint32_t kSuperBlockLba = 0;
constexpr uint32_t kProjectListLba = 1;
constexpr uint16_t kProjectListLength = 1;
constexpr uint32_t kSongBitmapLba = 2;
constexpr uint16_t kSongBitmapLength = 3;
constexpr uint32_t kAudioBitmapLba = 5;
constexpr uint16_t kAudioBitmapLength = 15;
constexpr uint32_t kProjectLba = 20;
constexpr uint16_t kProjectLength = 1;
constexpr uint32_t kMaxProjects = 99;
constexpr uint32_t kSongsPerProject = 99;
constexpr uint32_t kSongLba = 119;
constexpr uint16_t kSongInfoLength = 2;
constexpr uint16_t kSongBrLength = 5;
constexpr uint16_t kSongLength = 7;
constexpr uint32_t kMaxSongs = 9801;
constexpr uint32_t kEditSpaceLba = 68726;
constexpr uint32_t kEditSpaceLength = 1215360;
constexpr uint32_t kAudioBlocksPerEditSpace = 1055;
constexpr uint32_t kAudioSpaceLba = 1284086;
// System area, edit space and the mirror area: what the audio space is not.
constexpr uint32_t kLayoutOverhead = 1352812;
constexpr uint32_t kSectorsPerAudioBlock = 1152;
constexpr uint32_t kValidWord = 0x55AACC33u;
// Bits the in-memory bitmaps can hold.
constexpr uint32_t kAudioBitmapBits = 61376;
constexpr uint32_t kSongBitmapBits = 12224;
}  // namespace layout

constexpr uint16_t kBootSignature = 0xAA55;
constexpr char kTag[] = "TAVO VXF";
constexpr char kVersion100[] = "1.00 ";
constexpr char kVersion110[] = "1.10 ";
constexpr char kVersion030a[] = "0.30a";

struct SuperBlock {
    char tag[9];
    char version[6];  // five characters, the point re-inserted as the second
    uint32_t validWord;
    uint32_t sectorsPerAudioBlock;
    uint32_t audioBlocksPerCluster;
    uint32_t projectListLba;
    uint16_t projectListLength;
    uint32_t songBitmapLba;
    uint16_t songBitmapLength;
    uint32_t audioBitmapLba;
    uint16_t audioBitmapLength;
    uint32_t audioBitmapActiveWords;
    uint32_t availableClusters;
    uint32_t projectLba;
    uint16_t projectLength;
    uint32_t maxProjects;
    uint32_t songsPerProject;
    uint32_t songLba;
    uint16_t songInfoLength;
    uint16_t songBrLength;
    uint16_t songLength;
    uint32_t currentSongs;
    uint32_t maxSongs;
    uint32_t editSpaceLba;
    uint32_t editSpaceLength;
    uint32_t audioBlocksPerEditSpace;
    uint32_t audioSpaceLba;
    uint32_t audioSpaceLength;
    uint32_t driveLastLba;
    uint32_t magic;
    uint32_t checksum;
};

// --- project list ---

constexpr uint32_t kMaxProjectHandles = 99;

struct ProjectList {
    char shortName[11];
    char extName[65];
    uint16_t count;
    uint32_t lastProjectHandle;
    uint32_t handles[kMaxProjectHandles];
    uint32_t magic;     // as last read or written
    uint32_t checksum;  // as last read or written
};

// --- audio and song bitmaps ---

// Set bits are in use or do not exist; the word after the bit words holds
// the magic, the last word the checksum.
constexpr size_t kAudioBitmapWords = 1920;
constexpr size_t kAudioBitmapBitWords = 1918;
constexpr size_t kSongBitmapWords = 384;
constexpr size_t kSongBitmapBitWords = 382;

struct AudioBitmap {
    uint32_t words[kAudioBitmapWords];
};
struct SongBitmap {
    uint32_t words[kSongBitmapWords];
};

// A stretch of audio blocks: the first LBA and the number of blocks.
struct BlockRun {
    uint32_t lba;
    uint32_t length;
};

// --- project records ---

constexpr uint32_t kMaxSongHandles = 99;

struct ProjectRecord {
    char shortName[11];
    char extName[65];
    uint32_t songCount;
    uint32_t lastSongHandle;  // the primary song; 0 when none
    uint32_t songs[kMaxSongHandles];
    uint32_t magic;
    uint32_t checksum;
};

// --- song records ---

constexpr size_t kSongRunsInMemory = 312;
constexpr size_t kSongRunsStored = 64;
constexpr size_t kSongTracks = 24;
constexpr size_t kLocateEntries = 25;
constexpr size_t kTempoEntries = 20;

struct LocateEntry {
    uint32_t sample;
    char name[9];
};

struct TempoEntry {
    uint8_t beatDenominator;
    uint8_t beatNumerator;
    uint16_t measure;
    uint32_t bpm;
};

struct Song {
    uint32_t lba;  // record LBA; 0 = no song current
    // private section
    uint32_t audioBlocks;
    uint32_t privateAttributes;
    uint32_t framesPerTrackBlock;
    uint32_t sectorsPerTrackBlock;
    uint32_t samplesPerTrackBlock;
    // public section
    char name[11];
    char extName[65];
    uint16_t tracks;  // stored tracks
    uint8_t wordLength;
    uint32_t sampleRate;
    uint32_t samples;  // per stored track
    uint32_t attributes;
    uint32_t pitch;
    uint8_t tempoMapLocate;
    uint8_t loopEnd;
    uint8_t loopStart;
    int32_t slip[kSongTracks];
    LocateEntry locates[kLocateEntries];
    TempoEntry tempo[kTempoEntries];
    uint32_t infoMagic;
    uint32_t infoChecksum;
    // block runs, in song order; the first LBA 0 ends the list
    BlockRun runs[kSongRunsInMemory];
    uint32_t brMagic;
    uint32_t brChecksum;
};

}  // namespace vxfserver
