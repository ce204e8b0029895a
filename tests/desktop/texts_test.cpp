// texts_test.cpp - song times, rates, the preview's length, drive lines, name rules and the drive size.
#include "drive_pane.h"
#include "name_check.h"
#include "name_dialogs.h"
#include "time_texts.h"

#include <gtest/gtest.h>

namespace deck {
namespace {

TEST(SongTimeText, FramesRoundToTheNearestThirtiethWithoutCarrying) {
    EXPECT_EQ(songTimeText(47999, 48000), "00:00:00:30");
    EXPECT_EQ(songTimeText(48000, 48000), "00:00:01:00");
    EXPECT_EQ(songTimeText(735, 44100), "00:00:00:01");
    EXPECT_EQ(songTimeText(734, 44100), "00:00:00:00");
    EXPECT_EQ(songTimeText(48000u * 3725u + 800u, 48000), "01:02:05:01");
}

TEST(SongTimeText, RateWithoutWholeFramesIsInvalid) {
    EXPECT_EQ(songTimeText(1000, 0), "invalid SR");
    EXPECT_EQ(songTimeText(1000, 29), "invalid SR");
}

TEST(SongTimeText, LongestLengthDoesNotOverflow) {
    EXPECT_EQ(songTimeText(0xFFFFFFFFu, 44100), "27:03:11:16");
}

TEST(RateText, KnownRatesAndNoTextForOthers) {
    EXPECT_EQ(rateText(44100), "44.1 kHz");
    EXPECT_EQ(rateText(48000), "48 kHz");
    EXPECT_EQ(rateText(88200), "88.2 kHz");
    EXPECT_EQ(rateText(96000), "96 kHz");
    EXPECT_EQ(rateText(0), "");
    EXPECT_EQ(rateText(32000), "");
}

TEST(PreviewLength, TrackDivisionIsIntegral) {
    // 100 KB over 24 tracks leaves 4 KB a track: 4 / 48000 * 341.33 s truncates to 0.
    EXPECT_EQ(previewMilliseconds(100, 24, 48000), 0u);
    EXPECT_EQ(previewMilliseconds(100 * 48000, 24, 48000), 1422000u);  // q = 200000 -> 1422 s
}

TEST(PreviewLength, LargeDrivesNeedMoreThan32BitsOfMilliseconds) {
    // 4 TB free for 2 tracks at 44.1 kHz: about 15.8 million seconds.
    const uint64_t ms = previewMilliseconds(0xFFFFFFFFu, 2, 44100);
    EXPECT_GT(ms, 0xFFFFFFFFull);
    EXPECT_EQ(ms % 1000, 0u);
}

TEST(IntervalText, LeavesOutZeroUnits) {
    EXPECT_EQ(intervalText(0), "0 sec");
    EXPECT_EQ(intervalText(999), "0 sec");
    EXPECT_EQ(intervalText(3725000), "1 hr 2 min 5 sec");
    EXPECT_EQ(intervalText(3600000), "1 hr");
    EXPECT_EQ(intervalText(61000), "1 min 1 sec");
    EXPECT_EQ(intervalText(7260000), "2 hr 1 min");
}

TEST(DriveLine, NumbersLineUpFromTheTenthDriveOn) {
    EXPECT_EQ(driveLine(1, DriveStatus::Vxf, "Studio A"), "1:  Studio A");
    EXPECT_EQ(driveLine(9, DriveStatus::Unknown, ""), "9:  Unknown Drive");
    EXPECT_EQ(driveLine(10, DriveStatus::Vxf, "Last"), "10: Last");
    EXPECT_EQ(driveLine(10, DriveStatus::NoCommunication, ""), "10: No Drive Communication");
    EXPECT_EQ(driveLine(2, DriveStatus::NoCommunication, ""), "2:  No Drive Communication");
}

TEST(TrackChoices, FollowTheRate) {
    EXPECT_EQ(highestTrackChoice(1), 4);
    EXPECT_EQ(highestTrackChoice(3), 3);
    EXPECT_EQ(tracksOfChoice(3, 3), 12);
    EXPECT_EQ(tracksOfChoice(0, 4), 24);
    EXPECT_EQ(trackChoiceOf(96000, 12), 3);
    EXPECT_EQ(trackChoiceOf(48000, 12), -1);
    EXPECT_EQ(trackChoiceOf(44100, 24), 4);
    EXPECT_EQ(rateChoiceOf(88200), 2);
    EXPECT_EQ(rateChoiceOf(22050), -1);
}

TEST(NameCheck, ShortNamesTakeLettersDigitsAndBlanksOnly) {
    EXPECT_EQ(nameCheckMessage("", false), "");
    EXPECT_EQ(nameCheckMessage("Take 12 ab", false), "");
    EXPECT_EQ(nameCheckMessage("Take-1", false), "Names can only include alpha and numeric characters in VXF v1.00");
    EXPECT_EQ(nameCheckMessage("caf\xe9", false), "Names can only include alpha and numeric characters in VXF v1.00");
}

TEST(NameCheck, ExtendedNamesRefuseTheNineCharacters) {
    const std::string refusal = "Names cannot include the following characters:\n\t \\ / : * ? \" < > |";
    EXPECT_EQ(nameCheckMessage("Take-1 (final)", true), "");
    for (char c : std::string("\\/:*?\"<>|")) EXPECT_EQ(nameCheckMessage(std::string("a") + c, true), refusal) << c;
}

TEST(NameCheck, LimitsFollowTheVersion) {
    EXPECT_EQ(nameLimit(true), 64);
    EXPECT_EQ(nameLimit(false), 10);
    EXPECT_EQ(nameCheckMessage("12345678901", false), "Please enter no more than 10 characters.");
    EXPECT_EQ(nameCheckMessage(std::string(64, 'x'), true), "");
}

TEST(DriveSize, KilobytesShowAsDecimalGigabytes) {
    EXPECT_EQ(driveSizeText(80000000), "81.92 GB");
    EXPECT_EQ(driveSizeText(39082680), "40.02 GB");
    EXPECT_EQ(driveSizeText(0xFFFFFFFFu), "4398.05 GB");
}

TEST(ListLineName, DropsNumberColonAndBlank) {
    EXPECT_EQ(nameOfListLine("07: Verse"), "Verse");
    EXPECT_EQ(nameOfListLine("12:  padded  "), "padded");
    EXPECT_EQ(nameOfListLine("07:"), "");
}

}  // namespace
}  // namespace deck
