// track_import_test.cpp - the Import command on a drive image: track assignment, questions, refusals, padding, faults.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tavovxf.h"
#include "transfer_paths.h"
#include "transfer_fixture.h"

namespace vxf::transfer::test {
namespace {

class ImportFiles : public TransferFixture {
protected:
    // A file in the import folder with its own pattern; gives what it holds (little-endian).
    Bytes makeFile(const std::string& name, uint32_t samples, uint32_t rate = 48000, uint16_t bits = 24,
                   AudioFormat format = AudioFormat::Wav, uint32_t seed = 100) {
        Bytes data = trackPattern(samples, seed);
        data.resize(size_t(samples) * bits / 8);
        writeAudio(format, out(name), rate, bits, data);
        return data;
    }
    ImportFile file(const std::string& name, AudioFormat format = AudioFormat::Wav) { return {out(name), format, {}}; }
    std::string replaceText(unsigned track, const std::string& path) {
        return "Do you want to replace tavo VXF Track " + std::string(track < 10 ? "0" : "") + std::to_string(track) +
               " with\r\n" + path + "?";
    }
};

TEST(TrackFromFileName, TakesTheOneOrTwoDigitNumberBeforeTheExtension) {
    EXPECT_EQ(TrackFromFileName("Track07.wav"), 6);
    EXPECT_EQ(TrackFromFileName("mix 12 final.aif"), 11);
    EXPECT_EQ(TrackFromFileName("take123.wav"), -1);
    EXPECT_EQ(TrackFromFileName("a1b2.wav"), -1);
    EXPECT_EQ(TrackFromFileName("drums.wav"), -1);
    EXPECT_EQ(TrackFromFileName("Track00.wav"), -1);
    EXPECT_EQ(TrackFromFileName("9.wav"), 8);
    EXPECT_EQ(TrackFromFileName("noextension7"), -1);
    EXPECT_EQ(TrackFromFileName("24.x.wav"), 23);
    EXPECT_EQ(TrackFromFileName("v2.24.wav"), 23);
}

TEST(CompactPath, KeepsTheFileNameAndPutsAnEllipsisInTheMiddle) {
    EXPECT_EQ(compactPath("/home/me/Track01.wav", 39), "/home/me/Track01.wav");
    EXPECT_EQ(compactPath("/home/user/music/long folder name/Track01.wav", 30), "/home/user/musi.../Track01.wav");
    EXPECT_EQ(compactPath("/a/a-very-long-file-name-indeed.wav", 20), "a-very-long-file-...");
    // Never half a character: "é" is two bytes.
    EXPECT_EQ(compactPath("/ééééé/x.wav", 14), "/éé.../x.wav");
    EXPECT_EQ(compactPath("/ééééé/x.wav", 13), "/é.../x.wav");
}

TEST_F(ImportFiles, NumberedFilesGoToTheirTracksAndAnotherOpensTheDialogWithTheFreeTracks) {
    makeSong(16, 48000, 0, "Mix");
    const Bytes one = makeFile("Track01.wav", 1000, 48000, 24, AudioFormat::Wav, 1);
    const Bytes two = makeFile("Track02.wav", 800, 48000, 24, AudioFormat::Wav, 2);
    const Bytes intro = makeFile("Intro.wav", 1200, 48000, 24, AudioFormat::Wav, 3);
    screen_.trackChoices = {uint16_t{5}};
    const TransferOutcome outcome = importFiles({file("Track01.wav"), file("Track02.wav"), file("Intro.wav")});
    ASSERT_EQ(screen_.trackQuestions.size(), 1u);
    EXPECT_EQ(screen_.trackQuestions[0].path, out("Intro.wav"));
    std::vector<bool> free(16, true);
    free[0] = free[1] = false;
    EXPECT_EQ(screen_.trackQuestions[0].trackFree, free);
    ASSERT_EQ(outcome.files.size(), 3u);
    EXPECT_EQ(outcome.files[2].track, 5);
    EXPECT_EQ(songLength(handle_), 1200u);
    Bytes padded = two;
    padded.resize(1200 * 3, 0);
    EXPECT_EQ(trackAudio(1), padded);
    EXPECT_EQ(trackAudio(5), intro);
    const Bytes first = trackAudio(0);
    EXPECT_EQ(Bytes(first.begin(), first.begin() + 3000), one);
    // Every file is asked about, Yes to All offered on all but the last.
    ASSERT_EQ(screen_.replaceQuestions.size(), 3u);
    EXPECT_EQ(screen_.replaceQuestions[0].text, replaceText(1, compactPath(out("Track01.wav"), 39)));
    EXPECT_EQ(screen_.replaceQuestions[0].caption, "Confirm Track Replace");
    EXPECT_TRUE(screen_.replaceQuestions[1].offerAll);
    EXPECT_FALSE(screen_.replaceQuestions[2].offerAll);
    EXPECT_EQ(screen_.opened, (std::vector<uint16_t>{1, 1, 1}));
    EXPECT_EQ(screen_.statisticsBytes, (std::vector<uint64_t>{3000, 2400, 3600}));
}

TEST_F(ImportFiles, ANumberBeyondTheSongsTracksOpensTheDialogAndItsCancelEndsTheAssignment) {
    makeSong(16, 48000, 0, "Mix");
    makeFile("Track17.wav", 100);
    makeFile("Track03.wav", 100);
    const TransferOutcome outcome = importFiles({file("Track17.wav"), file("Track03.wav")});
    EXPECT_EQ(screen_.trackQuestions.size(), 1u);
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_TRUE(outcome.attempted);
    EXPECT_EQ(songLength(handle_), 0u);
}

TEST_F(ImportFiles, MoreFilesThanTracksAreRefusedBeforeAnything) {
    makeSong(16, 48000, 0, "Mix");
    std::vector<ImportFile> files;
    for (int i = 1; i <= 17; ++i) files.push_back(file("Track" + std::to_string(i) + ".wav"));
    const TransferOutcome outcome = importFiles(files);
    EXPECT_EQ(screen_.errors, std::vector<std::string>{"Too many tracks selected."});
    EXPECT_FALSE(outcome.attempted);
    EXPECT_TRUE(screen_.replaceQuestions.empty());
}

TEST_F(ImportFiles, MissingDirectoryIsRefused) {
    makeSong(2, 48000, 0, "Mix");
    importFiles({file("Track01.wav")}, outDir_ + "/gone");
    EXPECT_EQ(screen_.errors, std::vector<std::string>{"Import directory is invalid."});
}

TEST_F(ImportFiles, RateMismatchAnsweredOkGoesOnWithTheNextFileAndCancelStops) {
    makeSong(2, 48000, 0, "Mix");
    makeFile("Track01.wav", 500, 44100);
    const Bytes two = makeFile("Track02.wav", 500);
    TransferOutcome outcome = importFiles({file("Track01.wav"), file("Track02.wav")});
    EXPECT_EQ(screen_.okCancelQuestions, std::vector<std::string>{out("Track01.wav") + "\r\nSample rate mismatch. The file is at 44100 Hz, the song at 48000 Hz."});
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(trackAudio(1), two);

    screen_.okCancelAnswer = false;
    outcome = importFiles({file("Track01.wav"), file("Track02.wav")});
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_TRUE(outcome.cancelled);
}

TEST_F(ImportFiles, WriteProtectedSongIsRefusedAndKeptAsItIs) {
    makeSong(2, 48000, 300, "Mix");
    ASSERT_EQ(tavovxfSongSetWriteProtect(handle_, 1), VXF_OK);
    makeFile("Track01.wav", 500);
    const TransferOutcome outcome = importFiles({file("Track01.wav")});
    EXPECT_EQ(screen_.errors, std::vector<std::string>{"tavo VXF song is write protected."});
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_EQ(trackAudio(0), audio_[0]);
}

TEST_F(ImportFiles, NoKeepsTheTrackAndTheSecondFileOfTheSameNumberReplacesTheFirst) {
    makeSong(2, 48000, 0, "Mix");
    makeFile("a 02.wav", 400, 48000, 24, AudioFormat::Wav, 1);
    const Bytes second = makeFile("b 02.wav", 400, 48000, 24, AudioFormat::Wav, 2);
    screen_.replaceAnswers = {ReplaceAnswer::Yes};
    importFiles({file("a 02.wav"), file("b 02.wav")});
    EXPECT_EQ(trackAudio(1), second);

    screen_.replaceAnswers = {ReplaceAnswer::No};
    const TransferOutcome outcome = importFiles({file("a 02.wav")});
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_EQ(trackAudio(1), second);
}

TEST_F(ImportFiles, TwentyFourFilesGoInOnePassShorterOnesFollowedBySilence) {
    makeSong(24, 48000, 0, "Mix");
    std::vector<ImportFile> files;
    std::vector<Bytes> held;
    for (int t = 1; t <= 24; ++t) {
        const std::string name = "Track" + std::string(t < 10 ? "0" : "") + std::to_string(t) + ".aif";
        const uint32_t samples = t == 5 ? 600 : 1000;
        held.push_back(makeFile(name, samples, 48000, t == 9 ? 16 : 24, AudioFormat::Aiff, t));
        files.push_back(file(name, AudioFormat::Aiff));
    }
    screen_.replaceAnswers = {ReplaceAnswer::YesToAll};
    const TransferOutcome outcome = importFiles(files);
    EXPECT_EQ(outcome.files.size(), 24u);
    EXPECT_EQ(screen_.replaceQuestions.size(), 1u);
    EXPECT_EQ(screen_.opened, std::vector<uint16_t>{24});
    EXPECT_EQ(screen_.statisticsBytes, std::vector<uint64_t>{24 * 1000 * 3});
    EXPECT_EQ(songLength(handle_), 1000u);
    Bytes five = held[4];
    five.resize(3000, 0);
    EXPECT_EQ(trackAudio(4), five);
    // The 16-bit file among 24-bit ones keeps its value: its samples gain a zero low byte.
    Bytes nine;
    for (size_t i = 0; i < held[8].size(); i += 2) nine.insert(nine.end(), {0, held[8][i], held[8][i + 1]});
    EXPECT_EQ(trackAudio(8), nine);
    EXPECT_EQ(trackAudio(23), held[23]);
}

TEST_F(ImportFiles, AFileCutShortWhileImportedWritesOnlyWhatItHeld) {
    makeSong(2, 48000, 0, "Mix");
    const Bytes full = makeFile("Track01.wav", 100000);
    // The file loses its end after it was opened and checked (beyond what its reader buffered).
    server_->beforeOptimalSize = [&] { ASSERT_EQ(::truncate(out("Track01.wav").c_str(), 44 + 30000 * 3), 0); };
    const TransferOutcome outcome = importFiles({file("Track01.wav")});
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_FALSE(outcome.files[0].complete);
    EXPECT_EQ(songLength(handle_), 30000u);
    EXPECT_EQ(trackAudio(0), Bytes(full.begin(), full.begin() + 30000 * 3));
}

TEST_F(ImportFiles, SpaceNeededOnTheDriveIsCountedIn64Bits) {
    makeSong(24, 48000, 0, "Mix");
    // A sparse WAV claiming 2^29 24-bit samples: 24 x 3 x 2^29 is 9 x 2^32, 0 when cut to 32 bits.
    const uint32_t samples = 1u << 29;
    const uint32_t dataBytes = samples * 3;
    Bytes header = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0};
    auto le32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) header.push_back(uint8_t(v >> (8 * i)));
    };
    le32(48000);
    le32(48000 * 3);
    header.insert(header.end(), {3, 0, 24, 0, 'd', 'a', 't', 'a'});
    le32(dataBytes);
    const uint32_t riff = uint32_t(header.size()) - 8 + dataBytes;
    for (int i = 0; i < 4; ++i) header[4 + i] = uint8_t(riff >> (8 * i));
    {
        std::ofstream(out("Track01.wav"), std::ios::binary).write(reinterpret_cast<const char*>(header.data()),
                                                                  std::streamsize(header.size()));
    }
    ASSERT_EQ(::truncate(out("Track01.wav").c_str(), off_t(header.size()) + dataBytes), 0);
    server_->freeKiB = 1000000;
    screen_.okCancelAnswer = false;
    const TransferOutcome outcome = importFiles({file("Track01.wav")});
    EXPECT_EQ(screen_.okCancelQuestions, std::vector<std::string>{out("Track01.wav") + "\r\nNot enough hard drive space."});
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_EQ(songLength(handle_), 0u);
}

TEST_F(ImportFiles, CancelConfirmedAfterABlockKeepsWhatWasWritten) {
    makeSong(2, 48000, 0, "Mix");
    const Bytes full = makeFile("Track02.wav", 450000);
    screen_.cancelAtPoll = 1;
    const TransferOutcome outcome = importFiles({file("Track02.wav")});
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(songLength(handle_), 196608u);
    EXPECT_EQ(trackAudio(1), Bytes(full.begin(), full.begin() + 196608 * 3));
}

TEST_F(ImportFiles, OddLengthsAt96kHzArriveWhole) {
    makeSong(8, 96000, 0, "Mix");
    const Bytes three = makeFile("Track03.dig", 1001, 96000, 24, AudioFormat::DigSd);
    const TransferOutcome outcome = importFiles({file("Track03.dig", AudioFormat::DigSd)});
    ASSERT_EQ(outcome.files.size(), 1u);
    const uint32_t length = songLength(handle_);
    EXPECT_GE(length, 1001u);
    Bytes got = trackAudio(2);
    got.resize(1001 * 3);
    EXPECT_EQ(got, three);
}

TEST_F(ImportFiles, AWordLengthTheServerCannotTakeIsRefusedAndTheNextFileStillGoes) {
    makeSong(2, 48000, 0, "Mix");
    makeFile("Track01.dig", 1000, 48000, 24, AudioFormat::DigSd);
    const Bytes two = makeFile("Track02.wav", 100);
    // A DIG/SD header may claim any word length: 40 bits here.
    Bytes dig = readBytes(out("Track01.dig"));
    dig[1028] = 0;
    dig[1029] = 40;
    std::ofstream(out("Track01.dig"), std::ios::binary).write(reinterpret_cast<const char*>(dig.data()),
                                                              std::streamsize(dig.size()));
    const TransferOutcome outcome = importFiles({file("Track01.dig", AudioFormat::DigSd), file("Track02.wav")});
    EXPECT_EQ(screen_.errors, std::vector<std::string>{out("Track01.dig") + "\r\nUnsupport file format."});
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(trackAudio(1), two);
    EXPECT_EQ(songLength(handle_), 100u);
}

TEST_F(ImportFiles, EightBitAndSixteenBitFilesReachTheTrackAtTheirValue) {
    makeSong(2, 44100, 0, "Mix");
    const Bytes low = makeFile("Track01.sd2", 700, 44100, 16, AudioFormat::Sd2);
    const Bytes lower = makeFile("Track02.wav", 700, 44100, 8, AudioFormat::Wav);
    importFiles({file("Track01.sd2", AudioFormat::Sd2), file("Track02.wav")});
    Bytes expected;
    for (size_t i = 0; i < low.size(); i += 2) expected.insert(expected.end(), {0, low[i], low[i + 1]});
    EXPECT_EQ(trackAudio(0), expected);
    // An 8-bit WAV holds offset binary; the track gets the signed value as its high byte.
    expected.clear();
    for (uint8_t sample : lower) expected.insert(expected.end(), {0, 0, sample});
    EXPECT_EQ(trackAudio(1), expected);
}

}  // namespace
}  // namespace vxf::transfer::test
