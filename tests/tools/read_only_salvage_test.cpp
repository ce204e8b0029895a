// read_only_salvage_test.cpp - the demo drive attached read-only stays byte for byte; a salvaging export over a bad sector.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli_fixture.h"

namespace vxf::transfer::test {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class DemoDrive : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        enumerate({});
        image_ = folder_ + "/demo.img";
        ASSERT_EQ(vxf("image create --sectors 2000000 " + quoted(image_)).status, 0);
        const ToolRun run = vxf("demo --image " + quoted(image_));
        ASSERT_EQ(run.status, 0) << run.err;
    }

    // sha256sum's own reading of the image.
    std::string imageHash() {
        FILE* pipe = ::popen(("sha256sum " + quoted(image_)).c_str(), "r");
        char hash[65] = {};
        const size_t n = pipe ? std::fread(hash, 1, 64, pipe) : 0;
        if (pipe) ::pclose(pipe);
        return std::string(hash, n);
    }

    std::string exportSong(int song, const std::string& folder, const std::string& more = "") {
        std::filesystem::create_directories(folder);
        const ToolRun run = vxf("export --drive 1 --project 1 --song " + std::to_string(song) + " --out " +
                                quoted(folder) + " --yes " + more);
        lastStatus_ = run.status;
        return run.out + run.err;
    }

    // The image's LBA of the sector holding these bytes, searched where the sparse image holds data.
    uint64_t lbaOf(const Bytes& wanted) {
        const int fd = ::open(image_.c_str(), O_RDONLY);
        off_t at = 0;
        std::vector<uint8_t> buffer(64u << 20);
        while ((at = ::lseek(fd, at, SEEK_DATA)) >= 0) {
            const off_t hole = ::lseek(fd, at, SEEK_HOLE);
            for (off_t from = at; from < hole; from += off_t(buffer.size() - wanted.size())) {
                const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), from);
                auto found = std::search(buffer.begin(), buffer.begin() + std::max<ssize_t>(n, 0), wanted.begin(),
                                         wanted.end());
                if (found != buffer.begin() + std::max<ssize_t>(n, 0)) {
                    ::close(fd);
                    return uint64_t(from + (found - buffer.begin())) / 512;
                }
                if (n < ssize_t(buffer.size())) break;
            }
            at = hole;
        }
        ::close(fd);
        return 0;
    }

    std::string image_;
    int lastStatus_ = -1;
};

TEST_F(DemoDrive, AttachedReadOnlyItIsListedAndExportedWhileEveryChangeIsRefusedAndNotOneByteChanges) {
    ASSERT_EQ(vxf("drives remove " + quoted(image_)).status, 0);
    ASSERT_EQ(vxf("drives add --read-only " + quoted(image_)).status, 0);
    const Bytes enumeration = fileBytes(enumPath_);
    EXPECT_TRUE(contains(std::string(enumeration.begin(), enumeration.end()), "|readonly"));
    const std::string before = imageHash();
    ASSERT_EQ(before.size(), 64u);

    EXPECT_TRUE(contains(vxf("songs --drive 1 --project 1").out, "Tones 96k"));
    EXPECT_TRUE(contains(vxf("drives").out, "  read-only\n"));
    EXPECT_TRUE(contains(vxf("drives --json").out, "\"readOnly\": true}"));
    exportSong(1, folder_ + "/out");
    EXPECT_EQ(lastStatus_, 0);
    exportSong(2, folder_ + "/out");
    EXPECT_EQ(lastStatus_, 0);
    EXPECT_EQ(std::filesystem::file_size(folder_ + "/out/Tones 96k-Track08.wav"), 44u + 960000u * 3);
    EXPECT_EQ(vxf("remap --drive 1 --first 0 --count 64").status, 0);

    for (const std::string& change : std::vector<std::string>{"rename drive --drive 1 X", "rename project --drive 1 --project 1 X", "create project --drive 1",
          "delete project --drive 1 --project 1 --yes", "create song --drive 1 --project 1 --tracks 2 --rate 48000",
          "rename song --drive 1 --project 1 --song 1 X", "delete song --drive 1 --project 1 --song 1 --yes",
          "protect on --drive 1 --project 1 --song 1", "scan --drive 1", "upgrade --drive 1 --yes",
          "format --drive 1 --yes", "remap --drive 1 --first 0 --count 8 --fix",
          "import --drive 1 --project 1 --song 1 --yes " + quoted(folder_ + "/out/Tones 48k-Track01.wav")}) {
        const ToolRun run = vxf(change);
        EXPECT_EQ(run.status, 1) << change;
        EXPECT_EQ(run.err, "vxf: drive 1 is attached read-only\n") << change;
    }
    EXPECT_EQ(imageHash(), before);
}

TEST_F(DemoDrive, ASalvagingExportSilencesOnlyTheUnreadableSectorsSamplesAndNamesThem) {
    exportSong(1, folder_ + "/good");
    ASSERT_EQ(lastStatus_, 0);
    const Bytes good = fileBytes(folder_ + "/good/Tones 48k-Track03.wav");
    // The 24th sector of track 3's first track block: samples 3925 to 4095, the first and last reaching into it.
    const uint32_t firstLost = 23 * 512 / 3;
    const uint32_t lastLost = (24 * 512 - 1) / 3;
    const Bytes inside(good.begin() + 44 + 4000 * 3, good.begin() + 44 + 4000 * 3 + 48);
    const uint64_t lba = lbaOf(inside);
    ASSERT_NE(lba, 0u);
    std::ofstream(image_ + ".faults") << "read-error " << lba << " " << lba << "\n";

    EXPECT_TRUE(contains(exportSong(1, folder_ + "/plain"), "Hard disk failed read command."));
    EXPECT_EQ(lastStatus_, 1);

    const std::string out = exportSong(1, folder_ + "/salvaged", "--salvage");
    EXPECT_EQ(lastStatus_, 3) << out;
    const std::string gap = "silent gap: song \"Tones 48k\", track 3, samples " + std::to_string(firstLost) + "-" +
                            std::to_string(lastLost) + ", 00:00:00.081 - 00:00:00.085\n";
    EXPECT_TRUE(contains(out, gap)) << out;
    EXPECT_EQ(out.find("silent gap", out.find("silent gap") + 1), std::string::npos) << out;
    Bytes salvaged = fileBytes(folder_ + "/salvaged/Tones 48k-Track03.wav");
    ASSERT_EQ(salvaged.size(), good.size());
    for (size_t i = 44 + firstLost * 3; i < 44 + (lastLost + 1) * 3; ++i) EXPECT_EQ(salvaged[i], 0) << i;
    Bytes expected = good;
    std::fill(expected.begin() + 44 + firstLost * 3, expected.begin() + 44 + (lastLost + 1) * 3, 0);
    EXPECT_EQ(salvaged, expected);
    EXPECT_EQ(fileBytes(folder_ + "/salvaged/Tones 48k-Track04.wav"), fileBytes(folder_ + "/good/Tones 48k-Track04.wav"));

    // One track alone goes the one-track way, with the same gap.
    const std::string one = exportSong(1, folder_ + "/one", "--salvage --tracks 3");
    EXPECT_EQ(lastStatus_, 3);
    EXPECT_TRUE(contains(one, gap)) << one;
    EXPECT_EQ(fileBytes(folder_ + "/one/Tones 48k-Track03.wav"), expected);
}

// An archive reads the drive as read-only whatever its attachment, and a salvaging one reports its gap
// in the output, the salvage report and the inventory, in a bag that still checks.
TEST_F(DemoDrive, ASalvagingArchiveWritesNothingToTheDriveAndReportsItsGapInTheBag) {
    exportSong(1, folder_ + "/good");
    const Bytes good = fileBytes(folder_ + "/good/Tones 48k-Track03.wav");
    const uint64_t lba = lbaOf(Bytes(good.begin() + 44 + 4000 * 3, good.begin() + 44 + 4000 * 3 + 48));
    ASSERT_NE(lba, 0u);
    std::ofstream(image_ + ".faults") << "read-error " << lba << " " << lba << "\n";
    const std::string before = imageHash();

    const std::string bag = folder_ + "/bag";
    const ToolRun run = vxf("archive --drive 1 --salvage --out " + quoted(bag));
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_TRUE(contains(run.out, "silent gap: song \"Tones 48k\", track 3, samples 3925-4095")) << run.out;
    std::ifstream report(bag + "/data/salvage-report.txt");
    const std::string reportText((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(contains(reportText, "01 Tones 48k: song \"Tones 48k\", track 3, samples 3925-4095")) << reportText;
    std::ifstream inventory(bag + "/data/inventory.json");
    const std::string json((std::istreambuf_iterator<char>(inventory)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(contains(json, "\"gaps\": [{\"track\": 3, \"firstSample\": 3925, \"lastSample\": 4095")) << json;
    EXPECT_EQ(std::system(("cd " + quoted(bag) + " && sha256sum --strict --quiet -c manifest-sha256.txt").c_str()), 0);
    EXPECT_EQ(imageHash(), before);
}

}  // namespace
}  // namespace vxf::transfer::test
