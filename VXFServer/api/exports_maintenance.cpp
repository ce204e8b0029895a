// exports_maintenance.cpp - the maintenance exports: surface test and remap, scan, upgrade, diagnostic extraction.
#include "api/export_frame.h"
#include "volume/extract.h"
#include "api/handles.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "volume/remap.h"
#include "maintenance/scan.h"
#include "tavovxf.h"
#include "maintenance/upgrade.h"

using namespace vxfserver;

namespace vxfserver {

int32_t scanDrive(uint32_t handle, ScanResult& result) {
    if (!enterExport(handle, kRawFrame)) return finishExport(false);
    const bool scanned = scanVolume(result);
    // A scan cut short may leave memory ahead of the drive: it is read afresh.
    if (!scanned) forgetCurrentDrive();
    return finishExport(scanned);
}

}  // namespace vxfserver

extern "C" {

int32_t tavovxfDriveUpgrade(uint32_t handle) {
    if (!enterExport(handle, kChangeFrame)) return finishExport(false);
    // A "1.10 " volume is left alone: nothing is written, not even by a new selection.
    if (volumeIsCurrentVersion()) return finishExport(true);
    rememberSong(0);
    const bool upgraded = upgradeVolume();
    // Whatever the drive now holds is read afresh: after a success by selecting
    // the handle again, after a failure by the next selection.
    forgetCurrentDrive();
    return finishExport(upgraded && selectDrive(handle));
}

int32_t tavovxfDriveScan(uint32_t handle) {
    // The scan's figures are for the server's own use; this interface does not return them.
    ScanResult result{};
    return scanDrive(handle, result);
}

int32_t tavovxfDriveRemap(uint32_t handle, uint32_t firstLba, uint16_t count, uint8_t fix, uint16_t* failedReads,
                          uint16_t* rewritten) {
    if (!requirePointer(failedReads) || !requirePointer(rewritten)) return finishExport(false);
    RemapResult result{};
    const bool succeeded = enterExport(handle, fix != 0 ? kRawFrame : kRawReadFrame) && remapSectors(firstLba, count, fix != 0, result);
    // The counts stand even when the rewrite failed: the caller goes on with them.
    *failedReads = result.failedReads;
    *rewritten = result.rewritten;
    // Nothing was mounted here: the next selection reads the drive afresh.
    forgetCurrentDrive();
    return finishExport(succeeded);
}

int32_t tavovxfExtractFileSystem(uint32_t handle) {
    // Support material only: whatever the dumps meet, the call succeeds once the volume is mounted.
    return runExport(handle, kReadFrame, [] {
        writeDiagnosticDumps(extractionFolder());
        return true;
    });
}

}  // extern "C"
