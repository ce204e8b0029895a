// transfer_adapters.cpp - the window's side of the transfer procedures: messages and questions.
#include "transfer_adapters.h"

#include "ext_message_box.h"
#include "form.h"
#include "ids.h"
#include "track_select_dialog.h"
#include "transfer_ids.h"
#include "transfer_services.h"

namespace deck {

namespace {

constexpr uint32_t kResultMask = 0xFFFF;  // without the check-box bits

}  // namespace

void FormMessageSink::showError(const std::string& text) { form_.messageBox(text, kAppTitle, mb::kIconStop | mb::kOk); }

vxf::transfer::ReplaceAnswer FormTransferQuestions::askReplace(const std::string& text, const std::string& caption,
                                                               bool offerAll) {
    using vxf::transfer::ReplaceAnswer;
    const uint32_t buttons = offerAll ? mb::kYesNoCancel | mb::kYesToAll : mb::kYesNo;
    const int answer = form_.messageBox(text, caption, buttons | mb::kIconExclamation | mb::kSetForeground);
    switch (static_cast<uint32_t>(answer) & kResultMask) {
    case idr::kYes: return ReplaceAnswer::Yes;
    case idr::kYesToAll: return ReplaceAnswer::YesToAll;
    case idr::kNo: return ReplaceAnswer::No;
    default: return ReplaceAnswer::Cancel;
    }
}

bool FormTransferQuestions::askOkCancel(const std::string& text) {
    const int answer = form_.messageBox(text, kAppTitle, mb::kOkCancel | mb::kIconStop | mb::kSetForeground);
    return (static_cast<uint32_t>(answer) & kResultMask) == idr::kOk;
}

bool FormTransferQuestions::askYesNo(const std::string& text) {
    const int answer = form_.messageBox(text, kAppTitle, mb::kYesNo | mb::kIconQuestion);
    return (static_cast<uint32_t>(answer) & kResultMask) == idr::kYes;
}

std::optional<uint16_t> FormTransferQuestions::chooseTrack(const std::string& path, uint16_t trackCount,
                                                           const std::vector<bool>& trackFree,
                                                           std::optional<uint16_t> lastChosen) {
    TrackSelectDialog dialog(path, trackCount, trackFree, lastChosen);
    if (form_.runModal(dialog) != kIdOk) return std::nullopt;
    return dialog.chosen();
}

void FormTransferQuestions::showStatistics(const vxf::transfer::TransferStatistics& statistics, uint64_t) {
    form_.setText(ctl::kTransferRate, vxf::transfer::formatTransferRate(statistics));
    form_.setText(ctl::kTransferTime, vxf::transfer::formatTransferTime(statistics));
}

std::optional<uint64_t> FormTransferQuestions::freeBytes(const std::string& directory) {
    return services_.freeBytes(directory);
}

}  // namespace deck
