// transfer_procedure.h - what the export and import procedures share: context, results, block size, the step after a block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "copy_progress_dialog.h"
#include "message_sink.h"
#include "transfer_server.h"
#include "transfer_statistics.h"
#include "transfer_ui.h"

namespace vxf::transfer {

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
};

constexpr const char* kNotEnoughMemory = "Not enough memory.";
constexpr const char* kConfirmCancel = "Are you sure you want to cancel?";

// The state and the steps shared by the export and import procedures.
class TransferProcedure {
protected:
    explicit TransferProcedure(TransferContext& context) : context_(context) {}

    // A failure shown with the stop icon and OK.
    void reportError(const std::string& text);
    // A failure the user may step over: OK gives Failed, Cancel Stop.
    TransferResult askToGoOn(const std::string& text);
    // The server's message for its last failure.
    std::string serverError() { return context_.server.errorText(); }
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

    TransferContext& context_;
    TransferOutcome outcome_;
};

}  // namespace vxf::transfer
