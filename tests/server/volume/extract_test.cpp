// extract_test.cpp - the six diagnostic dumps, line for line, of a fresh volume and of a song with audio.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "api/handles.h"
#include "core/record.h"
#include "server_fixture.h"

namespace vxfserver {
namespace {

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

class Extract : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        extractDir_ = folder_ + "/extract";
        ::setenv("VXF_EXTRACT_DIR", extractDir_.c_str(), 1);
    }
    std::string dump(const std::string& name) {
        std::ifstream in(extractDir_ + "/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The checksum word a record holds on the drive.
    std::string checksumAt(uint64_t lba, uint32_t sectors = 1) {
        const test::Sector last = readSector(drivePath_, lba + sectors - 1);
        return hex(getWord(last.data() + 508));
    }
    std::string extractDir_;
};

// Lines compared one by one, so that a failure names the first that differs.
void expectSameLines(const std::string& actual, const std::string& expected) {
    std::istringstream a(actual), e(expected);
    std::string lineA, lineE;
    for (int n = 1; std::getline(e, lineE); ++n) {
        ASSERT_TRUE(std::getline(a, lineA)) << "missing line " << n << ": " << lineE;
        ASSERT_EQ(lineA, lineE) << "line " << n;
    }
    EXPECT_FALSE(std::getline(a, lineA)) << "extra line: " << lineA;
    EXPECT_EQ(actual, expected);  // line ends and the last line end as well
}

TEST_F(Extract, SuperBlockOfAFreshFortyGigabyteVolume) {
    uint32_t handle = openFormatted();
    ASSERT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    const std::string expected =
        "SUPER BLOCK\n\n"
        "Tag:\t\t\t\tTAVO VXF\n"
        "Version:\t\t\t1.10 \n"
        "Valid Word:\t\t\t0x55aacc33\n"
        "Sectors per Audio Block:\t1152\n"
        "Audio Blocks per Cluster:\t2\n\n"
        "Project List LBA:\t\t0x00000001\n"
        "Project List Length:\t\t1\n\n"
        "Song Bitmap LBA:\t\t0x00000002\n"
        "Song Bitmap Length:\t\t3\n\n"
        "Audio Bitmap LBA:\t\t0x00000005\n"
        "Audio Bitmap Length:\t\t15\n"
        "Audio Bitmap Active Words:\t1042\n"
        "Available Clusters:\t\t33338\n\n"
        "Project LBA:\t\t\t0x00000014\n"
        "Project Length:\t\t\t1\n"
        "Maximum Number of Projects:\t99\n"
        "Songs per Project:\t\t99\n\n"
        "Song LBA:\t\t\t0x00000077\n"
        "Song Info Length:\t\t2\n"
        "Song BR Length:\t\t\t5\n"
        "Song Length:\t\t\t7\n"
        "Current Number of Songs:\t0\n"
        "Maximum Number of Songs:\t9801\n\n"
        "Edit Space LBA:\t\t\t0x00010c76\n"
        "Edit Space Length:\t\t1215360\n"
        "Audio Blocks per Edit Space:\t1055\n\n"
        "Audio Space LBA:\t\t0x001397f6\n"
        "Audio Space Length:\t\t76812548\n\n"
        "Magic Number:\t\t\t0xffff0000\n"
        "Check Sum:\t\t\t" +
        checksumAt(0) + "\n";
    expectSameLines(dump("super_block.txt"), expected);
}

TEST_F(Extract, ProjectListAndOpenProjectOfAFreshVolume) {
    uint32_t handle = openFormatted();
    ASSERT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    std::string list =
        "PROJECT LIST\n\n"
        "Hard Disk Name:\t\tDrive Name\n"
        "Hard Disk Ext Name:\tDrive Name\n"
        "Last Project Handle:\t0x00000014\n"
        "Number of Projects:\t1\n"
        "\nProject Handles:\n"
        "\tProject 01: 0x00000014\n";
    for (int k = 2; k <= 99; ++k) list += "\tProject " + std::string(k < 10 ? "0" : "") + std::to_string(k) + ": 0x00000000\n";
    list += "\nMagic Number:\t0xfffe0001\nCheck Sum:\t" + checksumAt(1) + "\n";
    expectSameLines(dump("project_list.txt"), list);

    std::string project =
        "PROJECT INFORMATION\n\n"
        "Project Name:\t\tProj Name \n"
        "Project Ext Name:\tProj Name\n"
        "Last Song Handle:\t0x00000000\n"
        "Number of Songs:\t0\n"
        "\nSong Handles:\n";
    for (int k = 1; k <= 99; ++k) project += "\tSong " + std::string(k < 10 ? "0" : "") + std::to_string(k) + ": 0x00000000\n";
    project += "\nMagic Number:\t0xffeb0014\nCheck Sum:\t" + checksumAt(20) + "\n";
    expectSameLines(dump("primary_project.txt"), project);
}

TEST_F(Extract, BitmapsOfAFreshVolumeShowWordsAndStartingLbas) {
    uint32_t handle = openFormatted();
    ASSERT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    const std::string audio = dump("audio_bitmap.txt");
    EXPECT_EQ(audio.rfind("AUDIO BITMAP\n\nAllocated Clusters\t\tStarting LBA\n\n"
                          "0x00000000\t\t\t0x001397f6\n"
                          "0x00000000\t\t\t0x0014b7f6\n",
                          0),
              0u)
        << audio.substr(0, 200);
    std::string words;
    for (uint32_t w = 0; w < 1918; ++w) {
        const uint32_t word = w < 1041 ? 0 : w == 1041 ? 0xfc000000u : 0xffffffffu;
        words += hex(word) + "\t\t\t" + hex(0x001397f6u + w * 73728u) + "\n";
    }
    expectSameLines(audio, "AUDIO BITMAP\n\nAllocated Clusters\t\tStarting LBA\n\n" + words +
                               "\nMagic Number:\t0xfffa0005\nCheck Sum:\t" + checksumAt(5, 15) + "\n");

    std::string songWords;
    for (uint32_t w = 0; w < 382; ++w) {
        const uint32_t word = w < 306 ? 0 : w == 306 ? 0xfffffe00u : 0xffffffffu;
        songWords += hex(word) + "\t\t\t" + hex(119 + w * 224) + "\n";
    }
    expectSameLines(dump("song_bitmap.txt"), "SONG BITMAP\n\nAllocated Songs\t\t\tStarting LBA\n\n" + songWords +
                                                  "\nMagic Number:\t0xfffd0002\nCheck Sum:\t" + checksumAt(2, 3) +
                                                  "\n");
}

// The song dump of a record held in memory; every value named in its place.
std::string songDump(const std::string& privateAndPublic, const std::string& runs, const std::string& magics) {
    std::string text = "SONG INFORMATION\n" + privateAndPublic + "\nSlip Values:\n";
    for (int t = 1; t <= 24; ++t) text += "\tTrack " + std::string(t < 10 ? "0" : "") + std::to_string(t) + ": 0\n";
    return text + runs + magics;
}

TEST_F(Extract, WithNoSongCurrentTheSongDumpShowsAnEmptyRecord) {
    uint32_t handle = openFormatted();
    ASSERT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    std::string locates = "\nLocate Entries:\n";
    for (int i = 0; i <= 24; ++i) {
        locates += "\tLocate " + std::string(i < 10 ? "0" : "") + std::to_string(i) + "\n\t\tSample:\t0\n\t\tName:\t\n";
    }
    locates += "\nTempo Map Entries:\n";
    for (int i = 1; i <= 20; ++i) {
        locates += "\tEntry " + std::string(i < 10 ? "0" : "") + std::to_string(i) +
                   "\n\t\tMeasure Number:\t0\n\t\tBeat:\t\t0/0\n\t\tBPM:\t\t0\n";
    }
    locates += "\nInfo Header Magic Number:\t0x00000000\nInfo Header Check Sum:\t\t0x00000000\n";
    locates += "\n-- BLOCK RUN SECTION --\n";
    for (int n = 1; n <= 64; ++n) {
        locates += "BR entry: " + std::to_string(n) + "\n\tLBA:\t\t\t0x00000000\n\tAudio Block Length:\t0\n";
    }
    const std::string header =
        "\n-- PRIVATE SECTION --\n"
        "Number of Audio Blocks:\t\t\t0\n"
        "Private Attributes:\t\t\t0x00000000\n"
        "Number of Frames per Track Block:\t0\n"
        "Number of Sectors per Track Block:\t0\n"
        "Number of Samples per Track Block:\t0\n"
        "\n-- PUBLIC SECTION --\n"
        "Song Name:\t\t\n"
        "Song Ext Name:\t\t\n"
        "Number of Tracks:\t0\n"
        "Word Length:\t\t0 bits\n"
        "Sample Rate:\t\t0 Hz\n"
        "Number of Samples:\t0\n"
        "Attributes:\t\t0x00000000\n"
        "Pitch:\t\t\t0\n"
        "Loop Start:\t\t0\n"
        "Loop End:\t\t0\n"
        "Tempo Map Locate:\t0\n";
    expectSameLines(dump("primary_song.txt"),
                    songDump(header, locates, "\nBR Header Magic Number:\t0x00000000\nBR Header Check Sum:\t0x00000000\n"));
}

TEST_F(Extract, TheCurrentSongIsDumpedWithItsDefaultsAndBlockRuns) {
    uint32_t handle = openFormatted();
    ASSERT_EQ(tavovxfSongCreate(handle, 24, 48000, 24), VXF_OK);
    std::vector<uint8_t> samples(3 * 8192 * 2, 0x11);
    ASSERT_EQ(tavovxfTrackWrite(handle, 4, 0, 8192 * 2, 3, 0, samples.data()), VXF_OK);
    ASSERT_EQ(tavovxfSongSetName(handle, "Take 1"), VXF_OK);
    ASSERT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    const std::string song = dump("primary_song.txt");
    const std::string header =
        "SONG INFORMATION\n"
        "\n-- PRIVATE SECTION --\n"
        "Number of Audio Blocks:\t\t\t2\n"
        "Private Attributes:\t\t\t0x00000000\n"
        "Number of Frames per Track Block:\t16\n"
        "Number of Sectors per Track Block:\t48\n"
        "Number of Samples per Track Block:\t8192\n"
        "\n-- PUBLIC SECTION --\n"
        "Song Name:\t\tTake 1    \n"
        "Song Ext Name:\t\tSong Name\n"
        "Number of Tracks:\t24\n"
        "Word Length:\t\t24 bits\n"
        "Sample Rate:\t\t48000 Hz\n"
        "Number of Samples:\t16384\n"
        "Attributes:\t\t0x00000000\n"
        "Pitch:\t\t\t0\n"
        "Loop Start:\t\t1\n"
        "Loop End:\t\t2\n"
        "Tempo Map Locate:\t1\n"
        "\nSlip Values:\n"
        "\tTrack 01: 0\n";
    EXPECT_EQ(song.rfind(header, 0), 0u) << song.substr(0, 600);
    EXPECT_NE(song.find("\tLocate 00\n\t\tSample:\t0\n\t\tName:\t START  \n"), std::string::npos);
    EXPECT_NE(song.find("\tLocate 05\n\t\tSample:\t0\n\t\tName:\tLocNam05\n"), std::string::npos);
    EXPECT_NE(song.find("\tLocate 24\n\t\tSample:\t0\n\t\tName:\tEdit Out\n\nTempo Map Entries:\n"), std::string::npos);
    EXPECT_NE(song.find("\tEntry 01\n\t\tMeasure Number:\t0\n\t\tBeat:\t\t4/4\n\t\tBPM:\t\t120\n\tEntry 02\n"),
              std::string::npos);
    EXPECT_NE(song.find("\nInfo Header Magic Number:\t0xff880077\nInfo Header Check Sum:\t\t" + checksumAt(119, 2) +
                        "\n\n-- BLOCK RUN SECTION --\nBR entry: 1\n\tLBA:\t\t\t0x001397f6\n\tAudio Block Length:\t2\n"
                        "BR entry: 2\n\tLBA:\t\t\t0x00000000\n\tAudio Block Length:\t0\n"),
              std::string::npos)
        << song;
    EXPECT_NE(song.find("BR entry: 64\n\tLBA:\t\t\t0x00000000\n\tAudio Block Length:\t0\n"
                        "\nBR Header Magic Number:\t0xff860079\nBR Header Check Sum:\t" +
                        checksumAt(121, 5) + "\n"),
              std::string::npos);
}

TEST_F(Extract, AFolderThatCannotBeMadeReportsSuccessWithNoFiles) {
    uint32_t handle = openFormatted(1500000);
    std::ofstream(folder_ + "/plain") << "a file, not a folder";
    ::setenv("VXF_EXTRACT_DIR", (folder_ + "/plain/extract").c_str(), 1);
    EXPECT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/plain/extract"));
}

TEST_F(Extract, AFileThatCannotBeOpenedEndsTheDumpsThere) {
    uint32_t handle = openFormatted(1500000);
    std::filesystem::create_directories(extractDir_ + "/song_bitmap.txt");  // a folder in the file's place
    EXPECT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    EXPECT_TRUE(std::filesystem::is_regular_file(extractDir_ + "/super_block.txt"));
    EXPECT_TRUE(std::filesystem::is_regular_file(extractDir_ + "/project_list.txt"));
    EXPECT_FALSE(std::filesystem::exists(extractDir_ + "/audio_bitmap.txt"));
    EXPECT_FALSE(std::filesystem::exists(extractDir_ + "/primary_song.txt"));
}

TEST_F(Extract, AnUnformattedDriveFailsWithTheMountsErrorAndALockedOneStillExtracts) {
    makeDrive(1500000);
    uint32_t handle = open();
    EXPECT_EQ(tavovxfExtractFileSystem(handle), VXF_ERR_SUPER_CORRUPT2);
    EXPECT_FALSE(std::filesystem::exists(extractDir_));
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    ASSERT_TRUE(setHandleLock(handle, 1));
    EXPECT_EQ(tavovxfExtractFileSystem(handle), VXF_OK);
    EXPECT_TRUE(std::filesystem::is_regular_file(extractDir_ + "/primary_song.txt"));
}

}  // namespace
}  // namespace vxfserver
