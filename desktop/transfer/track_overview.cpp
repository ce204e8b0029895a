// track_overview.cpp - a song's peak, RMS, silence and min/max strip per track, from one read of all its tracks.
#include "track_overview.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <utility>

#include "optimal_chunk.h"
#include "transfer_procedure.h"

namespace vxf::transfer {
namespace {

constexpr uint16_t kBytesPerSample = 4;  // the 24-bit sample sign-extended, in the host's order
constexpr uint16_t kHostOrder = std::endian::native == std::endian::big ? 1 : 0;
constexpr int32_t kOutOfMemory = 5;  // the server's code for it, as the export's callers know it
constexpr double kSilenceDbfs = -300.0;
// Squares of 24-bit samples (at most 2^46) summed over this many stay below 2^63.
constexpr uint32_t kLongestStretch = 65536;
constexpr uint32_t kFewestBlockSamples = 4096;
// More columns than any screen or picture shows would only cost memory.
constexpr uint32_t kMostColumns = 65536;

struct Scan {
    int32_t low;
    int32_t high;
    uint64_t squares;
};

// The one loop over every sample: kept free of branches so that the compiler can run it on vectors.
template <class Sample>
[[gnu::always_inline]] inline Scan scanBody(const Sample* samples, uint32_t count) {
    int32_t low = samples[0];
    int32_t high = samples[0];
    uint64_t squares = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t v = samples[i];
        low = std::min(low, v);
        high = std::max(high, v);
        squares += static_cast<uint64_t>(int64_t{v} * v);
    }
    return {low, high, squares};
}

#if defined(__x86_64__) && defined(__GNUC__)
// The baseline x86-64 has no vector min and max of 32-bit numbers; AVX2 takes eight samples at a time.
#if defined(__clang__)
[[gnu::target("avx2")]]  // clang has no per-function optimisation options
#else
[[gnu::target("avx2"), gnu::optimize("vect-cost-model=dynamic")]]
#endif
Scan scanAvx2(const int32_t* samples, uint32_t count) {
    return scanBody(samples, count);
}
#endif

Scan scanSamples(const int32_t* samples, uint32_t count) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return scanAvx2(samples, count);
#endif
    return scanBody(samples, count);
}

double dbfs(double level) {
    return level > 0.0 ? 20.0 * std::log10(level / TrackOverviewBuilder::kFullScale) : kSilenceDbfs;
}

float fraction(int32_t sample) { return static_cast<float>(sample / TrackOverviewBuilder::kFullScale); }

}  // namespace

TrackOverviewBuilder::TrackOverviewBuilder(TransferServer& server, const SongFacts& song, uint32_t columns)
    : server_(server), song_(song) {
    song_.trackCount = std::min<uint16_t>(song_.trackCount, kMaxTracks);
    columnCount_ = std::min({columns, song_.length, kMostColumns});
    overview_.sampleRate = song_.sampleRate;
    overview_.length = song_.length;
    overview_.wordLength = song_.wordLength;
    overview_.tracks.resize(song_.trackCount);
    for (uint16_t t = 0; t < song_.trackCount; ++t) {
        overview_.tracks[t].track = t;
        overview_.tracks[t].columns.resize(columnCount_);
    }
    tracks_.resize(song_.trackCount);
}

double TrackOverviewBuilder::progress() const {
    if (song_.length == 0 || (done_ && failure_ == 0)) return 1.0;
    return static_cast<double>(position_) / song_.length;
}

uint32_t TrackOverviewBuilder::columnStart(uint32_t column) const {
    return static_cast<uint32_t>(uint64_t{column} * song_.length / columnCount_);
}

void TrackOverviewBuilder::fail(int32_t code, std::string text) {
    failure_ = code;
    failureText_ = std::move(text);
    done_ = true;
}

// The block size and the buffers, asked for on the first step so that the server is only called there.
bool TrackOverviewBuilder::start() {
    started_ = true;
    if (song_.length == 0 || song_.trackCount == 0) {
        done_ = true;
        return false;
    }
    uint32_t optimal = 0;
    const int32_t code = server_.optimalTransferSize(optimal);
    if (code != 0) {
        fail(code, server_.errorText());
        return false;
    }
    // One optimal transfer (an audio block of every track) a step: its samples are still in the cache when they
    // are scanned, and a step stays short enough for a window to drop the overview between events. A size too
    // small to pay for its call is raised as the export raises its blocks.
    chunk_ = optimal >= kFewestBlockSamples ? optimal : OptimalChunk(song_.trackCount, optimal);
    if (chunk_ == 0) {
        fail(kServerNotSupported, "The drive gives no transfer size.");
        return false;
    }
    // Fewer samples a block when memory is short, as the export does.
    buffers_.emplace(chunk_, kBytesPerSample, song_.trackCount);
    chunk_ = buffers_->block();
    if (chunk_ == 0) {
        fail(kOutOfMemory, kNotEnoughMemory);
        return false;
    }
    return true;
}

bool TrackOverviewBuilder::step() {
    if (done_) return false;
    if (!started_ && !start()) return false;
    std::array<void*, kMaxTracks> destinations{};
    for (uint16_t t = 0; t < song_.trackCount; ++t) destinations[t] = (*buffers_)[t];
    const uint32_t wanted = std::min(chunk_, song_.length - position_);
    uint32_t read = 0;
    const int32_t code =
        server_.trackReadAll(position_, wanted, read, kBytesPerSample, kHostOrder, destinations.data());
    if (code != 0) {
        fail(code, server_.errorText());
        return false;
    }
    read = std::min(read, wanted);
    if (read > 0) take(read);
    // Audio that ends before the song's length leaves the rest as it was: silent.
    if (read == 0 || position_ >= song_.length) done_ = true;
    return !done_;
}

// The block's samples cut where columns begin, and into stretches short enough for the sum of squares.
std::vector<TrackOverviewBuilder::Stretch> TrackOverviewBuilder::stretchesOf(uint32_t samples) {
    std::vector<Stretch> stretches;
    uint32_t first = 0;
    while (first < samples) {
        const uint32_t at = position_ + first;
        while (column_ + 1 < columnCount_ && columnStart(column_ + 1) <= at) ++column_;
        const uint32_t columnEnd = columnStart(column_ + 1);
        const uint32_t count = std::min({samples - first, columnEnd - at, kLongestStretch});
        stretches.push_back({first, count, column_, at == columnStart(column_)});
        first += count;
    }
    return stretches;
}

void TrackOverviewBuilder::take(uint32_t samples) {
    const std::vector<Stretch> stretches = stretchesOf(samples);
    // The buffers are page-aligned and hold the server's 4-byte samples.
    for (uint16_t t = 0; t < song_.trackCount; ++t) {
        takeTrack(t, reinterpret_cast<const int32_t*>((*buffers_)[t]), stretches);
    }
    position_ += samples;
    updateFigures();
}

void TrackOverviewBuilder::takeTrack(size_t track, const int32_t* samples, const std::vector<Stretch>& stretches) {
    Accumulator& sums = tracks_[track];
    std::vector<OverviewColumn>& columns = overview_.tracks[track].columns;
    for (const Stretch& stretch : stretches) {
        const Scan scan = scanSamples(samples + stretch.first, stretch.count);
        if (position_ == 0 && stretch.first == 0) {
            sums.low = scan.low;
            sums.high = scan.high;
        }
        sums.low = std::min(sums.low, scan.low);
        sums.high = std::max(sums.high, scan.high);
        sums.energy += static_cast<double>(scan.squares);
        OverviewColumn& column = columns[stretch.column];
        const float low = fraction(scan.low);
        const float high = fraction(scan.high);
        column.low = stretch.opensColumn ? low : std::min(column.low, low);
        column.high = stretch.opensColumn ? high : std::max(column.high, high);
    }
}

void TrackOverviewBuilder::updateFigures() {
    for (size_t t = 0; t < tracks_.size(); ++t) {
        const Accumulator& sums = tracks_[t];
        TrackOverview& track = overview_.tracks[t];
        const double peak = std::max(-static_cast<double>(sums.low), static_cast<double>(sums.high));
        track.silent = peak == 0.0;
        track.peakDbfs = dbfs(peak);
        // Over the song's length: audio that ends early counts as the silence it plays as.
        track.rmsDbfs = dbfs(std::sqrt(sums.energy / song_.length));
    }
}

int32_t buildTrackOverview(TransferServer& server, const SongFacts& song, SongOverview& overview, uint32_t columns) {
    TrackOverviewBuilder builder(server, song, columns);
    while (builder.step()) {
    }
    overview = builder.overview();
    return builder.failure();
}

}  // namespace vxf::transfer
