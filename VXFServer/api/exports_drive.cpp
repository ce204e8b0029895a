// exports_drive.cpp - the drive family of exports: counting, opening and closing drives, names, sizes, format.
#include <cstring>

#include "api/export_frame.h"
#include "maintenance/format.h"
#include "api/handles.h"
#include "core/loaded_state.h"
#include "volume/mount.h"
#include "volume/project_list.h"
#include "core/server_state.h"
#include "song/song_commit.h"
#include "volume/super_block.h"
#include "tavovxf.h"

using namespace vxfserver;

namespace {

// Whether a failed check of the super block says the drive carries no
// volume at all (rather than a damaged or unusable one).
bool meansNoVolume(int32_t code) {
    return code == VXF_ERR_SUPER_CORRUPT || code == VXF_ERR_SUPER_CORRUPT2 || code == VXF_ERR_FS_INVALID;
}

// Whether a failure leaves the drive's formatting unknown or unusable, so
// that it cannot be reported as formatted.
bool meansNotFormatted(int32_t code) {
    return code == VXF_ERR_DISK_READ || code == VXF_ERR_DISK_WRITE || code == VXF_ERR_FS_VERSION ||
           code == VXF_ERR_LARGE_DRIVE;
}

template <class Number>
int32_t getNumber(uint32_t handle, Number* out, Number (*value)()) {
    if (!requirePointer(out)) return finishExport(false);
    const int32_t result = runExport(handle, kReadFrame, [&] {
        *out = value();
        return true;
    });
    if (result != VXF_OK) clearNumber(out);
    return result;
}

}  // namespace

extern "C" {

int32_t tavovxfDriveGetNum(uint16_t* count) {
    // A failure not yet read keeps the count from being fetched.
    if (lastError() != VXF_OK) return lastError();
    if (!requireServerStarted() || !requirePointer(count)) return finishExport(false);
    *count = countDrives();
    return finishExport(true);
}

int32_t tavovxfDriveOpen(uint16_t index, uint32_t* handle) {
    if (!requireServerStarted() || !requirePointer(handle)) return finishExport(false);
    return finishExport(openDrive(index, *handle));
}

// Records still waiting for a commit go to the drive before it is let go of.
int32_t tavovxfDriveClose(uint32_t handle) {
    const bool committed = commitHeldWrites();
    return finishExport(closeDrive(handle) && committed);
}

int32_t tavovxfDriveUnmount(uint32_t handle) {
    if (!requireServerStarted()) return finishExport(false);
    const bool committed = commitHeldWrites();
    return finishExport(committed && unmountDrive(handle));
}

int32_t tavovxfDriveIsFormatted(uint32_t handle, uint32_t* formatted) {
    if (!requirePointer(formatted)) return finishExport(false);
    if (enterExport(handle, kReadFrame) && readSuperBlock()) {
        *formatted = 1;
        return finishExport(true);
    }
    const int32_t code = lastError();
    if (meansNoVolume(code)) {
        *formatted = 0;
        return finishExport(true);
    }
    *formatted = meansNotFormatted(code) ? 0 : 1;
    return finishExport(false);
}

int32_t tavovxfDriveGetSize(uint32_t handle, uint32_t* size) { return getNumber(handle, size, &driveSizeThousandBytes); }

int32_t tavovxfDriveGetInfo(uint32_t handle, char* description, uint32_t* size) {
    if (!requirePointer(description) || !requirePointer(size)) return finishExport(false);
    const int32_t result = runExport(handle, kReadFrame, [&] {
        std::memcpy(description, state().description, sizeof(state().description));
        *size = driveSizeKiB();
        return true;
    });
    if (result != VXF_OK) clearText(description);
    return result;
}

int32_t tavovxfDriveNumLBAs(uint32_t handle, uint32_t* count) {
    if (!requirePointer(count)) return finishExport(false);
    const int32_t result = runExport(handle, kRawReadFrame, [&] {
        *count = state().sectorCount;
        return true;
    });
    // Nothing was mounted here: the next selection reads the drive afresh.
    forgetCurrentDrive();
    return result;
}

int32_t tavovxfDriveGetFSVersion(uint32_t handle, char* version) { return runTextGetter(handle, version, &volumeVersion); }

int32_t tavovxfDriveGetFreeSpace(uint32_t handle, uint32_t* space) { return getNumber(handle, space, &freeSpaceKiB); }

int32_t tavovxfDriveGetName(uint32_t handle, char* name) { return runTextGetter(handle, name, &getDriveName); }

int32_t tavovxfDriveSetName(uint32_t handle, const char* name) { return runTextSetter(handle, name, &setDriveName); }

int32_t tavovxfDriveGetExtName(uint32_t handle, char* name) { return runTextGetter(handle, name, &getDriveExtName); }

int32_t tavovxfDriveSetExtName(uint32_t handle, const char* name) { return runTextSetter(handle, name, &setDriveExtName); }

int32_t tavovxfDriveFormat(uint32_t handle) {
    uint32_t formerSectorCount = 0;
    if (!enterExport(handle, kRawFrame, &formerSectorCount)) return finishExport(false);
    return finishExport(formatDrive(formerSectorCount));
}

}  // extern "C"
