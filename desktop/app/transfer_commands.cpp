// transfer_commands.cpp - the Export and Import buttons: the pane's choices handed to the shared transfer procedures.
#include "transfer_pane.h"

#include <filesystem>

#include "deck_view.h"
#include "drag_staging.h"
#include "form.h"
#include "ids.h"
#include "tavovxf.h"
#include "track_export.h"
#include "track_import.h"
#include "transfer_ids.h"

#include <algorithm>
#include <optional>

namespace deck {

namespace {

using vxf::transfer::AudioFormat;

// The format of the checked format button; none when no button is checked.
std::optional<AudioFormat> checkedFormat(const Form& form) {
    if (form.checked(ctl::kFormatWav)) return AudioFormat::Wav;
    if (form.checked(ctl::kFormatAiff)) return AudioFormat::Aiff;
    if (form.checked(ctl::kFormatSd2)) return AudioFormat::Sd2;
    if (form.checked(ctl::kFormatDigSd)) return AudioFormat::DigSd;
    return std::nullopt;
}

}  // namespace

vxf::transfer::SongFacts TransferPane::songFacts() const {
    const SongPane& song = view_.songs();
    vxf::transfer::SongFacts facts;
    facts.sampleRate = song.sampleRate();
    facts.length = song.length();
    facts.trackCount = trackCount_;
    facts.wordLength = song.wordLength();
    facts.writeProtected = song.writeProtect();
    return facts;
}

void TransferPane::exportTracks() {
    const std::optional<vxf::transfer::TransferOutcome> outcome = exportSelectedTo(settings_.exportDirectory);
    if (outcome && outcome->attempted) rememberDirectory();
}

std::vector<std::string> TransferPane::exportForDrag() {
    Form& form = view_.form();
    if (!exportMode() || !hasSongs() || !form.isEnabled(ctl::kTransferAction) || selectedCount() == 0) return {};
    const std::optional<std::string> folder = makeDragStagingFolder(dragCacheBase());
    if (!folder) {
        messages_.showError("No folder could be made for the dragged tracks.");
        return {};
    }
    const std::optional<vxf::transfer::TransferOutcome> outcome = exportSelectedTo(*folder);
    const bool whole = outcome && !outcome->failed && !outcome->cancelled &&
                       std::all_of(outcome->files.begin(), outcome->files.end(),
                                   [](const vxf::transfer::TransferredFile& file) { return file.complete; });
    std::vector<std::string> files;
    if (whole) files = filesInFolder(*folder);
    // Nothing of a cancelled or failed export is offered: its folder goes at once.
    if (files.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(*folder, ignored);
    }
    return files;
}

std::optional<vxf::transfer::TransferOutcome> TransferPane::exportSelectedTo(const std::string& directory) {
    stopActivity();
    HeldDrive held(view_.server(), view_.drives().handle(), ServerClient::HoldPurpose::Read);
    if (!held.held()) {
        view_.showServerError();
        return std::nullopt;
    }
    Form& form = view_.form();
    ClientTransferServer server(view_.server(), view_.drives().handle());
    vxf::transfer::TransferContext context{server, messages_, questions_, services_.copyProgress()};
    vxf::transfer::ExportSettings choices;
    choices.directory = directory;
    choices.format = checkedFormat(form);
    choices.wordLength = settings_.exportWordLength;
    // Markers and the poly file are WAV's; AIFF takes the markers too.
    vxf::transfer::SessionMetadata metadata;
    const bool markers =
        settings_.broadcastWave && (choices.format == AudioFormat::Wav || choices.format == AudioFormat::Aiff);
    choices.poly = settings_.polyFile && choices.format == AudioFormat::Wav;
    if (markers || choices.poly) {
        if (view_.server().songGetMetadata(view_.drives().handle(), metadata) != VXF_OK) {
            view_.showServerError();
            return std::nullopt;
        }
        choices.broadcastWave = markers;
        choices.metadata = &metadata;
    }
    // Item i of the list is track i + 1.
    std::vector<uint16_t> tracks;
    for (int item : form.selectedLines(ctl::kTransferList)) tracks.push_back(static_cast<uint16_t>(item));
    vxf::transfer::TrackExport command(context, songFacts(), choices);
    return command.run(tracks);
}

bool TransferPane::exportLostSong(vxf::transfer::TransferServer& server, const vxf::transfer::SongFacts& song,
                                  uint32_t slot) {
    stopActivity();
    HeldDrive held(view_.server(), view_.drives().handle(), ServerClient::HoldPurpose::Read);
    if (!held.held()) {
        view_.showServerError();
        return false;
    }
    // Lost songs often share a name: each goes to a folder of its own.
    std::string directory = settings_.exportDirectory;
    if (!directory.empty() && directory.back() != '/') directory += '/';
    directory += "slot-" + std::to_string(slot);
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    vxf::transfer::TransferContext context{server, messages_, questions_, services_.copyProgress()};
    vxf::transfer::ExportSettings choices;
    choices.directory = directory;
    choices.format = vxf::transfer::AudioFormat::Wav;
    choices.wordLength = settings_.exportWordLength;
    std::vector<uint16_t> tracks;
    for (uint16_t t = 0; t < song.trackCount; ++t) tracks.push_back(t);
    vxf::transfer::TrackExport command(context, song, choices);
    return command.run(tracks).attempted;
}

void TransferPane::importFiles() {
    stopActivity();
    HeldDrive held(view_.server(), view_.drives().handle(), ServerClient::HoldPurpose::Change);
    if (!held.held()) {
        view_.showServerError();
        return;
    }
    Form& form = view_.form();
    ClientTransferServer server(view_.server(), view_.drives().handle());
    vxf::transfer::TransferContext context{server, messages_, questions_, services_.copyProgress()};
    // Paths come from the folder the list was built from, never from text typed since.
    const std::string directory = listDirectory_.empty() ? settings_.importDirectory : listDirectory_;
    std::vector<vxf::transfer::ImportFile> files;
    for (int item : form.selectedLines(ctl::kTransferList))
        files.push_back({directory + form.line(ctl::kTransferList, item), settings_.format, std::nullopt});
    vxf::transfer::SongFacts song = songFacts();
    vxf::transfer::TrackImport command(context, song, directory);
    const bool attempted = command.run(files).attempted;
    // Tracks now hold other audio: no overview kept from before stands.
    overview_.forget();
    // An import is done when it is on the drive: the song's records wait until the drive is let go.
    if (!held.release()) view_.showServerError();
    if (!attempted) return;
    rememberDirectory();
    view_.songs().showSong();
    view_.drives().refreshPreview();
}

}  // namespace deck
