// deck_view.h - the view's state and its refresh order: server client, panes, entry points.
#pragma once

#include "drive_pane.h"
#include "ext_message_box.h"
#include "project_pane.h"
#include "server_client.h"
#include "song_pane.h"
#include "transfer_pane.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace deck {

class Form;
class Profile;

// What the main window's view holds and decides. The front end forwards its commands,
// control notifications and window messages here.
class DeckView {
public:
    static constexpr uint32_t kErrorBoxType = mb::kIconStop | mb::kOk;
    // The client is the server's own unless a test hands in another.
    DeckView(Form& form, Profile& profile, std::unique_ptr<ServerClient> client = nullptr);
    ~DeckView();
    DeckView(const DeckView&) = delete;
    DeckView& operator=(const DeckView&) = delete;

    // Creates the client and the panes in their order; on failure asks the window to close.
    void start();
    // Destroys the panes in the reverse order, each saving its settings.
    void shutdown();

    // Entry points of the front end.
    void command(int id);
    bool isCommandEnabled(int id) const;
    void controlChanged(int id);
    void windowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam);

    // Refresh order.
    void driveSelected();
    void projectSelected();
    void songSelected();
    void selectDrive(int index);
    void selectProject(int index);
    void selectSong(int index);
    void refreshAll();
    // Runs the change check and, when something changed, the full refresh; during a
    // long operation it only notes that a check is due.
    void drivesChanged();
    // Called about twice a second by the front end: when another program changed the
    // selected drive, the panes show what it holds now (once that program has finished).
    void followOtherPrograms();
    // The front end's answer to Form::requestIdleStep: a step of the work that runs between events.
    void idleStep();
    // Files the user dropped onto the track or file list.
    void filesDropped(const std::vector<std::string>& paths);
    // The selected lines of the export list, exported for a drag out of the window: the files it hands over.
    std::vector<std::string> exportForDrag();
    // A drag out of the window ended: staging folders of past drags go, not this one, which the drop's
    // target may still be copying.
    void dragEnded();
    // No command, dialog, transfer or preview is under way: background work may call the server.
    bool quiet() const;

    // Server failure as an error box (OK and the stop icon unless `type` says otherwise):
    // the prefix, then the server's sentence. Answers the button pressed.
    int showServerError(const std::string& prefix = {}, uint32_t type = kErrorBoxType);
    void discardServerError();
    // A Yes/No question with the warning icon; true on Yes, unless drives changed while
    // the question was open.
    bool confirmChange(const std::string& question, const std::string& caption);
    // After a command moved the server's primary project or song away from what the
    // window shows and then failed, puts the shown ones back.
    void restoreShownPrimaries();

    Form& form() const { return form_; }
    Profile& profile() { return profile_; }
    ServerClient& server() { return *client_; }
    const ServerClient& server() const { return *client_; }
    DrivePane& drives() { return *drivePane_; }
    const DrivePane& drives() const { return *drivePane_; }
    ProjectPane& projects() { return *projectPane_; }
    const ProjectPane& projects() const { return *projectPane_; }
    SongPane& songs() { return *songPane_; }
    const SongPane& songs() const { return *songPane_; }
    TransferPane& transfer() { return *transferPane_; }
    bool started() const { return songPane_ != nullptr && transferPane_ != nullptr; }

    // Marks a long operation (a command, a dialog, a scan): drive notifications that arrive
    // meanwhile wait for its end, so it never goes on with another drive than the one it began on.
    class Operation {
    public:
        explicit Operation(DeckView& view);
        ~Operation();
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;

    private:
        DeckView& view_;
    };

    // True when drives changed while the current operation waited for the user: its
    // drive handle may now name another drive, so a change must not go ahead.
    bool drivesChangedMeanwhile() const { return changeCheckDue_; }

    // Set when the server library failed to start; start-up then closes the window.
    bool serverStartFailed() const { return serverStartFailed_; }

private:
    void createPanes();
    // The cascade after the drive selection: activate, projects, songs, transfer.
    void showSelectedDrive();
    void runDueChecks();
    void extractFileSystem();

    Form& form_;
    Profile& profile_;
    std::unique_ptr<ServerClient> client_;
    std::unique_ptr<DrivePane> drivePane_;
    std::unique_ptr<ProjectPane> projectPane_;
    std::unique_ptr<SongPane> songPane_;
    std::unique_ptr<TransferPane> transferPane_;
    bool serverStartFailed_ = false;
    int operationDepth_ = 0;
    bool changeCheckDue_ = false;
    // The drive's change count as last shown, and the handle it was read through.
    uint64_t shownChangeCount_ = 0;
    uint32_t followedHandle_ = 0;
};

}  // namespace deck
