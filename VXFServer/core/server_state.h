// server_state.h - the server's one state: open-drive slots, the current drive and its mounted volume.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/records.h"
#include "tavovxf.h"

namespace vxfserver {

// Volume state flags.
constexpr uint32_t kFlagMounted = 0x001;
constexpr uint32_t kFlagProjectOpen = 0x002;
constexpr uint32_t kFlagSuperBlockChanged = 0x004;
constexpr uint32_t kFlagAudioBitmapChanged = 0x008;
constexpr uint32_t kFlagProjectWritten = 0x040;  // cleared by every write of the open project
constexpr uint32_t kFlagRunsCompacted = 0x080;
constexpr uint32_t kFlagBlocksAdded = 0x100;
constexpr uint32_t kFlagVersion110 = 0x400;

constexpr size_t kDriveSlots = 10;
constexpr size_t kTrackBufferBytes = 589824;  // one audio block: 1152 sectors

struct DriveSlot {
    uint32_t handle;
    uint32_t driveId;
    uint32_t project;  // record LBA of the project last opened through the handle; 0 none
    uint32_t song;     // record LBA of the song last made current through the handle; 0 none
    uint32_t locked;
    uint32_t inUse;
    uint16_t driveIndex;
    uint32_t keptReadOnly;  // this program treats the drive as read-only while the handle asks it to
};

// Position inside the current song.
struct SongPosition {
    uint32_t blockIndex;
    uint32_t runIndex;
    uint32_t offsetInRun;
};

// Where the last transfer ended, so that a continuing read can skip the block
// the track buffer already holds. The buffer may hold only some stored tracks
// of that block (firstTrack and trackCount): a transfer of another track must
// not take them for its own.
struct TransferCache {
    bool valid;
    uint32_t driveId;
    uint32_t projectLba;
    uint32_t songLba;
    uint32_t blockIndex;
    uint32_t firstTrack;
    uint32_t trackCount;
};

struct ServerState {
    DriveSlot slots[kDriveSlots];
    uint16_t recordedDriveCount;  // from the latest tavovxfDriveGetNum

    // Set when the library failed to start; every call that needs the drive
    // layer reports it.
    int32_t startError;

    // current drive
    uint32_t currentDriveId;  // 0 = none
    uint16_t currentSlot;
    uint32_t fullSectorCount;
    uint32_t cappedSectorCount;
    uint32_t sectorCount;  // the one in force: places every mirror copy
    char description[VXF_DESCRIPTION_SIZE];

    // mounted volume; the generation counts mounts, so that what is derived
    // from a volume (the clusters songs claim) knows when it was read again
    uint32_t flags;
    uint64_t mountGeneration;
    SuperBlock superBlock;
    ProjectList projectList;
    SongBitmap songBitmap;
    AudioBitmap audioBitmap;
    uint32_t openProject;  // handle of the open project; 0 = none
    ProjectRecord project;

    // current song
    Song song;
    SongPosition position;
    TransferCache cache;

    uint8_t* trackBuffer;
    std::atomic<HWND> window;
};

ServerState& state();

// Back to the state of a freshly loaded library, keeping the track buffer
// and the window.
void resetServerState();

inline bool hasFlag(uint32_t flag) { return (state().flags & flag) != 0; }
inline void setFlag(uint32_t flag) { state().flags |= flag; }
inline void clearFlag(uint32_t flag) { state().flags &= ~flag; }

}  // namespace vxfserver
