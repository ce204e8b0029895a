// ext_message_box.cpp - what the extended message box shows and answers for its type flags.
#include "ext_message_box.h"

#include "ids.h"

namespace deck {

namespace {

BoxButton button(BoxLabel label, int result) { return {builtInLabel(label), result}; }

std::vector<BoxButton> buttonsOfSet(uint32_t type) {
    const bool yesToAll = type & mb::kYesToAll;
    const bool noToAll = type & mb::kNoToAll;
    std::vector<BoxButton> buttons;
    switch (type & mb::kButtonSetMask) {
    case mb::kOkCancel:
        buttons = {button(BoxLabel::Ok, idr::kOk), button(BoxLabel::Cancel, idr::kCancel)};
        break;
    case mb::kAbortRetryIgnore:
        buttons = {button(BoxLabel::Abort, idr::kAbort), button(BoxLabel::Retry, idr::kRetry),
                   button(BoxLabel::Ignore, idr::kIgnore)};
        break;
    case mb::kYesNoCancel:
    case mb::kYesNo:
        buttons.push_back(button(BoxLabel::Yes, idr::kYes));
        if (yesToAll) buttons.push_back(button(BoxLabel::YesToAll, idr::kYesToAll));
        buttons.push_back(button(BoxLabel::No, idr::kNo));
        if (noToAll) buttons.push_back(button(BoxLabel::NoToAll, idr::kNoToAll));
        if ((type & mb::kButtonSetMask) == mb::kYesNoCancel) buttons.push_back(button(BoxLabel::Cancel, idr::kCancel));
        break;
    case mb::kRetryCancel:
        buttons = {button(BoxLabel::Retry, idr::kRetry), button(BoxLabel::Cancel, idr::kCancel)};
        break;
    case mb::kContinueAbort:
        buttons = {button(BoxLabel::Continue, idr::kContinue), button(BoxLabel::Abort, idr::kAbort)};
        break;
    default:  // OK alone, also for the numbers that name no set
        buttons = {button(BoxLabel::Ok, idr::kOk)};
        break;
    }
    if (type & mb::kHelp) buttons.push_back(button(BoxLabel::Help, idr::kHelp));
    return buttons;
}

BoxIcon iconOf(uint32_t type) {
    switch (type & mb::kIconMask) {
    case mb::kIconStop: return BoxIcon::Stop;
    case mb::kIconQuestion: return BoxIcon::Question;
    case mb::kIconExclamation: return BoxIcon::Exclamation;
    case mb::kIconInformation: return BoxIcon::Information;
    default: return BoxIcon::None;
    }
}

bool isOkAloneSet(uint32_t type) {
    switch (type & mb::kButtonSetMask) {
    case mb::kOkCancel:
    case mb::kAbortRetryIgnore:
    case mb::kYesNoCancel:
    case mb::kYesNo:
    case mb::kRetryCancel:
    case mb::kContinueAbort:
        return false;
    default:
        return true;
    }
}

int escapeResultOf(const std::vector<BoxButton>& buttons, uint32_t type) {
    for (const BoxButton& b : buttons)
        if (b.result == idr::kCancel) return idr::kCancel;
    return isOkAloneSet(type) ? idr::kOk : 0;
}

}  // namespace

const char* builtInLabel(BoxLabel label) {
    static const char* const labels[] = {"OK",       "Cancel",    "&Ignore",
                                         "&Retry",   "&Abort",    "&Help",
                                         "&Yes",     "&No",       "&Continue",
                                         "Don't ask me again",    "Don't tell me again",
                                         "Yes to &All", "No to A&ll"};
    return labels[static_cast<int>(label)];
}

ExtMessageBoxLayout layoutExtMessageBox(const std::string& caption, uint32_t type) {
    ExtMessageBoxLayout layout;
    layout.caption = caption.empty() ? kAppTitle : caption;
    layout.useSystemBox = (type & mb::kIconMask) == mb::kIconStop && (type & mb::kSystemModal);
    layout.icon = iconOf(type);
    layout.buttons = buttonsOfSet(type);
    const size_t defaultNumber = (type & mb::kDefaultButtonMask) >> 8;
    layout.defaultButton = defaultNumber < layout.buttons.size() ? defaultNumber : 0;
    if (type & mb::kDontAskAgain) {
        layout.checkBoxText = builtInLabel(BoxLabel::DontAsk);
        layout.checkBoxBit = static_cast<int>(mb::kDontAskAgain);
    } else if (type & mb::kDontTellAgain) {
        layout.checkBoxText = builtInLabel(BoxLabel::DontTell);
        layout.checkBoxBit = static_cast<int>(mb::kDontTellAgain);
    }
    layout.escapeResult = escapeResultOf(layout.buttons, type);
    layout.systemModal = type & mb::kSystemModal;
    layout.bringOwnerToFront = type & mb::kSetForeground;
    layout.beep = static_cast<int32_t>(type) >= 0;
    return layout;
}

int extMessageBoxResult(const ExtMessageBoxLayout& layout, const BoxButton& button, bool checkBoxTicked) {
    if (checkBoxTicked && layout.checkBoxBit != 0) return button.result | layout.checkBoxBit;
    return button.result;
}

}  // namespace deck
