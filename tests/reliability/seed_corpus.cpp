// seed_corpus.cpp - the inputs the fuzzers start from, made by our own writers and on images the server builds.
#include "seed_corpus.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "audio_file.h"
#include "message_sink.h"

namespace vxf::reliability {

namespace {

struct AudioSeedShape {
    const char* name;
    uint32_t rate;
    uint16_t bits;
    uint32_t announced;
    uint32_t written;
};

constexpr AudioSeedShape kAudioSeedShapes[] = {
    {"24bit-48k-odd", 48000, 24, 1001, 1001},
    {"16bit-44k-even", 44100, 16, 1000, 1000},
    {"8bit-96k", 96000, 8, 257, 257},
    {"24bit-88k-empty", 88200, 24, 0, 0},
    {"16bit-48k-stopped-early", 48000, 16, 500, 120},
};

class QuietSink : public transfer::MessageSink {
public:
    void showError(const std::string&) override {}
};

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Samples as writers are fed them: 24-bit for 16- and 24-bit files, one byte for 8-bit ones.
Bytes rampInput(uint16_t bits, uint32_t count) {
    const size_t width = bits == 8 ? 1 : 3;
    Bytes input(size_t(count) * width);
    for (size_t i = 0; i < input.size(); ++i) input[i] = uint8_t(i * 37 + 11);
    return input;
}

Bytes writeAudioSeed(transfer::AudioFormat format, const std::string& path, const AudioSeedShape& shape) {
    QuietSink sink;
    transfer::AudioFile file(sink);
    if (!file.OpenForWrite(format, path, shape.rate, shape.bits, shape.announced)) return {};
    Bytes input = rampInput(shape.bits, shape.written);
    size_t consumed = 0;
    if (!input.empty() && !file.WriteSamples(input.data(), input.size(), transfer::isBigEndianFormat(format),
                                             transfer::isUnsigned8Format(format), consumed)) {
        return {};
    }
    if (!file.Close()) return {};
    return readFile(path);
}

}  // namespace

std::vector<Seed> audioFileSeeds(transfer::AudioFormat format, const std::string& folder) {
    std::vector<Seed> seeds;
    for (const AudioSeedShape& shape : kAudioSeedShapes) {
        const std::string path = folder + "/" + shape.name;
        seeds.push_back({shape.name, writeAudioSeed(format, path, shape)});
    }
    return seeds;
}

std::string audioFuzzTarget(transfer::AudioFormat format) {
    switch (format) {
        case transfer::AudioFormat::Wav: return "fuzz_audiofile_wav";
        case transfer::AudioFormat::Aiff: return "fuzz_audiofile_aiff";
        case transfer::AudioFormat::Sd2: return "fuzz_audiofile_sd2";
        case transfer::AudioFormat::DigSd: return "fuzz_audiofile_digsd";
    }
    return "fuzz_audiofile_unknown";
}

void storeSeeds(const std::string& folder, const std::string& target, const std::vector<Seed>& seeds) {
    const std::filesystem::path dir = std::filesystem::path(folder) / target;
    std::filesystem::create_directories(dir);
    for (const Seed& seed : seeds) {
        std::ofstream out(dir / seed.name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(seed.bytes.data()), std::streamsize(seed.bytes.size()));
    }
}

std::string seedFolderFromEnvironment() {
    const char* folder = std::getenv("VXF_FUZZ_SEED_DIR");
    return folder != nullptr ? folder : "";
}

}  // namespace vxf::reliability
