// ids.h - numeric ids of the form's controls, the dialogs, the menu commands and the window messages.
#pragma once

#include <cstdint>

namespace deck {

// Window messages posted to the view.
constexpr uint32_t kMsgDrivesChanged = 2024;  // user base 1024 + 1000
constexpr uint32_t kMsgPreviewNotify = 1280;  // user base 1024 + 256

// Dialog templates.
namespace tmpl {
constexpr int kAbout = 100;
constexpr int kForm = 101;
constexpr int kProjectSelect = 143;
constexpr int kDriveSelect = 144;
constexpr int kSongSelect = 145;
constexpr int kProjectCreate = 146;
constexpr int kProjectDelete = 147;
constexpr int kProjectProperties = 148;
constexpr int kSongDelete = 150;
constexpr int kSongProperties = 151;
constexpr int kSongCreate = 153;
constexpr int kDriveProperties = 160;
constexpr int kScanRemap = 164;
constexpr int kRecoverSongs = 166;
constexpr int kArchive = 170;
constexpr int kSongMarkers = 171;
}  // namespace tmpl

// Menu and accelerator commands.
namespace cmd {
constexpr int kDriveSelect = 32771;
constexpr int kDriveFormat = 32772;
constexpr int kDriveUpgrade = 163;
constexpr int kDriveScanRemap = 165;
constexpr int kDriveRecoverSongs = 167;
constexpr int kDriveArchive = 166;
constexpr int kDriveProperties = 32773;
constexpr int kAppExit = 57665;
constexpr int kProjectSelect = 32774;
constexpr int kProjectCreate = 32775;
constexpr int kProjectDelete = 32776;
constexpr int kProjectProperties = 32777;
constexpr int kSongSelect = 32778;
constexpr int kSongCreate = 32779;
constexpr int kSongDelete = 32780;
constexpr int kSongProperties = 32781;
constexpr int kTransferOptions = 161;
constexpr int kAppAbout = 57664;
constexpr int kSelectAll = 57642;
constexpr int kExtractFileSystem = 32787;
}  // namespace cmd

// Buttons every dialog shares.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Controls of the main form (template 101).
namespace ctl {
// Drive group
constexpr int kDriveName = 1001;
constexpr int kDriveNameLabel = 1002;
constexpr int kVersionLabel = 1004;
constexpr int kProjectsLabel = 1005;
constexpr int kPreviewGroup = 1006;
constexpr int kPreviewTracks = 1007;  // "For"
constexpr int kPreviewRate = 1008;    // "At"
constexpr int kPreviewAtLabel = 1009;
constexpr int kPreviewForLabel = 1010;
constexpr int kVersion = 1011;
constexpr int kProjectCount = 1012;
constexpr int kPreviewLength = 1013;
constexpr int kPreviewLengthLabel = 1014;
constexpr int kPreviewKhzLabel = 1053;
constexpr int kPreviewTracksLabel = 1054;
// Project group
constexpr int kProjectNameLabel = 1016;
constexpr int kProjectName = 1017;
constexpr int kSongsLabel = 1018;
constexpr int kSongCount = 1019;
// Song group
constexpr int kSongNameLabel = 1021;
constexpr int kSongName = 1022;
constexpr int kSongLengthLabel = 1023;
constexpr int kSongLength = 1024;
constexpr int kTracksLabel = 1025;
constexpr int kTrackCount = 1026;
constexpr int kRateLabel = 1027;
constexpr int kSampleRate = 1028;
constexpr int kWordLengthLabel = 1029;
constexpr int kWordLength = 1030;
constexpr int kSongGroupLast = 1031;
constexpr int kWriteProtect = 1118;
constexpr int kSongMarkers = 1170;      // "Markers...": the song's locate points and tempo map
constexpr int kSongMarkersList = 1171;  // the list of the "Song Markers" dialog
// Transfer group (its pane owns these)
constexpr int kTransferTab = 1040;
constexpr int kTransferListLabel = 1044;
constexpr int kTransferList = 1045;
constexpr int kTransferAction = 1055;
constexpr int kLogo = 1052;

// Dialog controls
constexpr int kProjectSelectList = 1084;
constexpr int kDriveSelectList = 1086;
constexpr int kSongSelectList = 1088;
constexpr int kProjectCreateName = 1089;
constexpr int kProjectDeleteList = 1092;
constexpr int kProjectPropName = 1093;
constexpr int kProjectPropSongs = 1125;
constexpr int kSongDialogName = 1099;
constexpr int kSongCreateRate = 1107;
constexpr int kSongCreateTracks = 1109;
constexpr int kSongDeleteList = 1022;
constexpr int kSongPropTracks = 1127;
constexpr int kSongPropLength = 1128;
constexpr int kSongPropRate = 1129;
constexpr int kSongPropWordLength = 1130;
constexpr int kSongPropWriteProtect = 1104;
constexpr int kDrivePropModel = 1119;
constexpr int kDrivePropSize = 1120;
constexpr int kDrivePropName = 1121;
constexpr int kDrivePropVersion = 1122;
constexpr int kScanProgress = 1135;
constexpr int kScanDrive = 1136;
constexpr int kScanRemapDrive = 1137;
constexpr int kScanStop = 1138;
constexpr int kScanBad = 1139;
constexpr int kScanCleared = 1140;
constexpr int kScanPercent = 1141;
// Recover Lost Songs
constexpr int kRecoverList = 1150;
constexpr int kRecoverExport = 1151;
constexpr int kRecoverRestore = 1152;
constexpr int kRecoverPartial = 1153;
constexpr int kRecoverStatus = 1154;
// Archive
constexpr int kArchiveStart = 1160;
constexpr int kArchiveStop = 1161;
constexpr int kArchiveOpenFolder = 1162;
constexpr int kArchiveSong = 1163;
constexpr int kArchiveBytes = 1164;
constexpr int kArchiveRate = 1165;
constexpr int kArchiveLeft = 1166;
constexpr int kArchiveSummary = 1167;
constexpr int kArchiveFolder = 1168;
}  // namespace ctl

}  // namespace deck

namespace deck {

// Names the settings store and every caption derive from.
inline constexpr const char* kAppTitle = "Corvane VXF Deck";
inline constexpr const char* kCompanyName = "Corvane";
inline constexpr const char* kSettingsSection = "0.10";

}  // namespace deck
