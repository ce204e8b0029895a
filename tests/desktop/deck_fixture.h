// deck_fixture.h - the desktop logic on a fake form, against the real server on sparse images.
#pragma once

#include "deck_view.h"
#include "fake_form.h"
#include "server_fixture.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace decktest {

class DeckFixture : public vxfserver::test::ServerFixture {
protected:
    void TearDown() override;

    // Images in the test's folder, enumerated in this order.
    std::string addBlankDrive(const std::string& name, uint64_t sectors = vxfserver::test::kDriveSectors);
    std::string addFormattedDrive(const std::string& name);
    void enumerateDrives() { enumerate(drives_); }

    // Runs `work` with a handle of drive `index` opened directly on the server, then closes it.
    void onDrive(uint16_t index, const std::function<void(uint32_t)>& work);
    // Songs created directly on the server in the drive's open project.
    void addSongs(uint16_t drive, int count, uint32_t rate = 48000, uint16_t tracks = 8);
    // Marks a formatted drive's volume as version "1.00 ".
    void makeVersion100(const std::string& path);

    // Starts the view; the client is the server's own unless given.
    deck::DeckView& startView(std::unique_ptr<deck::ServerClient> client = nullptr);
    deck::DeckView& view() { return *view_; }
    bool enabled(int commandId) const { return view_->isCommandEnabled(commandId); }
    // Posts a drive notification as the server would.
    void notifyDrivesChanged() { view_->windowMessage(deck::kMsgDrivesChanged, 0, 0); }

    // The texts of the message boxes shown since the last call.
    std::vector<std::string> takeBoxTexts();

    FakeForm form_;
    MemoryProfile profile_;
    std::vector<std::string> drives_;
    std::unique_ptr<deck::DeckView> view_;
};

}  // namespace decktest
