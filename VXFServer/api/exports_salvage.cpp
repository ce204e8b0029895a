// exports_salvage.cpp - the extension export that reads a track salvaging what a failing drive still holds.
#include <vector>

#include "api/export_frame.h"
#include "song/track_read.h"
#include "vxfx.h"

using namespace vxfserver;

namespace {

// The ranges into the caller's entries; the last entry stretches over what does not fit.
uint32_t copySilences(const std::vector<SilentRange>& silent, VxfxSilence* silences, uint32_t capacity) {
    uint32_t filled = 0;
    for (const SilentRange& range : silent) {
        if (filled < capacity) {
            silences[filled++] = VxfxSilence{range.first, range.last};
        } else {
            silences[capacity - 1].lastSample = range.last;
        }
    }
    return filled;
}

}  // namespace

extern "C" {

int32_t vxfxTrackReadSalvage(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint32_t* samplesRead,
                             uint16_t bytesPerSample, uint16_t byteOrder, void* buffer, VxfxSilence* silences,
                             uint32_t capacity, uint32_t* silenceCount) {
    if (!requirePointer(samplesRead) || !requirePointer(silenceCount)) return finishExport(false);
    *silenceCount = 0;
    if (capacity == 0 || silences == nullptr) return finishExport(fail(VXF_ERR_INVALID_PARAMETER));
    std::vector<SilentRange> silent;
    return runExport(handle, kReadFrame, [&] {
        if (!readTrackSalvaging(track, offset, count, *samplesRead, bytesPerSample, byteOrder, buffer, silent)) {
            return false;
        }
        *silenceCount = copySilences(silent, silences, capacity);
        return true;
    });
}

}  // extern "C"
