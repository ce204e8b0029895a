// song_metadata_test.cpp - the song metadata exports read what the record on the drive holds.
#include <gtest/gtest.h>

#include <cstring>

#include "song/current_song.h"
#include "song_fixture.h"
#include "vxf_song_metadata.h"

using namespace vxfserver;
using namespace vxfserver::test;

namespace {

class SongMetadata : public SongFixture {
protected:
    // A song whose record carries set locate points, loop, tempo map, pitch and slips, read afresh from the drive.
    uint32_t openWithMarkedSong() {
        uint32_t handle = openWithSong(8, 48000);
        Song& song = state().song;
        song.locates[0].sample = 0;
        song.locates[3].sample = 48000;
        song.locates[21].sample = 96000;
        std::memcpy(song.locates[3].name, "Ch\xE9rus!", 8);  // a byte of 0x80 and more, and a sign
        song.loopStart = 3;
        song.loopEnd = 21;
        song.tempoMapLocate = 0;
        song.tempo[1] = TempoEntry{8, 6, 17, 96};
        song.pitch = 0xFFFFFFFEu;
        song.slip[0] = -120;
        song.slip[7] = 3;
        EXPECT_TRUE(saveSong());
        EXPECT_EQ(remount(handle), VXF_OK);
        EXPECT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        EXPECT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
        return handle;
    }
};

}  // namespace

TEST_F(SongMetadata, NewSongReadsBackTheRecordersDefaults) {
    const uint32_t h = openWithSong(2, 44100);
    uint32_t sample = 1;
    char name[VXFX_LOCATE_NAME_SIZE] = "x";
    ASSERT_EQ(vxfxSongGetLocate(h, 0, &sample, name), VXF_OK);
    EXPECT_EQ(sample, 0u);
    EXPECT_STREQ(name, " START  ");
    ASSERT_EQ(vxfxSongGetLocate(h, 5, &sample, name), VXF_OK);
    EXPECT_STREQ(name, "LocNam05");
    ASSERT_EQ(vxfxSongGetLocate(h, VXFX_LOCATE_EDIT_OUT, &sample, name), VXF_OK);
    EXPECT_STREQ(name, "Edit Out");
    uint8_t start = 0, end = 0, anchor = 0;
    ASSERT_EQ(vxfxSongGetLoop(h, &start, &end), VXF_OK);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 2);
    ASSERT_EQ(vxfxSongGetTempoMapLocate(h, &anchor), VXF_OK);
    EXPECT_EQ(anchor, 1);
    VxfxTempoEntry tempo{};
    ASSERT_EQ(vxfxSongGetTempoEntry(h, 0, &tempo), VXF_OK);
    EXPECT_EQ(tempo.beatNumerator, 4);
    EXPECT_EQ(tempo.beatDenominator, 4);
    EXPECT_EQ(tempo.bpm, 120u);
}

TEST_F(SongMetadata, WhatTheRecordHoldsComesBackAfterAFreshMount) {
    const uint32_t h = openWithMarkedSong();
    VxfxSongMetadata all{};
    ASSERT_EQ(vxfxSongGetMetadata(h, &all), VXF_OK);
    EXPECT_EQ(all.locateSample[3], 48000u);
    EXPECT_EQ(all.locateSample[21], 96000u);
    // The drive's name rule stands in blanks for what it does not allow.
    EXPECT_STREQ(all.locateName[3], "Ch rus  ");
    EXPECT_STREQ(all.locateName[21], "PunchIn ");
    EXPECT_EQ(all.loopStart, 3);
    EXPECT_EQ(all.loopEnd, 21);
    EXPECT_EQ(all.tempoMapLocate, 0);
    EXPECT_EQ(all.tempo[1].measure, 17);
    EXPECT_EQ(all.tempo[1].beatNumerator, 6);
    EXPECT_EQ(all.tempo[1].beatDenominator, 8);
    EXPECT_EQ(all.tempo[1].bpm, 96u);
    EXPECT_EQ(all.pitch, 0xFFFFFFFEu);
    EXPECT_EQ(all.slip[0], -120);
    EXPECT_EQ(all.slip[7], 3);
    EXPECT_EQ(all.storedTracksPerTrack, 1);
    EXPECT_EQ(all.songHandle, state().song.lba);

    int32_t slip = 0;
    ASSERT_EQ(vxfxSongGetSlip(h, 0, &slip), VXF_OK);
    EXPECT_EQ(slip, -120);
    uint32_t pitch = 0;
    ASSERT_EQ(vxfxSongGetPitch(h, &pitch), VXF_OK);
    EXPECT_EQ(pitch, 0xFFFFFFFEu);
}

TEST_F(SongMetadata, EachHandleSeesItsOwnSong) {
    const uint32_t marked = openWithMarkedSong();
    const uint32_t other = open();
    ASSERT_EQ(tavovxfProjectSetPrimary(other, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongCreate(other, 2, 48000, 24), VXF_OK);
    uint8_t start = 0, end = 0;
    ASSERT_EQ(vxfxSongGetLoop(other, &start, &end), VXF_OK);
    EXPECT_EQ(start, 1);
    ASSERT_EQ(vxfxSongGetLoop(marked, &start, &end), VXF_OK);
    EXPECT_EQ(start, 3);
}

TEST_F(SongMetadata, BadArgumentsAndMissingSongsFailAndClearTheOutputs) {
    uint32_t h = openFormatted();
    uint32_t sample = 7;
    char name[VXFX_LOCATE_NAME_SIZE] = "x";
    EXPECT_EQ(vxfxSongGetLocate(h, 0, &sample, name), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(sample, 0u);
    EXPECT_STREQ(name, "");
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    EXPECT_EQ(vxfxSongGetLocate(h, VXFX_LOCATE_COUNT, &sample, name), VXF_ERR_INVALID_PARAMETER);
    VxfxTempoEntry tempo{1, 1, 1, 1};
    EXPECT_EQ(vxfxSongGetTempoEntry(h, VXFX_TEMPO_COUNT, &tempo), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tempo.bpm, 0u);
    int32_t slip = 5;
    EXPECT_EQ(vxfxSongGetSlip(h, VXFX_SLIP_COUNT, &slip), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(slip, 0);
    EXPECT_EQ(vxfxSongGetMetadata(h, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(vxfxSongGetPitch(12345, reinterpret_cast<uint32_t*>(&slip)), VXF_ERR_BAD_DRIVE_HANDLE);
}
