// transfer_ids.h - ids of the Transfer group's controls, its dialogs and the notifications of its directory field.
#pragma once

namespace deck {

namespace tmpl {
constexpr int kTrackSelect = 154;      // "Select Track for File Import"
constexpr int kCopyProgress = 155;     // "Copying..."
constexpr int kTransferOptions = 162;  // "Transfer Options"
}  // namespace tmpl

namespace ctl {
// Transfer group of the form, beside the tab (1040), the list (1044, 1045), the action
// button (1055) and the logo (1052).
constexpr int kTransferDirectoryLabel = 1041;
constexpr int kTransferDirectory = 1042;  // editable drop-down of the recent directories
constexpr int kTransferBrowse = 1043;
constexpr int kFormatWav = 1046;
constexpr int kFormatAiff = 1047;
constexpr int kFormatSd2 = 1048;
constexpr int kFormatDigSd = 1049;
constexpr int kPreviewBox = 1050;     // "Preview" / "Playing"
constexpr int kPreviewPlay = 1051;    // the "P" button; checked shows the stop picture
constexpr int kPreviewTime = 1056;
constexpr int kTransferRateLabel = 1057;
constexpr int kTransferRate = 1058;
constexpr int kTransferTimeLabel = 1059;
constexpr int kTransferTime = 1060;
constexpr int kSelectTracksWithAudio = 1061;  // "Select tracks with audio", once the export list's overview is done

// Track selection dialog
constexpr int kTrackSelectFrom = 1142;
constexpr int kTrackSelectTo = 1143;
// Transfer Options dialog
constexpr int kOptions16Bit = 1144;
constexpr int kOptions24Bit = 1145;
constexpr int kOptionsBroadcastWave = 1150;
constexpr int kOptionsPoly = 1151;
// Copy progress window (its Cancel is kIdCancel)
constexpr int kCopyBar = 1146;
constexpr int kCopyPercent = 1147;
constexpr int kCopyFrom = 1148;
constexpr int kCopyTo = 1149;
}  // namespace ctl

// Notification codes an editable drop-down adds to its id when it reports (the id alone is a
// choice of an entry from the list).
constexpr int kNotifyEditChange = 0x10000;  // the user edited the text
constexpr int kNotifyEnter = 0x20000;       // Enter pressed in the text
constexpr int kNotifyIdMask = 0xFFFF;

}  // namespace deck
