// select_dialog.cpp - a dialog that offers a copy of one of the form's lists and answers the chosen line.
#include "select_dialog.h"

namespace deck {

SelectDialog::SelectDialog(int templateId, int listId, const Controls& source, int sourceListId)
    : templateId_(templateId), listId_(listId), chosen_(source.selection(sourceListId)) {
    for (int i = 0; i < source.lineCount(sourceListId); ++i) lines_.push_back(source.line(sourceListId, i));
}

void SelectDialog::init(DialogControls& controls) {
    controls.clearList(listId_);
    for (const std::string& line : lines_) controls.addLine(listId_, line);
    controls.setSelection(listId_, chosen_);
    controls.fitDropDown(listId_);
}

const std::string& SelectDialog::chosenLine() const {
    static const std::string none;
    return chosen_ >= 0 && chosen_ < static_cast<int>(lines_.size()) ? lines_[static_cast<size_t>(chosen_)] : none;
}

bool SelectDialog::accept(DialogControls& controls) {
    chosen_ = controls.selection(listId_);
    return true;
}

}  // namespace deck
