// crash_sweep_test.cpp - every write request of a changing operation made to fail once, and the drive cut off at it: nothing that was on the drive is lost.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iostream>
#include <map>

#include "image_snapshot.h"
#include "server_state.h"
#include "song_fixture.h"
#include "super_block.h"
#include "volume_checks.h"

namespace vxf::reliability {
namespace {

using fuzz::ImageSnapshot;
using vxfserver::test::randomBytes;
using vxfserver::test::smallDriveSectors;

// What a song must look like after a cut: whole, its old samples kept (it was growing), or nothing (it was going).
enum class Keep { Whole, Prefix, Nothing };

struct Operation {
    explicit Operation(std::string operationName) : name(std::move(operationName)) {}
    std::string name;
    // Selections before the failure is armed (they may write).
    std::function<void(uint32_t handle)> prepare = [](uint32_t) {};
    std::function<int32_t(uint32_t handle)> run;
    std::function<Keep(const StoredSong&)> keep = [](const StoredSong&) { return Keep::Whole; };
    // Format: the old volume may be gone after a cut; the fault must only be reported cleanly.
    bool formats = false;
};

// A write request that fails once (the operation gives up, the drive is fine), the drive cut off at
// that request (every later one fails too), or a failed request after which the user goes on working
// in the same session before anything is read again.
enum class Fault { OneWrite, Cut, OneWriteThenGoOn };

std::string describe(Fault fault, uint32_t k, uint32_t writes) {
    const std::string which = std::to_string(k) + " of " + std::to_string(writes);
    switch (fault) {
        case Fault::OneWrite: return "write " + which + " failing";
        case Fault::Cut: return "cut off from write " + which;
        case Fault::OneWriteThenGoOn: return "write " + which + " failing, then a new song recorded";
    }
    return which;
}

struct Tally {
    uint32_t writes = 0;
    uint32_t tried = 0;
    uint32_t held = 0;
    uint32_t unsafeBeforeScan = 0;
};

constexpr uint32_t kBlock8 = 24576;  // samples per track block of an 8-track song

// Selects project p and, unless s < 0, its song s.
void select(uint32_t h, uint16_t p, int s = -1) {
    ASSERT_EQ(tavovxfProjectSetPrimary(h, p), VXF_OK);
    if (s >= 0) {
        ASSERT_EQ(tavovxfSongSetPrimary(h, uint16_t(s)), VXF_OK);
    }
}

class CrashSweep : public vxfserver::test::SongFixture {
protected:
    static constexpr uint32_t kClusters = 24;

    // The volume every sweep starts from: two projects, four songs with audio, one of them protected.
    //   project 0: A (8 tracks, 48 kHz, two blocks), B (2 tracks, 44.1 kHz), P (6 tracks, 96 kHz, protected)
    //   project 1: C (16 tracks, 48 kHz)
    void buildBaseVolume() {
        const uint32_t h = openFormatted(smallDriveSectors(kClusters));
        ASSERT_EQ(tavovxfProjectSetName(h, "Base"), VXF_OK);
        createSongWithAudio(h, 8, 48000, kBlock8 + 5000, 8, 1);
        createSongWithAudio(h, 2, 44100, 1000, 2, 2);
        createSongWithAudio(h, 6, 96000, 5001, 3, 3);
        ASSERT_EQ(tavovxfSongSetWriteProtect(h, 1), VXF_OK);
        ASSERT_EQ(tavovxfProjectCreate(h), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetName(h, "Second"), VXF_OK);
        createSongWithAudio(h, 16, 48000, 9000, 16, 4);
        closeAll();
    }

    void createSongWithAudio(uint32_t h, uint16_t tracks, uint32_t rate, uint32_t samples, uint16_t written,
                             uint32_t seed) {
        ASSERT_EQ(tavovxfSongCreate(h, tracks, rate, 24), VXF_OK);
        for (uint16_t t = 0; t < written; ++t) {
            const Bytes audio = randomBytes(size_t(samples) * 3, seed * 100 + t);
            ASSERT_EQ(tavovxfTrackWrite(h, t, 0, samples, 3, 0, audio.data()), VXF_OK);
        }
    }

    void closeAll() {
        for (const vxfserver::DriveSlot& slot : vxfserver::state().slots) {
            if (slot.inUse != 0) tavovxfDriveClose(slot.handle);
        }
        errorText();
    }

    // A fresh handle on the drive as it is now; answers the mount's result.
    int32_t mountAfresh(uint32_t& handle) {
        closeAll();
        return remount(handle);
    }

    // Runs `op` once per write request it makes, failing that request, and again with every
    // request from it on failing; checks the drive after each and answers the figures.
    Tally sweep(const Operation& op) {
        uint32_t h = 0;
        EXPECT_EQ(mountAfresh(h), VXF_OK);
        // Songs that do not load before the operation (the scan's broken one) have nothing to keep.
        std::vector<std::string> ignored;
        before_ = readAllSongs(h, ignored);
        closeAll();
        EXPECT_TRUE(snapshot_.capture(drivePath_));

        Tally tally;
        restore(h);
        op.prepare(h);
        resetCounters();
        EXPECT_EQ(op.run(h), VXF_OK) << op.name << " without a fault";
        tally.writes = uint32_t(counters().writes);
        EXPECT_GT(tally.writes, 0u) << op.name;

        for (uint32_t k = 1; k <= tally.writes; ++k) {
            for (Fault fault : {Fault::OneWrite, Fault::Cut, Fault::OneWriteThenGoOn}) {
                const std::string where = op.name + ": " + describe(fault, k, tally.writes);
                restore(h);
                op.prepare(h);
                if (fault == Fault::Cut) {
                    vxf1394::testing::failWritesAfter(k - 1);
                } else {
                    vxf1394::testing::failNthWrite(k);
                }
                const int32_t result = op.run(h);
                vxf1394::testing::clearWriteFailures();
                if (fault == Fault::OneWriteThenGoOn) goOn(h);
                bool unsafe = false;
                const std::vector<std::string> found = checkAfterCut(op, result, unsafe);
                ++tally.tried;
                tally.held += found.empty() ? 1 : 0;
                tally.unsafeBeforeScan += unsafe ? 1 : 0;
                for (const std::string& problem : found) ADD_FAILURE() << where << ": " << problem;
            }
        }
        std::cout << "[sweep] " << op.name << ": " << tally.writes << " write requests, " << tally.tried
                  << " cut points tried, " << tally.held << " held; " << tally.unsafeBeforeScan
                  << " left a song's cluster marked free until the scan\n";
        RecordProperty("cut_points", int(tally.tried));
        RecordProperty("held", int(tally.held));
        return tally;
    }

    // After a failure, in the same session: a new song in the first project and a block of audio
    // recorded into it. Whatever the failure left in memory must not make this overwrite a song.
    static void goOn(uint32_t h) {
        const Bytes audio = randomBytes(size_t(3000) * 3, 99);
        tavovxfProjectSetPrimary(h, 0);
        if (tavovxfSongCreate(h, 2, 48000, 24) == VXF_OK) tavovxfTrackWrite(h, 1, 0, 3000, 3, 0, audio.data());
    }

    void restore(uint32_t& h) {
        closeAll();
        ASSERT_TRUE(snapshot_.restore(drivePath_));
        h = open();
    }

    std::vector<std::string> checkAfterCut(const Operation& op, int32_t result, bool& unsafe) {
        std::vector<std::string> problems;
        if (result != VXF_OK && result != VXF_ERR_DISK_WRITE) {
            problems.push_back("the operation reported error " + std::to_string(result) + " for a failed write");
        }
        uint32_t h = 0;
        const int32_t mounted = mountAfresh(h);
        if (op.formats && mounted != VXF_OK) {
            // The old volume may be gone; a new format must then succeed.
            if (tavovxfDriveFormat(h) != VXF_OK) problems.push_back("the drive cannot be formatted again");
        } else if (mounted != VXF_OK) {
            problems.push_back("the volume does not mount: error " + std::to_string(mounted));
            return problems;
        }
        if (!safetyProblems(h).empty()) unsafe = true;
        checkSongs(op, h, problems, "after the cut");
        const int32_t scanned = tavovxfDriveScan(h);
        if (scanned != VXF_OK) {
            problems.push_back("the scan fails: error " + std::to_string(scanned));
            return problems;
        }
        if (mountAfresh(h) != VXF_OK) {
            problems.push_back("the volume does not mount after the scan");
            return problems;
        }
        for (const std::string& problem : consistencyProblems(h)) problems.push_back("after the scan, " + problem);
        checkSongs(op, h, problems, "after the scan");
        return problems;
    }

    void checkSongs(const Operation& op, uint32_t h, std::vector<std::string>& problems, const std::string& when) {
        if (op.formats) return;
        std::vector<std::string> ignored;
        std::map<uint32_t, StoredSong> now;
        for (StoredSong& song : readAllSongs(h, ignored)) now[song.lba] = std::move(song);
        for (const StoredSong& song : before_) {
            const Keep keep = op.keep(song);
            if (keep == Keep::Nothing) continue;
            auto found = now.find(song.lba);
            if (found == now.end()) {
                problems.push_back(when + ", the song at " + std::to_string(song.lba) + " is gone");
            } else if (!sameAudio(song, found->second, keep == Keep::Prefix)) {
                problems.push_back(when + ", the song at " + std::to_string(song.lba) +
                                   " does not read back as it was");
            }
        }
    }

    ImageSnapshot snapshot_;
    std::vector<StoredSong> before_;
};

bool isSongA(const StoredSong& song) { return song.project == 0 && song.index == 0; }

// Every cut point must hold: each failure is listed by the sweep itself.
void expectAllHeld(const Tally& tally) {
    EXPECT_GT(tally.tried, 0u);
    EXPECT_EQ(tally.held, tally.tried);
}

TEST_F(CrashSweep, Format) {
    buildBaseVolume();
    Operation op("format");
    op.run = [](uint32_t h) { return tavovxfDriveFormat(h); };
    op.formats = true;
    expectAllHeld(sweep(op));
}

TEST_F(CrashSweep, ProjectCreate) {
    buildBaseVolume();
    Operation op("project create");
    op.prepare = [](uint32_t h) { select(h, 0); };
    op.run = [](uint32_t h) { return tavovxfProjectCreate(h); };
    expectAllHeld(sweep(op));
}

TEST_F(CrashSweep, ProjectDelete) {
    buildBaseVolume();
    Operation op("project delete");
    op.prepare = [](uint32_t h) { select(h, 1); };
    op.run = [](uint32_t h) { return tavovxfProjectDelete(h); };
    op.keep = [](const StoredSong& song) { return song.project == 1 ? Keep::Nothing : Keep::Whole; };
    expectAllHeld(sweep(op));
}

TEST_F(CrashSweep, SongCreate) {
    buildBaseVolume();
    Operation op("song create");
    op.prepare = [](uint32_t h) { select(h, 0); };
    op.run = [](uint32_t h) { return tavovxfSongCreate(h, 8, 48000, 24); };
    expectAllHeld(sweep(op));
}

TEST_F(CrashSweep, SongDelete) {
    buildBaseVolume();
    Operation op("song delete");
    op.prepare = [](uint32_t h) { select(h, 0, 0); };
    op.run = [](uint32_t h) { return tavovxfSongDelete(h); };
    op.keep = [](const StoredSong& song) { return isSongA(song) ? Keep::Nothing : Keep::Whole; };
    expectAllHeld(sweep(op));
}

// Song A grows from its end by three blocks in one call, on one track or on all of them at once.
Operation growingWrite(bool allTracks) {
    constexpr uint32_t kSamples = 2 * kBlock8 + 700;
    Operation op(allTracks ? "growing write of all tracks" : "growing track write");
    op.prepare = [](uint32_t h) { select(h, 0, 0); };
    const Bytes audio = randomBytes(size_t(kSamples) * 3, allTracks ? 78 : 77);
    op.run = [audio, allTracks](uint32_t h) {
        uint32_t length = 0;
        tavovxfSongGetLength(h, &length);
        if (!allTracks) return tavovxfTrackWrite(h, 5, length, kSamples, 3, 0, audio.data());
        std::vector<const void*> sources(VXF_MAX_TRACKS, audio.data());
        return tavovxfTrackWriteAll(h, length, kSamples, 3, 0, sources.data());
    };
    op.keep = [](const StoredSong& song) { return isSongA(song) ? Keep::Prefix : Keep::Whole; };
    return op;
}

TEST_F(CrashSweep, GrowingTrackWrite) {
    buildBaseVolume();
    expectAllHeld(sweep(growingWrite(false)));
}

TEST_F(CrashSweep, GrowingWriteOfAllTracks) {
    buildBaseVolume();
    expectAllHeld(sweep(growingWrite(true)));
}

// Drive, project and song renamed, short and extended names, one after the other.
TEST_F(CrashSweep, Rename) {
    buildBaseVolume();
    Operation op("rename");
    op.prepare = [](uint32_t h) { select(h, 0, 1); };
    op.run = [](uint32_t h) {
        for (int32_t code : {tavovxfDriveSetName(h, "Renamed"), tavovxfDriveSetExtName(h, "Renamed drive"),
                             tavovxfProjectSetName(h, "Renamed"), tavovxfProjectSetExtName(h, "Renamed project"),
                             tavovxfSongSetName(h, "Renamed"), tavovxfSongSetExtName(h, "Renamed song")}) {
            if (code != VXF_OK) return code;
        }
        return int32_t(VXF_OK);
    };
    expectAllHeld(sweep(op));
}

TEST_F(CrashSweep, SetWriteProtect) {
    buildBaseVolume();
    Operation op("set write protect");
    op.prepare = [](uint32_t h) { select(h, 0, 0); };
    op.run = [](uint32_t h) { return tavovxfSongSetWriteProtect(h, 1); };
    expectAllHeld(sweep(op));
}

TEST_F(CrashSweep, Upgrade) {
    buildBaseVolume();
    patchSuperBlock(drivePath_, uint32_t(smallDriveSectors(kClusters)),
                    [](vxfserver::SuperBlock& sb) { std::memcpy(sb.version, vxfserver::kVersion100, 6); });
    Operation op("upgrade");
    op.run = [](uint32_t h) { return tavovxfDriveUpgrade(h); };
    expectAllHeld(sweep(op));
}

// A scan with work to do: a song no project lists, a cluster marked that no song uses,
// and a song whose record is broken in both copies.
TEST_F(CrashSweep, Scan) {
    buildBaseVolume();
    uint32_t h = 0;
    ASSERT_EQ(mountAfresh(h), VXF_OK);
    select(h, 0, 1);
    const uint32_t broken = vxfserver::state().song.lba;
    const uint32_t projectOne = vxfserver::state().projectList.handles[1];
    // Project 1 forgets its song; cluster 20 is marked; song B's information block is garbage on both copies.
    patchBothCopies(projectOne, 1, [](uint8_t* record) {
        vxfserver::putWord(record + 0x0C, 0);
        vxfserver::putWord(record + 0x20, 0);
    });
    patchBothCopies(vxfserver::layout::kAudioBitmapLba, vxfserver::layout::kAudioBitmapLength,
                    [](uint8_t* bitmap) { bitmap[20 / 8] |= uint8_t(1u << (20 % 8)); });
    const uint64_t sectors = smallDriveSectors(kClusters);
    for (uint64_t lba : {uint64_t(broken), sectors - broken - vxfserver::layout::kSongInfoLength}) {
        damageSector(drivePath_, lba);
    }
    Operation op("scan");
    op.run = [](uint32_t h) { return tavovxfDriveScan(h); };
    expectAllHeld(sweep(op));
}

}  // namespace
}  // namespace vxf::reliability
