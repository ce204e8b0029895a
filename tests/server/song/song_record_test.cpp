// song_record_test.cpp - byte layout of the song information and block-run blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/names.h"
#include "core/record.h"
#include "song/song_record.h"

using namespace vxfserver;

namespace {
constexpr uint32_t kLba = 119 + 7 * 3;

Song freshSong() {
    Song song;
    initSongRecord(song, kLba, 2);
    return song;
}
}  // namespace

TEST(SongDefaults, NewSongCarriesTheRecordersDefaults) {
    Song song = freshSong();
    EXPECT_STREQ(song.name, "Song Name ");
    EXPECT_STREQ(song.extName, "Song Name");
    EXPECT_EQ(song.loopStart, 1);
    EXPECT_EQ(song.loopEnd, 2);
    EXPECT_EQ(song.tempoMapLocate, 1);
    EXPECT_STREQ(song.locates[0].name, " START  ");
    EXPECT_STREQ(song.locates[5].name, "LocNam05");
    EXPECT_STREQ(song.locates[20].name, "LocNam20");
    EXPECT_STREQ(song.locates[21].name, "PunchIn ");
    EXPECT_STREQ(song.locates[22].name, "PunchOut");
    EXPECT_STREQ(song.locates[23].name, "Edit In ");
    EXPECT_STREQ(song.locates[24].name, "Edit Out");
    EXPECT_EQ(song.tempo[0].beatNumerator, 4);
    EXPECT_EQ(song.tempo[0].beatDenominator, 4);
    EXPECT_EQ(song.tempo[0].bpm, 120u);
    EXPECT_EQ(song.tempo[1].bpm, 0u);
    EXPECT_EQ(song.infoMagic, magicOf(kLba));
    EXPECT_EQ(song.brMagic, magicOf(kLba + 2));
}

TEST(SongLayout, FieldsLieAtTheirOffsets) {
    Song song = freshSong();
    song.audioBlocks = 0x01020304;
    song.tracks = 24;
    song.wordLength = 24;
    song.sampleRate = 96000;
    song.samples = 0xA1B2C3D4;
    song.attributes = kWriteProtectBit;
    song.slip[23] = -2;
    song.locates[24].sample = 77;
    std::vector<uint8_t> block(kSongInfoBytes);
    encodeSongInfo(song, block.data());
    EXPECT_EQ(getWord(&block[0]), 0x01020304u);
    EXPECT_EQ(getHalf(&block[0x32]), 24);
    EXPECT_EQ(block[0x34], 24);
    // 96000 = 0x017700 in exactly the three bytes 0x35..0x37.
    EXPECT_EQ(block[0x35], 0x00);
    EXPECT_EQ(block[0x36], 0x77);
    EXPECT_EQ(block[0x37], 0x01);
    EXPECT_EQ(getWord(&block[0x38]), 0xA1B2C3D4u);
    EXPECT_EQ(getWord(&block[0x3C]), kWriteProtectBit);
    EXPECT_EQ(block[0x45], 1);
    EXPECT_EQ(block[0x46], 2);
    EXPECT_EQ(block[0x47], 1);
    EXPECT_EQ(getWord(&block[0x58 + 23 * 4]), 0xFFFFFFFEu);
    EXPECT_EQ(getWord(&block[0xB8 + 24 * 12]), 77u);
    // Names: groups of four characters reversed, the last pair reversed.
    EXPECT_EQ(std::memcmp(&block[0x28], "gnoSmaN  e", 10), 0);
    EXPECT_EQ(std::memcmp(&block[0xB8 + 4], "ATS   TR", 8), 0);
    EXPECT_EQ(block[0x1E4], 4);
    EXPECT_EQ(block[0x1E5], 4);
    EXPECT_EQ(getWord(&block[0x1E4 + 4]), 120u);
    EXPECT_EQ(std::memcmp(&block[0x3B8], "gnoSmaN \0\0\0e\0", 13), 0);
    EXPECT_EQ(getWord(&block[0x3F8]), magicOf(kLba));
    EXPECT_TRUE(checksumMatches(block.data(), kSongInfoBytes));
}

TEST(SongLayout, OnlySixtyFourRunsAreStoredAndReadBack) {
    Song song = freshSong();
    for (uint32_t i = 0; i < 70; ++i) song.runs[i] = {1000000 + i * 2304, i + 1};
    std::vector<uint8_t> block(kSongRunBlockBytes);
    encodeSongRuns(song, block.data());
    EXPECT_EQ(getWord(&block[63 * 8]), 1000000u + 63 * 2304);
    EXPECT_EQ(getWord(&block[63 * 8 + 4]), 64u);
    for (size_t i = 0x200; i < 0x9F8; ++i) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(getWord(&block[0x9F8]), magicOf(kLba + 2));
    EXPECT_TRUE(checksumMatches(block.data(), kSongRunBlockBytes));
    Song back{};
    decodeSongRuns(block.data(), back);
    EXPECT_EQ(back.runs[63].length, 64u);
    EXPECT_EQ(back.runs[64].lba, 0u);
    EXPECT_EQ(back.brMagic, magicOf(kLba + 2));
}

TEST(SongNames, DecodingAppliesTheNameRule) {
    Song song = freshSong();
    std::vector<uint8_t> block(kSongInfoBytes);
    encodeSongInfo(song, block.data());
    packText(&block[0x28], "Take-1!", 10);
    packText(&block[0x3B8], "Mix/1  ", 64);
    packText(&block[0xB8 + 4], "A\x01" "B", 8);
    Song back{};
    decodeSongInfo(block.data(), back);
    EXPECT_STREQ(back.name, "Take 1    ");
    EXPECT_STREQ(back.extName, "Mix 1");
    EXPECT_STREQ(back.locates[0].name, "A B     ");
}

TEST(SongNames, EveryByteValueInANameStaysInsideTheField) {
    Song song = freshSong();
    std::vector<uint8_t> block(kSongInfoBytes);
    encodeSongInfo(song, block.data());
    for (int value = 0; value < 256; ++value) {
        std::memset(&block[0x28], value, 10);
        std::memset(&block[0x3B8], value, 64);
        Song back{};
        decodeSongInfo(block.data(), back);
        EXPECT_EQ(std::strlen(back.name), 10u);
        EXPECT_LE(std::strlen(back.extName), 64u);
    }
}

TEST(SongRoundTrip, EncodeDecodeKeepsEveryField) {
    Song song = freshSong();
    song.tracks = 12;
    song.framesPerTrackBlock = 32;
    song.sectorsPerTrackBlock = 96;
    song.samplesPerTrackBlock = 16384;
    song.sampleRate = 44100;
    song.wordLength = 16;
    song.pitch = 0xDEADBEEF;
    song.privateAttributes = 0x5A5A;
    song.tempo[19] = TempoEntry{8, 7, 999, 140};
    std::vector<uint8_t> info(kSongInfoBytes);
    encodeSongInfo(song, info.data());
    Song back{};
    decodeSongInfo(info.data(), back);
    std::vector<uint8_t> again(kSongInfoBytes);
    encodeSongInfo(back, again.data());
    EXPECT_EQ(info, again);
    EXPECT_TRUE(songLayoutIsSound(back));
}

TEST(SongLayoutCheck, DimensionsThatDisagreeWithTheTrackCountAreUnsound) {
    Song song = freshSong();
    song.tracks = 24;
    song.sampleRate = 48000;
    song.framesPerTrackBlock = 16;
    song.sectorsPerTrackBlock = 48;
    song.samplesPerTrackBlock = 8192;
    EXPECT_TRUE(songLayoutIsSound(song));
    song.samplesPerTrackBlock = 16384;
    EXPECT_FALSE(songLayoutIsSound(song));
    song.samplesPerTrackBlock = 8192;
    song.tracks = 25;
    EXPECT_FALSE(songLayoutIsSound(song));
    song.tracks = 24;
    song.sampleRate = 0;
    EXPECT_FALSE(songLayoutIsSound(song));
}
