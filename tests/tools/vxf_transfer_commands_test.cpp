// vxf_transfer_commands_test.cpp - vxf export and import run as a user runs them: round trips checked with sox, refusals, Ctrl+C.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli_fixture.h"
#include "tavovxf.h"

extern char** environ;

namespace vxf::transfer::test {
namespace {

struct FormatCase {
    AudioFormat format;
    const char* option;
    const char* extension;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.option; }

std::string trackFile(const std::string& dir, const std::string& song, int track, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "%s-Track%02d.%s", song.c_str(), track, extension);
    return dir + "/" + name;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class RoundTrip : public CliFixture, public ::testing::WithParamInterface<FormatCase> {
protected:
    // Song 1 "Mix": 24 tracks at 48 kHz; song 2 "Hi": 8 tracks at 96 kHz, on a small drive.
    void makeSongs() {
        makeSong(24, 48000, 30000, "Mix", vxfserver::test::smallDriveSectors(64));
        high_ = addHighRateSong();
        releaseDrive();
    }

    // sox's reading of WAV or AIFF files one after the other, as signed little-endian samples of `bits`.
    Bytes soxSamples(const std::string& sox, const std::vector<std::string>& paths, int bits) {
        const std::string raw = folder_ + "/sox.raw";
        std::string command = quoted(sox);
        for (const std::string& path : paths) command += " " + quoted(path);
        command += " -t raw -e signed -b " + std::to_string(bits) + " -L " + quoted(raw) + " 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return readBytes(raw);
    }

    // Song `number`'s tracks as the drive holds them now, read afresh in this process.
    std::vector<Bytes> tracksNow(uint16_t number, uint16_t tracks) {
        EXPECT_EQ(remount(handle_), VXF_OK);
        EXPECT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
        EXPECT_EQ(tavovxfSongSetPrimary(handle_, number - 1), VXF_OK);
        std::vector<Bytes> samples;
        for (uint16_t t = 0; t < tracks; ++t) samples.push_back(trackAudio(t));
        releaseDrive();
        return samples;
    }

    std::vector<Bytes> high_;
};

TEST_P(RoundTrip, ExportsOfBothSongsAtBothWordLengthsReadRightAndImportBackBitForBit) {
    const FormatCase c = GetParam();
    const std::string sox = findSox();
    const bool soxReads = c.format == AudioFormat::Wav || c.format == AudioFormat::Aiff;
    if (soxReads && sox.empty()) GTEST_SKIP() << "sox is not installed (Debian package sox)";
    makeSongs();
    struct Song {
        int number;
        std::string name;
        int tracks;
        int rate;
        const std::vector<Bytes>& audio;
    };
    const Song songs[] = {{1, "Mix", 24, 48000, audio_}, {2, "Hi", 8, 96000, high_}};
    // What the tool dumps is what was written; the files are compared with that.
    EXPECT_EQ(dumpTrack(1, 1), audio_[0]);
    EXPECT_EQ(dumpTrack(1, 24), audio_[23]);
    EXPECT_EQ(dumpTrack(2, 8), high_[7]);
    for (int bits : {16, 24}) {
        const std::string dir = out("w" + std::to_string(bits));
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
        for (const Song& song : songs) {
            const ToolRun run = vxf("export --drive 1 --project 1 --song " + std::to_string(song.number) +
                                    " --format " + c.option + " --word-length " + std::to_string(bits) + " --out " +
                                    quoted(dir));
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(contains(run.out, "Transfer Rate: ")) << run.out;
            std::vector<std::string> paths;
            Bytes expected;
            for (int t = 1; t <= song.tracks; ++t) {
                paths.push_back(trackFile(dir, song.name, t, c.extension));
                EXPECT_TRUE(contains(run.out, "wrote " + paths.back() + " (track " + std::to_string(t) + ")"))
                    << run.out;
                const Bytes& track = song.audio[t - 1];
                const Bytes samples = bits == 24 ? track : roundedTo16(track);
                expected.insert(expected.end(), samples.begin(), samples.end());
                if (!soxReads) {
                    uint32_t rate = 0;
                    EXPECT_EQ(fileAudio(c.format, paths.back(), &rate), samples) << paths.back();
                    EXPECT_EQ(rate, uint32_t(song.rate));
                }
            }
            // sox reads the files one after the other: every track in turn, every sample.
            if (soxReads) {
                EXPECT_EQ(soxSamples(sox, paths, bits), expected) << song.name << " at " << bits << " bits";
            }
        }
    }
    // The 24-bit files into new songs: 24 files in one pass, 8 file by file.
    const std::string dir = out("w24");
    for (const Song& song : songs) {
        ASSERT_EQ(vxf("create song --drive 1 --project 1 --tracks " + std::to_string(song.tracks) + " --rate " +
                      std::to_string(song.rate))
                      .status,
                  0);
        std::string files;
        for (int t = 1; t <= song.tracks; ++t) files += " " + quoted(trackFile(dir, song.name, t, c.extension));
        const uint16_t copy = uint16_t(song.number + 2);
        const ToolRun run = vxf("import --drive 1 --project 1 --song " + std::to_string(copy) + " --yes" + files);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::vector<Bytes> imported = tracksNow(copy, uint16_t(song.tracks));
        for (int t = 1; t <= song.tracks; ++t) {
            EXPECT_EQ(imported[t - 1], song.audio[t - 1]) << "song " << copy << " track " << t;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, RoundTrip,
                         ::testing::Values(FormatCase{AudioFormat::Wav, "wav", "wav"},
                                           FormatCase{AudioFormat::Aiff, "aiff", "aif"},
                                           FormatCase{AudioFormat::Sd2, "sd2", "sd2"},
                                           FormatCase{AudioFormat::DigSd, "dig", "dig"}),
                         [](const auto& info) { return std::string(info.param.option); });

class TransferCommands : public CliFixture {};

TEST_F(TransferCommands, AnExistingFileIsReplacedOnlyWithYesKeptWithNoClobberAndRefusedWithoutATerminal) {
    makeSong(2, 44100, 1000, "Mix");
    releaseDrive();
    std::ofstream(out("Mix-Track01.wav")) << "old";
    const std::string base = "export --drive 1 --project 1 --song 1 --out " + quoted(outDir_);
    ToolRun run = vxf(base);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, out("Mix-Track01.wav") + " already exists.")) << run.err;
    EXPECT_TRUE(contains(run.err, "--no-clobber")) << run.err;
    EXPECT_EQ(readBytes(out("Mix-Track01.wav")), (Bytes{'o', 'l', 'd'}));

    run = vxf(base + " --no-clobber");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readBytes(out("Mix-Track01.wav")), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(fileAudio(AudioFormat::Wav, out("Mix-Track02.wav")), audio_[1]);

    run = vxf(base + " --yes --tracks 1");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fileAudio(AudioFormat::Wav, out("Mix-Track01.wav")), audio_[0]);
}

TEST_F(TransferCommands, ASymbolicLinkIsRefusedWithOrWithoutYesAndWhatItPointsToKept) {
    makeSong(2, 44100, 1000, "Mix");
    releaseDrive();
    const std::string outside = folder_ + "/outside.wav";
    std::ofstream(outside) << "old";
    std::filesystem::create_symlink(outside, out("Mix-Track01.wav"));
    std::filesystem::create_symlink(folder_ + "/gone.wav", out("Mix-Track02.wav"));
    for (const char* yes : {"", " --yes"}) {
        const ToolRun run = vxf("export --drive 1 --project 1 --song 1 --out " + quoted(outDir_) + yes);
        EXPECT_EQ(run.status, 1) << yes;
        for (const char* name : {"Mix-Track01.wav", "Mix-Track02.wav"}) {
            EXPECT_TRUE(contains(run.err, out(name) + " is a symbolic link; it is not replaced.")) << run.err;
            EXPECT_TRUE(std::filesystem::is_symlink(out(name)));
        }
        EXPECT_FALSE(contains(run.err, "already exists")) << run.err;
        EXPECT_EQ(readBytes(outside), (Bytes{'o', 'l', 'd'}));
        EXPECT_FALSE(std::filesystem::exists(folder_ + "/gone.wav"));
    }
}

TEST_F(TransferCommands, WrongOptionsAreUsageErrorsAndTracksBeyondTheSongFailures) {
    makeSong(8, 96000, 100, "Mix");
    releaseDrive();
    const std::string base = "export --drive 1 --project 1 --song 1 --out " + quoted(outDir_);
    for (const char* wrong : {" --yes --no-clobber", " --tracks 0", " --tracks 3-1", " --tracks 1,,2", " --tracks x",
                              " --word-length 20", " --format mp3"}) {
        EXPECT_EQ(vxf(base + wrong).status, 2) << wrong;
    }
    const ToolRun run = vxf(base + " --tracks 2,9");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "there is no track 9")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out("Mix-Track02.wav")));
    EXPECT_TRUE(contains(vxf("export --drive 1 --project 1 --song 1 --out " + quoted(outDir_ + "/none")).err,
                         "Export directory is invalid."));
    EXPECT_EQ(vxf(base + " --tracks 2,4-5,7").status, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outDir_), {}), 4);
}

TEST_F(TransferCommands, ImportRefusesFilesWithoutATrackTooManyFilesWrongRatesAndProtectedSongs) {
    makeSong(8, 48000, 0, "Mix");
    releaseDrive();
    writeAudio(AudioFormat::Wav, out("drums.wav"), 48000, 24, trackPattern(100, 1));
    writeAudio(AudioFormat::Wav, out("Track02.wav"), 44100, 24, trackPattern(100, 2));
    const std::string base = "import --drive 1 --project 1 --song 1 --yes ";
    ToolRun run = vxf(base + quoted(out("drums.wav")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, out("drums.wav"))) << run.err;

    run = vxf(base + quoted(out("Track02.wav")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, out("Track02.wav") + "\nSample rate mismatch.")) << run.err;

    std::string nine;
    for (int i = 0; i < 9; ++i) nine += " " + quoted(out("drums.wav"));
    run = vxf(base + nine);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "Too many tracks selected.")) << run.err;

    // Without --yes and without a terminal nobody can allow a track to be replaced.
    run = vxf("import --drive 1 --project 1 --song 1 --track " + quoted(out("drums.wav")) + "=3 " +
              quoted(out("drums.wav")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "Do you want to replace tavo VXF Track 03 with")) << run.err;

    ASSERT_EQ(vxf("protect on --drive 1 --project 1 --song 1").status, 0);
    run = vxf(base + "--track " + quoted(out("drums.wav")) + "=3 " + quoted(out("drums.wav")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "tavo VXF song is write protected.")) << run.err;
    EXPECT_TRUE(contains(vxf("songs --drive 1 --project 1 --json").out, "\"samples\": 0,"));

    ASSERT_EQ(vxf("protect off --drive 1 --project 1 --song 1").status, 0);
    run = vxf(base + "--track " + quoted(out("drums.wav")) + "=3 " + quoted(out("drums.wav")));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(dumpTrack(1, 3), trackPattern(100, 1));
    EXPECT_EQ(vxf(base + "--track " + quoted(out("other.wav")) + "=3 " + quoted(out("drums.wav"))).status, 2);
}

TEST_F(TransferCommands, CtrlCStopsAfterTheCurrentBlockWithFinishedFilesAndStatus130) {
    // Five minutes of one track: long enough to be interrupted part way.
    makeSong(2, 48000, 0, "Long");
    const Bytes audio = trackPattern(48000 * 300, 9);
    ASSERT_EQ(tavovxfTrackWrite(handle_, 0, 0, 48000 * 300, 3, 0, audio.data()), VXF_OK);
    releaseDrive();
    const std::string path = out("Long-Track01.wav");
    const std::string tool = VXF_TOOL;
    std::vector<std::string> words = {tool, "export", "--drive", "1", "--project", "1", "--song", "1",
                                      "--tracks", "1", "--out", outDir_};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (folder_ + "/vxf.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    std::error_code error;
    while (std::filesystem::file_size(path, error) == 0 || error) std::this_thread::sleep_for(std::chrono::microseconds(100));
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const Bytes held = fileAudio(AudioFormat::Wav, path);
    EXPECT_GT(held.size(), 0u);
    EXPECT_LT(held.size(), audio.size());
    EXPECT_EQ(held, Bytes(audio.begin(), audio.begin() + long(held.size())));
}

}  // namespace
}  // namespace vxf::transfer::test
