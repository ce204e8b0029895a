// transfer_fake_form.h - the fake form with what the Transfer group adds: multi-selection, folder browser, copy window, sound.
#pragma once

#include "fake_form.h"
#include "fake_sound_output.h"
#include "transfer_services.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace decktest {

// Records what the copy window showed; Cancel is pressed at a chosen poll.
class FakeCopyProgress : public vxf::transfer::CopyProgressView {
public:
    void open(uint16_t tracks) override;
    void setFrom(const std::string& text) override { from.push_back(text); }
    void setTo(const std::string& text) override { to.push_back(text); }
    void setBar(uint32_t low, uint32_t high, uint64_t position) override;
    void setPercentText(const std::string& text) override { percentTexts.push_back(text); }
    bool pollCancel() override;
    void close() override;

    int cancelAtPoll = 0;    // 1: Cancel pressed during the first block, ...
    int cancelInWindow = 0;  // 2: Cancel pressed during the first block of the second window, ...
    std::vector<uint16_t> opened;
    std::vector<std::string> from;
    std::vector<std::string> to;
    std::vector<std::string> percentTexts;
    uint64_t lastPosition = 0;
    uint32_t lastHigh = 0;
    int polls = 0;
    int cancels = 0;
    int closed = 0;
    bool isOpen = false;
};

struct PostedMessage {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

class FakeTransferServices : public deck::TransferServices {
public:
    std::optional<std::string> browseForFolder(const std::string& title, const std::string& start) override;
    vxf::transfer::CopyProgressView& copyProgress() override { return copy; }
    std::unique_ptr<deck::SoundOutput> createSoundOutput() override;
    void postMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    std::optional<uint64_t> freeBytes(const std::string& directory) override;

    // Script.
    std::deque<std::optional<std::string>> folders;  // answers of the folder browser
    std::optional<uint64_t> freeSpace;               // none: the file system's own figure
    bool soundNoDevice = false;                      // given to the device when it is made
    std::set<uint16_t> soundRefusedBits;

    // Record.
    std::vector<std::pair<std::string, std::string>> browses;  // title, start folder
    FakeCopyProgress copy;
    FakeSoundOutput* sound = nullptr;  // the device made last, owned by the preview
    std::deque<PostedMessage> posted;
};

class TransferFakeForm : public FakeForm {
public:
    void clearList(int id) override;
    void setSelection(int id, int index) override;
    std::vector<int> selectedLines(int id) const override;
    void setLineSelected(int id, int index, bool selected) override;
    deck::TransferServices* transferServices() override { return &services; }
    void showLineOverview(int id, int index, const std::string& note,
                          const std::vector<vxf::transfer::OverviewColumn>& strip) override;
    void requestIdleStep(int delayMs) override { idleRequests.push_back(delayMs); }

    FakeTransferServices services;
    // The overview beside the lines of the track list: note and strip columns by line.
    std::map<int, std::string> notes;
    std::map<int, size_t> stripColumns;
    // Delays of the idle steps asked for and not yet run.
    std::vector<int> idleRequests;

private:
    std::map<int, std::set<int>> selected_;
};

}  // namespace decktest
