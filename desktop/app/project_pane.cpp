// project_pane.cpp - the Project group: the open drive's projects and the selected one.
#include "project_pane.h"

#include "deck_view.h"
#include "form.h"
#include "ids.h"
#include "profile.h"
#include "tavovxf.h"
#include "text_format.h"

namespace deck {

ProjectPane::ProjectPane(DeckView& view) : view_(view) {}

void ProjectPane::create() {
    selected_ = static_cast<uint16_t>(view_.profile().readInt("ProjectName", 0));
    rebuildProjectList();
    showProject();
    const DrivePane& drives = view_.drives();
    if (drives.driveCount() > 0 && drives.selectedStatus() != DriveStatus::Vxf) enableControls(false);
}

void ProjectPane::destroy() { view_.profile().writeInt("ProjectName", selected_); }

void ProjectPane::rebuildProjectList() {
    ServerClient& server = view_.server();
    Form& form = view_.form();
    const uint32_t handle = view_.drives().handle();
    if (!view_.drives().usable()) {
        form.clearList(ctl::kProjectName);
        count_ = 0;
        selected_ = 0;
        return;
    }
    // The drive's own last-used project replaces any stored selection.
    if (server.projectGetNum(handle, count_) != VXF_OK || server.projectGetLastPrimary(handle, selected_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.clearList(ctl::kProjectName);
    for (uint16_t i = 0; i < count_; ++i) {
        if (server.projectSetPrimary(handle, i) != VXF_OK) {
            view_.showServerError();
            return;
        }
        std::string name;
        server.projectGetName(handle, name);
        form.addLine(ctl::kProjectName, format("%02d: %s", i + 1, name.c_str()));
    }
    if (selected_ >= count_) selected_ = 0;
    form.fitDropDown(ctl::kProjectName);
}

void ProjectPane::showProject() {
    ServerClient& server = view_.server();
    Form& form = view_.form();
    if (!view_.drives().usable()) {
        form.setText(ctl::kProjectCount, "");
        form.setSelection(ctl::kProjectName, -1);
        return;
    }
    const uint32_t handle = view_.drives().handle();
    if (server.projectGetNum(handle, count_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.setText(ctl::kProjectCount, format("%u", count_));
    form.setSelection(ctl::kProjectName, selected_);
    if (server.projectSetPrimary(handle, selected_) != VXF_OK) view_.showServerError();
}

void ProjectPane::enableControls(bool enabled) {
    for (int id = ctl::kProjectNameLabel; id <= ctl::kSongCount; ++id) view_.form().enable(id, enabled);
}

int32_t ProjectPane::makeSelectedPrimary() {
    return view_.server().projectSetPrimary(view_.drives().handle(), selected_);
}

}  // namespace deck
