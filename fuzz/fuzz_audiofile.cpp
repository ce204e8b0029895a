// fuzz_audiofile.cpp - libFuzzer entry: the input is an audio file of the format this target is built for.
#include <cstddef>
#include <cstdint>

#include "audio_file_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vxf::fuzz::readAudioFileInput(static_cast<vxf::transfer::AudioFormat>(VXF_FUZZ_AUDIO_FORMAT), data, size);
    return 0;
}
