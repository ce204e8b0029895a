// export_frame.cpp - the frame every handle export runs in: selection, lock check, last error.
#include "export_frame.h"

#include "handles.h"
#include "server_state.h"

namespace vxfserver {

bool requireServerStarted() { return state().startError == VXF_OK || fail(state().startError); }

bool enterExport(uint32_t handle, Frame frame, uint32_t* formerSectorCount) {
    if (!requireServerStarted()) return false;
    const bool selected = frame.selection == Selection::Raw ? selectDriveWithoutMount(handle, formerSectorCount)
                                                            : selectDrive(handle);
    if (!selected) return false;
    if (frame.lockCheck && handleIsLocked(handle)) {
        // A raw selection mounted nothing: the next selection reads the drive afresh.
        if (frame.selection == Selection::Raw) forgetCurrentDrive();
        return fail(VXF_ERR_DRIVE_LOCKED);
    }
    return true;
}

int32_t finishExport(bool succeeded) {
    if (succeeded) setLastError(VXF_OK);
    return lastError();
}

int32_t runTextGetter(uint32_t handle, char* out, bool (*get)(char*)) {
    if (!requirePointer(out)) return finishExport(false);
    const int32_t result = runExport(handle, kReadFrame, [&] { return get(out); });
    if (result != VXF_OK) clearText(out);
    return result;
}

int32_t runTextSetter(uint32_t handle, const char* text, bool (*set)(const char*)) {
    if (!requirePointer(text)) return finishExport(false);
    return runExport(handle, kChangeFrame, [&] { return set(text); });
}

}  // namespace vxfserver
