// transfer_procedure.h - what the export and import procedures share: context, results, and the pass that moves tracks.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "copy_progress_dialog.h"
#include "message_sink.h"
#include "salvage_gap.h"
#include "transfer_buffers.h"
#include "transfer_server.h"
#include "transfer_statistics.h"
#include "transfer_ui.h"

namespace vxf::transfer {

constexpr size_t kMaxTracks = 24;

// Result of one transfer procedure: this item failed but the command goes on (Failed), or the
// command stops (Stop).
enum class TransferResult : int { Stop = -1, Failed = 0, Done = 1 };

// Everything a transfer talks to. The server works on the drive's current song.
struct TransferContext {
    TransferServer& server;
    MessageSink& messages;
    TransferQuestions& questions;
    CopyProgressView& progressView;
};

// A file exported, or a file imported into a track. `complete` is false when the transfer
// stopped part way; what was moved stays.
struct TransferredFile {
    uint16_t track = 0;  // 0-based
    std::string path;
    bool complete = false;
};

struct TransferOutcome {
    bool attempted = false;  // a transfer ran or was cancelled at a question: the recent directories change
    bool failed = false;     // a failure was shown
    bool cancelled = false;  // the user stopped the command
    std::vector<TransferredFile> files;
    // A salvaging export's silences, in the order they were met; their files still count as complete.
    std::vector<SalvageGap> gaps;
};

constexpr const char* kNotEnoughMemory = "Not enough memory.";
constexpr const char* kConfirmCancel = "Are you sure you want to cancel?";

// One track moves with the server's one-track calls, and a failure of it may be stepped over
// to the next item; all tracks move with one call a block, and a failure ends the command.
enum class TrackSpan { One, All };

// What one block gave on the side the samples come from: the samples a track (0: that side has
// no more), or, when `end` is not Done, the result that ends the pass.
struct BlockTaken {
    uint32_t samples = 0;
    TransferResult end = TransferResult::Done;
};

// One pass of a song's tracks between the server and files, either way. `take` fills the
// buffers from the side the samples come from, `convert` (may be empty) makes them what the
// other side takes, and `give` hands them on; each of them gives Done to go on.
struct TransferPass {
    uint16_t tracks = 1;          // buffers, and tracks in the copy window and the statistics
    uint16_t blockTracks = 1;     // the tracks the block is sized for
    uint16_t bytesPerSample = 3;  // of the buffers
    uint32_t total = 0;           // samples a track at the most: the bar's range
    // The copy window's texts; false after a message, and the pass does not start.
    std::function<bool(std::string& from, std::string& to)> texts;
    std::function<BlockTaken(const TransferBuffers& buffers, uint64_t position, uint32_t block)> take;
    std::function<void(const TransferBuffers& buffers, uint32_t samples)> convert;
    std::function<TransferResult(const TransferBuffers& buffers, uint64_t position, uint32_t samples)> give;
    // Ends what `moved` samples a track made, after the statistics and while the window is still
    // up; gives the pass's result.
    std::function<TransferResult(TransferResult result, uint64_t moved)> finish;
    // Set when `give` may run on a second thread while the next block is taken (an export: the
    // drive is read while the files are written). `give` then shows its messages only through
    // these, which the pass holds while it runs, and touches nothing `take` touches.
    HeldMessages* giveMessages = nullptr;
};

// The buffers at their items' tracks (the rest null), as the server's all-track calls take them.
template <class Item>
std::array<void*, kMaxTracks> buffersByTrack(const TransferBuffers& buffers, const std::vector<Item>& items) {
    std::array<void*, kMaxTracks> table{};
    for (size_t i = 0; i < items.size(); ++i) table[items[i].track] = buffers[i];
    return table;
}

// The state and the steps shared by the export and import procedures.
class TransferProcedure {
protected:
    explicit TransferProcedure(TransferContext& context) : context_(context) {}

    // Runs the pass: the block from the server's optimal size (halved while memory is short),
    // the copy window, the blocks with the cancel question after each, the statistics. None
    // when it could not start: a message was shown, nothing moved, `finish` did not run.
    std::optional<TransferResult> transfer(const TransferPass& pass);
    // A failure of an item: one track may step over it to the next, all tracks stop.
    TransferResult failure(const std::string& text, TrackSpan span);
    // Done for a server call that succeeded, else the failure with the server's message.
    TransferResult served(int32_t code, TrackSpan span);
    // The copy window's texts of a pass: the drive's side names the track of one track, or the
    // song of all tracks (its name asked of the server when the pass starts); the other side is
    // `fileSide`. `toFiles`: the drive's side comes first.
    void nameSides(TransferPass& pass, TrackSpan span, uint16_t track, const std::string& fileSide, bool toFiles);

    // A failure shown with the stop icon and OK.
    void reportError(const std::string& text);
    // A failure the user may step over: OK gives Failed, Cancel Stop.
    TransferResult askToGoOn(const std::string& text);
    // The server's message for its last failure.
    std::string serverError() { return context_.server.errorText(); }

    TransferContext& context_;
    TransferOutcome outcome_;

private:
    // The block of `OptimalChunk` (multiplier) from the server's optimal size; 0 after a message.
    uint32_t transferBlock(uint16_t multiplier);
    // Opens the copy window: `tracks` tracks from `from` to `to`, `total` samples in steps of `block`.
    void openCopyDialog(CopyProgressDialog& dialog, uint16_t tracks, const std::string& from, const std::string& to,
                        uint32_t total, uint32_t block);
    // After a block: the cancel question when Cancel was pressed (false: the user stops), then the
    // bar moves on by what moved (the step is the block but for the last, shorter one).
    bool afterBlock(CopyProgressDialog& dialog, uint32_t moved);
    // Stops the clock and shows the statistics of `tracks` tracks of `samples` samples.
    void showStatistics(TransferClock& clock, uint64_t tracks, uint64_t samples);
    // The song's name as the copy window shows it; false after the server's message.
    bool songLabel(std::string& label);
    // The blocks of a pass until its total, its source's end, a failure or a cancel; `moved`
    // counts the samples a track that went all the way.
    TransferResult moveBlocks(const TransferPass& pass, const TransferBuffers& buffers, CopyProgressDialog& dialog,
                              uint64_t& moved);
    // The same with each block given on a second thread while the next is taken into the other buffers.
    TransferResult moveBlocksAlongside(const TransferPass& pass, const TransferBuffers& first,
                                       const TransferBuffers& second, CopyProgressDialog& dialog, uint64_t& moved);
};

}  // namespace vxf::transfer
