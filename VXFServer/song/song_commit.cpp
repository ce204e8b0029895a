// song_commit.cpp - a growing song's records written in batches while this program holds its drive.
#include "song/song_commit.h"

#include <utility>

#include "volume/bitmaps.h"
#include "song/current_song.h"
#include "core/drive_sharing.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/record_io.h"
#include "core/server_state.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

struct Waiting {
    bool records = false;
    uint32_t driveId = 0;
    uint32_t songLba = 0;
    uint64_t audioBytes = 0;
    bool exportDeferred = false;
};

Waiting g_waiting;

}  // namespace

bool songWritesMayWait() { return exportDriveIsHeld(); }

bool deferSongWrite(uint64_t audioBytes) {
    const ServerState& st = state();
    if (g_waiting.records && (g_waiting.driveId != st.currentDriveId || g_waiting.songLba != st.song.lba)) {
        if (!commitSongWrites()) return false;
    }
    g_waiting.records = true;
    g_waiting.driveId = st.currentDriveId;
    g_waiting.songLba = st.song.lba;
    g_waiting.audioBytes += audioBytes;
    g_waiting.exportDeferred = true;
    // The song's record is as good as saved in memory: the next write starts from it.
    clearFlag(kFlagBlocksAdded);
    return g_waiting.audioBytes < kCommitAudioBytes || commitSongWrites();
}

bool songWritesWaitFor(uint32_t driveId, uint32_t songLba) {
    return g_waiting.records && g_waiting.driveId == driveId && g_waiting.songLba == songLba;
}

bool songWritesWait() { return g_waiting.records; }

bool commitSongWrites() {
    if (!g_waiting.records) return true;
    const ServerState& st = state();
    g_waiting.records = false;
    g_waiting.audioBytes = 0;
    const bool current = st.currentDriveId == g_waiting.driveId && st.song.lba == g_waiting.songLba;
    const bool written = current && (!hasFlag(kFlagAudioBitmapChanged) || writeAudioBitmap()) &&
                         (!hasFlag(kFlagSuperBlockChanged) || writeSuperBlock()) && saveSong();
    if (written) return true;
    if (!current) fail(VXF_ERR_DISK_WRITE);
    const int32_t error = lastError();
    forgetCurrentDrive();
    return fail(error);
}

bool takeExportDeferred() { return std::exchange(g_waiting.exportDeferred, false); }

bool commitHeldWrites() { return commitSongWrites() && commitDeferredRecords(); }

}  // namespace vxfserver
