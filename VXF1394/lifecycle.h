// lifecycle.h - load and unload of the drive layer, callable by tests that link it statically.
#pragma once

namespace vxf1394 {

// What loading the library does: the process-wide state comes into being.
void processAttach();

// What unloading does: the device closed, the service removed if this
// library installed it, and every watcher woken and joined (bounded wait),
// so no thread is left running in unloaded code.
void processDetach();

}  // namespace vxf1394
