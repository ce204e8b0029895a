// test_hooks.h - where the emulation consults and feeds the test controls of test_api.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxf1394::platform::hooks {

void noteRequest(uint32_t code, const void* record, uint32_t inputSize, uint32_t outputSize);
void countRead(uint64_t sectors);
// With VXF1394_READ_TRACE=FILE in the environment, every read request's first sector and count is appended to
// FILE, a line each, so a test can see from outside in which order a program reads a drive.
void traceRead(uint64_t byteOffset, uint64_t sectors);
void countUnmount();
void countScsiCall();
// Counts a write request; true when the test schedule makes it fail.
bool countWriteAndCheckFailure(uint64_t sectors);
// A write that reached the store, and a flush of the store's cache, for a journal a test keeps.
void recordWrite(uint64_t byteOffset, const void* data, size_t length);
void recordFlush();
// A test measuring what flushes cost answers them without flushing.
bool flushesIgnored();
bool takeDeviceOpenFailure();
bool takeWatcherStartFailure();
void countChangeNotificationRequest();

}  // namespace vxf1394::platform::hooks
