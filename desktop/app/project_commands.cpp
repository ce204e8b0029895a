// project_commands.cpp - the Project menu: Select, Create, Delete and Properties.
#include "project_commands.h"

#include "deck_view.h"
#include "ids.h"
#include "name_dialogs.h"
#include "select_dialog.h"
#include "tavovxf.h"
#include "text_format.h"

namespace deck {

void ProjectCommands::fail() {
    view_.showServerError();
    view_.restoreShownPrimaries();
}

void ProjectCommands::select() {
    SelectDialog dialog(tmpl::kProjectSelect, ctl::kProjectSelectList, view_.form(), ctl::kProjectName);
    if (view_.form().runModal(dialog) == kIdOk && dialog.chosen() >= 0) view_.selectProject(dialog.chosen());
}

void ProjectCommands::create() {
    ServerClient& server = view_.server();
    ProjectCreateDialog dialog(view_.form(), server.extendedNames());
    if (view_.form().runModal(dialog) != kIdOk || view_.drivesChangedMeanwhile()) return;
    WaitCursor wait(view_.form());
    const uint32_t handle = view_.drives().handle();
    // The new project becomes the server's primary one, so the name goes to it.
    if (server.projectCreate(handle) != VXF_OK || server.projectSetName(handle, dialog.name()) != VXF_OK) {
        fail();
        return;
    }
    view_.projects().rebuildProjectList();
    view_.selectProject(view_.projects().projectCount() - 1);
}

void ProjectCommands::remove() {
    Form& form = view_.form();
    SelectDialog dialog(tmpl::kProjectDelete, ctl::kProjectDeleteList, form, ctl::kProjectName);
    if (form.runModal(dialog) != kIdOk || dialog.chosen() < 0) return;
    const std::string label = "Project " + trimBlanks(dialog.chosenLine());
    const std::string question = deck::format("Are you sure you want to delete '%s'?", label.c_str());
    if (!view_.confirmChange(question, "Confirm Project Delete")) return;
    WaitCursor wait(form);
    ServerClient& server = view_.server();
    const uint32_t handle = view_.drives().handle();
    const auto chosen = static_cast<uint16_t>(dialog.chosen());
    if ((chosen != view_.projects().selected() && server.projectSetPrimary(handle, chosen) != VXF_OK) ||
        server.projectDelete(handle) != VXF_OK) {
        fail();
        return;
    }
    view_.projects().setSelected(0);
    view_.projects().rebuildProjectList();
    if (view_.projects().selected() < view_.projects().projectCount()) view_.selectProject(view_.projects().selected());
}

void ProjectCommands::properties() {
    Form& form = view_.form();
    ServerClient& server = view_.server();
    const int line = form.selection(ctl::kProjectName);
    const std::string name = line >= 0 ? nameOfListLine(form.line(ctl::kProjectName, line)) : std::string();
    uint16_t songs = 0;
    if (server.songGetNum(view_.drives().handle(), songs) != VXF_OK) view_.discardServerError();
    ProjectPropertiesDialog dialog(form, server.extendedNames(), name, songs);
    if (form.runModal(dialog) != kIdOk || view_.drivesChangedMeanwhile()) return;
    if (server.projectSetName(view_.drives().handle(), dialog.name()) != VXF_OK) {
        view_.showServerError();
        return;
    }
    view_.projects().rebuildProjectList();
    if (view_.projects().selected() < view_.projects().projectCount()) view_.selectProject(view_.projects().selected());
}

}  // namespace deck
