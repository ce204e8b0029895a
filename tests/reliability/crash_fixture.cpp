// crash_fixture.cpp - what the crash tests share: the volume they start from, the changing operations, and the check of a drive after a crash.
#include "crash_fixture.h"

#include <cctype>
#include <cstring>
#include <map>

#include "core/server_state.h"
#include "volume/super_block.h"
#include "vxfx.h"
#include "platform/test_api.h"

namespace vxf::reliability {

namespace {

using vxfserver::test::Bytes;
using vxfserver::test::randomBytes;
using vxfserver::test::smallDriveSectors;

constexpr uint32_t kBlock8 = 24576;  // samples per track block of an 8-track song

// Selects project p and, unless s < 0, its song s.
void select(uint32_t h, uint16_t p, int s = -1) {
    ASSERT_EQ(tavovxfProjectSetPrimary(h, p), VXF_OK);
    if (s >= 0) {
        ASSERT_EQ(tavovxfSongSetPrimary(h, uint16_t(s)), VXF_OK);
    }
}

bool isSongA(const StoredSong& song) { return song.project == 0 && song.index == 0; }

Operation simple(const std::string& name, int project, int song, int32_t (*run)(uint32_t)) {
    Operation op(name);
    op.prepare = [project, song](uint32_t h) {
        if (project >= 0) select(h, uint16_t(project), song);
    };
    op.run = run;
    return op;
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

// Song A grows by three blocks in three calls while the drive is held, as vxf and vxfDeck import:
// the song's records wait for the release.
Operation heldImport() {
    Operation op("held import");
    op.prepare = [](uint32_t h) { select(h, 0, 0); };
    const Bytes audio = randomBytes(size_t(kBlock8) * 3, 79);
    op.run = [audio](uint32_t h) {
        uint32_t length = 0;
        tavovxfSongGetLength(h, &length);
        std::vector<const void*> sources(VXF_MAX_TRACKS, audio.data());
        int32_t code = vxfxDriveHold(h, VXFX_PURPOSE_CHANGE, 0);
        for (uint32_t i = 0; i < 3 && code == VXF_OK; ++i) {
            code = tavovxfTrackWriteAll(h, length + i * kBlock8, kBlock8, 3, 0, sources.data());
        }
        const int32_t released = vxfxDriveRelease(h);
        return code != VXF_OK ? code : released;
    };
    op.keep = [](const StoredSong& song) { return isSongA(song) ? Keep::Prefix : Keep::Whole; };
    return op;
}

// Drive, project and song renamed, short and extended names, one after the other.
Operation rename() {
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
    return op;
}

Operation upgrade() {
    Operation op("upgrade");
    op.arrange = [](CrashFixture& f) {
        f.patchSuperBlock(f.drivePath(), uint32_t(smallDriveSectors(CrashFixture::kClusters)),
                          [](vxfserver::SuperBlock& sb) { std::memcpy(sb.version, vxfserver::kVersion100, 6); });
    };
    op.run = [](uint32_t h) { return tavovxfDriveUpgrade(h); };
    return op;
}

// A scan with work to do: a song no project lists, a cluster marked that no song uses,
// and a song whose record is broken in both copies.
Operation scan() {
    Operation op("scan");
    op.arrange = [](CrashFixture& f) {
        uint32_t h = 0;
        ASSERT_EQ(f.mountAfresh(h), VXF_OK);
        select(h, 0, 1);
        const uint32_t broken = vxfserver::state().song.lba;
        const uint32_t projectOne = vxfserver::state().projectList.handles[1];
        f.closeAll();
        // Project 1 forgets its song; cluster 20 is marked; song B's information block is garbage on both copies.
        f.patchBothCopies(projectOne, 1, [](uint8_t* record) {
            vxfserver::putWord(record + 0x0C, 0);
            vxfserver::putWord(record + 0x20, 0);
        });
        f.patchBothCopies(vxfserver::layout::kAudioBitmapLba, vxfserver::layout::kAudioBitmapLength,
                          [](uint8_t* bitmap) { bitmap[20 / 8] |= uint8_t(1u << (20 % 8)); });
        const uint64_t sectors = smallDriveSectors(CrashFixture::kClusters);
        for (uint64_t lba : {uint64_t(broken), sectors - broken - vxfserver::layout::kSongInfoLength}) {
            f.damageSector(f.drivePath(), lba);
        }
    };
    op.run = [](uint32_t h) { return tavovxfDriveScan(h); };
    return op;
}

}  // namespace

std::vector<Operation> changingOperations() {
    std::vector<Operation> ops;
    Operation format("format");
    format.run = [](uint32_t h) { return tavovxfDriveFormat(h); };
    format.formats = true;
    ops.push_back(format);
    ops.push_back(simple("project create", 0, -1, [](uint32_t h) { return tavovxfProjectCreate(h); }));
    Operation projectDelete = simple("project delete", 1, -1, [](uint32_t h) { return tavovxfProjectDelete(h); });
    projectDelete.keep = [](const StoredSong& song) { return song.project == 1 ? Keep::Nothing : Keep::Whole; };
    ops.push_back(projectDelete);
    ops.push_back(simple("project move", 0, -1, [](uint32_t h) { return tavovxfProjectMove(h, 1); }));
    ops.push_back(simple("song create", 0, -1, [](uint32_t h) { return tavovxfSongCreate(h, 8, 48000, 24); }));
    Operation songDelete = simple("song delete", 0, 0, [](uint32_t h) { return tavovxfSongDelete(h); });
    songDelete.keep = [](const StoredSong& song) { return isSongA(song) ? Keep::Nothing : Keep::Whole; };
    ops.push_back(songDelete);
    ops.push_back(simple("song move within", 0, 0, [](uint32_t h) { return tavovxfSongMoveWithin(h, 2); }));
    ops.push_back(simple("song move out", 0, 1, [](uint32_t h) { return tavovxfSongMoveOut(h, 1, 0); }));
    ops.push_back(growingWrite(false));
    ops.push_back(growingWrite(true));
    ops.push_back(heldImport());
    ops.push_back(rename());
    ops.push_back(simple("set write protect", 0, 0, [](uint32_t h) { return tavovxfSongSetWriteProtect(h, 1); }));
    ops.push_back(upgrade());
    ops.push_back(scan());
    return ops;
}

std::string operationTestName(const ::testing::TestParamInfo<Operation>& info) {
    std::string name;
    bool upper = true;
    for (char c : info.param.name) {
        if (c == ' ') {
            upper = true;
            continue;
        }
        name += upper ? char(std::toupper(static_cast<unsigned char>(c))) : c;
        upper = false;
    }
    return name;
}

void CrashFixture::SetUp() { SongFixture::SetUp(); }

void CrashFixture::buildBaseVolume() {
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

void CrashFixture::arrange(const Operation& op) {
    buildBaseVolume();
    op.arrange(*this);
    uint32_t h = 0;
    EXPECT_EQ(mountAfresh(h), VXF_OK);
    // Songs that do not load before the operation (the scan's broken one) have nothing to keep.
    std::vector<std::string> ignored;
    before_ = readAllSongs(h, ignored);
    closeAll();
    EXPECT_TRUE(snapshot_.capture(drivePath_));
}

void CrashFixture::createSongWithAudio(uint32_t h, uint16_t tracks, uint32_t rate, uint32_t samples,
                                       uint16_t written, uint32_t seed) {
    ASSERT_EQ(tavovxfSongCreate(h, tracks, rate, 24), VXF_OK);
    for (uint16_t t = 0; t < written; ++t) {
        const Bytes audio = randomBytes(size_t(samples) * 3, seed * 100 + t);
        ASSERT_EQ(tavovxfTrackWrite(h, t, 0, samples, 3, 0, audio.data()), VXF_OK);
    }
}

void CrashFixture::closeAll() {
    for (const vxfserver::DriveSlot& slot : vxfserver::state().slots) {
        if (slot.inUse != 0) tavovxfDriveClose(slot.handle);
    }
    errorText();
}

int32_t CrashFixture::mountAfresh(uint32_t& handle) {
    closeAll();
    return remount(handle);
}

void CrashFixture::restore(uint32_t& h) {
    closeAll();
    ASSERT_TRUE(snapshot_.restore(drivePath_));
    h = open();
}

std::vector<std::string> CrashFixture::checkDrive(const Operation& op, int32_t result, bool& unsafe) {
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
    checkSongs(op, h, problems, "before the scan");
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

void CrashFixture::checkSongs(const Operation& op, uint32_t h, std::vector<std::string>& problems,
                              const std::string& when) {
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
            problems.push_back(when + ", the song at " + std::to_string(song.lba) + " does not read back as it was");
        }
    }
}

}  // namespace vxf::reliability
