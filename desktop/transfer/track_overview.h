// track_overview.h - what each track of a song holds, read once from the drive: peak, RMS, whether it is silent,
// and a strip of min/max columns over the song's length. Shared by vxfDeck's export list and `vxf tracks`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transfer_buffers.h"
#include "transfer_server.h"

namespace vxf::transfer {

// One column of a track's strip: the lowest and highest sample in its stretch of the song, as fractions of full
// scale (-1 .. 1).
struct OverviewColumn {
    float low = 0.0f;
    float high = 0.0f;
};

struct TrackOverview {
    uint16_t track = 0;           // 0-based caller track
    double peakDbfs = -300.0;     // of the largest absolute sample; -300 for digital silence
    double rmsDbfs = -300.0;
    bool silent = true;           // every sample is zero
    std::vector<OverviewColumn> columns;
};

struct SongOverview {
    uint32_t sampleRate = 0;
    uint32_t length = 0;
    uint16_t wordLength = 24;
    std::vector<TrackOverview> tracks;  // one per caller track of the song, in order
};

// Reads the current song's tracks block by block (every track at once), a step at a time, so a window can run it
// between its events and drop it when the selection changes. `columns` is how many strip columns each track gets
// (fewer when the song is shorter; at most 65536). The server is only ever called from the thread that calls
// step().
class TrackOverviewBuilder {
public:
    TrackOverviewBuilder(TransferServer& server, const SongFacts& song, uint32_t columns = 400);

    // Reads the next block. Answers false once the overview is complete or has failed.
    bool step();
    bool done() const { return done_; }
    // The server's code of a failed read (0 while none failed) and its message.
    int32_t failure() const { return failure_; }
    const std::string& failureText() const { return failureText_; }
    // 0 .. 1 of the song read so far.
    double progress() const;
    // The figures so far; complete once done() with no failure.
    const SongOverview& overview() const { return overview_; }

    // The drive's samples are 24-bit whatever the song's word length: full scale is 2^23.
    static constexpr double kFullScale = 8388608.0;

private:
    // What a track's samples gave so far, in drive units.
    struct Accumulator {
        int32_t low = 0;
        int32_t high = 0;
        double energy = 0.0;  // sum of the squared samples
    };
    // A part of a block that lies in one column.
    struct Stretch {
        uint32_t first = 0;  // in the block
        uint32_t count = 0;
        uint32_t column = 0;
        bool opensColumn = false;
    };
    bool start();
    void fail(int32_t code, std::string text);
    void take(uint32_t samples);
    std::vector<Stretch> stretchesOf(uint32_t samples);
    void takeTrack(size_t track, const int32_t* samples, const std::vector<Stretch>& stretches);
    void updateFigures();
    // The first sample of `column` (the song's length for columnCount_).
    uint32_t columnStart(uint32_t column) const;

    TransferServer& server_;
    SongFacts song_;
    uint32_t columnCount_ = 0;
    uint32_t chunk_ = 0;
    uint32_t position_ = 0;
    uint32_t column_ = 0;  // the column `position_` lies in
    bool started_ = false;
    bool done_ = false;
    int32_t failure_ = 0;
    std::string failureText_;
    SongOverview overview_;
    std::optional<TransferBuffers> buffers_;
    std::vector<Accumulator> tracks_;
};

// Runs a builder to its end; answers its failure code (0 on success).
int32_t buildTrackOverview(TransferServer& server, const SongFacts& song, SongOverview& overview,
                           uint32_t columns = 400);

}  // namespace vxf::transfer
