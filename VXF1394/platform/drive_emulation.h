// drive_emulation.h - the driver's side of the four requests, served from the store each enumerated drive names.
#pragma once

#include <cstdint>

namespace vxf1394::platform {

// The driver's own limit on one transfer.
constexpr uint32_t kMaxSectorsPerRequest = 65535;

// Serves one device-control request; the result is 0 or the error number
// the failed request leaves as the last error. Device index n names the
// value "n" of the enumeration file, read afresh; only a recorder drive
// entry ("SBP2\PATH") is served, so nothing outside that file is touched.
// A memory drive attached in this process is served from its memory.
uint32_t serveDriveRequest(uint32_t code, const void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                           uint32_t& bytesReturned);

}  // namespace vxf1394::platform
