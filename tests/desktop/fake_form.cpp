// fake_form.cpp - a form without a screen: records what the logic shows and answers from a script.
#include "fake_form.h"

#include "ext_message_box.h"
#include "ids.h"

namespace decktest {

int FakeForm::messageBox(const std::string& text, const std::string& caption, uint32_t type) {
    boxes.push_back({text, caption, type});
    if (onBox) onBox(boxes.back());
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return deck::layoutExtMessageBox(caption, type).buttons.front().result;
}

int FakeForm::runModal(deck::DialogLogic& dialog) {
    dialogTemplates.push_back(dialog.templateId());
    FakeDialog controls;
    dialog.init(controls);
    if (!dialogs.empty()) {
        DialogScript script = std::move(dialogs.front());
        dialogs.pop_front();
        script(dialog, controls);
    }
    return controls.ended ? controls.result : deck::kIdCancel;
}

void FakeForm::setWaitCursor(bool on) {
    waitCursorDepth += on ? 1 : -1;
    if (on) ++waitCursorShows;
}

void FakeForm::pumpMessages() {
    ++pumps;
    if (onPump) onPump(pumps);
}

int MemoryProfile::readInt(const std::string& key, int defaultValue) {
    const auto found = ints.find(key);
    return found != ints.end() ? found->second : defaultValue;
}

std::string MemoryProfile::readText(const std::string& key, const std::string& defaultValue) {
    const auto found = texts.find(key);
    return found != texts.end() ? found->second : defaultValue;
}

FakeForm::DialogScript typeAndOk(int fieldId, const std::string& text) {
    return [fieldId, text](deck::DialogLogic& dialog, FakeDialog& controls) {
        controls.setText(fieldId, text);
        controls.press(dialog, deck::kIdOk);
    };
}

FakeForm::DialogScript chooseAndOk(int listId, int index) {
    return [listId, index](deck::DialogLogic& dialog, FakeDialog& controls) {
        controls.setSelection(listId, index);
        controls.press(dialog, deck::kIdOk);
    };
}

FakeForm::DialogScript pressOk() {
    return [](deck::DialogLogic& dialog, FakeDialog& controls) { controls.press(dialog, deck::kIdOk); };
}

}  // namespace decktest
