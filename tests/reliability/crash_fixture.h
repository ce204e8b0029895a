// crash_fixture.h - what the crash tests share: the volume they start from, the changing operations, and the check of a drive after a crash.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "image_snapshot.h"
#include "song_fixture.h"
#include "volume_checks.h"

namespace vxf::reliability {

// What a song must look like after a cut: whole, its old samples kept (it was growing), or nothing (it was going).
enum class Keep { Whole, Prefix, Nothing };

class CrashFixture;

struct Operation {
    explicit Operation(std::string operationName) : name(std::move(operationName)) {}
    std::string name;
    // Puts the base volume into the state the operation starts from (a damaged record, an old version).
    std::function<void(CrashFixture&)> arrange = [](CrashFixture&) {};
    // Selections before the operation itself (they may write).
    std::function<void(uint32_t handle)> prepare = [](uint32_t) {};
    std::function<int32_t(uint32_t handle)> run;
    std::function<Keep(const StoredSong&)> keep = [](const StoredSong&) { return Keep::Whole; };
    // Format: the old volume may be gone after a cut; the fault must only be reported cleanly.
    bool formats = false;
};

// Test output names an operation by its name.
inline void PrintTo(const Operation& op, std::ostream* out) { *out << op.name; }

// Every changing operation the crash tests put through their cuts, each on the base volume.
std::vector<Operation> changingOperations();
// "song move out" as a test name: "SongMoveOut".
std::string operationTestName(const ::testing::TestParamInfo<Operation>& info);

class CrashFixture : public vxfserver::test::SongFixture {
public:
    static constexpr uint32_t kClusters = 24;

    // The volume every test starts from: two projects, four songs with audio, one of them protected.
    //   project 0: A (8 tracks, 48 kHz, two blocks), B (2 tracks, 44.1 kHz), P (6 tracks, 96 kHz, protected)
    //   project 1: C (16 tracks, 48 kHz)
    void buildBaseVolume();
    // The base volume as `op` starts from it, with the songs it holds read in.
    void arrange(const Operation& op);

    void closeAll();
    // A fresh handle on the drive as it is now; answers the mount's result.
    int32_t mountAfresh(uint32_t& handle);
    // The drive as arranged, and a handle on it.
    void restore(uint32_t& handle);

    // The drive after a crash or a failed write: it mounts (or, for a format, formats again),
    // every song that was there reads back as the operation keeps it, and after a scan the
    // volume agrees with itself. `result` is what the operation reported. `unsafe` tells
    // whether a song's cluster was marked free (or shared) before the scan.
    std::vector<std::string> checkDrive(const Operation& op, int32_t result, bool& unsafe);

    const std::string& drivePath() const { return drivePath_; }
    using SongFixture::damageSector;
    using SongFixture::patchBothCopies;
    using SongFixture::patchSuperBlock;

protected:
    void SetUp() override;

    vxf::fuzz::ImageSnapshot snapshot_;

private:
    void createSongWithAudio(uint32_t h, uint16_t tracks, uint32_t rate, uint32_t samples, uint16_t written,
                             uint32_t seed);
    void checkSongs(const Operation& op, uint32_t h, std::vector<std::string>& problems, const std::string& when);

    std::vector<StoredSong> before_;
};

}  // namespace vxf::reliability
