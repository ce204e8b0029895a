// song_record.cpp - the song record: information block and block-run block, their encoding and defaults.
#include "song/song_record.h"

#include <cstdio>
#include <cstring>

#include "core/names.h"
#include "core/record.h"
#include "song/track_layout.h"

namespace vxfserver {

namespace {

// Offsets in the information block.
constexpr size_t kInfoAudioBlocks = 0x000;
constexpr size_t kInfoPrivateAttributes = 0x004;
constexpr size_t kInfoFrames = 0x008;
constexpr size_t kInfoSectors = 0x00C;
constexpr size_t kInfoSamplesPerBlock = 0x010;
constexpr size_t kInfoName = 0x028;
constexpr size_t kInfoTracks = 0x032;
constexpr size_t kInfoWordLength = 0x034;
constexpr size_t kInfoSampleRate = 0x035;
constexpr size_t kInfoSamples = 0x038;
constexpr size_t kInfoAttributes = 0x03C;
constexpr size_t kInfoPitch = 0x040;
constexpr size_t kInfoTempoMapLocate = 0x045;
constexpr size_t kInfoLoopEnd = 0x046;
constexpr size_t kInfoLoopStart = 0x047;
constexpr size_t kInfoSlips = 0x058;
constexpr size_t kInfoLocates = 0x0B8;
constexpr size_t kLocateEntryBytes = 12;
constexpr size_t kInfoTempo = 0x1E4;
constexpr size_t kTempoEntryBytes = 8;
constexpr size_t kInfoExtName = 0x3B8;
constexpr size_t kInfoMagic = 0x3F8;
constexpr size_t kInfoChecksum = 0x3FC;
static_assert(kInfoLocates == kInfoSlips + kSongTracks * 4);
static_assert(kInfoTempo == kInfoLocates + kLocateEntries * kLocateEntryBytes);
static_assert(kInfoTempo + kTempoEntries * kTempoEntryBytes + 308 == kInfoExtName);
static_assert(kInfoExtName + 64 == kInfoMagic && kInfoChecksum + 4 == kSongInfoBytes);

// Offsets in the block-run block.
constexpr size_t kRunEntryBytes = 8;
constexpr size_t kRunMagic = 0x9F8;
constexpr size_t kRunChecksum = 0x9FC;
static_assert(kSongRunsStored * kRunEntryBytes + 2040 == kRunMagic && kRunChecksum + 4 == kSongRunBlockBytes);

constexpr const char* kSongDefaultName = "Song Name ";
constexpr const char* kSongDefaultExtName = "Song Name";
constexpr uint32_t kDefaultBpm = 120;

// Locate entries 1 to 20 are named LocNam01 to LocNam20.
void defaultLocateName(size_t index, char* name) {
    static const char* const kFixed[] = {" START  ", "PunchIn ", "PunchOut", "Edit In ", "Edit Out"};
    if (index == 0) {
        std::memcpy(name, kFixed[0], kLocateNameWidth + 1);
    } else if (index <= 20) {
        std::snprintf(name, kLocateNameWidth + 1, "LocNam%02u", unsigned(index));
    } else {
        std::memcpy(name, kFixed[index - 20], kLocateNameWidth + 1);
    }
}

uint32_t get24(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16); }
void put24(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
}

void decodeName(const uint8_t* src, char* out, size_t width) {
    unpackText(out, src, width);
    normalizeName(out, out, width);
}

}  // namespace

void initSongRecord(Song& song, uint32_t lba, uint32_t infoSectors) {
    song = Song{};
    song.lba = lba;
    normalizeName(song.name, kSongDefaultName, kShortNameWidth);
    normalizeName(song.extName, kSongDefaultExtName, kExtNameWidth);
    song.loopStart = 1;
    song.loopEnd = 2;
    song.tempoMapLocate = 1;
    for (size_t i = 0; i < kLocateEntries; ++i) defaultLocateName(i, song.locates[i].name);
    song.tempo[0] = TempoEntry{4, 4, 0, kDefaultBpm};
    song.infoMagic = magicOf(lba);
    song.brMagic = magicOf(lba + infoSectors);
}

void encodeSongInfo(Song& song, uint8_t* block) {
    std::memset(block, 0, kSongInfoBytes);
    putWord(block + kInfoAudioBlocks, song.audioBlocks);
    putWord(block + kInfoPrivateAttributes, song.privateAttributes);
    putWord(block + kInfoFrames, song.framesPerTrackBlock);
    putWord(block + kInfoSectors, song.sectorsPerTrackBlock);
    putWord(block + kInfoSamplesPerBlock, song.samplesPerTrackBlock);
    packText(block + kInfoName, song.name, kShortNameWidth);
    putHalf(block + kInfoTracks, song.tracks);
    block[kInfoWordLength] = song.wordLength;
    put24(block + kInfoSampleRate, song.sampleRate);
    putWord(block + kInfoSamples, song.samples);
    putWord(block + kInfoAttributes, song.attributes);
    putWord(block + kInfoPitch, song.pitch);
    block[kInfoTempoMapLocate] = song.tempoMapLocate;
    block[kInfoLoopEnd] = song.loopEnd;
    block[kInfoLoopStart] = song.loopStart;
    for (size_t i = 0; i < kSongTracks; ++i) putWord(block + kInfoSlips + 4 * i, uint32_t(song.slip[i]));
    for (size_t i = 0; i < kLocateEntries; ++i) {
        uint8_t* entry = block + kInfoLocates + kLocateEntryBytes * i;
        putWord(entry, song.locates[i].sample);
        packText(entry + 4, song.locates[i].name, kLocateNameWidth);
    }
    for (size_t i = 0; i < kTempoEntries; ++i) {
        uint8_t* entry = block + kInfoTempo + kTempoEntryBytes * i;
        entry[0] = song.tempo[i].beatDenominator;
        entry[1] = song.tempo[i].beatNumerator;
        putHalf(entry + 2, song.tempo[i].measure);
        putWord(entry + 4, song.tempo[i].bpm);
    }
    packText(block + kInfoExtName, song.extName, kExtNameWidth);
    putWord(block + kInfoMagic, song.infoMagic);
    storeChecksum(block, kSongInfoBytes);
    song.infoChecksum = getWord(block + kInfoChecksum);
}

void encodeSongRuns(Song& song, uint8_t* block) {
    std::memset(block, 0, kSongRunBlockBytes);
    for (size_t i = 0; i < kSongRunsStored; ++i) {
        putWord(block + kRunEntryBytes * i, song.runs[i].lba);
        putWord(block + kRunEntryBytes * i + 4, song.runs[i].length);
    }
    putWord(block + kRunMagic, song.brMagic);
    storeChecksum(block, kSongRunBlockBytes);
    song.brChecksum = getWord(block + kRunChecksum);
}

void decodeSongInfo(const uint8_t* block, Song& song) {
    song.audioBlocks = getWord(block + kInfoAudioBlocks);
    song.privateAttributes = getWord(block + kInfoPrivateAttributes);
    song.framesPerTrackBlock = getWord(block + kInfoFrames);
    song.sectorsPerTrackBlock = getWord(block + kInfoSectors);
    song.samplesPerTrackBlock = getWord(block + kInfoSamplesPerBlock);
    decodeName(block + kInfoName, song.name, kShortNameWidth);
    song.tracks = getHalf(block + kInfoTracks);
    song.wordLength = block[kInfoWordLength];
    song.sampleRate = get24(block + kInfoSampleRate);
    song.samples = getWord(block + kInfoSamples);
    song.attributes = getWord(block + kInfoAttributes);
    song.pitch = getWord(block + kInfoPitch);
    song.tempoMapLocate = block[kInfoTempoMapLocate];
    song.loopEnd = block[kInfoLoopEnd];
    song.loopStart = block[kInfoLoopStart];
    for (size_t i = 0; i < kSongTracks; ++i) song.slip[i] = int32_t(getWord(block + kInfoSlips + 4 * i));
    for (size_t i = 0; i < kLocateEntries; ++i) {
        const uint8_t* entry = block + kInfoLocates + kLocateEntryBytes * i;
        song.locates[i].sample = getWord(entry);
        decodeName(entry + 4, song.locates[i].name, kLocateNameWidth);
    }
    for (size_t i = 0; i < kTempoEntries; ++i) {
        const uint8_t* entry = block + kInfoTempo + kTempoEntryBytes * i;
        song.tempo[i] = TempoEntry{entry[0], entry[1], getHalf(entry + 2), getWord(entry + 4)};
    }
    decodeName(block + kInfoExtName, song.extName, kExtNameWidth);
    song.infoMagic = getWord(block + kInfoMagic);
    song.infoChecksum = getWord(block + kInfoChecksum);
}

void decodeSongRuns(const uint8_t* block, Song& song) {
    for (BlockRun& run : song.runs) run = BlockRun{};
    for (size_t i = 0; i < kSongRunsStored; ++i) {
        song.runs[i] = BlockRun{getWord(block + kRunEntryBytes * i), getWord(block + kRunEntryBytes * i + 4)};
    }
    song.brMagic = getWord(block + kRunMagic);
    song.brChecksum = getWord(block + kRunChecksum);
}

bool songBlocksBearMagic(const uint8_t* info, const uint8_t* runs, uint32_t lba, uint32_t infoSectors) {
    return getWord(info + kInfoMagic) == magicOf(lba) || getWord(runs + kRunMagic) == magicOf(lba + infoSectors);
}

bool songLayoutIsSound(const Song& song) {
    auto size = trackBlockSizeFor(song.tracks);
    if (!size || !isKnownSampleRate(song.sampleRate)) return false;
    return song.framesPerTrackBlock == size->frames && song.sectorsPerTrackBlock == size->sectors &&
           song.samplesPerTrackBlock == size->samples;
}

}  // namespace vxfserver
