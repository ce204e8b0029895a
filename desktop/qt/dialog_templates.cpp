// dialog_templates.cpp - the layout of the form and every dialog, in dialog units, by template id.
#include "dialog_templates.h"

#include "ids.h"
#include "transfer_ids.h"
#include "vxf_version.h"

#include <map>

namespace deckqt {

namespace {

using K = ItemKind;
namespace ctl = deck::ctl;
namespace tmpl = deck::tmpl;
constexpr int kOk = deck::kIdOk;
constexpr int kCancel = deck::kIdCancel;

DialogTemplate formTemplate() {
    return {tmpl::kForm, "", 505, 332, {
        // Drive
        {K::Group, -1, "Drive", 7, 7, 197, 141},
        {K::Label, ctl::kDriveNameLabel, "Name:", 14, 23, 30, 8},
        {K::DropList, ctl::kDriveName, "", 46, 20, 150, 14},
        {K::Label, ctl::kVersionLabel, "File System Version:", 14, 42, 80, 8},
        {K::Field, ctl::kVersion, "", 100, 40, 96, 12},
        {K::Label, ctl::kProjectsLabel, "Number of Projects:", 14, 58, 80, 8},
        {K::Field, ctl::kProjectCount, "", 100, 56, 96, 12},
        {K::Group, ctl::kPreviewGroup, "Free Space Preview", 14, 74, 182, 68},
        {K::Label, ctl::kPreviewAtLabel, "At", 21, 91, 12, 8},
        {K::DropList, ctl::kPreviewRate, "", 35, 88, 44, 14},
        {K::Label, ctl::kPreviewKhzLabel, "kHz", 82, 91, 18, 8},
        {K::Label, ctl::kPreviewForLabel, "For", 104, 91, 14, 8},
        {K::DropList, ctl::kPreviewTracks, "", 120, 88, 36, 14},
        {K::Label, ctl::kPreviewTracksLabel, "Tracks", 159, 91, 30, 8},
        {K::Label, ctl::kPreviewLengthLabel, "Length:", 21, 117, 30, 8},
        {K::Field, ctl::kPreviewLength, "", 54, 115, 135, 12},
        // Project
        {K::Group, -1, "Project", 7, 151, 197, 53},
        {K::Label, ctl::kProjectNameLabel, "Name:", 14, 167, 30, 8},
        {K::DropList, ctl::kProjectName, "", 46, 164, 150, 14},
        {K::Label, ctl::kSongsLabel, "Number of Songs:", 14, 186, 80, 8},
        {K::Field, ctl::kSongCount, "", 100, 184, 96, 12},
        // Song
        {K::Group, -1, "Song", 7, 207, 197, 118},
        {K::Label, ctl::kSongNameLabel, "Name:", 14, 223, 30, 8},
        {K::DropList, ctl::kSongName, "", 46, 220, 150, 14},
        {K::Label, ctl::kTracksLabel, "Number of Tracks:", 14, 242, 80, 8},
        {K::Field, ctl::kTrackCount, "", 100, 240, 96, 12},
        {K::Label, ctl::kSongLengthLabel, "Length:", 14, 258, 80, 8},
        {K::Field, ctl::kSongLength, "", 100, 256, 96, 12},
        {K::Label, ctl::kRateLabel, "Sample Rate:", 14, 274, 80, 8},
        {K::Field, ctl::kSampleRate, "", 100, 272, 96, 12},
        {K::Label, ctl::kWordLengthLabel, "Word Length:", 14, 290, 80, 8},
        {K::Field, ctl::kWordLength, "", 100, 288, 96, 12},
        {K::CheckBox, ctl::kWriteProtect, "Write Protect", 14, 307, 80, 10},
        {K::Button, ctl::kSongMarkers, "Markers...", 136, 305, 60, 14},
        // Transfer
        {K::Group, -1, "Transfer", 211, 7, 285, 318},
        {K::TabStrip, ctl::kTransferTab, "tavo VXF --> PC|PC --> tavo VXF", 218, 19, 271, 14},
        {K::Label, ctl::kTransferDirectoryLabel, "Export to Directory:", 225, 40, 200, 8},
        {K::DropEdit, ctl::kTransferDirectory, "", 225, 50, 200, 14},
        {K::Button, ctl::kTransferBrowse, "Browse...", 431, 50, 58, 14},
        {K::Label, ctl::kTransferListLabel, "Select tavo VXF Tracks for Export:", 225, 72, 200, 8},
        {K::Button, ctl::kSelectTracksWithAudio, "Select tracks with audio", 225, 83, 104, 14},
        {K::ListBox, ctl::kTransferList, "", 225, 100, 152, 178},
        {K::Group, -1, "Format", 385, 78, 104, 68},
        {K::Radio, ctl::kFormatWav, "WAV", 394, 91, 60, 10},
        {K::Radio, ctl::kFormatAiff, "AIFF", 394, 104, 60, 10},
        {K::Radio, ctl::kFormatSd2, "SD2", 394, 117, 60, 10},
        {K::Radio, ctl::kFormatDigSd, "DIG/SD", 394, 130, 60, 10},
        {K::Group, ctl::kPreviewBox, "Preview", 385, 152, 104, 40},
        {K::PlayButton, ctl::kPreviewPlay, "P", 394, 166, 22, 16},
        {K::Field, ctl::kPreviewTime, "00:00:00", 424, 168, 56, 12},
        {K::Button, ctl::kTransferAction, "Export", 385, 202, 104, 18},
        {K::Label, ctl::kTransferRateLabel, "Transfer Rate:", 225, 287, 58, 8},
        {K::Field, ctl::kTransferRate, "0 Mbs", 286, 285, 70, 12},
        {K::Label, ctl::kTransferTimeLabel, "Transfer Time:", 225, 304, 58, 8},
        {K::Field, ctl::kTransferTime, "0 s", 286, 302, 70, 12},
        {K::Logo, ctl::kLogo, "CORVANE", 402, 298, 86, 20},
    }};
}

DialogTemplate selectTemplate(int id, const char* title, const char* prompt, int listId) {
    return {id, title, 186, 64, {
        {K::Label, -1, prompt, 7, 7, 172, 8},
        {K::DropList, listId, "", 7, 18, 172, 14},
        {K::DefaultButton, kOk, "OK", 38, 43, 50, 14},
        {K::Button, kCancel, "Cancel", 98, 43, 50, 14},
    }};
}

DialogTemplate projectCreateTemplate() {
    return {tmpl::kProjectCreate, "Project Create", 200, 56, {
        {K::Label, -1, "Project Name:", 7, 11, 56, 8},
        {K::Edit, ctl::kProjectCreateName, "", 66, 8, 127, 13},
        {K::DefaultButton, kOk, "OK", 44, 34, 50, 14},
        {K::Button, kCancel, "Cancel", 106, 34, 50, 14},
    }};
}

DialogTemplate projectPropertiesTemplate() {
    return {tmpl::kProjectProperties, "Project Properties", 200, 72, {
        {K::Label, -1, "Project Name:", 7, 11, 60, 8},
        {K::Edit, ctl::kProjectPropName, "", 70, 8, 123, 13},
        {K::Label, -1, "Number of Songs:", 7, 29, 60, 8},
        {K::Field, ctl::kProjectPropSongs, "", 70, 27, 40, 12},
        {K::DefaultButton, kOk, "OK", 44, 50, 50, 14},
        {K::Button, kCancel, "Cancel", 106, 50, 50, 14},
    }};
}

DialogTemplate songCreateTemplate() {
    return {tmpl::kSongCreate, "Song Create", 200, 92, {
        {K::Label, -1, "Song Name:", 7, 11, 62, 8},
        {K::Edit, ctl::kSongDialogName, "", 72, 8, 121, 13},
        {K::Label, -1, "Sample Rate:", 7, 30, 62, 8},
        {K::DropList, ctl::kSongCreateRate, "", 72, 27, 44, 14},
        {K::Label, -1, "kHz", 120, 30, 20, 8},
        {K::Label, -1, "Number of Tracks:", 7, 49, 62, 8},
        {K::DropList, ctl::kSongCreateTracks, "", 72, 46, 44, 14},
        {K::Label, -1, "Tracks", 120, 49, 30, 8},
        {K::DefaultButton, kOk, "OK", 44, 70, 50, 14},
        {K::Button, kCancel, "Cancel", 106, 70, 50, 14},
    }};
}

DialogTemplate songPropertiesTemplate() {
    return {tmpl::kSongProperties, "Song Properties", 200, 132, {
        {K::Label, -1, "Song Name:", 7, 11, 62, 8},
        {K::Edit, ctl::kSongDialogName, "", 72, 8, 121, 13},
        {K::Label, -1, "Number of Tracks:", 7, 29, 62, 8},
        {K::Field, ctl::kSongPropTracks, "", 72, 27, 80, 12},
        {K::Label, -1, "Length:", 7, 45, 62, 8},
        {K::Field, ctl::kSongPropLength, "", 72, 43, 80, 12},
        {K::Label, -1, "Sample Rate:", 7, 61, 62, 8},
        {K::Field, ctl::kSongPropRate, "", 72, 59, 80, 12},
        {K::Label, -1, "Word Length:", 7, 77, 62, 8},
        {K::Field, ctl::kSongPropWordLength, "", 72, 75, 80, 12},
        {K::CheckBox, ctl::kSongPropWriteProtect, "Write Protect", 7, 93, 80, 10},
        {K::DefaultButton, kOk, "OK", 44, 111, 50, 14},
        {K::Button, kCancel, "Cancel", 106, 111, 50, 14},
    }};
}

DialogTemplate drivePropertiesTemplate() {
    return {tmpl::kDriveProperties, "Hard Drive Properties", 210, 104, {
        {K::Label, -1, "Name:", 7, 11, 62, 8},
        {K::Edit, ctl::kDrivePropName, "", 72, 8, 131, 13},
        {K::Label, -1, "Model:", 7, 30, 62, 8},
        {K::Field, ctl::kDrivePropModel, "", 72, 28, 131, 12},
        {K::Label, -1, "Size:", 7, 46, 62, 8},
        {K::Field, ctl::kDrivePropSize, "", 72, 44, 131, 12},
        {K::Label, -1, "File System Ver:", 7, 62, 62, 8},
        {K::Field, ctl::kDrivePropVersion, "", 72, 60, 131, 12},
        {K::DefaultButton, kOk, "OK", 49, 83, 50, 14},
        {K::Button, kCancel, "Cancel", 111, 83, 50, 14},
    }};
}

DialogTemplate scanRemapTemplate() {
    return {tmpl::kScanRemap, "Scan & Remap Bad Sectors", 260, 124, {
        {K::Button, ctl::kScanDrive, "Scan Drive", 7, 7, 76, 14},
        {K::Button, ctl::kScanRemapDrive, "Scan && Remap Drive", 91, 7, 76, 14},
        {K::Button, ctl::kScanStop, "Stop", 177, 7, 76, 14},
        {K::Progress, ctl::kScanProgress, "", 7, 30, 214, 10},
        {K::Label, ctl::kScanPercent, "", 225, 31, 30, 8},
        {K::Group, -1, "Statistics", 7, 47, 246, 48},
        {K::Label, -1, "# Bad Sectors:", 15, 61, 110, 8},
        {K::Field, ctl::kScanBad, "", 130, 59, 60, 12},
        {K::Label, -1, "# Cleared/Remapped Sectors:", 15, 77, 110, 8},
        {K::Field, ctl::kScanCleared, "", 130, 75, 60, 12},
        {K::DefaultButton, kOk, "Exit", 105, 103, 50, 14},
    }};
}

DialogTemplate recoverSongsTemplate() {
    return {tmpl::kRecoverSongs, "Recover Lost Songs", 360, 200, {
        {K::Label, -1, "Songs no project reaches any more (after a format or a delete):", 7, 7, 346, 8},
        {K::ListBox, ctl::kRecoverList, "", 7, 19, 346, 130},
        {K::Label, ctl::kRecoverStatus, "", 7, 153, 346, 8},
        {K::CheckBox, ctl::kRecoverPartial, "Restore partly overwritten songs without their overwritten parts", 7, 164, 346, 10},
        {K::Button, ctl::kRecoverExport, "Export", 7, 179, 60, 14},
        {K::Button, ctl::kRecoverRestore, "Restore", 73, 179, 60, 14},
        {K::DefaultButton, kOk, "Close", 293, 179, 60, 14},
    }};
}

DialogTemplate archiveTemplate() {
    return {tmpl::kArchive, "Archive Drive", 300, 150, {
        {K::Label, -1, "Folder:", 7, 9, 50, 8},
        {K::Field, ctl::kArchiveFolder, "", 60, 7, 233, 12},
        {K::Label, -1, "Song:", 7, 27, 50, 8},
        {K::Field, ctl::kArchiveSong, "", 60, 25, 233, 12},
        {K::Label, -1, "Copied:", 7, 45, 50, 8},
        {K::Field, ctl::kArchiveBytes, "", 60, 43, 110, 12},
        {K::Label, -1, "Rate:", 7, 63, 50, 8},
        {K::Field, ctl::kArchiveRate, "", 60, 61, 110, 12},
        {K::Label, -1, "Time left:", 7, 81, 50, 8},
        {K::Field, ctl::kArchiveLeft, "", 60, 79, 110, 12},
        {K::Field, ctl::kArchiveSummary, "", 7, 99, 286, 12},
        {K::DefaultButton, ctl::kArchiveStart, "Archive", 7, 125, 64, 14},
        {K::Button, ctl::kArchiveStop, "Stop", 79, 125, 64, 14},
        {K::Button, ctl::kArchiveOpenFolder, "Open Folder", 151, 125, 64, 14},
        {K::Button, kOk, "Close", 229, 125, 64, 14},
    }};
}

DialogTemplate trackSelectTemplate() {
    return {tmpl::kTrackSelect, "Select Track for File Import", 300, 80, {
        {K::Label, -1, "From:", 7, 10, 24, 8},
        {K::Field, ctl::kTrackSelectFrom, "", 34, 8, 259, 12},
        {K::Label, -1, "To:", 7, 30, 24, 8},
        {K::DropList, ctl::kTrackSelectTo, "", 34, 27, 70, 14},
        {K::DefaultButton, kOk, "OK", 94, 58, 50, 14},
        {K::Button, kCancel, "Cancel", 156, 58, 50, 14},
    }};
}

DialogTemplate transferOptionsTemplate() {
    return {tmpl::kTransferOptions, "Transfer Options", 160, 116, {
        {K::Group, -1, "Export Word Length", 7, 7, 146, 44},
        {K::Radio, ctl::kOptions16Bit, "16-bit", 17, 21, 60, 10},
        {K::Radio, ctl::kOptions24Bit, "24-bit", 17, 35, 60, 10},
        {K::CheckBox, ctl::kOptionsBroadcastWave, "Broadcast Wave (markers, iXML)", 10, 58, 140, 10},
        {K::CheckBox, ctl::kOptionsPoly, "One poly WAV file per song", 10, 72, 140, 10},
        {K::DefaultButton, kOk, "OK", 22, 94, 50, 14},
        {K::Button, kCancel, "Cancel", 88, 94, 50, 14},
    }};
}

DialogTemplate songMarkersTemplate() {
    return {tmpl::kSongMarkers, "Song Markers", 240, 160, {
        {K::ListBox, ctl::kSongMarkersList, "", 7, 7, 226, 124},
        {K::DefaultButton, kOk, "OK", 95, 139, 50, 14},
    }};
}

DialogTemplate copyProgressTemplate() {
    return {tmpl::kCopyProgress, "Copying...", 340, 92, {
        {K::Label, -1, "From:", 7, 9, 22, 8},
        {K::Label, ctl::kCopyFrom, "", 32, 9, 301, 8},
        {K::Label, -1, "To:", 7, 25, 22, 8},
        {K::Label, ctl::kCopyTo, "", 32, 25, 301, 8},
        {K::Progress, ctl::kCopyBar, "", 7, 44, 290, 10},
        {K::Label, ctl::kCopyPercent, " 0 %", 302, 45, 31, 8},
        {K::DefaultButton, kCancel, "Cancel", 145, 68, 50, 14},
    }};
}

DialogTemplate aboutTemplate() {
    return {tmpl::kAbout, "About VXF Deck", 230, 74, {
        {K::Logo, -1, "CORVANE", 7, 10, 60, 20},
        {K::AppIcon, -1, "", 21, 32, 32, 20},
        {K::Label, -1, "Corvane VXF Deck v1.04", 76, 10, 147, 8},
        {K::Label, -1, "Copyright (C) Corvane.", 76, 24, 147, 8},
        {K::Label, -1, "All rights reserved.", 76, 34, 147, 8},
        {K::Label, -1, "vxfDeck for Linux " VXF_VERSION, 76, 44, 147, 8},
        {K::DefaultButton, kOk, "OK", 90, 53, 50, 14},
    }};
}

std::map<int, DialogTemplate> allTemplates() {
    std::map<int, DialogTemplate> templates;
    for (DialogTemplate t : {formTemplate(),
                             selectTemplate(tmpl::kDriveSelect, "Drive Select", "Select Drive:", ctl::kDriveSelectList),
                             selectTemplate(tmpl::kProjectSelect, "Project Select", "Select Project:",
                                            ctl::kProjectSelectList),
                             selectTemplate(tmpl::kSongSelect, "Song Select", "Select Song:", ctl::kSongSelectList),
                             selectTemplate(tmpl::kProjectDelete, "Project Delete", "Select Project:",
                                            ctl::kProjectDeleteList),
                             selectTemplate(tmpl::kSongDelete, "Song Delete", "Select Song:", ctl::kSongDeleteList),
                             projectCreateTemplate(), projectPropertiesTemplate(), songCreateTemplate(),
                             songPropertiesTemplate(), drivePropertiesTemplate(), scanRemapTemplate(), recoverSongsTemplate(),
                             archiveTemplate(), songMarkersTemplate(),
                             trackSelectTemplate(), transferOptionsTemplate(), copyProgressTemplate(),
                             aboutTemplate()})
        templates.emplace(t.id, std::move(t));
    return templates;
}

}  // namespace

const DialogTemplate& dialogTemplate(int id) {
    static const std::map<int, DialogTemplate> templates = allTemplates();
    static const DialogTemplate empty{0, "", 0, 0, {}};
    const auto found = templates.find(id);
    return found != templates.end() ? found->second : empty;
}

}  // namespace deckqt
