// drive_sharing_test.cpp - the server beside another program on the same drive: waits and refusals, another program's changes noticed, writes on the medium before success.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

#include "core/drive_claim.h"
#include "core/drive_sharing.h"
#include "core/loaded_state.h"
#include "core/server_state.h"
#include "volume/project_record.h"
#include "platform/test_api.h"
#include "song_fixture.h"
#include "vxfx.h"
#ifdef VXF_TOOL
#include "tool_runner.h"
#endif

namespace vxfserver {
namespace {

using namespace test;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string inUseText() {
    char text[VXFX_IN_USE_TEXT_SIZE] = "x";
    EXPECT_EQ(vxfxGetInUseText(text, sizeof text), VXF_OK);
    return text;
}

class DriveSharing : public SongFixture {
protected:
    // Another program on the same image: an open file description of its own
    // is another owner of the lock, as another process would be.
    std::unique_ptr<DriveClaim> otherProgramHolding(ClaimPurpose purpose) {
        std::unique_ptr<DriveClaim> other = DriveClaim::open(drivePath_);
        EXPECT_TRUE(other && other->tryLock());
        if (other) other->noteHolder(purpose);
        return other;
    }

    // The holder's name as the shared record keeps it: cut to 15 characters, as the system keeps program names.
    static std::string thisProgram() {
        return std::string(program_invocation_short_name).substr(0, 15) + " (pid " + std::to_string(::getpid()) + ")";
    }

    std::string imageName() const { return drivePath_.substr(drivePath_.find_last_of('/') + 1); }

    std::string songExtName(uint32_t handle) {
        char name[VXF_EXT_NAME_SIZE] = {};
        EXPECT_EQ(tavovxfSongGetExtName(handle, name), VXF_OK);
        return name;
    }

    uint16_t songCount(uint32_t handle) {
        uint16_t count = 0;
        EXPECT_EQ(tavovxfSongGetNum(handle, &count), VXF_OK);
        return count;
    }

    uint64_t changeCount(uint32_t handle) {
        uint64_t count = 0;
        uint32_t busy = 9;
        EXPECT_EQ(vxfxDriveGetChangeCount(handle, &count, &busy), VXF_OK);
        EXPECT_EQ(busy, 0u);
        return count;
    }

    void nameSong(uint32_t handle, const char* name) {
        ASSERT_EQ(tavovxfSongSetExtName(handle, name), VXF_OK);
        ASSERT_EQ(tavovxfSongSetName(handle, name), VXF_OK);
    }
};

TEST_F(DriveSharing, AChangeWaitsTwoSecondsForAnotherProgramThenFailsNamingItWithoutTouchingTheDrive) {
    const uint32_t handle = openWithSong(2, 48000);
    const uint16_t songsBefore = songCount(handle);
    auto other = otherProgramHolding(ClaimPurpose::Change);
    ASSERT_TRUE(other);

    // What a display polls reads no sector and does not wait.
    resetCounters();
    uint64_t count = 0;
    uint32_t busy = 0;
    Clock::time_point start = Clock::now();
    ASSERT_EQ(vxfxDriveGetChangeCount(handle, &count, &busy), VXF_OK);
    EXPECT_LT(secondsSince(start), 0.1);
    EXPECT_EQ(busy, 1u);

    start = Clock::now();
    EXPECT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_ERR_DRIVE_LOCKED);
    const double waited = secondsSince(start);
    EXPECT_GE(waited, kExportWaitMilliseconds / 1000.0 - 0.05);
    EXPECT_LT(waited, kExportWaitMilliseconds / 1000.0 + 1.0);
    const std::string expected = "drive 1 (" + imageName() + ") is being changed by " + thisProgram() +
                                 "; try again when it has finished";
    EXPECT_EQ(inUseText(), expected);
    EXPECT_EQ(counters().reads, 0u);
    EXPECT_EQ(counters().writes, 0u);

    // The calls of one command that follow a refusal do not each wait in turn.
    start = Clock::now();
    EXPECT_EQ(tavovxfSongSetName(handle, "Late"), VXF_ERR_DRIVE_LOCKED);
    EXPECT_LT(secondsSince(start), 0.2);
    EXPECT_EQ(inUseText(), expected);
    EXPECT_EQ(counters().writes, 0u);

    // Let go within the second a refusal is remembered: the drive is tried all the same.
    other->unlock();
    start = Clock::now();
    EXPECT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_EQ(inUseText(), "");
    EXPECT_EQ(songCount(handle), songsBefore + 1);
}

TEST_F(DriveSharing, AReadingExportIsRefusedTheSameWayAndTheTextSaysWhatTheOtherProgramDoes) {
    const uint32_t handle = openWithSong(2, 48000);
    auto other = otherProgramHolding(ClaimPurpose::Read);
    ASSERT_TRUE(other);
    resetCounters();
    uint16_t songs = 7;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(tavovxfSongGetNum(handle, &songs), VXF_ERR_DRIVE_LOCKED);
    EXPECT_GE(secondsSince(start), kExportWaitMilliseconds / 1000.0 - 0.05);
    EXPECT_EQ(songs, 0);
    EXPECT_EQ(inUseText(), "drive 1 (" + imageName() + ") is being read by " + thisProgram() +
                               "; try again when it has finished");
    EXPECT_EQ(counters().reads, 0u);

    // A holder that wrote no record of itself is not named.
    other->unlock();
    ASSERT_TRUE(other->tryLock());
    uint32_t length = 0;
    EXPECT_EQ(tavovxfSongGetLength(handle, &length), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(inUseText(),
              "drive 1 (" + imageName() + ") is in use by another program; try again when it has finished");
    other->unlock();
    EXPECT_EQ(tavovxfSongGetNum(handle, &songs), VXF_OK);
    EXPECT_EQ(songs, 1);
}

TEST_F(DriveSharing, AnotherProgramThatFinishesWithinTheWaitIsWaitedFor) {
    const uint32_t handle = openWithSong(2, 48000);
    auto other = otherProgramHolding(ClaimPurpose::Change);
    ASSERT_TRUE(other);
    std::thread finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other->unlock();
    });
    const Clock::time_point start = Clock::now();
    const int32_t result = tavovxfSongCreate(handle, 2, 48000, 24);
    const double waited = secondsSince(start);
    finisher.join();
    EXPECT_EQ(result, VXF_OK);
    EXPECT_GE(waited, 0.29);
    EXPECT_LT(waited, 1.5);
    EXPECT_EQ(inUseText(), "");
    EXPECT_EQ(songCount(handle), 2);
}

#ifdef VXF_TOOL

// The vxf tool on this test's drive list (the fixture points VXF_DISK_ENUM at it).
ToolRun vxf(const std::string& arguments) { return runTool(arguments + " </dev/null", "2>&1"); }

TEST_F(DriveSharing, ASongAnotherProgramCreatedIsSeenAndKeptAndTheRefreshWritesNothing) {
    const uint32_t handle = openWithSong(2, 48000);
    nameSong(handle, "Take 1");
    const uint64_t before = changeCount(handle);

    const ToolRun created = vxf("create song --drive 1 --project 1 --tracks 2 --rate 48000 --name CLI3");
    ASSERT_EQ(created.status, 0) << created.out;

    // Read afresh without a write of its own: a refresh counts no change, or two
    // programs following each other would refresh for ever.
    resetCounters();
    EXPECT_EQ(songCount(handle), 2);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_GT(counters().reads, 0u);
    EXPECT_EQ(changeCount(handle), before + 1);
    EXPECT_EQ(songExtName(handle), "Take 1");

    ASSERT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
    nameSong(handle, "Server");
    EXPECT_EQ(songCount(handle), 3);

    // Its own changes do not make the server read the drive again.
    resetCounters();
    EXPECT_EQ(songExtName(handle), "Server");
    EXPECT_EQ(songCount(handle), 3);
    EXPECT_EQ(counters().reads, 0u);

    const ToolRun listed = vxf("songs --drive 1 --project 1 --json");
    ASSERT_EQ(listed.status, 0) << listed.out;
    const size_t take = listed.out.find("\"number\": 1, \"name\": \"Take 1\"");
    const size_t cli = listed.out.find("\"number\": 2, \"name\": \"CLI3\"");
    const size_t server = listed.out.find("\"number\": 3, \"name\": \"Server\"");
    EXPECT_TRUE(take != std::string::npos && cli != std::string::npos && server != std::string::npos) << listed.out;
    const ToolRun scanned = vxf("scan --drive 1");
    EXPECT_NE(scanned.out.find("0 songs removed, 0 KiB of space corrected"), std::string::npos) << scanned.out;
}

TEST_F(DriveSharing, ASongAnotherProgramDeletedIsNeitherUsedNorWrittenThroughTheOldHandle) {
    const uint32_t handle = openWithSong(2, 48000);
    nameSong(handle, "Keep");
    const Bytes kept = randomBytes(3 * 20000, 1);
    ASSERT_EQ(tavovxfTrackWrite(handle, 0, 0, 20000, 3, 0, kept.data()), VXF_OK);
    ASSERT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
    nameSong(handle, "Gone");
    const Bytes gone = randomBytes(3 * 200000, 2);
    ASSERT_EQ(tavovxfTrackWrite(handle, 0, 0, 200000, 3, 0, gone.data()), VXF_OK);
    const uint32_t goneRecord = state().song.lba;
    const uint32_t goneAudio = state().song.runs[0].lba;
    ASSERT_NE(goneAudio, 0u);

    const ToolRun deleted = vxf("delete song --drive 1 --project 1 --song 2 --yes");
    ASSERT_EQ(deleted.status, 0) << deleted.out;
    const Bytes freedRecord = imageBytes(drivePath_, goneRecord, layout::kSongLength);
    const Bytes freedAudio = imageBytes(drivePath_, goneAudio, 1152);

    vxf1394::testing::startJournal();
    char name[VXF_EXT_NAME_SIZE] = "x";
    EXPECT_EQ(tavovxfSongGetExtName(handle, name), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_STREQ(name, "");
    const Bytes late = randomBytes(3 * 1000, 3);
    EXPECT_EQ(tavovxfTrackWrite(handle, 0, 0, 1000, 3, 0, late.data()), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(tavovxfSongSetName(handle, "Ghost"), VXF_ERR_NO_PRIMARY_SONG);
    const auto journal = vxf1394::testing::takeJournal();
    EXPECT_TRUE(journal.empty()) << journal.size() << " writes or flushes";
    EXPECT_EQ(imageBytes(drivePath_, goneRecord, layout::kSongLength), freedRecord);
    EXPECT_EQ(imageBytes(drivePath_, goneAudio, 1152), freedAudio);

    EXPECT_EQ(songCount(handle), 1);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
    EXPECT_EQ(songExtName(handle), "Keep");
    EXPECT_EQ(readTrack(handle, 0, 0, 20000), kept);
    expectVolumeConsistent(handle, true);
}

// A handle remembers its song by the slot of its record; when another program deletes that
// song and makes a new one, the new song takes the freed slot: the old handle must not take it
// for its own and write into it.
TEST_F(DriveSharing, AHandleWhoseSongWasDeletedDoesNotTakeOverTheSongMadeInItsSlot) {
    const uint32_t handle = openWithSong(2, 48000);
    nameSong(handle, "Keep");
    ASSERT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
    nameSong(handle, "Gone");
    ASSERT_EQ(vxf("delete song --drive 1 --project 1 --song 2 --yes").status, 0);
    ASSERT_EQ(vxf("create song --drive 1 --project 1 --tracks 2 --rate 48000 --name New").status, 0);

    char name[VXF_EXT_NAME_SIZE] = "x";
    EXPECT_EQ(tavovxfSongGetExtName(handle, name), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_STREQ(name, "");
    const Bytes late = randomBytes(3 * 1000, 3);
    EXPECT_EQ(tavovxfTrackWrite(handle, 0, 0, 1000, 3, 0, late.data()), VXF_ERR_NO_PRIMARY_SONG);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 1), VXF_OK);
    EXPECT_EQ(songExtName(handle), "New");
    EXPECT_EQ(songLength(handle), 0u);
}

#endif  // VXF_TOOL

TEST_F(DriveSharing, AnExportThatWroteEndsWithAFlushAndAListingFlushesNothing) {
    const uint32_t handle = openWithSong(2, 48000);
    const Bytes audio = randomBytes(3 * 100000, 4);
    vxf1394::testing::startJournal();
    ASSERT_EQ(tavovxfTrackWrite(handle, 0, 0, 100000, 3, 0, audio.data()), VXF_OK);
    auto journal = vxf1394::testing::takeJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_TRUE(journal.back().flush);
    // The audio reaches the medium before the record that claims it: a flush lies between them.
    size_t firstFlush = 0;
    while (firstFlush < journal.size() && !journal[firstFlush].flush) ++firstFlush;
    EXPECT_GT(firstFlush, 0u);
    EXPECT_LT(firstFlush + 1, journal.size());

    vxf1394::testing::startJournal();
    resetCounters();
    uint16_t count = 0;
    uint32_t value = 0;
    EXPECT_EQ(tavovxfSongGetNum(handle, &count), VXF_OK);
    EXPECT_EQ(tavovxfSongGetLength(handle, &value), VXF_OK);
    EXPECT_EQ(tavovxfDriveGetFreeSpace(handle, &value), VXF_OK);
    EXPECT_EQ(readTrack(handle, 0, 0, 100000), audio);
    journal = vxf1394::testing::takeJournal();
    EXPECT_TRUE(journal.empty()) << journal.size() << " writes or flushes";
    EXPECT_EQ(counters().scsiCalls, 0u);
}

TEST_F(DriveSharing, AWriteTheDriveCannotBringToTheMediumIsNeverReportedAsDone) {
    const uint32_t handle = openWithSong(2, 48000);
    const Bytes audio = randomBytes(3 * 50000, 5);
    ASSERT_EQ(tavovxfTrackWrite(handle, 0, 0, 50000, 3, 0, audio.data()), VXF_OK);
    vxf1394::testing::Faults faults;
    faults.flushError = true;
    vxf1394::testing::setFaults(drivePath_, faults);
    // Audio over audio: no record waits for it, only the flush at the end stands between it and success.
    EXPECT_EQ(tavovxfTrackWrite(handle, 1, 0, 1000, 3, 0, audio.data()), VXF_ERR_DISK_WRITE);
    EXPECT_EQ(tavovxfSongSetName(handle, "Lost"), VXF_ERR_DISK_WRITE);
    EXPECT_EQ(tavovxfTrackWrite(handle, 0, 50000, 50000, 3, 0, audio.data()), VXF_ERR_DISK_WRITE);
    EXPECT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_ERR_DISK_WRITE);

    // Held, a track write's records wait with its audio: the release is what reports the failure.
    vxf1394::testing::clearFaults(drivePath_);
    ASSERT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
    ASSERT_EQ(vxfxDriveHold(handle, VXFX_PURPOSE_CHANGE, 0), VXF_OK);
    ASSERT_EQ(tavovxfTrackWrite(handle, 0, 0, 50000, 3, 0, audio.data()), VXF_OK);
    vxf1394::testing::setFaults(drivePath_, faults);
    EXPECT_EQ(vxfxDriveRelease(handle), VXF_ERR_DISK_WRITE);
}

// A flush that failed on one drive is the failure of the export that made it, and of no later
// export on another drive.
TEST_F(DriveSharing, AFlushFailureOfOneDriveDoesNotFailTheExportsOfAnother) {
    const std::string a = makeImage("a.img", 1500000);
    const std::string b = makeImage("b.img", 1500000);
    enumerate({a, b});
    const uint32_t onA = open(0);
    const uint32_t onB = open(1);
    ASSERT_EQ(tavovxfDriveFormat(onA), VXF_OK);
    ASSERT_EQ(tavovxfDriveFormat(onB), VXF_OK);
    vxf1394::testing::Faults faults;
    faults.flushError = true;
    vxf1394::testing::setFaults(a, faults);
    EXPECT_EQ(tavovxfProjectSetName(onA, "Lost"), VXF_ERR_DISK_WRITE);
    tavovxfDriveClose(onA);
    uint16_t projects = 0;
    EXPECT_EQ(tavovxfProjectGetNum(onB, &projects), VXF_OK);
    EXPECT_EQ(projects, 1);
    EXPECT_EQ(tavovxfProjectSetName(onB, "Fine"), VXF_OK);
}


// --- the bookkeeping of selections while the drive is held ---

class HeldSelections : public DriveSharing {
protected:
    uint32_t openWithSongs(uint16_t songs) {
        const uint32_t handle = openWithSong(2, 48000);
        for (uint16_t i = 1; i < songs; ++i) EXPECT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
        return handle;
    }

    // As `vxf songs` lists: every song made current to read its facts, then the primary one again.
    void listEverySong(uint32_t handle) {
        uint16_t count = 0;
        uint16_t primary = 0;
        ASSERT_EQ(tavovxfSongGetNum(handle, &count), VXF_OK);
        ASSERT_EQ(tavovxfSongGetLastPrimary(handle, &primary), VXF_OK);
        for (uint16_t i = 0; i < count; ++i) {
            ASSERT_EQ(tavovxfSongSetPrimary(handle, i), VXF_OK);
            uint16_t tracks = 0;
            uint32_t length = 1;
            ASSERT_EQ(tavovxfTrackGetNum(handle, &tracks), VXF_OK);
            ASSERT_EQ(tavovxfSongGetLength(handle, &length), VXF_OK);
            EXPECT_EQ(tracks, 2);
            EXPECT_EQ(length, 0u);
        }
        ASSERT_EQ(tavovxfSongSetPrimary(handle, primary), VXF_OK);
    }

    static size_t writesIn(const std::vector<vxf1394::testing::JournalEntry>& journal) {
        size_t writes = 0;
        for (const auto& entry : journal) writes += entry.flush ? 0 : 1;
        return writes;
    }

    uint32_t lastSongOnImage(uint32_t project) {
        ProjectRecord record{};
        EXPECT_EQ(decodeProjectRecord(readSector(drivePath_, project).data(), project, record), 0);
        return record.lastSongHandle;
    }
};

TEST_F(HeldSelections, AListingOfNinetyNineSongsThatEndsOnThePrimarySongWritesNothing) {
    const uint32_t handle = openWithSongs(99);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 40), VXF_OK);
    const Bytes system = systemArea(drivePath_, 99);
    const uint64_t changes = changeCount(handle);

    vxf1394::testing::startJournal();
    ASSERT_EQ(vxfxDriveHold(handle, VXFX_PURPOSE_READ, 0), VXF_OK);
    listEverySong(handle);
    ASSERT_EQ(vxfxDriveRelease(handle), VXF_OK);
    const auto journal = vxf1394::testing::takeJournal();
    EXPECT_EQ(writesIn(journal), 0u);
    EXPECT_TRUE(journal.empty()) << journal.size() << " writes or flushes";
    EXPECT_EQ(changeCount(handle), changes);

#ifdef VXF_TOOL
    for (const char* command : {"songs --drive 1 --project 1", "songs --drive 1 --project 1 --json"}) {
        const ToolRun listed = vxf(command);
        ASSERT_EQ(listed.status, 0) << listed.out;
        EXPECT_NE(listed.out.find("99"), std::string::npos) << listed.out;
    }
    EXPECT_EQ(changeCount(handle), changes);
#endif
    EXPECT_EQ(systemArea(drivePath_, 99), system);
    uint16_t primary = 0;
    ASSERT_EQ(tavovxfSongGetLastPrimary(handle, &primary), VXF_OK);
    EXPECT_EQ(primary, 40);
}

TEST_F(HeldSelections, AHeldSelectionIsWrittenOnceAtTheReleaseAndKeptByTheRecordsOtherWrites) {
    const uint32_t handle = openWithSongs(3);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
    const uint32_t project = state().openProject;
    const uint32_t first = state().song.lba;

    vxf1394::testing::startJournal();
    ASSERT_EQ(vxfxDriveHold(handle, VXFX_PURPOSE_READ, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 2), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 1), VXF_OK);
    const uint32_t chosen = state().song.lba;
    EXPECT_EQ(writesIn(vxf1394::testing::takeJournal()), 0u);
    EXPECT_EQ(lastSongOnImage(project), first);

    // A project opened afresh meanwhile still knows the choice.
    vxf1394::testing::startJournal();
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
    uint16_t primary = 0;
    ASSERT_EQ(tavovxfSongGetLastPrimary(handle, &primary), VXF_OK);
    EXPECT_EQ(primary, 1);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 1), VXF_OK);
    ASSERT_EQ(vxfxDriveRelease(handle), VXF_OK);
    auto journal = vxf1394::testing::takeJournal();
    ASSERT_EQ(writesIn(journal), 2u) << "the record and its mirror, once";
    size_t firstCopies = 0;
    for (const auto& entry : journal) firstCopies += !entry.flush && entry.lba == project ? 1 : 0;
    EXPECT_EQ(firstCopies, 1u);
    EXPECT_EQ(lastSongOnImage(project), chosen);

    // Held again, a rename of the project writes the choice waiting with the new name, in one record.
    ASSERT_EQ(vxfxDriveHold(handle, VXFX_PURPOSE_CHANGE, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 2), VXF_OK);
    const uint32_t third = state().song.lba;
    ASSERT_EQ(tavovxfProjectSetExtName(handle, "Renamed"), VXF_OK);
    EXPECT_EQ(lastSongOnImage(project), third);
    vxf1394::testing::startJournal();
    ASSERT_EQ(vxfxDriveRelease(handle), VXF_OK);
    EXPECT_EQ(writesIn(vxf1394::testing::takeJournal()), 0u);
    uint32_t unused = 0;
    ASSERT_EQ(remount(unused), VXF_OK);
    const uint32_t again = reopen();
    ASSERT_EQ(tavovxfSongGetLastPrimary(again, &primary), VXF_OK);
    EXPECT_EQ(primary, 2);
    char name[VXF_EXT_NAME_SIZE] = {};
    ASSERT_EQ(tavovxfProjectGetExtName(again, name), VXF_OK);
    EXPECT_EQ(std::string(name).substr(0, 7), "Renamed");
}

TEST_F(HeldSelections, AChangeByAnotherProgramDropsTheWaitingChoiceUnwritten) {
    const uint32_t handle = openWithSongs(3);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
    const uint32_t project = state().openProject;
    ASSERT_EQ(vxfxDriveHold(handle, VXFX_PURPOSE_READ, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 2), VXF_OK);

    // Another program reorders the songs; this one notices the change and forgets what it had loaded.
    patchBothCopies(project, 1, [](uint8_t* sector) {
        uint8_t* handles = sector + 0x20;
        uint8_t first[4];
        std::memcpy(first, handles, 4);
        std::memcpy(handles, handles + 4, 4);
        std::memcpy(handles + 4, first, 4);
    });
    const Bytes theirs = imageBytes(drivePath_, project, 1);
    forgetCurrentDrive();

    vxf1394::testing::startJournal();
    ASSERT_EQ(vxfxDriveRelease(handle), VXF_OK);
    EXPECT_EQ(writesIn(vxf1394::testing::takeJournal()), 0u);
    EXPECT_EQ(imageBytes(drivePath_, project, 1), theirs);
}

}  // namespace
}  // namespace vxfserver
