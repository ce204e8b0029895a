// server_lifecycle.cpp - starting and stopping the server with its drive-access library; drive-change notices.
#include "api/server_lifecycle.h"

#include "core/drive_io.h"
#include "core/drive_sharing.h"
#include "song/song_commit.h"
#include "core/errors.h"
#include "core/page_buffer.h"
#include "i1394.h"
#include "core/server_state.h"

namespace vxfserver {

void processAttach() {
    forgetAllClaims();
    resetServerState();
    resetErrors();
    ServerState& st = state();
    if (i1394Init(&notifyDrivesChanged) != I1394_OK) {
        st.startError = VXF_ERR_DRIVER_LOAD;
    } else if (st.trackBuffer == nullptr) {
        st.trackBuffer = newPageBuffer(kTrackBufferBytes);
        if (st.trackBuffer == nullptr) st.startError = VXF_ERR_OUT_OF_MEMORY;
    }
    setLastError(st.startError);
}

void processDetach() {
    ServerState& st = state();
    st.window.store(nullptr);
    // A program that ends without closing its drive still leaves its records on it.
    if (commitHeldWrites()) flushWrites();
    forgetAllClaims();
    i1394Exit();
    deletePageBuffer(st.trackBuffer);
    st.trackBuffer = nullptr;
}

void notifyDrivesChanged() {
    HWND window = state().window.load();
    if (window != nullptr && window->post != nullptr) window->post(window, WM_VXF_DRIVES_CHANGED, 0, 0);
}

void setNotificationWindow(HWND window) { state().window.store(window); }

}  // namespace vxfserver
