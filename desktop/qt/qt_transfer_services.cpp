// qt_transfer_services.cpp - the Transfer group's services on Qt: folder browser, copy window, sound, messages, free space.
#include "qt_transfer_services.h"

#include "control_surface.h"
#include "qt_sound_output.h"
#include "server_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QStorageInfo>
#include <QUrl>

namespace deckqt {

namespace {

FolderBrowserAnswerer& folderAnswerer() {
    static FolderBrowserAnswerer answerer;
    return answerer;
}

}  // namespace

void setFolderBrowserAnswerer(FolderBrowserAnswerer answerer) { folderAnswerer() = std::move(answerer); }

QtTransferServices::QtTransferServices(QWidget* view) : view_(view) {}

QtTransferServices::~QtTransferServices() = default;

std::optional<std::string> QtTransferServices::browseForFolder(const std::string& title, const std::string& start) {
    if (folderAnswerer()) return folderAnswerer()(title, start);
    // Paths cross as the file system's own bytes, whatever the window shows of them.
    const QString folder = QFileDialog::getExistingDirectory(view_ ? view_->window() : nullptr, toQt(title),
                                                             QFile::decodeName(start.c_str()), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return QFile::encodeName(folder).toStdString();
}

vxf::transfer::CopyProgressView& QtTransferServices::copyProgress() {
    if (!copyWindow_) copyWindow_ = std::make_unique<CopyProgressWindow>(view_ ? view_->window() : nullptr);
    return *copyWindow_;
}

std::unique_ptr<deck::SoundOutput> QtTransferServices::createSoundOutput() {
    return std::make_unique<QtSoundOutput>();
}

void QtTransferServices::postMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (view_) QCoreApplication::postEvent(view_, new WindowMessageEvent(message, wparam, lparam));
}

bool QtTransferServices::openFolder(const std::string& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(folder.c_str())));
}

std::optional<uint64_t> QtTransferServices::freeBytes(const std::string& directory) {
    const QStorageInfo storage(QFile::decodeName(directory.c_str()));
    if (!storage.isValid() || !storage.isReady()) return std::nullopt;
    return static_cast<uint64_t>(storage.bytesAvailable());
}

}  // namespace deckqt
