// export_frame.h - the frame every handle export runs in: selection, lock check, last error.
#pragma once

#include <cstdint>

#include "core/errors.h"

namespace vxfserver {

enum class Selection {
    Mount,  // the handle's drive, project and song become current; the volume is mounted
    Raw,    // only the drive becomes current; its file system is not read
};

struct Frame {
    Selection selection;
    bool lockCheck;
    // A track write goes on with the song whose records may wait for a
    // commit; every other export first writes what waits.
    bool continuesSongWrite = false;
    // Refused on a read-only drive before anything is read; listings,
    // selections and reads are not (their bookkeeping stays in memory).
    bool changes = false;
};

constexpr Frame kReadFrame{Selection::Mount, false};
constexpr Frame kChangeFrame{Selection::Mount, true, false, true};
constexpr Frame kRawFrame{Selection::Raw, true, false, true};
constexpr Frame kRawReadFrame{Selection::Raw, true};
constexpr Frame kTrackWriteFrame{Selection::Mount, true, true, true};

// False, with the start error as the last error, when the library did not
// start (no drive layer or no track buffer).
bool requireServerStarted();

// Steps 1 and 2: claim the handle's drive against other programs, select the
// handle as the frame says, then refuse a locked handle. `formerSectorCount`
// is passed on to a raw selection. Every call is ended by finishExport.
bool enterExport(uint32_t handle, Frame frame, uint32_t* formerSectorCount = nullptr);

// Step 4: what was written reaches the medium and the drive's claim ends;
// VXF_OK as the last error and the result on success; else the last error.
int32_t finishExport(bool succeeded);

// The whole frame around one operation that answers success.
template <class Operation>
int32_t runExport(uint32_t handle, Frame frame, Operation&& operation) {
    return finishExport(enterExport(handle, frame) && operation());
}

// Exports that read one text into the caller's buffer (emptied on failure)
// or set one from the caller's text (lock checked).
int32_t runTextGetter(uint32_t handle, char* out, bool (*get)(char*));
int32_t runTextSetter(uint32_t handle, const char* text, bool (*set)(const char*));

// VXF_ERR_INVALID_PARAMETER for a null argument.
inline bool requirePointer(const void* pointer) { return pointer != nullptr || fail(VXF_ERR_INVALID_PARAMETER); }

// Outputs cleared on failure.
inline void clearText(char* text) {
    if (text != nullptr) text[0] = '\0';
}
template <class Number>
void clearNumber(Number* number) {
    if (number != nullptr) *number = 0;
}

// Exports that read one number into the caller's variable, set to 0 when the call fails.
template <class Number, class Operation>
int32_t runNumberGetter(uint32_t handle, Number* out, Operation&& operation) {
    if (!requirePointer(out)) return finishExport(false);
    const int32_t result = runExport(handle, kReadFrame, [&] { return operation(*out); });
    if (result != VXF_OK) clearNumber(out);
    return result;
}

}  // namespace vxfserver
