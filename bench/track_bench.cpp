// track_bench.cpp - track reads and writes through the server exports, and sample packing, against pread, pwrite and memcpy of the same bytes.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "drive_transfer_server.h"
#include "lifecycle.h"
#include "optimal_chunk.h"
#include "platform/test_api.h"
#include "song/sample_codec.h"
#include "api/server_lifecycle.h"
#include "core/server_state.h"
#include "server_exports.h"
#include "tavovxf.h"
#include "track_export.h"
#include "track_overview.h"
#include "vxfx.h"

namespace {

constexpr uint64_t kDriveSectors = 78165360;  // a sparse 40 GB drive
constexpr uint32_t kTracks = 24;
constexpr uint32_t kBlockSamples = 8192;  // per track at 24 tracks
constexpr uint32_t kBlocks = 128;
constexpr uint32_t kSongSamples = kBlocks * kBlockSamples;
constexpr size_t kAudioBlockBytes = 1152 * 512;
constexpr size_t kTrackBlockBytes = 48 * 512;

// A formatted image holding one 24-track 48 kHz song of 128 audio blocks,
// written once and kept in the page cache; the server is started on it.
struct TrackBench {
    std::string folder;
    int fd = -1;
    uint32_t handle = 0;
    std::vector<uint32_t> blockLbas;                // of the song, in order
    std::vector<std::vector<uint8_t>> trackAudio;  // one chunk of caller samples per track

    TrackBench() {
        const char* base = std::getenv("TMPDIR");
        folder = std::string(base && *base ? base : "/tmp") + "/vxf-track-bench-XXXXXX";
        if (!::mkdtemp(folder.data())) std::abort();
        const std::string image = folder + "/drive.img";
        fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || ::ftruncate(fd, off_t(kDriveSectors * 512)) != 0) std::abort();
        std::ofstream(folder + "/disks") << "Count=1\n0=SBP2\\" << image << "\n";
        ::setenv("VXF_DISK_ENUM", (folder + "/disks").c_str(), 1);
        vxf1394::processAttach();
        vxfserver::processAttach();
        uint16_t count = 0;
        if (tavovxfDriveGetNum(&count) != VXF_OK || tavovxfDriveOpen(0, &handle) != VXF_OK ||
            tavovxfDriveFormat(handle) != VXF_OK || tavovxfSongCreate(handle, kTracks, 48000, 24) != VXF_OK) {
            std::abort();
        }
        const void* sources[VXF_MAX_TRACKS] = {};
        for (uint32_t t = 0; t < kTracks; ++t) {
            trackAudio.emplace_back(kBlockSamples * 3);
            for (size_t i = 0; i < trackAudio[t].size(); ++i) trackAudio[t][i] = uint8_t(i * 7 + t);
            sources[t] = trackAudio[t].data();
        }
        for (uint32_t b = 0; b < kBlocks; ++b) {
            if (tavovxfTrackWriteAll(handle, b * kBlockSamples, kBlockSamples, 3, 0, sources) != VXF_OK) std::abort();
        }
        const vxfserver::Song& song = vxfserver::state().song;
        for (const vxfserver::BlockRun& run : song.runs) {
            for (uint32_t i = 0; i < run.length; ++i) blockLbas.push_back(run.lba + i * 1152);
        }
        if (blockLbas.size() != kBlocks) std::abort();
    }
    ~TrackBench() {
        tavovxfDriveClose(handle);
        vxfserver::processDetach();
        vxf1394::processDetach();
        ::close(fd);
        std::filesystem::remove_all(folder);
    }
};

TrackBench& bench() {
    static TrackBench b;
    return b;
}

// Baselines: the same audio blocks (or the track blocks of one track) straight from the image.
template <bool Write>
void plainTransfer(benchmark::State& state, size_t bytes, uint32_t offsetSectors) {
    TrackBench& b = bench();
    std::vector<uint8_t> buffer(bytes, 0x5A);
    if (Write) std::memcpy(buffer.data(), b.trackAudio[0].data(), std::min(bytes, b.trackAudio[0].size()));
    uint32_t block = 0;
    for (auto _ : state) {
        const off_t offset = off_t(uint64_t(b.blockLbas[block] + offsetSectors) * 512);
        const ssize_t n = Write ? ::pwrite(b.fd, buffer.data(), bytes, offset) : ::pread(b.fd, buffer.data(), bytes, offset);
        if (n != ssize_t(bytes)) state.SkipWithError("transfer failed");
        block = (block + 1) % kBlocks;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_TrackBaselinePreadAudioBlock(benchmark::State& state) { plainTransfer<false>(state, kAudioBlockBytes, 0); }
void BM_TrackBaselinePreadTrackBlock(benchmark::State& state) { plainTransfer<false>(state, kTrackBlockBytes, 5 * 48); }
void BM_TrackBaselinePwriteAudioBlock(benchmark::State& state) { plainTransfer<true>(state, kAudioBlockBytes, 0); }

// One call per audio block, in chunks of the optimal transfer size from offset 0.
void BM_TrackReadAll(benchmark::State& state) {
    TrackBench& b = bench();
    std::vector<std::vector<uint8_t>> out(kTracks, std::vector<uint8_t>(kBlockSamples * 3));
    void* buffers[VXF_MAX_TRACKS] = {};
    for (uint32_t t = 0; t < kTracks; ++t) buffers[t] = out[t].data();
    uint32_t offset = 0;
    for (auto _ : state) {
        uint32_t read = 0;
        if (tavovxfTrackReadAll(b.handle, offset, kBlockSamples, &read, 3, 0, buffers) != VXF_OK ||
            read != kBlockSamples) {
            state.SkipWithError("read failed");
        }
        offset = (offset + kBlockSamples) % kSongSamples;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kAudioBlockBytes));
}

void BM_TrackRead(benchmark::State& state) {
    TrackBench& b = bench();
    uint32_t size = 0;
    if (tavovxfTrackOptimalTransferSize(b.handle, &size) != VXF_OK || size != kBlockSamples) std::abort();
    std::vector<uint8_t> out(size_t(size) * 3);
    uint32_t offset = 0;
    for (auto _ : state) {
        uint32_t read = 0;
        if (tavovxfTrackRead(b.handle, 5, offset, size, &read, 3, 0, out.data()) != VXF_OK || read != size) {
            state.SkipWithError("read failed");
        }
        offset = (offset + size) % kSongSamples;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kTrackBlockBytes));
}

void BM_TrackWriteAll(benchmark::State& state) {
    TrackBench& b = bench();
    const void* sources[VXF_MAX_TRACKS] = {};
    for (uint32_t t = 0; t < kTracks; ++t) sources[t] = b.trackAudio[t].data();
    uint32_t offset = 0;
    for (auto _ : state) {
        if (tavovxfTrackWriteAll(b.handle, offset, kBlockSamples, 3, 0, sources) != VXF_OK) {
            state.SkipWithError("write failed");
        }
        offset = (offset + kBlockSamples) % kSongSamples;
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kAudioBlockBytes));
}

// An import of a whole new 24-track song of 64 audio blocks (38 MB) as vxf and vxfDeck import:
// the drive held throughout, the song created, grown one audio block per call, the drive let go.
// Range 1 makes every flush that keeps the drive's order; range 0, the baseline, answers them at
// once and brings the image to the medium once at the end, as any import must before it is
// done. The ratio is what keeping the order costs.
void BM_ImportSong(benchmark::State& state) {
    TrackBench& b = bench();
    constexpr uint32_t kImportBlocks = 64;
    const bool ordered = state.range(0) == 1;
    const void* sources[VXF_MAX_TRACKS] = {};
    for (uint32_t t = 0; t < kTracks; ++t) sources[t] = b.trackAudio[t].data();
    auto dropImportedSong = [&] {
        uint16_t songs = 0;
        if (tavovxfSongGetNum(b.handle, &songs) != VXF_OK) std::abort();
        if (songs > 1 && (tavovxfSongSetPrimary(b.handle, 1) != VXF_OK || tavovxfSongDelete(b.handle) != VXF_OK)) {
            std::abort();
        }
    };
    for (auto _ : state) {
        state.PauseTiming();
        dropImportedSong();
        vxf1394::testing::ignoreFlushes(!ordered);
        state.ResumeTiming();
        if (vxfxDriveHold(b.handle, VXFX_PURPOSE_CHANGE, 0) != VXF_OK ||
            tavovxfSongCreate(b.handle, kTracks, 48000, 24) != VXF_OK) {
            std::abort();
        }
        for (uint32_t block = 0; block < kImportBlocks; ++block) {
            if (tavovxfTrackWriteAll(b.handle, block * kBlockSamples, kBlockSamples, 3, 0, sources) != VXF_OK) {
                state.SkipWithError("write failed");
            }
        }
        if (vxfxDriveRelease(b.handle) != VXF_OK) std::abort();
        if (!ordered && ::fdatasync(b.fd) != 0) std::abort();
    }
    vxf1394::testing::ignoreFlushes(false);
    dropImportedSong();
    if (tavovxfSongSetPrimary(b.handle, 0) != VXF_OK) std::abort();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kImportBlocks) * int64_t(kAudioBlockBytes));
}

// The song's overview (every track read once, min/max, peak and RMS of every sample) against the
// export of all its tracks to 24-bit WAV files in the same run: the overview must keep up with the
// export's reading, at 0.8 of its rate or better. Both count the song's bytes as the drive holds them.
class AnsweringScreen : public vxf::transfer::TransferQuestions, public vxf::transfer::CopyProgressView {
public:
    vxf::transfer::ReplaceAnswer askReplace(const std::string&, const std::string&, bool) override {
        return vxf::transfer::ReplaceAnswer::YesToAll;
    }
    bool askOkCancel(const std::string&) override { return false; }
    bool askYesNo(const std::string&) override { return false; }
    std::optional<uint16_t> chooseTrack(const std::string&, uint16_t, const std::vector<bool>&,
                                        std::optional<uint16_t>) override {
        return std::nullopt;
    }
    void showStatistics(const vxf::transfer::TransferStatistics&, uint64_t) override {}
    void open(uint16_t) override {}
    void setFrom(const std::string&) override {}
    void setTo(const std::string&) override {}
    void setBar(uint32_t, uint32_t, uint64_t) override {}
    void setPercentText(const std::string&) override {}
    bool pollCancel() override { return false; }
    void close() override {}
};

vxf::transfer::SongFacts benchSong() {
    vxf::transfer::SongFacts song;
    if (vxf::transfer::readSongFacts(bench().handle, song) != VXF_OK) std::abort();
    return song;
}

void BM_SongBaselineExportAllTracks(benchmark::State& state) {
    TrackBench& b = bench();
    vxf::transfer::ServerExports exports(false);
    vxf::transfer::DriveTransferServer<vxf::transfer::ServerExports> server(exports, b.handle);
    vxf::transfer::SilentSink messages;
    AnsweringScreen screen;
    vxf::transfer::TransferContext context{server, messages, screen, screen};
    vxf::transfer::ExportSettings settings;
    settings.directory = b.folder + "/export";
    std::filesystem::create_directories(settings.directory);
    settings.format = vxf::transfer::AudioFormat::Wav;
    std::vector<uint16_t> tracks;
    for (uint16_t t = 0; t < kTracks; ++t) tracks.push_back(t);
    const vxf::transfer::SongFacts song = benchSong();
    for (auto _ : state) {
        vxf::transfer::TrackExport exporter(context, song, settings);
        if (exporter.run(tracks).failed) state.SkipWithError("export failed");
    }
    std::filesystem::remove_all(settings.directory);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSongSamples) * kTracks * 3);
}

// What the export's pass reads, without the files: every track in the export's block, 3 bytes a sample.
void BM_SongBaselineReadAllTracks(benchmark::State& state) {
    TrackBench& b = bench();
    uint32_t optimal = 0;
    if (tavovxfTrackOptimalTransferSize(b.handle, &optimal) != VXF_OK) std::abort();
    const uint32_t block = vxf::transfer::OptimalChunk(kTracks, optimal);
    std::vector<std::vector<uint8_t>> out(kTracks, std::vector<uint8_t>(size_t{block} * 3));
    void* buffers[VXF_MAX_TRACKS] = {};
    for (uint32_t t = 0; t < kTracks; ++t) buffers[t] = out[t].data();
    for (auto _ : state) {
        for (uint32_t offset = 0; offset < kSongSamples; offset += block) {
            uint32_t read = 0;
            if (tavovxfTrackReadAll(b.handle, offset, std::min(block, kSongSamples - offset), &read, 3, 0, buffers) !=
                VXF_OK) {
                state.SkipWithError("read failed");
            }
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSongSamples) * kTracks * 3);
}

void BM_SongOverview(benchmark::State& state) {
    TrackBench& b = bench();
    vxf::transfer::ServerExports exports(false);
    vxf::transfer::DriveTransferServer<vxf::transfer::ServerExports> server(exports, b.handle);
    const vxf::transfer::SongFacts song = benchSong();
    for (auto _ : state) {
        vxf::transfer::SongOverview overview;
        if (vxf::transfer::buildTrackOverview(server, song, overview, 400) != 0) state.SkipWithError("overview failed");
        benchmark::DoNotOptimize(overview.tracks.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSongSamples) * kTracks * 3);
}

// Conversion of one audio block of 24 track blocks, against memcpy of the same bytes.
struct ConversionBuffers {
    std::vector<uint8_t> drive = std::vector<uint8_t>(kAudioBlockBytes, 0x3C);
    std::vector<uint8_t> caller = std::vector<uint8_t>(kTracks * kBlockSamples * 4, 0x5A);
};

void BM_SampleBaselineMemcpy(benchmark::State& state) {
    ConversionBuffers buffers;
    for (auto _ : state) {
        std::memcpy(buffers.caller.data(), buffers.drive.data(), kAudioBlockBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kAudioBlockBytes));
}

template <bool Pack>
void convert(benchmark::State& state) {
    ConversionBuffers buffers;
    const vxfserver::SampleFormat format{uint32_t(state.range(0)), uint32_t(state.range(1))};
    const size_t callerTrackBytes = size_t(kBlockSamples) * format.bytes;
    for (auto _ : state) {
        for (uint32_t t = 0; t < kTracks; ++t) {
            uint8_t* drive = buffers.drive.data() + t * kTrackBlockBytes;
            uint8_t* caller = buffers.caller.data() + t * callerTrackBytes;
            if constexpr (Pack) {
                vxfserver::packSamples(caller, kBlockSamples, 1, format, drive);
            } else {
                vxfserver::unpackSamples(drive, kBlockSamples, caller, 1, format);
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kAudioBlockBytes));
}

void BM_SampleUnpack(benchmark::State& state) { convert<false>(state); }
void BM_SamplePack(benchmark::State& state) { convert<true>(state); }

BENCHMARK(BM_TrackBaselinePreadAudioBlock);
BENCHMARK(BM_TrackReadAll);
BENCHMARK(BM_TrackBaselinePreadTrackBlock);
BENCHMARK(BM_TrackRead);
BENCHMARK(BM_TrackBaselinePwriteAudioBlock);
BENCHMARK(BM_TrackWriteAll);
// Flushes wait for the medium, not the processor: wall-clock time.
BENCHMARK(BM_SongBaselineExportAllTracks)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SongBaselineReadAllTracks)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SongOverview)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportSong)->Arg(0)->Arg(1)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SampleBaselineMemcpy);
// Bytes per sample and byte order: 3/0 is what transfers use; the others are the import formats.
void conversionFormats(benchmark::internal::Benchmark* b) {
    for (int64_t bytes = 1; bytes <= 4; ++bytes) {
        for (int64_t order = 0; order <= 1; ++order) b->Args({bytes, order});
    }
}
BENCHMARK(BM_SampleUnpack)->Apply(conversionFormats);
BENCHMARK(BM_SamplePack)->Apply(conversionFormats);

}  // namespace
