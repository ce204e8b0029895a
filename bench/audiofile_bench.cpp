// audiofile_bench.cpp - WriteSamples/ReadSamples of 24-bit data against plain fwrite/fread of the same bytes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "audio_file.h"

namespace {

using namespace vxf::transfer;

constexpr size_t kBlockSamples = 196608;                 // the export block for an optimal size of 1536
constexpr size_t kBlockBytes = kBlockSamples * 3;
constexpr size_t kBlocksPerFile = 64;                    // 36 MB a file
constexpr size_t kFileBytes = kBlockBytes * kBlocksPerFile;

class QuietSink : public MessageSink {
public:
    void showError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

// One folder for every benchmark of this file, so baseline and AudioFile use the same disk.
// Its name is never destroyed: the clean-up at exit runs after the statics
// constructed since its registration are gone, and needs the name.
const std::string& benchFolder() {
    static const std::string* const folder = [] {
        const char* base = std::getenv("TMPDIR");
        auto* name = new std::string(std::string(base && *base ? base : "/tmp") + "/vxf-bench-XXXXXX");
        if (!mkdtemp(name->data())) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*folder, ignored);
        });
        return name;
    }();
    return *folder;
}

std::vector<uint8_t> sampleBlock() {
    std::vector<uint8_t> block(kBlockBytes);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i * 7 + 3);
    return block;
}

void BM_AudioFileBaselineFwrite(benchmark::State& state) {
    const std::string path = benchFolder() + "/baseline.raw";
    std::vector<uint8_t> block = sampleBlock();
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        for (size_t i = 0; i < kBlocksPerFile; ++i) std::fwrite(block.data(), 1, block.size(), file);
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}

void writeWithAudioFile(benchmark::State& state, AudioFormat format) {
    const std::string path = benchFolder() + "/written.audio";
    std::vector<uint8_t> block = sampleBlock();
    QuietSink sink;
    const bool bigEndian = isBigEndianFormat(format);
    for (auto _ : state) {
        AudioFile file(sink);
        if (!file.OpenForWrite(format, path, 48000, 24, kBlocksPerFile * kBlockSamples)) {
            state.SkipWithError("OpenForWrite failed");
            break;
        }
        size_t consumed = 0;
        for (size_t i = 0; i < kBlocksPerFile; ++i) file.WriteSamples(block.data(), block.size(), bigEndian, false, consumed);
        file.Close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}

void BM_AudioFileWriteSamplesWav24(benchmark::State& state) { writeWithAudioFile(state, AudioFormat::Wav); }
void BM_AudioFileWriteSamplesAiff24(benchmark::State& state) { writeWithAudioFile(state, AudioFormat::Aiff); }

// A 24-bit file of the given format to read from.
std::string prepareFile(AudioFormat format, const std::string& name) {
    const std::string path = benchFolder() + "/" + name;
    if (std::filesystem::exists(path)) return path;
    QuietSink sink;
    AudioFile file(sink);
    std::vector<uint8_t> block = sampleBlock();
    file.OpenForWrite(format, path, 48000, 24, kBlocksPerFile * kBlockSamples);
    size_t consumed = 0;
    for (size_t i = 0; i < kBlocksPerFile; ++i) {
        file.WriteSamples(block.data(), block.size(), isBigEndianFormat(format), false, consumed);
    }
    file.Close();
    return path;
}

void BM_AudioFileBaselineFread(benchmark::State& state) {
    const std::string path = prepareFile(AudioFormat::Wav, "read.wav");
    std::vector<uint8_t> block(kBlockBytes);
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        std::fseek(file, 44, SEEK_SET);
        for (size_t i = 0; i < kBlocksPerFile; ++i) benchmark::DoNotOptimize(std::fread(block.data(), 1, block.size(), file));
        std::fclose(file);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}

void readWithAudioFile(benchmark::State& state, AudioFormat format, const std::string& name) {
    const std::string path = prepareFile(format, name);
    std::vector<uint8_t> block(kBlockBytes);
    QuietSink sink;
    const bool bigEndian = isBigEndianFormat(format);
    for (auto _ : state) {
        AudioFile file(sink);
        uint32_t rate = 0, count = 0;
        uint16_t bits = 0;
        if (!file.OpenForRead(format, path, rate, bits, count)) {
            state.SkipWithError("OpenForRead failed");
            break;
        }
        size_t got = 0;
        for (size_t i = 0; i < kBlocksPerFile; ++i) {
            file.ReadSamples(block.data(), block.size(), bigEndian, false, got);
            benchmark::DoNotOptimize(got);
        }
        file.Close();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}

void BM_AudioFileReadSamplesWav24(benchmark::State& state) { readWithAudioFile(state, AudioFormat::Wav, "read.wav"); }
void BM_AudioFileReadSamplesAiff24(benchmark::State& state) { readWithAudioFile(state, AudioFormat::Aiff, "read.aif"); }

BENCHMARK(BM_AudioFileBaselineFwrite)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AudioFileWriteSamplesWav24)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AudioFileWriteSamplesAiff24)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AudioFileBaselineFread)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AudioFileReadSamplesWav24)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AudioFileReadSamplesAiff24)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
