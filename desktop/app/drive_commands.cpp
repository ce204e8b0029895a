// drive_commands.cpp - the Drive menu: Select, Properties, Format, Upgrade, Scan/Remap, Recover Lost Songs and Archive.
#include "drive_commands.h"

#include "archive_dialog.h"
#include "deck_view.h"
#include "ids.h"
#include "name_dialogs.h"
#include "recover_dialog.h"
#include "scan_remap_dialog.h"
#include "select_dialog.h"
#include "tavovxf.h"
#include "text_format.h"
#include "transfer_services.h"

namespace deck {

namespace {

constexpr const char* kNotVxfQuestion =
    "The '%s' is not an tavo VXF drive. It might be your system drive and contains crucial data.\r\n"
    "Do you still want to format it?";
constexpr const char* kFormatQuestion = "All data on '%s' will be lost. Are you sure you want to proceed with format?";
constexpr const char* kUpgradeQuestion =
    "This command will upgrade '%s' to TAVO-VXF version 1.10.\nThe drive will then only work in KX90 v1.10 and "
    "higher.\nDo you wish to proceed?";
constexpr const char* kScanQuestion =
    "This function scans every sector of a drive looking for bad sectors.\nBad sectors cause read failures.\n\n"
    "Choose 'Scan' to scan the drive for bad sectors but not remap them.\nChoose 'Scan && Remap' to scan the drive "
    "for bad sectors then clear and remap them.\n\nData on bad sectors cannot be recovered.\n\nFull scans may take "
    "hours to complete.\n\n\t\t\tContinue?";

}  // namespace

bool DriveCommands::confirm(const char* pattern, const char* caption) {
    return view_.confirmChange(deck::format(pattern, view_.drives().driveLabel().c_str()), caption);
}

void DriveCommands::relistAndReselect() {
    view_.drives().rebuildDriveList();
    view_.selectDrive(view_.drives().selected());
}

void DriveCommands::select() {
    SelectDialog dialog(tmpl::kDriveSelect, ctl::kDriveSelectList, view_.form(), ctl::kDriveName);
    if (view_.form().runModal(dialog) == kIdOk && dialog.chosen() >= 0) view_.selectDrive(dialog.chosen());
}

void DriveCommands::properties() {
    ServerClient& server = view_.server();
    const uint32_t handle = view_.drives().handle();
    DriveFacts facts;
    server.driveGetInfo(handle, facts.model, facts.sizeKb);
    std::string name;
    server.driveGetName(handle, name);
    server.driveGetFSVersion(handle, facts.version);
    DrivePropertiesDialog dialog(view_.form(), server.extendedNames(), name, facts);
    if (view_.form().runModal(dialog) != kIdOk || !view_.drives().usable() || view_.drivesChangedMeanwhile()) return;
    if (server.driveSetName(view_.drives().handle(), dialog.name()) != VXF_OK) {
        view_.showServerError();
        return;
    }
    relistAndReselect();
}

void DriveCommands::format() {
    if (view_.drives().selectedStatus() != DriveStatus::Vxf && !confirm(kNotVxfQuestion, "Confirm Drive Format")) return;
    if (!confirm(kFormatQuestion, "Confirm Drive Format")) return;
    WaitCursor wait(view_.form());
    if (view_.server().driveFormat(view_.drives().handle()) != VXF_OK) {
        view_.showServerError();
        return;
    }
    relistAndReselect();
}

void DriveCommands::upgrade() {
    if (!confirm(kUpgradeQuestion, "Confirm Drive Upgrade")) return;
    WaitCursor wait(view_.form());
    if (view_.server().driveUpgrade(view_.drives().handle()) != VXF_OK) {
        view_.showServerError();
        return;
    }
    relistAndReselect();
}

void DriveCommands::scanRemap() {
    ScanRemapDialog dialog(view_);
    if (!view_.confirmChange(kScanQuestion, "Scan and Remap")) return;
    view_.form().runModal(dialog);
    view_.refreshAll();
}

void DriveCommands::recoverSongs() {
    RecoverDialog dialog(view_);
    view_.form().runModal(dialog);
    if (dialog.restored()) relistAndReselect();
}

void DriveCommands::archive() {
    TransferServices* services = view_.form().transferServices();
    if (!services) return;
    const std::optional<std::string> folder =
        services->browseForFolder("Choose an empty folder for the archive, or one to go on with", "");
    if (!folder) return;
    ArchiveDialog dialog(view_, *services, *folder);
    view_.form().runModal(dialog);
    view_.refreshAll();
}

}  // namespace deck
