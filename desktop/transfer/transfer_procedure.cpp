// transfer_procedure.cpp - what the export and import procedures share: context, results, block size, the step after a block.
#include "transfer_procedure.h"

#include "optimal_chunk.h"

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

void TransferProcedure::showStatistics(TransferClock& clock, uint64_t tracks, uint64_t samples) {
    clock.stop();
    const uint64_t bytes = transferBytes(tracks, samples);
    context_.questions.showStatistics(clock.statistics(bytes), bytes);
}

}  // namespace vxf::transfer
