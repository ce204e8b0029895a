// seed_corpus.h - the inputs the fuzzers start from, made by our own writers and on images the server builds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio_format.h"

namespace vxf::reliability {

using Bytes = std::vector<uint8_t>;

struct Seed {
    std::string name;
    Bytes bytes;
};

// Files of `format` written through AudioFile: every word length and rate, odd
// and even sample counts, an empty file and one whose writing stopped early.
// `folder` is where they are made.
std::vector<Seed> audioFileSeeds(transfer::AudioFormat format, const std::string& folder);

// The fuzz target that reads files of `format`, e.g. "fuzz_audiofile_wav".
std::string audioFuzzTarget(transfer::AudioFormat format);

// Writes the seeds as files into `folder`/`target` (created when missing).
void storeSeeds(const std::string& folder, const std::string& target, const std::vector<Seed>& seeds);

// The folder named by $VXF_FUZZ_SEED_DIR, or "" when it is not set.
std::string seedFolderFromEnvironment();

}  // namespace vxf::reliability
