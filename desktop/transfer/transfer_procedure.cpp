// transfer_procedure.cpp - what the export and import procedures share: context, results, and the pass that moves tracks.
#include "transfer_procedure.h"

#include <future>
#include <system_error>
#include <utility>

#include "optimal_chunk.h"
#include "transfer_paths.h"

namespace vxf::transfer {

void TransferProcedure::reportError(const std::string& text) {
    outcome_.failed = true;
    context_.messages.showError(text);
}

TransferResult TransferProcedure::askToGoOn(const std::string& text) {
    outcome_.failed = true;
    if (context_.questions.askOkCancel(text)) return TransferResult::Failed;
    outcome_.cancelled = true;
    return TransferResult::Stop;
}

uint32_t TransferProcedure::transferBlock(uint16_t multiplier) {
    const uint32_t block = OptimalChunk(
        multiplier,
        [this](uint32_t& size, std::string& errorText) {
            const int32_t result = context_.server.optimalTransferSize(size);
            if (result != 0) errorText = serverError();
            return result;
        },
        context_.messages);
    if (block == 0) outcome_.failed = true;
    return block;
}

void TransferProcedure::openCopyDialog(CopyProgressDialog& dialog, uint16_t tracks, const std::string& from,
                                       const std::string& to, uint32_t total, uint32_t block) {
    dialog.Open(tracks);
    dialog.SetFrom(from);
    dialog.SetTo(to);
    dialog.SetRange(0, total);
    dialog.SetStep(block);
}

bool TransferProcedure::afterBlock(CopyProgressDialog& dialog, uint32_t moved) {
    if (dialog.CancelRequested() && context_.questions.askYesNo(kConfirmCancel)) {
        outcome_.cancelled = true;
        return false;
    }
    dialog.SetStep(moved);
    dialog.Step();
    return true;
}

std::optional<TransferResult> TransferProcedure::transfer(const TransferPass& pass) {
    TransferBuffers buffers(transferBlock(pass.blockTracks), pass.bytesPerSample, pass.tracks);
    if (buffers.block() == 0) {
        reportError(kNotEnoughMemory);
        return std::nullopt;
    }
    std::string from;
    std::string to;
    if (!pass.texts(from, to)) return std::nullopt;
    CopyProgressDialog dialog(context_.progressView);
    openCopyDialog(dialog, pass.tracks, from, to, pass.total, buffers.block());
    // Without memory for a second set of buffers of the same block, the blocks go one after the other.
    std::optional<TransferBuffers> spare;
    if (pass.giveMessages) spare.emplace(buffers.block(), pass.bytesPerSample, pass.tracks);
    const bool alongside = spare && spare->block() == buffers.block();
    TransferClock clock;
    clock.start();
    uint64_t moved = 0;
    const TransferResult result = alongside ? moveBlocksAlongside(pass, buffers, *spare, dialog, moved)
                                            : moveBlocks(pass, buffers, dialog, moved);
    showStatistics(clock, pass.tracks, moved);
    const TransferResult end = pass.finish(result, moved);
    dialog.Close();
    return end;
}

// A block that failed on either side moved nothing: the position stays where the last whole
// block left it.
TransferResult TransferProcedure::moveBlocks(const TransferPass& pass, const TransferBuffers& buffers,
                                             CopyProgressDialog& dialog, uint64_t& moved) {
    while (moved < pass.total) {
        const BlockTaken taken = pass.take(buffers, moved, buffers.block());
        if (taken.end != TransferResult::Done) return taken.end;
        if (taken.samples == 0) break;
        if (pass.convert) pass.convert(buffers, taken.samples);
        const TransferResult given = pass.give(buffers, moved, taken.samples);
        if (given != TransferResult::Done) return given;
        moved += taken.samples;
        if (!afterBlock(dialog, taken.samples)) return TransferResult::Stop;
    }
    return TransferResult::Done;
}

// A block taken past a failure or a cancel is dropped unused: a pass that gives alongside takes
// by reading, which changes nothing.
TransferResult TransferProcedure::moveBlocksAlongside(const TransferPass& pass, const TransferBuffers& first,
                                                      const TransferBuffers& second, CopyProgressDialog& dialog,
                                                      uint64_t& moved) {
    const TransferBuffers* current = &first;
    const TransferBuffers* spare = &second;
    BlockTaken taken = pass.take(*current, moved, current->block());
    while (taken.end == TransferResult::Done && taken.samples > 0) {
        if (pass.convert) pass.convert(*current, taken.samples);
        auto give = [&pass, current, position = moved, samples = taken.samples] {
            return pass.give(*current, position, samples);
        };
        pass.giveMessages->hold();
        std::future<TransferResult> given;
        try {
            given = std::async(std::launch::async, give);
        } catch (const std::system_error&) {
            given = std::async(std::launch::deferred, give);  // no thread to be had: given in turn
        }
        const uint64_t after = moved + taken.samples;
        BlockTaken following;
        if (after < pass.total) following = pass.take(*spare, after, spare->block());
        const TransferResult result = given.get();
        pass.giveMessages->release();
        if (result != TransferResult::Done) return result;
        moved = after;
        if (!afterBlock(dialog, taken.samples)) return TransferResult::Stop;
        std::swap(current, spare);
        taken = following;
    }
    return taken.end;
}

TransferResult TransferProcedure::failure(const std::string& text, TrackSpan span) {
    if (span == TrackSpan::One) return askToGoOn(text);
    reportError(text);
    return TransferResult::Stop;
}

TransferResult TransferProcedure::served(int32_t code, TrackSpan span) {
    return code == 0 ? TransferResult::Done : failure(serverError(), span);
}

void TransferProcedure::nameSides(TransferPass& pass, TrackSpan span, uint16_t track, const std::string& fileSide,
                                  bool toFiles) {
    pass.texts = [this, span, track, fileSide, toFiles](std::string& from, std::string& to) {
        (toFiles ? to : from) = fileSide;
        std::string& driveSide = toFiles ? from : to;
        if (span == TrackSpan::All) return songLabel(driveSide);
        driveSide = trackLabel(track);
        return true;
    };
}

bool TransferProcedure::songLabel(std::string& label) {
    std::string name;
    if (context_.server.songName(name) != 0) {
        reportError(serverError());
        return false;
    }
    label = trimSpaces(name);
    return true;
}

void TransferProcedure::showStatistics(TransferClock& clock, uint64_t tracks, uint64_t samples) {
    clock.stop();
    const uint64_t bytes = transferBytes(tracks, samples);
    context_.questions.showStatistics(clock.statistics(bytes), bytes);
}

}  // namespace vxf::transfer
