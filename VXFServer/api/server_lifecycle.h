// server_lifecycle.h - starting and stopping the server with its drive-access library; drive-change notices.
#pragma once

#include "tavovxf.h"

namespace vxfserver {

// Library load: starts the drive-access library with the notification routine
// and allocates the track buffer. A failure is kept as the start error (a
// load cannot fail here); every call that needs the drives reports it.
void processAttach();

// Library unload: stops the drive-access library and releases the track buffer.
void processDetach();

// Runs on the drive watcher's thread: posts WM_VXF_DRIVES_CHANGED to the
// registered window, if any.
void notifyDrivesChanged();

// The window that receives the notices; null stops them.
void setNotificationWindow(HWND window);

}  // namespace vxfserver
