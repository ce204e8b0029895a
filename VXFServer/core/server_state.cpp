// server_state.cpp - the server's one state: open-drive slots, the current drive and its mounted volume.
#include "core/server_state.h"

#include <cstring>
#include <new>

namespace vxfserver {

namespace {
ServerState g_state{};
}  // namespace

ServerState& state() { return g_state; }

void resetServerState() {
    uint8_t* trackBuffer = g_state.trackBuffer;
    HWND window = g_state.window.load();
    g_state.~ServerState();
    new (&g_state) ServerState{};
    g_state.trackBuffer = trackBuffer;
    g_state.window.store(window);
}

}  // namespace vxfserver
