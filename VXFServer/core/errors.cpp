// errors.cpp - the server's last error, the failed read range and the message of each code.
#include "core/errors.h"

#include <cstdio>
#include <cstring>

namespace vxfserver {

namespace {

// Unguarded by design: the server is called from one thread.
int32_t g_lastError = VXF_OK;
ReadRange g_readRange = {0, 0};

struct ErrorEntry {
    int32_t code;
    const char* message;
};

constexpr ErrorEntry kErrorTable[] = {
#define VXF_ERROR_ENTRY(name, value, message) {value, message},
    VXF_ERROR_TABLE(VXF_ERROR_ENTRY)
#undef VXF_ERROR_ENTRY
};

}  // namespace

void setLastError(int32_t code) { g_lastError = code; }

int32_t lastError() { return g_lastError; }

bool fail(int32_t code) {
    g_lastError = code;
    return false;
}

bool failRead(uint32_t lba, uint32_t count) {
    g_readRange.first = lba;
    g_readRange.last = lba + (count == 0 ? 0 : count - 1);
    return fail(VXF_ERR_DISK_READ);
}

ReadRange failedReadRange() { return g_readRange; }

const char* messageTemplate(int32_t code) {
    for (const ErrorEntry& entry : kErrorTable) {
        if (entry.code == code) return entry.message;
    }
    return nullptr;
}

void messageForCode(int32_t code, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    const char* text = messageTemplate(code);
    if (text == nullptr) {
        std::snprintf(buffer, size, "%s", VXF_INVALID_ERROR_CODE_MESSAGE);
    } else if (code == VXF_ERR_DISK_READ) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
        std::snprintf(buffer, size, text, g_readRange.first, g_readRange.last);
#pragma GCC diagnostic pop
    } else {
        std::snprintf(buffer, size, "%s", text);
    }
}

void resetErrors() {
    g_lastError = VXF_OK;
    g_readRange = {0, 0};
}

}  // namespace vxfserver
