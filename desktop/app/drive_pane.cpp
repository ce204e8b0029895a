// drive_pane.cpp - the Drive group: drive list, the selected drive's facts and the free-space preview.
#include "drive_pane.h"

#include "deck_view.h"
#include "form.h"
#include "ids.h"
#include "profile.h"
#include "tavovxf.h"
#include "text_format.h"
#include "time_texts.h"

#include <algorithm>

namespace deck {

namespace {

constexpr const char* kRateChoices[] = {"44.1", "48", "88.2", "96"};
constexpr uint32_t kRates[] = {44100, 48000, 88200, 96000};
constexpr uint16_t kTracksUpTo48k[] = {2, 6, 8, 16, 24};
constexpr uint16_t kTracksAbove48k[] = {2, 6, 8, 12};
constexpr uint16_t kHighestRateChoice = 3;

const int kFactAndPreviewIds[] = {ctl::kVersionLabel,   ctl::kProjectsLabel,     ctl::kPreviewGroup,
                                  ctl::kPreviewTracks,  ctl::kPreviewRate,       ctl::kPreviewAtLabel,
                                  ctl::kPreviewForLabel, ctl::kVersion,          ctl::kProjectCount,
                                  ctl::kPreviewLength,  ctl::kPreviewLengthLabel, ctl::kPreviewKhzLabel,
                                  ctl::kPreviewTracksLabel};

bool isHighRate(uint16_t rateChoice) { return rateChoice >= 2; }

std::string drivePrefix(uint16_t index) { return format("Drive %02d:\n", index + 1); }

}  // namespace

namespace {

std::string statusLine(int number, DriveStatus status, const std::string& name) {
    const char* gap = number < 10 ? ":  " : ": ";
    switch (status) {
    case DriveStatus::Vxf: return format("%d%s%s", number, gap, name.c_str());
    case DriveStatus::NoCommunication: return format("%d%sNo Drive Communication", number, gap);
    default: return format("%d%sUnknown Drive", number, gap);
    }
}

}  // namespace

std::string driveLine(int number, DriveStatus status, const std::string& name, bool readOnly) {
    return statusLine(number, status, name) + (readOnly ? " (read-only)" : "");
}

int highestTrackChoice(uint16_t rateChoice) { return isHighRate(rateChoice) ? 3 : 4; }

uint16_t tracksOfChoice(uint16_t rateChoice, uint16_t trackChoice) {
    if (trackChoice > highestTrackChoice(rateChoice)) return 0;
    return isHighRate(rateChoice) ? kTracksAbove48k[trackChoice] : kTracksUpTo48k[trackChoice];
}

uint32_t rateOfChoice(uint16_t rateChoice) { return rateChoice <= kHighestRateChoice ? kRates[rateChoice] : 0; }

int trackChoiceOf(uint32_t rate, uint32_t tracks) {
    const uint16_t* table = rate > 48000 ? kTracksAbove48k : kTracksUpTo48k;
    const int count = rate > 48000 ? 4 : 5;
    for (int i = 0; i < count; ++i)
        if (table[i] == tracks) return i;
    return -1;
}

int rateChoiceOf(uint32_t rate) {
    for (int i = 0; i <= kHighestRateChoice; ++i)
        if (kRates[i] == rate) return i;
    return -1;
}

DrivePane::DrivePane(DeckView& view) : view_(view) {}

void DrivePane::create() {
    Profile& profile = view_.profile();
    selected_ = static_cast<uint16_t>(profile.readInt("DriveName", 0));
    trackChoice_ = static_cast<uint16_t>(profile.readInt("DriveTrack", 0));
    rateChoice_ = static_cast<uint16_t>(profile.readInt("DriveRate", 0));
    rebuildDriveList();
    if (selectedStatus() != DriveStatus::Vxf) enableFactsAndPreview(false);
    activateSelectedDrive();
}

void DrivePane::destroy() {
    Profile& profile = view_.profile();
    profile.writeInt("DriveName", selected_);
    profile.writeInt("DriveTrack", trackChoice_);
    profile.writeInt("DriveRate", rateChoice_);
    if (handle_ != 0 && view_.server().driveClose(handle_) != VXF_OK) view_.showServerError();
}

DriveStatus DrivePane::selectedStatus() const {
    return selected_ < driveCount_ && selected_ < kMaxListedDrives ? status_[selected_] : DriveStatus::Unknown;
}

bool DrivePane::usable() const { return driveCount_ > 0 && selectedStatus() == DriveStatus::Vxf; }

void DrivePane::rebuildDriveList() {
    ServerClient& server = view_.server();
    Form& form = view_.form();
    if (server.driveGetNum(driveCount_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    driveCount_ = std::min(driveCount_, kMaxListedDrives);
    if (handle_ != 0 && server.driveClose(handle_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.clearList(ctl::kDriveName);
    for (uint16_t i = 0; i < driveCount_; ++i)
        if (!listDrive(i)) return;
    form.fitDropDown(ctl::kDriveName);
    if (selected_ >= driveCount_) selected_ = 0;
    fillRateList();
    if (rateChoice_ > kHighestRateChoice) rateChoice_ = 0;
    fillTrackList();
    if (trackChoice_ > highestTrackChoice(rateChoice_)) trackChoice_ = 0;
}

// Opens drive `index`, reads its status and name, adds its line and closes it again.
// False stops the rebuild.
bool DrivePane::listDrive(uint16_t index) {
    ServerClient& server = view_.server();
    status_[index] = DriveStatus::Unknown;
    readOnly_[index] = false;
    if (server.driveOpen(index, handle_) != VXF_OK) {
        view_.showServerError(drivePrefix(index));
        return false;
    }
    uint32_t formatted = 0;
    const int32_t code = server.driveIsFormatted(handle_, formatted);
    if (code == VXF_ERR_NO_COMMUNICATION) {
        status_[index] = DriveStatus::NoCommunication;
        view_.discardServerError();
    } else if (code != VXF_OK) {
        view_.showServerError(drivePrefix(index));
    }
    if (status_[index] == DriveStatus::Unknown && formatted != 0) status_[index] = DriveStatus::Vxf;

    std::string name;
    if (status_[index] == DriveStatus::Vxf) {
        std::string version;
        server.driveGetFSVersion(handle_, version);
        server.setExtendedNamesFromVersion(version);
        server.driveGetName(handle_, name);
    }
    bool readOnly = false;
    if (server.driveIsReadOnly(handle_, readOnly) != VXF_OK) view_.discardServerError();
    readOnly_[index] = readOnly;
    view_.form().addLine(ctl::kDriveName, driveLine(index + 1, status_[index], name, readOnly));
    if (server.driveClose(handle_) != VXF_OK) {
        view_.showServerError(drivePrefix(index));
        return false;
    }
    return true;
}

void DrivePane::activateSelectedDrive() {
    ServerClient& server = view_.server();
    Form& form = view_.form();
    if (driveCount_ == 0) {
        clearFacts();
        return;
    }
    form.setSelection(ctl::kDriveName, selected_);
    if (handle_ != 0 && server.driveClose(handle_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    if (selectedStatus() != DriveStatus::NoCommunication && server.driveOpen(selected_, handle_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    const bool vxf = selectedStatus() == DriveStatus::Vxf;
    enableFactsAndPreview(vxf);
    view_.projects().enableControls(vxf);
    view_.songs().enableControls(vxf);
    view_.transfer().enable(vxf);
    if (!vxf) {
        clearFacts();
        return;
    }
    std::string version;
    server.driveGetFSVersion(handle_, version);
    form.setText(ctl::kVersion, version);
    server.setExtendedNamesFromVersion(version);
    form.setSelection(ctl::kPreviewTracks, trackChoice_);
    form.setSelection(ctl::kPreviewRate, rateChoice_);
    uint32_t freeKb = 0;
    if (server.driveGetFreeSpace(handle_, freeKb) != VXF_OK) {
        view_.showServerError();
        return;
    }
    showLength(freeKb);
}

void DrivePane::trackChoiceChanged() {
    const int choice = view_.form().selection(ctl::kPreviewTracks);
    if (choice < 0 || choice == trackChoice_) return;
    trackChoice_ = static_cast<uint16_t>(choice);
    refreshPreview();
}

void DrivePane::rateChoiceChanged() {
    Form& form = view_.form();
    const int choice = form.selection(ctl::kPreviewRate);
    if (choice < 0 || choice == rateChoice_) return;
    rateChoice_ = static_cast<uint16_t>(choice);
    fillTrackList();
    lowerTrackChoiceToRate();
    form.setSelection(ctl::kPreviewTracks, trackChoice_);
    uint32_t freeKb = 0;
    if (view_.server().driveGetFreeSpace(handle_, freeKb) != VXF_OK) view_.discardServerError();
    showLength(freeKb);
}

void DrivePane::previewFollowsSong(uint32_t tracks, uint32_t rate) {
    Form& form = view_.form();
    const int trackChoice = trackChoiceOf(rate, tracks);
    if (trackChoice >= 0) trackChoice_ = static_cast<uint16_t>(trackChoice);
    const int rateChoice = rateChoiceOf(rate);
    if (rateChoice >= 0) rateChoice_ = static_cast<uint16_t>(rateChoice);
    form.setSelection(ctl::kPreviewRate, rateChoice_);
    fillTrackList();
    lowerTrackChoiceToRate();
    form.setSelection(ctl::kPreviewTracks, trackChoice_);
    uint32_t freeKb = 0;
    if (view_.server().driveGetFreeSpace(handle_, freeKb) != VXF_OK) view_.discardServerError();
    showLength(freeKb);
}

void DrivePane::refreshPreview() {
    uint32_t freeKb = 0;
    if (view_.server().driveGetFreeSpace(handle_, freeKb) != VXF_OK) {
        view_.showServerError();
        return;
    }
    showLength(freeKb);
}

std::string DrivePane::driveLabel() const {
    const Form& form = view_.form();
    const int line = form.selection(ctl::kDriveName);
    return "Drive " + (line >= 0 ? trimBlanks(form.line(ctl::kDriveName, line)) : std::string());
}

void DrivePane::enableFactsAndPreview(bool enabled) {
    for (int id : kFactAndPreviewIds) view_.form().enable(id, enabled);
}

void DrivePane::fillRateList() {
    Form& form = view_.form();
    form.clearList(ctl::kPreviewRate);
    for (const char* rate : kRateChoices) form.addLine(ctl::kPreviewRate, rate);
}

void DrivePane::fillTrackList() {
    Form& form = view_.form();
    form.clearList(ctl::kPreviewTracks);
    for (int i = 0; i <= highestTrackChoice(rateChoice_); ++i)
        form.addLine(ctl::kPreviewTracks, std::to_string(tracksOfChoice(rateChoice_, static_cast<uint16_t>(i))));
}

void DrivePane::lowerTrackChoiceToRate() {
    const int highest = highestTrackChoice(rateChoice_);
    if (trackChoice_ > highest) trackChoice_ = static_cast<uint16_t>(highest);
}

void DrivePane::showLength(uint32_t freeKb) {
    const uint64_t ms = previewMilliseconds(freeKb, tracksOfChoice(rateChoice_, trackChoice_), rateOfChoice(rateChoice_));
    view_.form().setText(ctl::kPreviewLength, intervalText(ms));
}

void DrivePane::clearFacts() {
    Form& form = view_.form();
    form.setText(ctl::kVersion, "");
    form.setText(ctl::kPreviewLength, "");
    form.setSelection(ctl::kPreviewTracks, -1);
    form.setSelection(ctl::kPreviewRate, -1);
}

}  // namespace deck
