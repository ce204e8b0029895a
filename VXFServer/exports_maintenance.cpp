// exports_maintenance.cpp - the maintenance exports: surface test and remap, scan, upgrade, diagnostic extraction.
#include "export_frame.h"
#include "extract.h"
#include "handles.h"
#include "remap.h"
#include "tavovxf.h"

using namespace vxfserver;

extern "C" {

int32_t tavovxfDriveRemap(uint32_t handle, uint32_t firstLba, uint16_t count, uint8_t fix, uint16_t* failedReads,
                          uint16_t* rewritten) {
    if (!requirePointer(failedReads) || !requirePointer(rewritten)) return finishExport(false);
    RemapResult result{};
    const bool succeeded = enterExport(handle, kRawFrame) && remapSectors(firstLba, count, fix != 0, result);
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
