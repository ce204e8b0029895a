// qt_transfer_services.h - the Transfer group's services on Qt: folder browser, copy window, sound, messages, free space.
#pragma once

#include "copy_progress_window.h"
#include "transfer_services.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace deckqt {

class QtTransferServices : public deck::TransferServices {
public:
    // `view` receives the posted window messages; its window owns the dialogs.
    explicit QtTransferServices(QWidget* view);
    ~QtTransferServices() override;

    std::optional<std::string> browseForFolder(const std::string& title, const std::string& start) override;
    vxf::transfer::CopyProgressView& copyProgress() override;
    std::unique_ptr<deck::SoundOutput> createSoundOutput() override;
    void postMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    std::optional<uint64_t> freeBytes(const std::string& directory) override;
    bool openFolder(const std::string& folder) override;

    CopyProgressWindow* copyWindow() const { return copyWindow_.get(); }

private:
    QPointer<QWidget> view_;
    std::unique_ptr<CopyProgressWindow> copyWindow_;
};

// Tests choose folders without a person: while set, the answerer gets every request (title
// and start folder) and its answer stands for the user's choice.
using FolderBrowserAnswerer = std::function<std::optional<std::string>(const std::string&, const std::string&)>;
void setFolderBrowserAnswerer(FolderBrowserAnswerer answerer);

}  // namespace deckqt
