// library_entry.cpp - load and unload of the shared library.
#include "api/server_lifecycle.h"

namespace {

__attribute__((constructor)) void onLibraryLoad() { vxfserver::processAttach(); }

__attribute__((destructor)) void onLibraryUnload() { vxfserver::processDetach(); }

}  // namespace
