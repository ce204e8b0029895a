// library_entry.cpp - what loading and unloading libVXF1394.so does.
#include "lifecycle.h"

namespace {

__attribute__((constructor)) void onLibraryLoad() { vxf1394::processAttach(); }

__attribute__((destructor)) void onLibraryUnload() { vxf1394::processDetach(); }

}  // namespace
