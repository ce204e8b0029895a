// test_hooks.h - where the emulation consults and feeds the test controls of test_api.h.
#pragma once

#include <cstdint>

namespace vxf1394::platform::hooks {

void noteRequest(uint32_t code, const void* record, uint32_t inputSize, uint32_t outputSize);
void countRead(uint64_t sectors);
void countUnmount();
void countScsiCall();
// Counts a write request; true when the test schedule makes it fail.
bool countWriteAndCheckFailure(uint64_t sectors);
bool takeDeviceOpenFailure();
bool takeWatcherStartFailure();
void countChangeNotificationRequest();

}  // namespace vxf1394::platform::hooks
