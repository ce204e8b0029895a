// deck_view.cpp - the view's state and its refresh order: server client, panes, entry points.
#include "deck_view.h"

#include "command_enabling.h"
#include "drag_staging.h"
#include "drive_change_check.h"
#include "drive_commands.h"
#include "ext_message_box.h"
#include "form.h"
#include "ids.h"
#include "project_commands.h"
#include "song_commands.h"
#include "tavovxf.h"

#include <new>

namespace deck {

namespace {

constexpr const char* kWebSite = "https://www.corvane.example/";

}  // namespace

// The client exists from the start: the front end registers its window through it before the panes are built.
DeckView::DeckView(Form& form, Profile& profile, std::unique_ptr<ServerClient> client)
    : form_(form), profile_(profile), client_(client ? std::move(client) : std::make_unique<ServerClient>()) {}

DeckView::~DeckView() = default;

void DeckView::start() {
    try {
        // A server whose drive layer or track buffer failed at load reports that failure
        // from its first call.
        uint16_t count = 0;
        const int32_t code = client_->driveGetNum(count);
        serverStartFailed_ = code == VXF_ERR_DRIVER_LOAD || code == VXF_ERR_OUT_OF_MEMORY;
        if (serverStartFailed_) {
            form_.messageBox("tavo VXF Server failed initialization.", kAppTitle, mb::kIconStop | mb::kOk);
            form_.requestClose();
            return;
        }
        createPanes();
    } catch (const std::bad_alloc&) {
        form_.messageBox("Not enough Memory", kAppTitle, mb::kIconStop | mb::kOk);
        form_.requestClose();
    }
}

void DeckView::createPanes() {
    Operation operation(*this);
    drivePane_ = std::make_unique<DrivePane>(*this);
    projectPane_ = std::make_unique<ProjectPane>(*this);
    songPane_ = std::make_unique<SongPane>(*this);
    transferPane_ = std::make_unique<TransferPane>(*this);
    drivePane_->create();
    projectPane_->create();
    songPane_->create();
    transferPane_->create();
}

void DeckView::shutdown() {
    if (transferPane_) transferPane_->destroy();
    if (songPane_) songPane_->destroy();
    if (projectPane_) projectPane_->destroy();
    if (drivePane_) drivePane_->destroy();
    transferPane_.reset();
    songPane_.reset();
    projectPane_.reset();
    drivePane_.reset();
}

bool DeckView::isCommandEnabled(int id) const { return commandEnabled(*this, id); }

void DeckView::command(int id) {
    if (!isCommandEnabled(id)) return;
    if (id == cmd::kAppExit) {
        form_.requestClose();
        return;
    }
    if (!started()) return;
    Operation operation(*this);
    switch (id) {
    case cmd::kDriveSelect: DriveCommands(*this).select(); break;
    case cmd::kDriveFormat: DriveCommands(*this).format(); break;
    case cmd::kDriveUpgrade: DriveCommands(*this).upgrade(); break;
    case cmd::kDriveScanRemap: DriveCommands(*this).scanRemap(); break;
    case cmd::kDriveRecoverSongs: DriveCommands(*this).recoverSongs(); break;
    case cmd::kDriveArchive: DriveCommands(*this).archive(); break;
    case cmd::kDriveProperties: DriveCommands(*this).properties(); break;
    case cmd::kProjectSelect: ProjectCommands(*this).select(); break;
    case cmd::kProjectCreate: ProjectCommands(*this).create(); break;
    case cmd::kProjectDelete: ProjectCommands(*this).remove(); break;
    case cmd::kProjectProperties: ProjectCommands(*this).properties(); break;
    case cmd::kSongSelect: SongCommands(*this).select(); break;
    case cmd::kSongCreate: SongCommands(*this).create(); break;
    case cmd::kSongDelete: SongCommands(*this).remove(); break;
    case cmd::kSongProperties: SongCommands(*this).properties(); break;
    case cmd::kTransferOptions: transfer().options(); break;
    case cmd::kSelectAll: transfer().selectAll(); break;
    case cmd::kExtractFileSystem: extractFileSystem(); break;
    default: break;
    }
}

void DeckView::controlChanged(int id) {
    if (!started()) return;
    Operation operation(*this);
    switch (id) {
    case ctl::kDriveName: driveSelected(); break;
    case ctl::kPreviewTracks:
        if (drives().usable()) drives().trackChoiceChanged();
        break;
    case ctl::kPreviewRate:
        if (drives().usable()) drives().rateChoiceChanged();
        break;
    case ctl::kProjectName: projectSelected(); break;
    case ctl::kSongName: songSelected(); break;
    case ctl::kWriteProtect: SongCommands(*this).writeProtectClicked(); break;
    case ctl::kSongMarkers: SongCommands(*this).showMarkers(); break;
    case ctl::kLogo: form_.openWebSite(kWebSite); break;
    default: transfer().controlChanged(id); break;
    }
}

void DeckView::windowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (!started()) return;
    if (message == kMsgDrivesChanged) drivesChanged();
    if (message == kMsgPreviewNotify) transfer().windowMessage(wparam, lparam);
}

void DeckView::driveSelected() {
    const int line = form_.selection(ctl::kDriveName);
    if (line >= 0) drives().setSelected(static_cast<uint16_t>(line));
    if (transfer().isBusy()) transfer().stopActivity();
    showSelectedDrive();
}

void DeckView::showSelectedDrive() {
    drives().activateSelectedDrive();
    projects().rebuildProjectList();
    projects().showProject();
    songs().rebuildSongList();
    songs().showSong();
    transfer().reload();
    transfer().refreshTab();
}

void DeckView::projectSelected() {
    const int line = form_.selection(ctl::kProjectName);
    if (line >= 0) projects().setSelected(static_cast<uint16_t>(line));
    if (transfer().isBusy()) transfer().stopActivity();
    projects().showProject();
    songs().rebuildSongList();
    transfer().reload();
    songs().showSong();
    transfer().refreshTab();
}

void DeckView::songSelected() {
    const int line = form_.selection(ctl::kSongName);
    if (line >= 0) songs().setSelected(static_cast<uint16_t>(line));
    if (transfer().isBusy()) transfer().stopActivity();
    songs().showSong();
    transfer().refreshTab();
}

void DeckView::selectDrive(int index) {
    form_.setSelection(ctl::kDriveName, index);
    driveSelected();
}

void DeckView::selectProject(int index) {
    form_.setSelection(ctl::kProjectName, index);
    projectSelected();
}

void DeckView::selectSong(int index) {
    form_.setSelection(ctl::kSongName, index);
    songSelected();
}

// Unlike a drive chosen in the list, the rebuild keeps the stored selection.
void DeckView::refreshAll() {
    // Whatever made the panes read everything again may have changed the audio too.
    if (started()) transfer().overview().forget();
    drives().rebuildDriveList();
    showSelectedDrive();
}

void DeckView::drivesChanged() {
    changeCheckDue_ = true;
    // Inside an operation the check waits for its end; otherwise it runs as the end of this one.
    if (operationDepth_ == 0) {
        Operation operation(*this);
    }
}

void DeckView::followOtherPrograms() {
    // A command, a dialog, a transfer or a preview is never pulled from under the user.
    if (!started() || operationDepth_ != 0 || !drives().usable() || transfer().isBusy()) return;
    uint64_t count = 0;
    bool busy = false;
    if (server().driveGetChangeCount(drives().handle(), count, busy) != VXF_OK) {
        discardServerError();
        return;
    }
    if (busy) return;
    const bool followed = followedHandle_ == drives().handle();
    followedHandle_ = drives().handle();
    if (followed && count == shownChangeCount_) return;
    shownChangeCount_ = count;
    if (!followed) return;
    Operation operation(*this);
    refreshAll();
}

void DeckView::idleStep() {
    if (started()) transfer().overview().step();
}

void DeckView::filesDropped(const std::vector<std::string>& paths) {
    if (!started()) return;
    Operation operation(*this);
    transfer().filesDropped(paths);
}

std::vector<std::string> DeckView::exportForDrag() {
    if (!started()) return {};
    Operation operation(*this);
    return transfer().exportForDrag();
}

void DeckView::dragEnded() { removeStaleDragStaging(dragCacheBase()); }

bool DeckView::quiet() const { return started() && operationDepth_ == 0 && !transferPane_->isBusy(); }

void DeckView::runDueChecks() {
    while (changeCheckDue_ && started()) {
        changeCheckDue_ = false;
        if (driveChangeCheck(*this)) refreshAll();
    }
}

DeckView::Operation::Operation(DeckView& view) : view_(view) { ++view_.operationDepth_; }

DeckView::Operation::~Operation() {
    if (view_.operationDepth_ == 1) view_.runDueChecks();
    --view_.operationDepth_;
}

int DeckView::showServerError(const std::string& prefix, uint32_t type) {
    return form_.messageBox(prefix + client_->errorText(), kAppTitle, type);
}

bool DeckView::confirmChange(const std::string& question, const std::string& caption) {
    const bool yes = form_.messageBox(question, caption, mb::kYesNo | mb::kIconExclamation) == idr::kYes;
    return yes && !drivesChangedMeanwhile();
}

void DeckView::discardServerError() { client_->errorText(); }

void DeckView::restoreShownPrimaries() {
    if (projects().projectCount() > 0 && projects().makeSelectedPrimary() != VXF_OK) discardServerError();
    if (songs().songCount() > 0 && songs().makeSelectedPrimary() != VXF_OK) discardServerError();
}

void DeckView::extractFileSystem() {
    // The dump is diagnostic only; a failure must not linger as the server's last error.
    if (server().extractFileSystem(drives().handle()) != VXF_OK) discardServerError();
}

}  // namespace deck
