// archive_command_test.cpp - vxf archive and verify on the demo drive: a bag outside tools accept, faults found, a stopped archive resumed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_fixture.h"

namespace vxf::transfer::test {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string textOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A shell command's exit status and what it printed.
ToolRun shell(const std::string& command) {
    const std::string out = fs::temp_directory_path() / ("archive_test_" + std::to_string(::getpid()) + ".out");
    const int status = std::system((command + " >" + out + " 2>&1").c_str());
    ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, textOf(out), ""};
    fs::remove(out);
    return run;
}

// Where a WAV file's samples begin: after the chunks a Broadcast Wave file carries before them.
std::streamoff dataChunkStart(const std::string& wav) {
    for (size_t at = 12; at + 8 <= wav.size();) {
        const uint32_t size = uint8_t(wav[at + 4]) | uint8_t(wav[at + 5]) << 8 | uint8_t(wav[at + 6]) << 16 |
                              uint32_t(uint8_t(wav[at + 7])) << 24;
        if (wav.compare(at, 4, "data") == 0) return std::streamoff(at + 8);
        at += 8 + size + (size & 1);
    }
    return 0;
}

// The largest magnitude of a 24-bit WAV file's samples, from its bytes.
int64_t peakOfWav(const std::string& path) {
    const std::string wav = textOf(path);
    int64_t peak = 0;
    for (size_t at = size_t(dataChunkStart(wav)); at != 0 && at + 3 <= wav.size(); at += 3) {
        const int32_t value = int32_t(uint32_t(uint8_t(wav[at])) << 8 | uint32_t(uint8_t(wav[at + 1])) << 16 |
                                      uint32_t(uint8_t(wav[at + 2])) << 24) >> 8;
        peak = std::max<int64_t>(peak, value < 0 ? -int64_t(value) : value);
    }
    return peak;
}

// The peak the inventory gives the file whose path ends in `name`.
int64_t inventoryPeak(const std::string& inventory, const std::string& name) {
    const size_t file = inventory.find(name + "\"");
    const size_t peak = inventory.find("\"peakSample\": ", file);
    return file == std::string::npos || peak == std::string::npos ? -1 : std::stoll(inventory.substr(peak + 14));
}

constexpr const char* kSong1 = "data/01 Demo Session/01 Tones 48k";
constexpr const char* kSong2 = "data/01 Demo Session/02 Tones 96k";
// From here on the demo drive holds only the second song's audio.
constexpr const char* kSecondSongFault = "read-error 1434086 78165359\n";

class ArchiveCommand : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        image_ = folder_ + "/studio-a.img";
        bag_ = folder_ + "/bag";
        enumerate({});
        ASSERT_EQ(vxf("demo --image " + quoted(image_)).status, 0);
    }

    std::string file(const std::string& song, int track) const {
        char name[32];
        std::snprintf(name, sizeof name, "-Track%02d.wav", track);
        return bag_ + "/" + song + "/" + (song == kSong1 ? "Tones 48k" : "Tones 96k") + name;
    }

    std::string image_;
    std::string bag_;
};

TEST_F(ArchiveCommand, MakesABagOfTheDemoDriveThatOutsideToolsAccept) {
    const ToolRun run = vxf("archive --drive 1 --out " + quoted(bag_));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "2 songs, 36 files")) << run.out;

    EXPECT_EQ(textOf(bag_ + "/bagit.txt"), "BagIt-Version: 1.0\nTag-File-Character-Encoding: UTF-8\n");
    const std::string info = textOf(bag_ + "/bag-info.txt");
    for (const char* field : {"Bagging-Date: ", "External-Identifier: Studio A\n", "Drive-Vendor: DEMO\n",
                              "Drive-Product: Studio A\n", "Drive-Size: 40020664320\n"}) {
        EXPECT_TRUE(contains(info, field)) << field << info;
    }
    // Payload-Oxum: every payload file's bytes and their count, as the files stand.
    uint64_t bytes = 0;
    uint64_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(bag_ + "/data")) {
        if (entry.is_regular_file()) bytes += entry.file_size(), ++files;
    }
    EXPECT_EQ(files, 36u);  // 32 tracks, a song.json a song, the inventory twice
    EXPECT_TRUE(contains(info, "Payload-Oxum: " + std::to_string(bytes) + ".36\n")) << info;

    // The digests and the audio as tools that are not ours read them.
    EXPECT_EQ(shell("cd " + quoted(bag_) + " && sha256sum --strict -c manifest-sha256.txt").status, 0);
    const ToolRun tags = shell("cd " + quoted(bag_) + " && sha256sum --strict -c tagmanifest-sha256.txt");
    EXPECT_EQ(tags.status, 0) << tags.out;
    EXPECT_EQ(std::count(tags.out.begin(), tags.out.end(), '\n'), 3) << tags.out;
    // Each file's peak in the inventory is the one its samples hold.
    const std::string inventory = textOf(bag_ + "/data/inventory.json");
    for (const auto& [song, track] : {std::pair{kSong1, 1}, std::pair{kSong1, 24}, std::pair{kSong2, 8}}) {
        const std::string path = file(song, track);
        EXPECT_EQ(inventoryPeak(inventory, fs::path(path).filename().string()), peakOfWav(path)) << path;
    }
    if (!findSox().empty()) {
        const ToolRun soxi = shell("soxi " + quoted(file(kSong2, 8)));
        EXPECT_TRUE(contains(soxi.out, "Sample Rate    : 96000")) << soxi.out;
        EXPECT_TRUE(contains(soxi.out, "960000 samples")) << soxi.out;
        EXPECT_TRUE(contains(shell("soxi " + quoted(file(kSong1, 24))).out, "Precision      : 24-bit"));
    }
    EXPECT_TRUE(contains(inventory, "\"name\": \"Tones 96k\", \"folder\": \"data/01 Demo Session/02 Tones 96k\", "
                                    "\"sampleRate\": 96000, \"wordLength\": 24, \"samples\": 960000, "
                                    "\"duration\": \"00:00:10.000\""))
        << inventory;
    EXPECT_TRUE(contains(inventory, "\"peakDbfs\": -7.96")) << inventory;
    EXPECT_TRUE(contains(textOf(bag_ + "/data/inventory.txt"), "Tones 96k-Track08.wav"));

    const ToolRun verify = vxf("verify " + quoted(bag_) + " --drive 1");
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    EXPECT_TRUE(contains(verify.out, "every track equal to the drive's")) << verify.out;
}

TEST_F(ArchiveCommand, VerifyNamesAChangedSampleAMissingFileAndAnExtraFile) {
    ASSERT_EQ(vxf("archive --drive 1 --out " + quoted(bag_) + " --songs 1/2 --word-length 16").status, 0);
    EXPECT_EQ(vxf("verify " + quoted(bag_) + " --drive 1").status, 0);
    {
        // One sample's low byte, the 1001st of track 3: 2 bytes a sample from the data chunk on.
        const std::streamoff data = dataChunkStart(textOf(file(kSong2, 3)));
        ASSERT_GT(data, 0);
        std::fstream changed(file(kSong2, 3), std::ios::in | std::ios::out | std::ios::binary);
        changed.seekg(data + 2 * 1000);
        const char byte = char(changed.get() ^ 1);
        changed.seekp(data + 2 * 1000);
        changed.put(byte);
    }
    fs::remove(file(kSong2, 5));
    std::ofstream(bag_ + "/data/notes.txt") << "not archived\n";

    const ToolRun bagOnly = vxf("verify " + quoted(bag_));
    EXPECT_EQ(bagOnly.status, 1);
    EXPECT_TRUE(contains(bagOnly.out, "Tones 96k-Track03.wav: differs from its SHA-256")) << bagOnly.out;
    EXPECT_TRUE(contains(bagOnly.out, "Tones 96k-Track05.wav: missing")) << bagOnly.out;
    EXPECT_TRUE(contains(bagOnly.out, "data/notes.txt: not in the manifest")) << bagOnly.out;
    EXPECT_TRUE(contains(bagOnly.out, "Payload-Oxum")) << bagOnly.out;

    const ToolRun withDrive = vxf("verify " + quoted(bag_) + " --drive 1");
    EXPECT_EQ(withDrive.status, 1);
    EXPECT_TRUE(contains(withDrive.out, "Tones 96k-Track03.wav: differs from track 3 at sample 1000")) << withDrive.out;
}

TEST_F(ArchiveCommand, AnAiffBagOfSixteenBitFilesIsCheckedAgainstTheDriveAsItRounds) {
    const ToolRun run = vxf("archive --drive 1 --songs 1/2 --format aiff --word-length 16 --out " + quoted(bag_));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string aiff = bag_ + "/" + kSong2 + "/Tones 96k-Track08.aif";
    ASSERT_TRUE(fs::exists(aiff));
    EXPECT_FALSE(fs::exists(bag_ + "/" + kSong1));
    if (!findSox().empty()) {
        const ToolRun soxi = shell("soxi " + quoted(aiff));
        EXPECT_TRUE(contains(soxi.out, "Precision      : 16-bit")) << soxi.out;
        EXPECT_TRUE(contains(soxi.out, "960000 samples")) << soxi.out;
    }
    const std::string inventory = textOf(bag_ + "/data/inventory.json");
    EXPECT_TRUE(contains(inventory, "\"format\": \"aiff\",\n  \"fileWordLength\": 16"));
    // Peaks of the drive's 24-bit samples, read in the other byte order: the demo tone's on every track.
    size_t peaks = 0;
    for (size_t at = inventory.find("\"peakDbfs\": -7.96}"); at != std::string::npos;
         at = inventory.find("\"peakDbfs\": -7.96}", at + 1)) {
        ++peaks;
    }
    EXPECT_EQ(peaks, 8u) << inventory;
    const ToolRun verify = vxf("verify " + quoted(bag_) + " --drive 1");
    EXPECT_EQ(verify.status, 0) << verify.out;
}

TEST_F(ArchiveCommand, AStoppedArchiveIsResumedKeepingTheFilesItFinished) {
    std::ofstream(image_ + ".faults") << kSecondSongFault;
    const ToolRun stopped = vxf("archive --drive 1 --out " + quoted(bag_));
    EXPECT_EQ(stopped.status, 1);
    EXPECT_TRUE(contains(stopped.err, "stopped at data/01 Demo Session/02 Tones 96k")) << stopped.err;
    EXPECT_FALSE(fs::exists(bag_ + "/tagmanifest-sha256.txt"));
    EXPECT_EQ(vxf("verify " + quoted(bag_)).status, 1);
    fs::remove(image_ + ".faults");

    struct stat before {};
    ASSERT_EQ(::stat(file(kSong1, 1).c_str(), &before), 0);
    // A journal line that gives its file a gap past the song's end is not believed: that file is made again.
    const std::string journal = bag_ + "/archive-progress.txt";
    std::string lines = textOf(journal);
    const size_t second = lines.find("g:- data/01 Demo Session/01 Tones 48k/Tones 48k-Track02.wav");
    ASSERT_NE(second, std::string::npos) << lines;
    lines.replace(second, 3, "g:5-99999999");
    std::ofstream(journal, std::ios::trunc) << lines;
    struct stat secondBefore {};
    ASSERT_EQ(::stat(file(kSong1, 2).c_str(), &secondBefore), 0);
    const ToolRun again = vxf("archive --drive 1 --out " + quoted(bag_));
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(contains(again.err, "add --resume")) << again.err;
    EXPECT_EQ(vxf("archive --drive 1 --songs 1/1 --resume --out " + quoted(bag_)).status, 1);

    const ToolRun resumed = vxf("archive --drive 1 --resume --out " + quoted(bag_));
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    struct stat after {};
    ASSERT_EQ(::stat(file(kSong1, 1).c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    struct stat secondAfter {};
    ASSERT_EQ(::stat(file(kSong1, 2).c_str(), &secondAfter), 0);
    EXPECT_NE(secondAfter.st_mtim.tv_nsec, secondBefore.st_mtim.tv_nsec);
    EXPECT_EQ(vxf("verify " + quoted(bag_) + " --drive 1").status, 0);
    EXPECT_EQ(shell("cd " + quoted(bag_) + " && sha256sum --strict -c manifest-sha256.txt").status, 0);

    // A finished bag and a folder of other files are never written into.
    EXPECT_TRUE(contains(vxf("archive --drive 1 --resume --out " + quoted(bag_)).err, "finished archive"));
    fs::create_directories(folder_ + "/other");
    std::ofstream(folder_ + "/other/mine.txt") << "mine\n";
    EXPECT_EQ(vxf("archive --drive 1 --out " + quoted(folder_ + "/other")).status, 1);
    EXPECT_EQ(textOf(folder_ + "/other/mine.txt"), "mine\n");
}

TEST_F(ArchiveCommand, AFullOutputDiskNamesTheFileAndLeavesTheBagToResume) {
    // Files may not grow past 1 MiB: the first track's file meets it as a full disk would.
    const ToolRun full = shell("(trap '' XFSZ; ulimit -f 1024; " + quoted(VXF_TOOL) + " archive --drive 1 --out " +
                               quoted(bag_) + ")");
    EXPECT_EQ(full.status, 1) << full.out;
    EXPECT_TRUE(contains(full.out, "Tones 48k-Track01.wav")) << full.out;
    EXPECT_TRUE(contains(full.out, "can be resumed")) << full.out;
    const ToolRun resumed = vxf("archive --drive 1 --resume --out " + quoted(bag_));
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(vxf("verify " + quoted(bag_) + " --drive 1").status, 0);
}

}  // namespace
}  // namespace vxf::transfer::test
