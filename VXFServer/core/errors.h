// errors.h - the server's last error, the failed read range and the message of each code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tavovxf.h"

namespace vxfserver {

// Stores the code as the one process-wide last error.
void setLastError(int32_t code);
int32_t lastError();

// Records a failure and answers false, so that an operation can end with
// `return fail(VXF_ERR_...)`.
bool fail(int32_t code);

// A refused read of `count` sectors at `lba`: records the range and sets VXF_ERR_DISK_READ.
bool failRead(uint32_t lba, uint32_t count);

struct ReadRange {
    uint32_t first;
    uint32_t last;
};
ReadRange failedReadRange();

// The message of a code, NUL-terminated, with the failed read range filled in
// for VXF_ERR_DISK_READ; cut to fit `size` bytes.
void messageForCode(int32_t code, char* buffer, size_t size);

// The sentence of a code as stored in the table (the read range not filled
// in), or null for a code outside the table.
const char* messageTemplate(int32_t code);

// Back to the state of a freshly loaded library (last error VXF_OK, range 0..0).
void resetErrors();

}  // namespace vxfserver
