// preview_test.cpp - the preview on a fake sound device: buffer sizes, lowered word lengths, the end, every stop cause.
#include "deck_transfer_fixture.h"
#include "ext_message_box.h"
#include "ids.h"
#include "preview_player.h"
#include "tavovxf.h"
#include "transfer_ids.h"
#include "transfer_preview.h"

#include <gtest/gtest.h>

#include <fstream>

namespace decktest {
namespace {

using namespace deck;
using vxf::transfer::AudioFormat;

// 16-bit samples as a 16-bit file holds them: the high two bytes of 3-byte ones whose low byte is 0.
Bytes sixteenBitSamples(uint32_t samples, uint32_t seed) {
    Bytes bytes = trackPattern(samples, seed);
    for (size_t i = 0; i < bytes.size(); i += 3) bytes[i] = 0;
    return bytes;
}

class PreviewTest : public TransferDeckFixture {
protected:
    void startInImport(uint16_t tracks = 8) {
        makeDrive({{"Take 1", tracks, 48000, 1000}});
        profile_.ints = {{"TabSelection", 1}};
        profile_.texts = {{"TransImportStr", importDir_}};
        start();
    }
    void previewFile(const std::string& name) {
        typeDirectory(importDir_);
        const auto lines = tform_.lines(ctl::kTransferList);
        selectLines({static_cast<int>(std::find(lines.begin(), lines.end(), name) - lines.begin())});
        press(ctl::kPreviewPlay);
    }
    void expectIdle(bool playEnabled) {
        EXPECT_FALSE(view().transfer().isBusy());
        EXPECT_FALSE(tform_.checked(ctl::kPreviewPlay));
        EXPECT_EQ(tform_.text(ctl::kPreviewBox), "Preview");
        EXPECT_EQ(tform_.text(ctl::kPreviewTime), "00:00:00");
        EXPECT_EQ(tform_.isEnabled(ctl::kPreviewPlay), playEnabled);
    }
    std::vector<size_t> writtenSizes() {
        std::vector<size_t> sizes;
        for (const Bytes& bytes : sound().written) sizes.push_back(bytes.size());
        return sizes;
    }
};

TEST_F(PreviewTest, SixteenBitFilePlaysFromTwoBuffersOf200000Bytes) {
    startInImport();
    writeAudio(AudioFormat::Wav, importDir_ + "/a.wav", 44100, 16, sixteenBitSamples(250000, 1));
    tform_.services.soundRefusedBits = {};
    previewFile("a.wav");
    EXPECT_TRUE(view().transfer().isBusy());
    EXPECT_TRUE(tform_.checked(ctl::kPreviewPlay));
    EXPECT_TRUE(tform_.isEnabled(ctl::kPreviewPlay));
    EXPECT_EQ(tform_.text(ctl::kPreviewBox), "Playing");
    ASSERT_EQ(sound().opens.size(), 1u);
    EXPECT_EQ(sound().opens[0].sampleRate, 44100u);
    EXPECT_EQ(sound().opens[0].bitsPerSample, 16);
    deliverPosted();
    EXPECT_EQ(writtenSizes(), (std::vector<size_t>{200000, 200000}));
}

TEST_F(PreviewTest, TwentyFourBitFileUsesBuffersOf299988Bytes) {
    startInImport();
    writeAudio(AudioFormat::Wav, importDir_ + "/a.wav", 44100, 24, trackPattern(250000, 2));
    previewFile("a.wav");
    deliverPosted();
    EXPECT_EQ(writtenSizes(), (std::vector<size_t>{299988, 299988}));
    const Bytes samples = trackPattern(250000, 2);
    EXPECT_EQ(sound().written[0], Bytes(samples.begin(), samples.begin() + 299988));
}

TEST_F(PreviewTest, DeviceRefusingTwentyFourBitsPlaysTheHighTwoBytesAtSixteen) {
    startInImport();
    const Bytes samples = trackPattern(1000, 3);
    writeAudio(AudioFormat::Wav, importDir_ + "/a.wav", 48000, 24, samples);
    tform_.services.soundRefusedBits = {24};
    view().shutdown();
    start();  // the device is made when the pane is
    previewFile("a.wav");
    ASSERT_EQ(sound().queries.size(), 2u);
    EXPECT_EQ(sound().queries[0].bitsPerSample, 24);
    EXPECT_EQ(sound().queries[1].bitsPerSample, 16);
    EXPECT_EQ(sound().opens.at(0).bitsPerSample, 16);
    deliverPosted();
    ASSERT_FALSE(sound().written.empty());
    Bytes expected;
    for (size_t i = 0; i < samples.size(); i += 3) {
        expected.push_back(samples[i + 1]);
        expected.push_back(samples[i + 2]);
    }
    EXPECT_EQ(sound().written[0], expected);
}

TEST_F(PreviewTest, PlaybackOfAFileEndsByItselfAndTheButtonsReturnToIdle) {
    startInImport();
    writeAudio(AudioFormat::Wav, importDir_ + "/a.wav", 44100, 16, sixteenBitSamples(250000, 4));
    previewFile("a.wav");
    playToEnd();
    expectIdle(true);
    EXPECT_EQ(sound().played, 250000u);
    EXPECT_EQ(writtenSizes(), (std::vector<size_t>{200000, 200000, 100000}));
    EXPECT_FALSE(sound().isOpen);
    EXPECT_TRUE(boxTexts().empty());
}

TEST_F(PreviewTest, FileReadsStopAtItsSampleCount) {
    startInImport();
    const std::string path = importDir_ + "/tail.wav";
    writeAudio(AudioFormat::Wav, path, 44100, 16, sixteenBitSamples(1000, 5));
    {
        // A chunk after the samples, counted in the RIFF size: never played.
        std::fstream wav(path, std::ios::in | std::ios::out | std::ios::binary | std::ios::ate);
        const uint32_t riffSize = static_cast<uint32_t>(wav.tellp()) - 8 + 16;
        wav.write("LIST\x08\x00\x00\x00INFOjunk", 16);
        wav.seekp(4);
        wav.write(reinterpret_cast<const char*>(&riffSize), 4);
    }
    previewFile("tail.wav");
    playToEnd();
    EXPECT_EQ(sound().played, 1000u);
    EXPECT_EQ(writtenSizes(), (std::vector<size_t>{2000}));
    expectIdle(true);
}

TEST_F(PreviewTest, ChoosingAnotherListItemStopsPlayback) {
    startInImport();
    writeAudio(AudioFormat::Wav, importDir_ + "/a.wav", 48000, 16, sixteenBitSamples(300000, 6));
    writeAudio(AudioFormat::Wav, importDir_ + "/b.wav", 48000, 16, sixteenBitSamples(300000, 7));
    previewFile("a.wav");
    deliverPosted();
    selectLines({0, 1});
    expectIdle(false);
    EXPECT_EQ(sound().resets, 1);
    selectLines({1});
    EXPECT_TRUE(tform_.isEnabled(ctl::kPreviewPlay));
}

TEST_F(PreviewTest, PressingPlayAgainStops) {
    startInImport();
    writeAudio(AudioFormat::Wav, importDir_ + "/a.wav", 48000, 16, sixteenBitSamples(300000, 6));
    previewFile("a.wav");
    press(ctl::kPreviewPlay);
    expectIdle(true);
}

TEST_F(PreviewTest, ABufferPostedBeforeAStopIsNeverRefilled) {
    startInImport();
    writeAudio(AudioFormat::Wav, importDir_ + "/a.wav", 48000, 16, sixteenBitSamples(300000, 8));
    previewFile("a.wav");
    const std::deque<PostedMessage> early = tform_.services.posted;
    tform_.services.posted.clear();
    press(ctl::kPreviewPlay);  // stop: the buffers are freed
    tform_.services.posted = early;
    deliverPosted();
    EXPECT_TRUE(sound().written.empty());

    // Nor is one of an earlier run handed over while a new run plays.
    press(ctl::kPreviewPlay);
    deliverPosted();
    EXPECT_EQ(sound().written.size(), 2u);
    tform_.services.posted = early;
    deliverPosted();
    EXPECT_EQ(sound().written.size(), 2u);
}

TEST_F(PreviewTest, SwitchingTabsStopsATrackPreview) {
    makeDrive({{"Take 1", 8, 48000, 5000}});
    start();
    selectLines({2});
    press(ctl::kPreviewPlay);
    EXPECT_TRUE(view().transfer().isBusy());
    EXPECT_EQ(sound().opens.at(0).sampleRate, 48000u);
    switchTab(1);
    EXPECT_FALSE(view().transfer().isBusy());
    EXPECT_EQ(tform_.text(ctl::kPreviewBox), "Preview");
}

TEST_F(PreviewTest, ADriveChangeStopsATrackPreview) {
    makeDrive({{"Take 1", 8, 48000, 5000}});
    start();
    selectLines({0});
    press(ctl::kPreviewPlay);
    ASSERT_TRUE(view().transfer().isBusy());
    addFormattedDrive("second.img");
    notifyDrivesChanged();
    EXPECT_FALSE(view().transfer().isBusy());
    deliverPosted();  // the buffers handed over before the change are dropped
    EXPECT_TRUE(sound().written.empty());
}

TEST_F(PreviewTest, TrackPlayedAtEightBitsIsUnsigned) {
    makeDrive({{"Take 1", 6, 48000, 5000}});
    tform_.services.soundRefusedBits = {24, 16};
    start();
    selectLines({1});
    press(ctl::kPreviewPlay);
    EXPECT_EQ(sound().opens.at(0).bitsPerSample, 8);
    playToEnd();
    Bytes signedBytes(5000);
    uint32_t read = 0;
    ASSERT_EQ(tavovxfTrackRead(view().drives().handle(), 1, 0, 5000, &read, 1, 0, signedBytes.data()), VXF_OK);
    ASSERT_EQ(read, 5000u);
    ASSERT_EQ(sound().written.size(), 1u);
    ASSERT_EQ(sound().written[0].size(), 5000u);
    for (size_t i = 0; i < 5000; ++i) ASSERT_EQ(sound().written[0][i], signedBytes[i] ^ 0x80) << i;
    expectIdle(true);
    EXPECT_EQ(sound().played, 5000u);
}

TEST_F(PreviewTest, TrackPreviewShowsTheTimePlayed) {
    makeDrive({{"Take 1", 2, 48000, 48000 * 3}});
    start();
    selectLines({0});
    press(ctl::kPreviewPlay);
    deliverPosted();
    ASSERT_TRUE(sound().playNext());
    deliverPosted();
    const uint64_t seconds = sound().played / 48000;
    EXPECT_EQ(tform_.text(ctl::kPreviewTime), "00:00:0" + std::to_string(seconds));
    EXPECT_EQ(previewTimeText(65 * 44100, 44100), "00:01:05");
    EXPECT_EQ(previewTimeText(uint64_t{3600} * 96000 * 25 + 96000 * 61, 96000), "25:01:01");
}

TEST_F(PreviewTest, WithoutASoundDeviceThePreviewSaysSoAndTheRestWorks) {
    makeDrive({{"Take 1", 6, 48000, 5000}});
    tform_.services.soundNoDevice = true;
    profile_.texts = {{"TransExportStr", exportDir_}};
    start();
    selectLines({0});
    press(ctl::kPreviewPlay);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"The audio device driver is not present."}));
    expectIdle(true);
    press(ctl::kTransferAction);
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_EQ(fileAudio(AudioFormat::Wav, exportDir_ + "/Take 1-Track01.wav"), trackPattern(5000, 1));
}

TEST_F(PreviewTest, FormatTheDeviceRefusesAtEveryWidthIsReported) {
    makeDrive({{"Take 1", 6, 48000, 5000}});
    tform_.services.soundRefusedBits = {24, 16, 8};
    start();
    selectLines({0});
    press(ctl::kPreviewPlay);
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"The specified format is not supported by audio device."}));
    EXPECT_EQ(sound().queries.size(), 3u);
    EXPECT_TRUE(sound().opens.empty());
}

TEST(PreviewPlayerTest, StartFailuresNameTheCause) {
    EXPECT_EQ(previewStartFailureText(SoundResult::BadDeviceId), "The audio device ID is invalid.");
    EXPECT_EQ(previewStartFailureText(SoundResult::Allocated),
              "The audio device is already in use by other application.");
    EXPECT_EQ(previewStartFailureText(SoundResult::NoMemory), "Not enough memory for preview.");
    EXPECT_EQ(previewStartFailureText(SoundResult::BadFormat), "Unsupport wave file format.");
    EXPECT_EQ(previewStartFailureText(SoundResult::SyncDevice), "Sync error for preview.");
    EXPECT_EQ(previewStartFailureText(SoundResult::Error), "Failed to preview sound.");
}

class RecordingSink : public vxf::transfer::MessageSink {
public:
    void showError(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

TEST(PreviewPlayerTest, DeviceInUseIsReportedAndNothingPlays) {
    FakeSoundOutput output;
    output.openResult = SoundResult::Allocated;
    RecordingSink sink;
    PreviewPlayer player(output, sink);
    int fills = 0;
    EXPECT_FALSE(player.Start(44100, 16, [&](SoundBuffer&) { ++fills; }, 200000));
    EXPECT_EQ(sink.texts, (std::vector<std::string>{"The audio device is already in use by other application."}));
    EXPECT_EQ(fills, 0);
    EXPECT_FALSE(player.playing());
}

TEST(PreviewPlayerTest, PlayedBufferComesBackWithItsFullLength) {
    FakeSoundOutput output;
    RecordingSink sink;
    PreviewPlayer player(output, sink);
    std::vector<SoundBuffer*> handed;
    ASSERT_TRUE(player.Start(48000, 16, [&](SoundBuffer& buffer) { handed.push_back(&buffer); }, 1000));
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(player.bufferSize(), 1000u);
    handed[0]->length = 10;
    EXPECT_TRUE(player.Play(*handed[0]));
    handed[1]->length = 0;
    EXPECT_FALSE(player.Play(*handed[1]));  // nothing to play: not queued
    EXPECT_EQ(player.queued(), 1);
    ASSERT_TRUE(output.playNext());
    ASSERT_EQ(handed.size(), 3u);
    EXPECT_EQ(handed[2], handed[0]);
    EXPECT_EQ(handed[2]->length, 1000u);
    EXPECT_EQ(player.Position(), 5u);
    player.Stop();
    EXPECT_FALSE(player.playing());
    EXPECT_EQ(player.Position(), 0u);
}

}  // namespace
}  // namespace decktest
