// transfer_pane.h - the Transfer group: mode, format, directories, the track or file list, and what its buttons start.
#pragma once

#include "audio_format.h"
#include "track_overview_list.h"
#include "transfer_adapters.h"
#include "transfer_preview.h"
#include "transfer_procedure.h"
#include "transfer_services.h"
#include "transfer_settings.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace deck {

class DeckView;

class TransferPane {
public:
    explicit TransferPane(DeckView& view);
    ~TransferPane();

    // Reads the settings, makes the preview, fills the tab and runs setup and refresh.
    void create();
    // Writes the settings and stops the preview.
    void destroy();

    // The operations of the refresh order.
    bool isBusy() const { return preview_ && preview_->playing(); }
    void stopActivity();
    void reload();
    void refreshTab();
    void songListChanged();
    void enable(bool enabled);

    void selectAll();
    void options();
    void controlChanged(int id);
    void windowMessage(uintptr_t wparam, intptr_t lparam);
    // Files dropped onto the import list: their folder becomes the import folder, as Browse makes it, and those
    // of them the list then shows are imported as the Import button imports the selected lines.
    void filesDropped(const std::vector<std::string>& paths);
    // The selected tracks of the export list exported as Export writes them (format, options, progress window,
    // cancel) into a new private folder, for a drag to hand to a file manager: the folder's files, none when
    // the export was cancelled or failed.
    std::vector<std::string> exportForDrag();
    // Every track of the lost song `server` reads (opened on the drive already) to a folder of its
    // slot's own in the export directory, as Export writes them; false when nothing was attempted.
    bool exportLostSong(vxf::transfer::TransferServer& server, const vxf::transfer::SongFacts& song, uint32_t slot);

    // Tracks of the current song, at most 24; 24 in import mode and 0 in export mode without a song.
    uint16_t trackCount() const { return trackCount_; }
    const TransferSettings& settings() const { return settings_; }
    // The folder the file list was built from ("" when it is not a folder).
    const std::string& listDirectory() const { return listDirectory_; }
    // The overview beside the export list's tracks.
    TrackOverviewList& overview() { return overview_; }
    // The overview of the shown song is complete now.
    void overviewChanged() { updateButtons(); }

private:
    bool exportMode() const { return settings_.mode == TransferMode::Export; }
    bool hasSongs() const;
    bool readTrackCount();
    void fillTrackList();
    // The import list: the files of the import directory that match the format, sorted.
    void refreshFileList(bool reportInvalid);
    void fillDirectoryField();
    void showModeTexts();
    void checkFormatButton();
    void updateButtons();
    int selectedCount() const;

    void tabChanged();
    void formatPressed(vxf::transfer::AudioFormat format);
    void directoryEdited();
    void directoryChosen();
    void directoryEntered();
    void browse();
    void listSelectionChanged();
    void previewPressed();
    void actionPressed();
    // The directory now in use goes to the front of the mode's recent list.
    void rememberDirectory();

    void exportTracks();
    // The selected tracks exported to `directory`; none when the export could not start.
    std::optional<vxf::transfer::TransferOutcome> exportSelectedTo(const std::string& directory);
    void importFiles();
    vxf::transfer::SongFacts songFacts() const;

    DeckView& view_;
    NoTransferServices noServices_;
    TransferServices& services_;
    FormMessageSink messages_;
    FormTransferQuestions questions_;
    TransferSettings settings_;
    std::unique_ptr<TransferPreview> preview_;
    uint16_t trackCount_ = 0;
    std::string listDirectory_;
    TrackOverviewList overview_;
};

}  // namespace deck
