// transfer_pane.cpp - the Transfer group: mode, format, directories, the track or file list, and what its buttons start.
#include "transfer_pane.h"

#include "deck_view.h"
#include "drag_staging.h"
#include "form.h"
#include "ids.h"
#include "tavovxf.h"
#include "text_format.h"
#include "transfer_ids.h"
#include "transfer_options_dialog.h"
#include "transfer_paths.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace deck {

namespace {

using vxf::transfer::AudioFormat;

constexpr uint16_t kMaxTracks = 24;
constexpr int kDirectoryChars = 260;

constexpr int kFormatButtons[] = {ctl::kFormatWav, ctl::kFormatAiff, ctl::kFormatSd2, ctl::kFormatDigSd};

// Every transfer control but the tab, the "P" button and the action button, whose enabling
// follows the list's selection.
constexpr int kPlainControls[] = {ctl::kTransferDirectoryLabel, ctl::kTransferDirectory, ctl::kTransferBrowse,
                                  ctl::kTransferListLabel,       ctl::kTransferList,      ctl::kFormatWav,
                                  ctl::kFormatAiff,              ctl::kFormatSd2,         ctl::kFormatDigSd,
                                  ctl::kPreviewBox,              ctl::kPreviewTime,       ctl::kTransferRateLabel,
                                  ctl::kTransferRate,            ctl::kTransferTimeLabel, ctl::kTransferTime};

bool lessIgnoringCase(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                   [&](char x, char y) { return lower(x) < lower(y); });
    const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                      [&](char x, char y) { return lower(x) < lower(y); });
    return less || (!greater && a < b);
}

std::vector<std::string> matchingFiles(const std::string& directory, AudioFormat format) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        std::error_code statError;
        if (!it->is_regular_file(statError)) continue;
        const std::string name = it->path().filename().string();
        if (vxf::transfer::formatOfFileName(name) == format) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

}  // namespace

TransferPane::TransferPane(DeckView& view)
    : view_(view),
      services_(view.form().transferServices() ? *view.form().transferServices() : noServices_),
      messages_(view.form()),
      questions_(view.form(), services_),
      overview_(view) {}

TransferPane::~TransferPane() = default;

void TransferPane::create() {
    // Drags of earlier runs have long been copied.
    removeStaleDragStaging(dragCacheBase());
    settings_.read(view_.profile());
    Form& form = view_.form();
    preview_ = std::make_unique<TransferPreview>(view_, services_, messages_);
    // Without a preview the transfer still works; only the "P" button stays disabled.
    if (!preview_->create()) messages_.showError("Not enough memory for previewing.\r\n Audio preview is disabled.");
    form.clearList(ctl::kTransferTab);
    form.addLine(ctl::kTransferTab, "tavo VXF --> PC");
    form.addLine(ctl::kTransferTab, "PC --> tavo VXF");
    form.setText(ctl::kTransferRate, "0 Mbs");
    form.setText(ctl::kTransferTime, "0 s");
    preview_->showIdle(false);
    reload();
    refreshTab();
    if (view_.drives().driveCount() > 0 && !view_.drives().usable()) enable(false);
}

void TransferPane::destroy() {
    settings_.write(view_.profile());
    preview_.reset();
}

void TransferPane::stopActivity() {
    if (preview_) preview_->stop();
}

bool TransferPane::hasSongs() const { return view_.songs().songCount() > 0; }

bool TransferPane::readTrackCount() {
    uint16_t tracks = 0;
    if (view_.server().trackGetNum(view_.drives().handle(), tracks) != VXF_OK) {
        view_.showServerError();
        return false;
    }
    trackCount_ = std::min(tracks, kMaxTracks);
    return true;
}

void TransferPane::reload() {
    // The list is about to show other tracks or files: a preview of the old ones ends, and so
    // does the overview of the old song.
    stopActivity();
    overview_.cancel();
    Form& form = view_.form();
    form.setChecked(ctl::kPreviewPlay, false);
    checkFormatButton();
    form.setTextLimit(ctl::kTransferDirectory, kDirectoryChars);
    if (hasSongs()) {
        if (!readTrackCount()) return;
        if (exportMode()) {
            fillTrackList();
        } else {
            refreshFileList(false);
        }
        fillDirectoryField();
        return;
    }
    if (exportMode()) {
        trackCount_ = 0;
        form.clearList(ctl::kTransferList);
        form.clearList(ctl::kTransferDirectory);
        form.setText(ctl::kTransferDirectory, "");
        form.enable(ctl::kPreviewPlay, false);
    } else {
        trackCount_ = kMaxTracks;
        refreshFileList(false);
        fillDirectoryField();
    }
    form.enable(ctl::kTransferAction, false);
}

void TransferPane::refreshTab() {
    Form& form = view_.form();
    form.setSelection(ctl::kTransferTab, static_cast<int>(settings_.mode));
    if (hasSongs()) {
        if (!readTrackCount()) return;
        if (exportMode()) fillTrackList();
    } else if (exportMode()) {
        form.setSelection(ctl::kTransferDirectory, -1);
        form.clearList(ctl::kTransferList);
    }
    showModeTexts();
    // A drive that holds no file system offers nothing to transfer to or from.
    const DrivePane& drives = view_.drives();
    const bool driveUsable = drives.driveCount() == 0 || drives.usable();
    enable((hasSongs() || !exportMode()) && driveUsable);
}

void TransferPane::songListChanged() { listSelectionChanged(); }

void TransferPane::enable(bool enabled) {
    for (int id : kPlainControls) view_.form().enable(id, enabled);
    updateButtons();
}

void TransferPane::updateButtons() {
    Form& form = view_.form();
    const bool groupEnabled = form.isEnabled(ctl::kTransferList);
    const int selected = selectedCount();
    form.enable(ctl::kTransferAction, groupEnabled && hasSongs() && selected > 0);
    form.enable(ctl::kSelectTracksWithAudio, groupEnabled && exportMode() && overview_.shown() != nullptr);
    if (isBusy()) return;
    form.enable(ctl::kPreviewPlay, groupEnabled && selected == 1 && preview_ && preview_->available());
}

int TransferPane::selectedCount() const {
    return static_cast<int>(view_.form().selectedLines(ctl::kTransferList).size());
}

void TransferPane::fillTrackList() {
    Form& form = view_.form();
    form.clearList(ctl::kTransferList);
    for (uint16_t track = 1; track <= trackCount_; ++track) form.addLine(ctl::kTransferList, format("Track %02u", track));
    overview_.songShown(songFacts());
}

void TransferPane::refreshFileList(bool reportInvalid) {
    Form& form = view_.form();
    form.clearList(ctl::kTransferList);
    if (preview_) preview_->stop();
    form.enable(ctl::kTransferAction, false);
    listDirectory_.clear();
    const std::string directory = vxf::transfer::normaliseDirectory(settings_.importDirectory);
    if (!vxf::transfer::isExistingDirectory(directory)) {
        if (reportInvalid) messages_.showError("Import directory is invalid.");
        updateButtons();
        return;
    }
    listDirectory_ = directory;
    for (const std::string& name : matchingFiles(directory, settings_.format)) form.addLine(ctl::kTransferList, name);
    updateButtons();
}

void TransferPane::fillDirectoryField() {
    Form& form = view_.form();
    form.clearList(ctl::kTransferDirectory);
    for (const std::string& entry : settings_.recent().entries()) form.addLine(ctl::kTransferDirectory, entry);
    form.setSelection(ctl::kTransferDirectory, 0);
    form.setText(ctl::kTransferDirectory, settings_.directory());
}

void TransferPane::showModeTexts() {
    Form& form = view_.form();
    if (exportMode()) {
        form.setText(ctl::kTransferDirectoryLabel, "Export to Directory:");
        form.setText(ctl::kTransferListLabel, "Select tavo VXF Tracks for Export:");
        form.setText(ctl::kTransferAction, "Export");
    } else {
        form.setText(ctl::kTransferDirectoryLabel, "Import from Directory:");
        form.setText(ctl::kTransferListLabel, "Select PC Files for Import:");
        form.setText(ctl::kTransferAction, "Import");
    }
}

void TransferPane::checkFormatButton() {
    for (size_t i = 0; i < std::size(kFormatButtons); ++i)
        view_.form().setChecked(kFormatButtons[i], static_cast<size_t>(settings_.format) == i);
}

void TransferPane::selectAll() {
    Form& form = view_.form();
    for (int i = 0; i < form.lineCount(ctl::kTransferList); ++i) form.setLineSelected(ctl::kTransferList, i, true);
    listSelectionChanged();
}

void TransferPane::options() {
    TransferOptionsDialog dialog({settings_.exportWordLength, settings_.broadcastWave, settings_.polyFile});
    if (view_.form().runModal(dialog) != kIdOk) return;
    settings_.exportWordLength = dialog.options().wordLength;
    settings_.broadcastWave = dialog.options().broadcastWave;
    settings_.polyFile = dialog.options().polyFile;
}

void TransferPane::controlChanged(int id) {
    switch (id) {
    case ctl::kTransferTab: tabChanged(); break;
    case ctl::kFormatWav: formatPressed(AudioFormat::Wav); break;
    case ctl::kFormatAiff: formatPressed(AudioFormat::Aiff); break;
    case ctl::kFormatSd2: formatPressed(AudioFormat::Sd2); break;
    case ctl::kFormatDigSd: formatPressed(AudioFormat::DigSd); break;
    case ctl::kTransferDirectory: directoryChosen(); break;
    case ctl::kTransferDirectory | kNotifyEditChange: directoryEdited(); break;
    case ctl::kTransferDirectory | kNotifyEnter: directoryEntered(); break;
    case ctl::kTransferBrowse: browse(); break;
    case ctl::kTransferList: listSelectionChanged(); break;
    case ctl::kPreviewPlay: previewPressed(); break;
    case ctl::kTransferAction: actionPressed(); break;
    case ctl::kSelectTracksWithAudio:
        overview_.selectTracksWithAudio();
        listSelectionChanged();
        break;
    default: break;
    }
}

void TransferPane::windowMessage(uintptr_t wparam, intptr_t lparam) {
    if (preview_) preview_->bufferHandedOver(wparam, lparam);
}

void TransferPane::filesDropped(const std::vector<std::string>& paths) {
    Form& form = view_.form();
    if (exportMode() || paths.empty() || !form.isEnabled(ctl::kTransferList)) return;
    const std::filesystem::path first(paths.front());
    // The list shows one format at a time: the first file's, as if its button were pressed.
    const std::optional<AudioFormat> format = vxf::transfer::formatOfFileName(first.filename().string());
    if (format && *format != settings_.format) {
        settings_.format = *format;
        checkFormatButton();
    }
    settings_.directory() = first.parent_path().string();
    rememberDirectory();
    refreshFileList(true);
    if (listDirectory_.empty()) return;
    std::vector<std::string> names;
    for (const std::string& path : paths) {
        const std::filesystem::path dropped(path);
        if (dropped.parent_path() == first.parent_path()) names.push_back(dropped.filename().string());
    }
    bool any = false;
    for (int line = 0; line < form.lineCount(ctl::kTransferList); ++line) {
        const bool chosen = std::find(names.begin(), names.end(), form.line(ctl::kTransferList, line)) != names.end();
        form.setLineSelected(ctl::kTransferList, line, chosen);
        any = any || chosen;
    }
    listSelectionChanged();
    if (any && form.isEnabled(ctl::kTransferAction)) importFiles();
}

void TransferPane::tabChanged() {
    const int index = view_.form().selection(ctl::kTransferTab);
    if (index < 0 || index == static_cast<int>(settings_.mode)) return;
    stopActivity();
    settings_.mode = index == 1 ? TransferMode::Import : TransferMode::Export;
    reload();
    refreshTab();
}

void TransferPane::formatPressed(AudioFormat format) {
    if (format == settings_.format) {
        checkFormatButton();
        return;
    }
    settings_.format = format;
    checkFormatButton();
    if (!exportMode()) refreshFileList(false);
}

void TransferPane::directoryEdited() {
    settings_.directory() = view_.form().text(ctl::kTransferDirectory);
    // The list always shows the folder the text names, so a file is never taken from a
    // folder other than the one the user sees.
    if (!exportMode()) refreshFileList(false);
}

void TransferPane::directoryChosen() {
    const int index = view_.form().selection(ctl::kTransferDirectory);
    if (index < 0 || static_cast<size_t>(index) >= kRecentDirectoryCount) return;
    settings_.directory() = settings_.recent().at(static_cast<size_t>(index));
    settings_.recent().moveToFront(static_cast<size_t>(index));
    fillDirectoryField();
    if (!exportMode()) refreshFileList(true);
}

void TransferPane::directoryEntered() {
    settings_.directory() = view_.form().text(ctl::kTransferDirectory);
    rememberDirectory();
    if (!exportMode()) refreshFileList(true);
}

void TransferPane::browse() {
    const std::optional<std::string> folder =
        services_.browseForFolder("Select Destination Directory:", view_.form().text(ctl::kTransferDirectory));
    if (!folder) return;
    settings_.directory() = *folder;
    rememberDirectory();
    if (!exportMode()) refreshFileList(true);
}

void TransferPane::rememberDirectory() {
    settings_.recent().pushFront(settings_.directory());
    fillDirectoryField();
}

void TransferPane::listSelectionChanged() {
    stopActivity();
    updateButtons();
}

void TransferPane::previewPressed() {
    if (!preview_) return;
    if (preview_->playing()) {
        preview_->stop();
        return;
    }
    const std::vector<int> selected = view_.form().selectedLines(ctl::kTransferList);
    if (selected.empty()) return;
    PreviewSource source;
    if (exportMode()) {
        if (!hasSongs()) return;
        source.track = static_cast<uint16_t>(selected.front());
        source.sampleRate = view_.songs().sampleRate();
        source.wordLength = view_.songs().wordLength();
        source.length = view_.songs().length();
    } else {
        if (listDirectory_.empty() || !vxf::transfer::isExistingDirectory(listDirectory_)) {
            messages_.showError("Import directory is invalid.");
            return;
        }
        source.fromFile = true;
        source.path = listDirectory_ + view_.form().line(ctl::kTransferList, selected.front());
        source.format = settings_.format;
    }
    preview_->start(source);
}

void TransferPane::actionPressed() {
    if (exportMode()) {
        exportTracks();
    } else {
        importFiles();
    }
}

}  // namespace deck
