// track_export_test.cpp - the Export command on a drive image: names, questions, space, one pass or track by track, faults.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "transfer_fixture.h"

namespace vxf::transfer::test {
namespace {

class ExportTracks : public TransferFixture {
protected:
    void touch(const std::string& path) { std::ofstream(path) << "old"; }
    // The names in the output folder, hidden ones included.
    std::set<std::string> outNames() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(outDir_)) names.insert(entry.path().filename());
        return names;
    }
};

constexpr uint32_t kBlock = 196608;  // OptimalChunk of a 2-track or 6-track song

TEST_F(ExportTracks, OneTrackGoesToSongNameDashTrackFileAndHoldsTheTrackAudio) {
    makeSong(2, 48000, 450000);
    server_->songNameGiven = "  Take 1  ";
    const TransferOutcome outcome = exportTracks({1}, AudioFormat::Wav);
    const std::string path = out("Take 1-Track02.wav");
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].path, path);
    EXPECT_TRUE(outcome.files[0].complete);
    EXPECT_TRUE(outcome.attempted);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(fileAudio(AudioFormat::Wav, path), audio_[1]);
    // Track by track: one copy window per track, from the track to the file, ending at 100 %.
    EXPECT_EQ(screen_.opened, std::vector<uint16_t>{1});
    EXPECT_EQ(screen_.closed, 1);
    EXPECT_EQ(screen_.from, std::vector<std::string>{"Track 02"});
    EXPECT_EQ(screen_.to, std::vector<std::string>{path});
    EXPECT_EQ(screen_.percentTexts.front(), " 0 %");
    EXPECT_EQ(screen_.percentTexts.back(), "100%");
    EXPECT_EQ(screen_.statisticsBytes, std::vector<uint64_t>{450000u * 3});
    EXPECT_TRUE(screen_.errors.empty());
}

TEST_F(ExportTracks, BlankSongNameGivesTheBareTrackFileName) {
    makeSong(2, 44100, 100);
    server_->songNameGiven = "    ";
    const TransferOutcome outcome = exportTracks({0}, AudioFormat::Aiff);
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].path, out("Track01.aif"));
}

TEST_F(ExportTracks, ASlashInTheSongNameNeverLeadsOutOfTheDirectory) {
    makeSong(2, 44100, 100);
    server_->songNameGiven = "../up/x";
    const TransferOutcome outcome = exportTracks({0}, AudioFormat::Sd2);
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].path, out(".._up_x-Track01.sd2"));
}

TEST_F(ExportTracks, DirectoryTypedWithBlanksAndTrailingSlashesIsUsedWithOneSlash) {
    makeSong(2, 44100, 100, "Mix");
    const TransferOutcome outcome = exportTracks({1}, AudioFormat::DigSd, 24, "  " + outDir_ + "///  ");
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].path, out("Mix-Track02.dig"));
}

TEST_F(ExportTracks, MissingDirectoryTracksOrFormatEndTheCommandWithoutAnAttempt) {
    makeSong(2, 44100, 100);
    TransferOutcome outcome = exportTracks({0}, AudioFormat::Wav, 24, outDir_ + "/missing");
    EXPECT_FALSE(outcome.attempted);
    outcome = exportTracks({}, AudioFormat::Wav);
    EXPECT_FALSE(outcome.attempted);
    outcome = exportTracks({0}, std::nullopt);
    EXPECT_FALSE(outcome.attempted);
    EXPECT_EQ(screen_.errors, (std::vector<std::string>{"Export directory is invalid.", "No tracks selected.",
                                                        "No file type selected"}));
    EXPECT_TRUE(screen_.opened.empty());
}

TEST_F(ExportTracks, TwoExistingFilesOfferYesToAllOnTheFirstQuestionOnly) {
    makeSong(2, 48000, 1000, "Mix");
    touch(out("Mix-Track01.wav"));
    touch(out("Mix-Track02.wav"));
    const TransferOutcome outcome = exportTracks({0, 1}, AudioFormat::Wav);
    ASSERT_EQ(screen_.replaceQuestions.size(), 2u);
    EXPECT_EQ(screen_.replaceQuestions[0].text, out("Mix-Track01.wav") + " already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(screen_.replaceQuestions[0].caption, "Confirm File Replace");
    EXPECT_TRUE(screen_.replaceQuestions[0].offerAll);
    EXPECT_FALSE(screen_.replaceQuestions[1].offerAll);
    ASSERT_EQ(outcome.files.size(), 2u);
    EXPECT_EQ(fileAudio(AudioFormat::Wav, out("Mix-Track02.wav")), audio_[1]);
    EXPECT_EQ(screen_.opened, (std::vector<uint16_t>{1, 1}));
}

TEST_F(ExportTracks, YesToAllAsksNoMore) {
    makeSong(6, 48000, 1000, "Mix");
    for (int t = 1; t <= 3; ++t) touch(out("Mix-Track0" + std::to_string(t) + ".wav"));
    screen_.replaceAnswers = {ReplaceAnswer::YesToAll};
    const TransferOutcome outcome = exportTracks({0, 1, 2}, AudioFormat::Wav);
    EXPECT_EQ(screen_.replaceQuestions.size(), 1u);
    EXPECT_EQ(outcome.files.size(), 3u);
}

TEST_F(ExportTracks, FiveTracksWithOneDeclinedCountFiveForSpaceAndGoInOnePass) {
    makeSong(24, 48000, 1000, "Mix");
    touch(out("Mix-Track04.wav"));
    screen_.replaceAnswers = {ReplaceAnswer::No};
    const uint64_t perTrack = 1000 * 3 + 1024;
    screen_.freeSpace = 5 * perTrack - 1;
    TransferOutcome outcome = exportTracks({0, 2, 3, 5, 7}, AudioFormat::Wav);
    EXPECT_EQ(screen_.errors, std::vector<std::string>{"Not enough hard drive space available!"});
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_FALSE(outcome.attempted);

    screen_.freeSpace = 5 * perTrack;
    outcome = exportTracks({0, 2, 3, 5, 7}, AudioFormat::Wav);
    ASSERT_EQ(outcome.files.size(), 4u);
    EXPECT_EQ(screen_.opened, std::vector<uint16_t>{4});
    EXPECT_EQ(readBytes(out("Mix-Track04.wav")), (Bytes{'o', 'l', 'd'}));
    for (uint16_t track : {0, 2, 5, 7}) {
        EXPECT_EQ(fileAudio(AudioFormat::Wav, out("Mix-Track0" + std::to_string(track + 1) + ".wav")), audio_[track]);
    }
    EXPECT_EQ(screen_.statisticsBytes, std::vector<uint64_t>{4 * 1000 * 3});
}

TEST_F(ExportTracks, CancelAtAReplaceQuestionExportsNothingFurther) {
    makeSong(6, 48000, 1000, "Mix");
    touch(out("Mix-Track02.wav"));
    screen_.replaceAnswers = {ReplaceAnswer::Cancel};
    TransferOutcome outcome = exportTracks({0, 1, 2}, AudioFormat::Wav);
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_TRUE(outcome.attempted);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(std::filesystem::exists(out("Mix-Track01.wav")));

    touch(out("Mix-Track01.wav"));
    outcome = exportTracks({0, 1}, AudioFormat::Wav);
    EXPECT_TRUE(outcome.files.empty());
    EXPECT_TRUE(outcome.attempted);
}

TEST_F(ExportTracks, ServerReadErrorOnTheFirstOfTwoTracksAnsweredOkStillExportsTheSecond) {
    makeSong(2, 48000, 1000, "Mix");
    server_->failReadOfTrack = 0;
    TransferOutcome outcome = exportTracks({0, 1}, AudioFormat::Wav);
    EXPECT_EQ(screen_.okCancelQuestions, std::vector<std::string>{"Invalid input parameter."});
    ASSERT_EQ(outcome.files.size(), 2u);
    EXPECT_FALSE(outcome.files[0].complete);
    EXPECT_TRUE(outcome.files[1].complete);
    EXPECT_TRUE(outcome.failed);
    // The file of the failed track is finished: a valid file with no samples.
    EXPECT_TRUE(fileAudio(AudioFormat::Wav, out("Mix-Track01.wav")).empty());

    screen_.okCancelAnswer = false;
    std::filesystem::remove(out("Mix-Track01.wav"));
    std::filesystem::remove(out("Mix-Track02.wav"));
    outcome = exportTracks({0, 1}, AudioFormat::Wav);
    EXPECT_EQ(outcome.files.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(out("Mix-Track02.wav")));
}

TEST_F(ExportTracks, SymbolicLinksAreRefusedWhateverTheAnswerAndNeverWrittenThrough) {
    namespace fs = std::filesystem;
    makeSong(6, 48000, 1000, "Mix");
    const std::string outside = folder_ + "/outside.wav";
    const std::string folder = folder_ + "/elsewhere";
    touch(outside);
    fs::create_directory(folder);
    touch(out("inside.wav"));
    touch(out("Mix-Track01.wav"));
    const std::vector<std::pair<std::string, std::string>> links = {{"Mix-Track02.wav", out("gone.wav")},
                                                                    {"Mix-Track03.wav", outside},
                                                                    {"Mix-Track04.wav", folder},
                                                                    {"Mix-Track05.wav", out("inside.wav")}};
    for (const auto& [name, target] : links) fs::create_symlink(target, out(name));
    screen_.replaceAnswers = {ReplaceAnswer::YesToAll};
    const TransferOutcome outcome = exportTracks({0, 1, 2, 3, 4}, AudioFormat::Wav);

    EXPECT_EQ(screen_.replaceQuestions.size(), 1u);  // the regular file's only
    std::vector<std::string> refusals;
    for (const auto& link : links) {
        refusals.push_back(out(link.first) + " is a symbolic link; it is not replaced.");
        EXPECT_EQ(fs::read_symlink(out(link.first)), link.second);
    }
    EXPECT_EQ(screen_.errors, refusals);
    EXPECT_TRUE(outcome.failed);
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(fileAudio(AudioFormat::Wav, out("Mix-Track01.wav")), audio_[0]);
    EXPECT_EQ(readBytes(outside), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(readBytes(out("inside.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(out("gone.wav"))));
    EXPECT_TRUE(fs::is_empty(folder));

    // Track by track, with nothing asked, a dangling link is refused all the same.
    screen_.errors.clear();
    EXPECT_EQ(exportTracks({1}, AudioFormat::Wav).files.size(), 0u);
    EXPECT_EQ(screen_.errors, std::vector<std::string>{refusals[0]});
    EXPECT_FALSE(fs::exists(fs::symlink_status(out("gone.wav"))));
}

TEST_F(ExportTracks, AReplacementStoppedPartWayLeavesTheOldFileAndNothingElse) {
    makeSong(6, 48000, 250000, "Mix");
    touch(out("Mix-Track01.wav"));
    touch(out("Mix-Track02.wav"));
    server_->failReadOfTrack = 0;  // answered OK: the second track goes on
    TransferOutcome outcome = exportTracks({0, 1}, AudioFormat::Wav);
    EXPECT_EQ(readBytes(out("Mix-Track01.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(fileAudio(AudioFormat::Wav, out("Mix-Track02.wav")), audio_[1]);
    // Only what the path holds now is reported.
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].track, 1);
    EXPECT_EQ(outNames(), (std::set<std::string>{"Mix-Track01.wav", "Mix-Track02.wav"}));

    // A replacement gets the mode of a new file, not the private one of a temporary.
    server_->failReadOfTrack.reset();
    exportTracks({2}, AudioFormat::Wav);
    struct stat replaced {}, created {};
    ASSERT_EQ(::stat(out("Mix-Track02.wav").c_str(), &replaced), 0);
    ASSERT_EQ(::stat(out("Mix-Track03.wav").c_str(), &created), 0);
    EXPECT_EQ(replaced.st_mode, created.st_mode);

    // Cancelled in the all-track pass: every old file stays, and a new one holds what was written.
    for (const char* name : {"Mix-Track01.wav", "Mix-Track02.wav", "Mix-Track03.wav"}) touch(out(name));
    screen_.polls = 0;
    screen_.cancelAtPoll = 1;
    outcome = exportTracks({0, 1, 2, 3}, AudioFormat::Wav);
    EXPECT_TRUE(outcome.cancelled);
    for (const char* name : {"Mix-Track01.wav", "Mix-Track02.wav", "Mix-Track03.wav"}) {
        EXPECT_EQ(readBytes(out(name)), (Bytes{'o', 'l', 'd'})) << name;
    }
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(fileAudio(AudioFormat::Wav, out("Mix-Track04.wav")),
              Bytes(audio_[3].begin(), audio_[3].begin() + kBlock * 3));
    EXPECT_EQ(outNames().size(), 4u);
}

TEST_F(ExportTracks, CancelConfirmedAfterABlockLeavesConsistentFilesInEveryFormat) {
    makeSong(2, 48000, 450000, "Mix");
    for (AudioFormat format : {AudioFormat::Wav, AudioFormat::Aiff, AudioFormat::Sd2, AudioFormat::DigSd}) {
        screen_.polls = 0;
        screen_.cancelAtPoll = 1;
        const TransferOutcome outcome = exportTracks({1}, format);
        ASSERT_EQ(outcome.files.size(), 1u);
        EXPECT_FALSE(outcome.files[0].complete);
        EXPECT_TRUE(outcome.cancelled);
        const Bytes written = fileAudio(format, outcome.files[0].path);
        EXPECT_EQ(written, Bytes(audio_[1].begin(), audio_[1].begin() + kBlock * 3)) << int(format);
    }
    EXPECT_EQ(screen_.yesNoQuestions.size(), 4u);
    EXPECT_EQ(screen_.yesNoQuestions[0], "Are you sure you want to cancel?");
}

TEST_F(ExportTracks, CancelAnsweredNoGoesOn) {
    makeSong(6, 48000, 250000, "Mix");
    screen_.cancelAtPoll = 1;
    screen_.yesNoAnswer = false;
    const TransferOutcome outcome = exportTracks({0, 3, 5}, AudioFormat::Aiff);
    ASSERT_EQ(outcome.files.size(), 3u);
    EXPECT_TRUE(outcome.files[2].complete);
    EXPECT_EQ(fileAudio(AudioFormat::Aiff, out("Mix-Track06.aif")), audio_[5]);
    EXPECT_EQ(screen_.opened, std::vector<uint16_t>{3});
    EXPECT_EQ(screen_.percentTexts.back(), "100%");
}

TEST_F(ExportTracks, CancelInTheAllTrackPassFinishesEveryFile) {
    makeSong(6, 48000, 250000, "Mix");
    screen_.cancelAtPoll = 1;
    const TransferOutcome outcome = exportTracks({0, 3, 5}, AudioFormat::Sd2);
    ASSERT_EQ(outcome.files.size(), 3u);
    for (const TransferredFile& file : outcome.files) {
        EXPECT_FALSE(file.complete);
        EXPECT_EQ(fileAudio(AudioFormat::Sd2, file.path),
                  Bytes(audio_[file.track].begin(), audio_[file.track].begin() + kBlock * 3));
    }
}

// The files are written beside the next read: a file that cannot take its block still ends the
// pass after whole blocks, and its message reaches the screen once, from the caller's thread.
TEST_F(ExportTracks, AFileThatCannotBeWrittenEndsTheAllTrackPassWithOneMessageOnTheCallersThread) {
    makeSong(6, 48000, 250000 * 3, "Mix");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = old;
    limit.rlim_cur = 2 * kBlock * 3 + 4096;  // room for the header and two blocks
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const TransferOutcome outcome = exportTracks({0, 2, 4}, AudioFormat::Wav);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_TRUE(outcome.failed);
    ASSERT_EQ(screen_.errors.size(), 1u);
    EXPECT_EQ(screen_.errors[0], out("Mix-Track01.wav") + "\r\nFailed to write file.");
    EXPECT_EQ(screen_.errorThreads[0], std::this_thread::get_id());
    ASSERT_EQ(outcome.files.size(), 3u);
    for (const TransferredFile& file : outcome.files) {
        EXPECT_FALSE(file.complete);
        if (file.track == 0) continue;  // the one that failed is closed as far as it got
        EXPECT_EQ(fileAudio(AudioFormat::Wav, file.path),
                  Bytes(audio_[file.track].begin(), audio_[file.track].begin() + 2 * kBlock * 3))
            << file.track;
    }
}

TEST_F(ExportTracks, EveryFormatHoldsTheTracksBitForBitAt24Bits) {
    makeSong(6, 96000, 70000, "Mix");
    for (AudioFormat format : {AudioFormat::Wav, AudioFormat::Aiff, AudioFormat::Sd2, AudioFormat::DigSd}) {
        const TransferOutcome outcome = exportTracks({0, 2, 5}, format);
        ASSERT_EQ(outcome.files.size(), 3u);
        for (const TransferredFile& file : outcome.files) {
            uint32_t rate = 0;
            uint16_t bits = 0;
            EXPECT_EQ(fileAudio(format, file.path, &rate, &bits), audio_[file.track]) << file.path;
            EXPECT_EQ(rate, 96000u);
            EXPECT_EQ(bits, 24u);
        }
    }
}

TEST_F(ExportTracks, SixteenBitFilesHoldEverySampleRounded) {
    makeSong(2, 44100, 5001, "Mix");
    for (AudioFormat format : {AudioFormat::Wav, AudioFormat::Aiff, AudioFormat::Sd2, AudioFormat::DigSd}) {
        const TransferOutcome outcome = exportTracks({0}, format, 16);
        ASSERT_EQ(outcome.files.size(), 1u);
        uint16_t bits = 0;
        EXPECT_EQ(fileAudio(format, outcome.files[0].path, nullptr, &bits), roundedTo16(audio_[0]));
        EXPECT_EQ(bits, 16u);
    }
}

TEST_F(ExportTracks, FreeSpaceOfTwentyFourLongTracksIsCountedIn64Bits) {
    makeSong(24, 48000, 1000, "Mix");
    SongFacts song = facts();
    song.length = 48000 * 60 * 30;  // what the caller holds: 30 minutes
    const uint64_t perTrack = uint64_t{song.length} * 3 + 1024;
    // 24 x perTrack passes 4 GB; cut to 32 bits it would be about 1.9 GB.
    screen_.freeSpace = 2000000000;
    std::vector<uint16_t> all;
    for (uint16_t t = 0; t < 24; ++t) all.push_back(t);
    TransferOutcome outcome = exportTracks(all, song, AudioFormat::Wav);
    EXPECT_EQ(screen_.errors, std::vector<std::string>{"Not enough hard drive space available!"});
    EXPECT_TRUE(outcome.files.empty());

    // With the room there, the export ends where the song's audio ends, and the headers say so.
    screen_.freeSpace = 24 * perTrack;
    outcome = exportTracks(all, song, AudioFormat::Wav);
    ASSERT_EQ(outcome.files.size(), 24u);
    EXPECT_FALSE(outcome.files[23].complete);
    EXPECT_EQ(fileAudio(AudioFormat::Wav, outcome.files[23].path), audio_[23]);
}

}  // namespace
}  // namespace vxf::transfer::test
