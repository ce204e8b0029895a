// transfer_services.h - what the Transfer group needs of the machine beside the form's controls.
#pragma once

#include "sound_output.h"
#include "transfer_ui.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace deck {

class TransferServices {
public:
    virtual ~TransferServices() = default;

    // The system's folder browser (file-system folders only) opened at `start`; none on Cancel.
    virtual std::optional<std::string> browseForFolder(const std::string& title, const std::string& start) = 0;
    // The "Copying..." window that export and import show while they copy.
    virtual vxf::transfer::CopyProgressView& copyProgress() = 0;
    // The sound output of the preview; null when none can be made.
    virtual std::unique_ptr<SoundOutput> createSoundOutput() = 0;
    // Posts a window message to the view; safe from any thread. It arrives later, on the
    // window thread, through DeckView::windowMessage.
    virtual void postMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
    // Bytes the user may still write on the volume holding `directory`; none when unknown.
    virtual std::optional<uint64_t> freeBytes(const std::string& directory) = 0;
    // Shows the folder in the system's file manager; false when it cannot.
    virtual bool openFolder(const std::string&) { return false; }
};

// A front end without a transfer: no browser, no copy window, no sound, no messages.
class NoTransferServices : public TransferServices {
public:
    std::optional<std::string> browseForFolder(const std::string&, const std::string&) override { return {}; }
    vxf::transfer::CopyProgressView& copyProgress() override;
    std::unique_ptr<SoundOutput> createSoundOutput() override { return std::make_unique<NoSoundOutput>(); }
    void postMessage(uint32_t, uintptr_t, intptr_t) override {}
    std::optional<uint64_t> freeBytes(const std::string&) override { return std::nullopt; }
};

}  // namespace deck
