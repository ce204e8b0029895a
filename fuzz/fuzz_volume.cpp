// fuzz_volume.cpp - libFuzzer entry: the input is laid over the system records of a small formatted volume.
#include <cstddef>
#include <cstdint>

#include "volume_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxf::fuzz::runVolumeInput(data, size);
    return 0;
}
