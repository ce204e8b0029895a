// ext_message_box.h - what the extended message box shows and answers for its type flags.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace deck {

// Type flags; the low parts mean what they mean to the system message box.
namespace mb {
constexpr uint32_t kButtonSetMask = 0x0000000F;
constexpr uint32_t kOk = 0;
constexpr uint32_t kOkCancel = 1;
constexpr uint32_t kAbortRetryIgnore = 2;
constexpr uint32_t kYesNoCancel = 3;
constexpr uint32_t kYesNo = 4;
constexpr uint32_t kRetryCancel = 5;
constexpr uint32_t kContinueAbort = 8;
constexpr uint32_t kIconMask = 0x000000F0;
constexpr uint32_t kIconStop = 0x10;
constexpr uint32_t kIconQuestion = 0x20;
constexpr uint32_t kIconExclamation = 0x30;
constexpr uint32_t kIconInformation = 0x40;
constexpr uint32_t kDefaultButtonMask = 0x00000F00;
constexpr uint32_t kSystemModal = 0x00001000;
constexpr uint32_t kHelp = 0x00004000;
constexpr uint32_t kSetForeground = 0x00010000;
constexpr uint32_t kDontAskAgain = 0x01000000;
constexpr uint32_t kDontTellAgain = 0x02000000;
constexpr uint32_t kYesToAll = 0x04000000;
constexpr uint32_t kNoToAll = 0x08000000;
constexpr uint32_t kNoResourceLabels = 0x10000000;
}  // namespace mb

// Button results; the check-box bits (mb::kDontAskAgain, mb::kDontTellAgain) may be added.
namespace idr {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kAbort = 3;
constexpr int kRetry = 4;
constexpr int kIgnore = 5;
constexpr int kYes = 6;
constexpr int kNo = 7;
constexpr int kContinue = 11;
constexpr int kYesToAll = 110;
constexpr int kNoToAll = 120;
constexpr int kHelp = 300;  // does not close the box
}  // namespace idr

enum class BoxIcon { None, Stop, Question, Exclamation, Information };

struct BoxButton {
    std::string label;
    int result;
};

struct ExtMessageBoxLayout {
    // A stop-icon, system-modal request goes to the system's own box.
    bool useSystemBox = false;
    std::string caption;
    BoxIcon icon = BoxIcon::None;
    std::vector<BoxButton> buttons;  // in row order, Help last
    size_t defaultButton = 0;
    std::string checkBoxText;        // empty: no check box
    int checkBoxBit = 0;
    // Result of Escape or the close command; 0 when both are ignored.
    int escapeResult = 0;
    bool systemModal = false;
    bool bringOwnerToFront = false;
    bool beep = true;
};

// Built-in labels, in resource order 9001 to 9013.
enum class BoxLabel { Ok, Cancel, Ignore, Retry, Abort, Help, Yes, No, Continue, DontAsk, DontTell, YesToAll, NoToAll };
const char* builtInLabel(BoxLabel label);

// The box for a caption and type; an empty caption becomes the application title.
ExtMessageBoxLayout layoutExtMessageBox(const std::string& caption, uint32_t type);

// What the box answers when a button closes it with the check box in the given state.
int extMessageBoxResult(const ExtMessageBoxLayout& layout, const BoxButton& button, bool checkBoxTicked);

}  // namespace deck
