// fake_form.h - a form without a screen: records what the logic shows and answers from a script.
#pragma once

#include "deck_view.h"
#include "form.h"
#include "ids.h"
#include "profile.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace decktest {

struct FakeControl {
    std::string text;
    std::vector<std::string> lines;
    int selection = -1;
    bool checked = false;
    bool enabled = true;
    int textLimit = -1;
    uint32_t progressMaximum = 0;
    uint32_t progressPosition = 0;
};

// Controls kept in a map by id; any id exists once touched.
template <class Base>
class MapControls : public Base {
public:
    void setText(int id, const std::string& text) override {
        FakeControl& c = controls[id];
        c.text = c.textLimit >= 0 && text.size() > static_cast<size_t>(c.textLimit) ? text.substr(0, c.textLimit) : text;
    }
    std::string text(int id) const override { return get(id).text; }
    void clearList(int id) override {
        controls[id].lines.clear();
        controls[id].selection = -1;
    }
    void addLine(int id, const std::string& line) override { controls[id].lines.push_back(line); }
    int lineCount(int id) const override { return static_cast<int>(get(id).lines.size()); }
    std::string line(int id, int index) const override {
        const auto& lines = get(id).lines;
        return index >= 0 && index < static_cast<int>(lines.size()) ? lines[static_cast<size_t>(index)] : "";
    }
    // Like a drop-down list: an index beyond the lines leaves no selection.
    void setSelection(int id, int index) override {
        FakeControl& c = controls[id];
        c.selection = index >= 0 && index < static_cast<int>(c.lines.size()) ? index : -1;
    }
    int selection(int id) const override { return get(id).selection; }
    void fitDropDown(int) override {}
    void setChecked(int id, bool checked) override { controls[id].checked = checked; }
    bool checked(int id) const override { return get(id).checked; }
    void enable(int id, bool enabled) override { controls[id].enabled = enabled; }
    bool isEnabled(int id) const override { return get(id).enabled; }
    void setTextLimit(int id, int characters) override { controls[id].textLimit = characters; }
    void setProgressRange(int id, uint32_t maximum) override { controls[id].progressMaximum = maximum; }
    void setProgressPosition(int id, uint32_t position) override { controls[id].progressPosition = position; }

    std::vector<std::string> lines(int id) const { return get(id).lines; }

    std::map<int, FakeControl> controls;

private:
    const FakeControl& get(int id) const {
        static const FakeControl none;
        const auto found = controls.find(id);
        return found != controls.end() ? found->second : none;
    }
};

class FakeDialog : public MapControls<deck::DialogControls> {
public:
    void endDialog(int result) override {
        ended = true;
        this->result = result;
    }
    // A user's press of a button (or choice in a list) of the dialog.
    void press(deck::DialogLogic& dialog, int id) { dialog.command(*this, id); }

    bool ended = false;
    int result = deck::kIdCancel;
};

struct ShownBox {
    std::string text;
    std::string caption;
    uint32_t type;
};

class FakeForm : public MapControls<deck::Form> {
public:
    using DialogScript = std::function<void(deck::DialogLogic&, FakeDialog&)>;

    int messageBox(const std::string& text, const std::string& caption, uint32_t type) override;
    int runModal(deck::DialogLogic& dialog) override;
    void setWaitCursor(bool on) override;
    void pumpMessages() override;
    void requestClose() override { closeRequested = true; }
    void openWebSite(const std::string& address) override { sites.push_back(address); }

    // Next answers of message boxes; without one a box answers its first button.
    std::deque<int> answers;
    // Next dialogs' user actions; without one a dialog is cancelled.
    std::deque<DialogScript> dialogs;
    // Runs on every pump of pending messages, with the pump's number from 1.
    std::function<void(int)> onPump;
    // Runs whenever a message box shows, before it is answered.
    std::function<void(const ShownBox&)> onBox;

    std::vector<ShownBox> boxes;
    std::vector<int> dialogTemplates;
    int waitCursorDepth = 0;
    int waitCursorShows = 0;
    int pumps = 0;
    bool closeRequested = false;
    std::vector<std::string> sites;

    // The drop-down lists the user sees, as lines.
    std::vector<std::string> lines(int id) const { return MapControls<deck::Form>::lines(id); }
};

class MemoryProfile : public deck::Profile {
public:
    int readInt(const std::string& key, int defaultValue) override;
    void writeInt(const std::string& key, int value) override { ints[key] = value; }
    std::string readText(const std::string& key, const std::string& defaultValue) override;
    void writeText(const std::string& key, const std::string& value) override { texts[key] = value; }

    std::map<std::string, int> ints;
    std::map<std::string, std::string> texts;
};

// A dialog script that sets an edit field and presses OK.
FakeForm::DialogScript typeAndOk(int fieldId, const std::string& text);
// A dialog script that chooses a line of a list and presses OK.
FakeForm::DialogScript chooseAndOk(int listId, int index);
// A dialog script that presses OK as the dialog opened.
FakeForm::DialogScript pressOk();

}  // namespace decktest
