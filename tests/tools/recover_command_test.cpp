// recover_command_test.cpp - vxf recover after a format or a delete, as a user runs it: the list, exports, restores.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "scan_fixture.h"
#include "tool_runner.h"
#include "volume_checks.h"

namespace vxfserver {
namespace {

namespace fs = std::filesystem;
using vxf::reliability::StoredSong;
using test::Bytes;
using test::kDriveSectors;

class RecoverCommand : public test::MaintenanceFixture {
protected:
    // Two projects after the format's own: Alpha with songs of 3 and 2 blocks, Beta with one of 1 block.
    uint32_t twoProjects() {
        uint32_t h = openFormatted();
        namedProject(h, "Alpha");
        songWithAudio(h, 3, 11);
        songWithAudio(h, 2, 12);
        namedProject(h, "Beta");
        songWithAudio(h, 1, 13);
        return h;
    }
    void namedProject(uint32_t h, const char* name) {
        ASSERT_EQ(tavovxfProjectCreate(h), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetExtName(h, name), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetName(h, name), VXF_OK);
    }
    // Every song's audio by record LBA.
    std::map<uint32_t, StoredSong> songsByLba(uint32_t h) {
        std::vector<std::string> problems;
        std::map<uint32_t, StoredSong> songs;
        for (StoredSong& s : vxf::reliability::readAllSongs(h, problems)) songs[s.lba] = s;
        EXPECT_TRUE(problems.empty()) << problems.front();
        return songs;
    }
    void expectConsistent() {
        uint32_t h = open();
        const std::vector<std::string> problems = vxf::reliability::consistencyProblems(h);
        EXPECT_TRUE(problems.empty()) << problems.front();
        ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
        // The scan finds nothing to mend either.
        const test::ToolRun scan = test::runTool("scan --drive 1", "2>&1");
        EXPECT_EQ(scan.out.rfind("scanned drive 1: 0 songs removed, 0 KiB of space corrected", 0), 0u) << scan.out;
    }
    test::ToolRun tool(const std::string& arguments) { return test::runTool(arguments, "2>&1"); }
    std::string dir(const std::string& name) {
        const std::string path = folder_ + "/" + name;
        fs::create_directories(path);
        return path;
    }
    static std::string fileBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The same file names with the same bytes in both folders.
    void expectSameFiles(const std::string& a, const std::string& b) {
        size_t files = 0;
        for (const auto& entry : fs::directory_iterator(a)) {
            ++files;
            EXPECT_EQ(fileBytes(entry.path()), fileBytes(fs::path(b) / entry.path().filename())) << entry.path();
        }
        EXPECT_EQ(files, size_t(std::distance(fs::directory_iterator(b), fs::directory_iterator{})));
        EXPECT_GT(files, 0u);
    }
    static size_t occurrences(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }
    uint32_t slotLba(uint32_t slot) { return layout::kSongLba + slot * layout::kSongLength; }
};

TEST_F(RecoverCommand, AfterAFormatEverySongIsIntactUnderItsOldProjectAndComesBackWhole) {
    uint32_t h = twoProjects();
    const auto before = songsByLba(h);
    ASSERT_EQ(before.size(), 3u);
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    ASSERT_EQ(tool("export --drive 1 --project 2 --song 1 --out " + dir("before") + " --yes").status, 0);
    ASSERT_EQ(tool("format --drive 1 --yes").status, 0);

    const test::ToolRun list = tool("recover list --drive 1");
    EXPECT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("old project in slot 2: Alpha, names 2 songs, 2 lost"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Alpha #2"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Beta #1"), std::string::npos) << list.out;
    const test::ToolRun json = tool("recover list --drive 1 --json");
    EXPECT_EQ(occurrences(json.out, "\"state\": \"intact\""), 3u) << json.out;
    // Sorted by old project and position: slot 0 (Alpha #1), 1 (Alpha #2), 2 (Beta #1).
    const std::string songs = json.out.substr(json.out.find("\"songs\""));
    EXPECT_LT(songs.find("\"slot\": 0,"), songs.find("\"slot\": 1,"));
    EXPECT_LT(songs.find("\"slot\": 1,"), songs.find("\"slot\": 2,"));

    // Read-only: with every write of the drive refused the list and the export still work, and no byte of the
    // system area or its mirror changes.
    const Bytes system = systemAndMirror(kDriveSectors);
    std::ofstream(drivePath_ + ".faults") << "write-error 0 " << kDriveSectors - 1 << "\n";
    EXPECT_EQ(tool("recover list --drive 1 --json").out, json.out);
    const test::ToolRun exported = tool("recover export --drive 1 --slot 0 --out " + dir("lost") + " --yes");
    EXPECT_EQ(exported.status, 0) << exported.out;
    fs::remove(drivePath_ + ".faults");
    EXPECT_EQ(systemAndMirror(kDriveSectors), system);
    expectSameFiles(folder_ + "/before", folder_ + "/lost");

    const test::ToolRun restore = tool("recover restore --drive 1 --all");
    EXPECT_EQ(restore.status, 0) << restore.out;
    EXPECT_EQ(occurrences(restore.out, "recreated with its old name"), 2u) << restore.out;
    h = open();
    const auto after = songsByLba(h);
    ASSERT_EQ(after.size(), 3u);
    for (const auto& [lba, song] : before) {
        ASSERT_EQ(after.count(lba), 1u);
        EXPECT_EQ(after.at(lba).project, song.project);
        EXPECT_EQ(after.at(lba).index, song.index);
        EXPECT_TRUE(vxf::reliability::sameAudio(song, after.at(lba), false));
    }
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    ASSERT_EQ(tool("export --drive 1 --project 2 --song 1 --out " + dir("after") + " --yes").status, 0);
    expectSameFiles(folder_ + "/before", folder_ + "/after");
    expectConsistent();
    EXPECT_NE(tool("recover list --drive 1").out.find("no lost songs"), std::string::npos);
}

// A deletion empties the record before it frees the slot, as the volume's rules have it: the song is
// found with its name and rate but no audio, and what a restore brings back is that empty song.
TEST_F(RecoverCommand, ADeletedSongIsFoundEmptiedOfItsAudio) {
    uint32_t h = openFormatted();
    songWithAudio(h, 2, 21);
    songWithAudio(h, 1, 22);
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    ASSERT_EQ(tool("delete song --drive 1 --project 1 --song 1 --yes").status, 0);

    const test::ToolRun json = tool("recover list --drive 1 --json");
    EXPECT_NE(json.out.find("\"slot\": 0, "), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"samples\": 0"), std::string::npos) << json.out;
    EXPECT_EQ(tool("recover restore --drive 1 --slot 0 --project 1").status, 0);
    expectConsistent();
}

TEST_F(RecoverCommand, ARestoreCutShortLosesNothingAndTheScanGivesTheSongAHome) {
    uint32_t h = openFormatted();
    songWithAudio(h, 2, 51);
    const auto before = songsByLba(h);
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    ASSERT_EQ(tool("format --drive 1 --yes").status, 0);
    // The project record refuses its write: the song has its slot and clusters but no list yet.
    std::ofstream(drivePath_ + ".faults") << "write-error " << layout::kProjectLba << " " << layout::kProjectLba << "\n";
    const test::ToolRun cut = tool("recover restore --drive 1 --slot 0 --project 1");
    fs::remove(drivePath_ + ".faults");
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.out.find("restore of slot 0: "), std::string::npos) << cut.out;
    ASSERT_EQ(tool("scan --drive 1").status, 0);
    h = open();
    const auto after = songsByLba(h);
    ASSERT_EQ(after.count(slotLba(0)), 1u);
    EXPECT_TRUE(vxf::reliability::sameAudio(before.at(slotLba(0)), after.at(slotLba(0)), false));
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    expectConsistent();
}

// Cluster arithmetic of the usual drive: 2 audio blocks a cluster, 8192 samples a block (24 tracks at 48 kHz).
TEST_F(RecoverCommand, ANewSongOverAnOldOnesClustersLeavesItPartlyOverwrittenAndPartialRestoresTheRest) {
    uint32_t h = openFormatted();
    ASSERT_EQ(tavovxfSongCreate(h, 24, 48000, 24), VXF_OK);  // slot 0, no audio
    Bytes old;
    songWithAudio(h, 6, 32, &old);  // slot 1: clusters 0-2
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    ASSERT_EQ(tool("format --drive 1 --yes").status, 0);
    h = open();
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    // Slot 0 again, its 4 blocks over clusters 0-1: the song of slot 1 loses its first two clusters.
    songWithAudio(h, 4, 33);
    const auto fresh = songsByLba(h);
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);

    const test::ToolRun json = tool("recover list --drive 1 --json");
    EXPECT_NE(json.out.find("\"state\": \"partly overwritten\", \"clusters\": 3, \"overwrittenClusters\": 2, "
                            "\"overwrittenSamples\": 32768, \"overwrittenSeconds\": 0.683, \"overwrittenPercent\": 66.67"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"detail\": \"0-1\""), std::string::npos) << json.out;
    const test::ToolRun refused = tool("recover restore --drive 1 --slot 1");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("give --partial"), std::string::npos) << refused.out;

    // The export fills the overwritten part with silence and says so.
    const test::ToolRun exported = tool("recover export --drive 1 --slot 1 --out " + dir("lost") + " --yes");
    EXPECT_EQ(exported.status, 0) << exported.out;
    EXPECT_NE(exported.out.find("exported as silence"), std::string::npos) << exported.out;

    const test::ToolRun partial = tool("recover restore --drive 1 --slot 1 --partial --project 1");
    EXPECT_EQ(partial.status, 0) << partial.out;
    EXPECT_NE(partial.out.find("2 overwritten clusters left out"), std::string::npos) << partial.out;
    h = open();
    const auto after = songsByLba(h);
    // The new song is untouched, bit for bit; the old one keeps its last cluster's audio.
    EXPECT_TRUE(vxf::reliability::sameAudio(fresh.at(slotLba(0)), after.at(slotLba(0)), false));
    ASSERT_EQ(after.count(slotLba(1)), 1u);
    const StoredSong& rest = after.at(slotLba(1));
    EXPECT_EQ(rest.length, 2u * kSamplesPerBlock);
    EXPECT_EQ(rest.tracks[0], Bytes(old.end() - 2 * kSamplesPerBlock * 3, old.end()));
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    expectConsistent();
}

TEST_F(RecoverCommand, DamagedRecordsAreRepairedFromTheSoundCopyOrListedAndNeverRestored) {
    uint32_t h = openFormatted();
    for (uint32_t seed = 41; seed < 46; ++seed) songWithAudio(h, 2, seed);  // slots 0-4, a cluster each
    const auto before = songsByLba(h);
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    ASSERT_EQ(tool("format --drive 1 --yes").status, 0);

    damageSector(drivePath_, slotLba(0));                         // one copy bad
    breakBothCopies(slotLba(1), layout::kSongInfoLength);         // both copies bad
    uint32_t runLba = 0;
    patchBothCopies(slotLba(2) + 2, layout::kSongBrLength, [](uint8_t* runs) { putWord(runs, 100); });
    // Slot 4 claims slot 3's cluster as well.
    patchBothCopies(slotLba(4) + 2, layout::kSongBrLength, [&](uint8_t* runs) {
        runLba = getWord(imageBytes(drivePath_, slotLba(3) + 2, 1).data());
        putWord(runs, runLba);
    });

    // Slot 3's first copy cannot be read at all: its mirror copy stands in.
    std::ofstream(drivePath_ + ".faults") << "read-error " << slotLba(3) << " " << slotLba(3) << "\n";
    const test::ToolRun json = tool("recover list --drive 1 --json");
    fs::remove(drivePath_ + ".faults");
    EXPECT_EQ(occurrences(json.out, "\"repairedCopies\": 1"), 2u) << json.out;
    EXPECT_NE(json.out.find("\"detail\": \"checksum fails in both copies\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"detail\": \"block runs reach outside the audio space\""), std::string::npos) << json.out;
    EXPECT_EQ(occurrences(json.out, "\"state\": \"damaged record\""), 2u) << json.out;
    EXPECT_EQ(occurrences(json.out, "\"state\": \"partly overwritten\""), 2u) << json.out;

    EXPECT_EQ(tool("recover restore --drive 1 --slot 1").status, 1);
    const test::ToolRun restore = tool("recover restore --drive 1 --all");
    EXPECT_EQ(restore.status, 0) << restore.out;
    EXPECT_NE(restore.out.find("restored slot 0"), std::string::npos) << restore.out;
    EXPECT_EQ(restore.out.find("restored slot 1"), std::string::npos) << restore.out;
    EXPECT_EQ(restore.out.find("restored slot 2"), std::string::npos) << restore.out;
    EXPECT_EQ(occurrences(restore.out, "give --partial"), 2u) << restore.out;

    // The bad copy was written again from the sound one.
    EXPECT_EQ(imageBytes(drivePath_, slotLba(0), 2),
              imageBytes(drivePath_, kDriveSectors - slotLba(0) - 2, 2));
    h = open();
    const auto after = songsByLba(h);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_TRUE(vxf::reliability::sameAudio(before.at(slotLba(0)), after.at(slotLba(0)), false));
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    expectConsistent();
}

}  // namespace
}  // namespace vxfserver
