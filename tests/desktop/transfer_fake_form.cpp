// transfer_fake_form.cpp - the fake form with what the Transfer group adds: multi-selection, folder browser, copy window, sound.
#include "transfer_fake_form.h"

#include "ids.h"
#include "track_overview.h"

#include <filesystem>

namespace decktest {

void FakeCopyProgress::open(uint16_t tracks) {
    opened.push_back(tracks);
    isOpen = true;
}

void FakeCopyProgress::setBar(uint32_t, uint32_t high, uint64_t position) {
    lastHigh = high;
    lastPosition = position;
}

bool FakeCopyProgress::pollCancel() {
    ++polls;
    const bool cancel = polls == cancelAtPoll ||
                        (cancels == 0 && cancelInWindow > 0 && opened.size() == static_cast<size_t>(cancelInWindow));
    if (cancel) ++cancels;
    return cancel;
}

void FakeCopyProgress::close() {
    ++closed;
    isOpen = false;
}

std::optional<std::string> FakeTransferServices::browseForFolder(const std::string& title, const std::string& start) {
    browses.emplace_back(title, start);
    if (folders.empty()) return std::nullopt;
    std::optional<std::string> folder = folders.front();
    folders.pop_front();
    return folder;
}

std::unique_ptr<deck::SoundOutput> FakeTransferServices::createSoundOutput() {
    auto output = std::make_unique<FakeSoundOutput>();
    output->noDevice = soundNoDevice;
    output->refusedBits = soundRefusedBits;
    sound = output.get();
    return output;
}

void FakeTransferServices::postMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    posted.push_back({message, wparam, lparam});
}

std::optional<uint64_t> FakeTransferServices::freeBytes(const std::string& directory) {
    if (freeSpace) return freeSpace;
    std::error_code error;
    const auto space = std::filesystem::space(directory, error);
    if (error) return std::nullopt;
    return space.available;
}

void TransferFakeForm::showLineOverview(int id, int index, const std::string& note,
                                        const std::vector<vxf::transfer::OverviewColumn>& strip) {
    if (id != deck::ctl::kTransferList) return;
    notes[index] = note;
    stripColumns[index] = strip.size();
}

void TransferFakeForm::clearList(int id) {
    if (id == deck::ctl::kTransferList) {
        notes.clear();
        stripColumns.clear();
    }
    FakeForm::clearList(id);
    selected_.erase(id);
}

void TransferFakeForm::setSelection(int id, int index) {
    FakeForm::setSelection(id, index);
    if (id != deck::ctl::kTransferList) return;
    selected_[id].clear();
    if (selection(id) >= 0) selected_[id].insert(index);
}

std::vector<int> TransferFakeForm::selectedLines(int id) const {
    if (id != deck::ctl::kTransferList) return FakeForm::selectedLines(id);
    const auto found = selected_.find(id);
    if (found == selected_.end()) return {};
    return {found->second.begin(), found->second.end()};
}

void TransferFakeForm::setLineSelected(int id, int index, bool selected) {
    if (id != deck::ctl::kTransferList) {
        FakeForm::setLineSelected(id, index, selected);
        return;
    }
    if (index < 0 || index >= lineCount(id)) return;
    if (selected) {
        selected_[id].insert(index);
    } else {
        selected_[id].erase(index);
    }
}

}  // namespace decktest
