// disk_enum_edit.h - adding and removing recorder drives in the enumeration file.
#pragma once

#include <cstdint>
#include <string>

#include "platform/disk_enum.h"

namespace vxf1394::diskenum {

enum class EditResult {
    done,
    alreadyListed,  // add: the path is a recorder drive already
    notListed,      // remove: no recorder drive has that path
    damaged,        // the file cannot be read, or its Count is not a number
    writeFailed,
};

struct EditOutcome {
    EditResult result = EditResult::done;
    uint32_t index = 0;  // the disk's value number (added, already listed or removed)
    std::string detail;  // the system's reason when reading or writing failed
};

// Both rewrite "Count" and the numbered values and keep every other disk in
// its order and every other line in place; the file is replaced atomically
// and its folder made when missing. Drive paths are compared made absolute.
EditOutcome addDrive(const std::string& enumPath, const DriveEntry& entry);
EditOutcome removeDrive(const std::string& enumPath, const std::string& drivePath);

// The same edits on the file's text, for callers that write it themselves.
struct TextEdit {
    EditOutcome outcome;
    std::string text;
};
TextEdit addDriveToText(const std::string& text, const DriveEntry& entry);
TextEdit removeDriveFromText(const std::string& text, const std::string& drivePath);

// The absolute, normalised form under which a drive path is stored.
std::string storedDrivePath(const std::string& path);

}  // namespace vxf1394::diskenum
