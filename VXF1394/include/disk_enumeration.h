// disk_enumeration.h - the disk enumeration file (where it lives, its values, the recorder drives it names, adding
// and removing them) and the recorder drive a device index names now. The tools and the server use the drive
// layer's own reading of the file, so they never disagree with it about which drive is which.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxf1394::diskenum {

// Values of the enumeration: "Count" and "0", "1", ... one per disk.
struct Value {
    std::string name;
    std::string data;
};

enum class ReadStatus {
    ok,       // the file was read (it may hold no values)
    missing,  // no file: an empty enumeration
    failed,   // the file exists but cannot be read, or is not a plain file of sane size
};

struct Enumeration {
    ReadStatus status = ReadStatus::missing;
    int error = 0;  // errno of a failed read
    std::vector<Value> values;
};

// Largest enumeration file read; anything bigger is refused as damaged.
constexpr size_t kMaxFileBytes = 1u << 20;

// $VXF_DISK_ENUM, else $XDG_CONFIG_HOME/vxfdeck/disks, else ~/.config/vxfdeck/disks.
// Looked up afresh on every call; empty when no home folder is known.
std::string enumerationFilePath();
// Whether `path` is the one enumerationFilePath() tells, asked without making a string.
bool isEnumerationFilePath(std::string_view path);

// Reads the file afresh. Lines are NAME=DATA; lines without '=' are ignored.
Enumeration readEnumeration(const std::string& path);
// The file's text as it stands (empty when missing); error is errno on failure.
ReadStatus readEnumerationText(const std::string& path, std::string& text, int& error);
Enumeration parseEnumeration(std::string_view text);

// Value names compare without regard to case; the first of equal names counts.
bool sameValueName(std::string_view a, std::string_view b);
const Value* findValue(const std::vector<Value>& values, std::string_view name);

// "Count" as a whole decimal number that fits 32 bits.
std::optional<uint32_t> parseCount(std::string_view data);

// A recorder drive: "SBP2\" PATH ["|vendor=V"] ["|product=P"] ["|readonly"].
constexpr std::string_view kRecorderPrefix = "SBP2";
constexpr std::string_view kDrivePrefix = "SBP2\\";
constexpr size_t kVendorChars = 8;
constexpr size_t kProductChars = 16;
constexpr std::string_view kDefaultVendor = "DISKIMG";

struct DriveEntry {
    std::string path;     // empty only for a drive without a backing file (see recorderDriveAt)
    std::string vendor;   // empty: the default
    std::string product;  // empty: the default
    bool readOnly = false;  // attached read-only: the drive layer refuses every write to it
};

std::optional<DriveEntry> parseDriveEntry(std::string_view data);
constexpr std::string_view kReadOnlyAttribute = "readonly";
std::string formatDriveEntry(const DriveEntry& entry);

// What a drive answers to identify: the named vendor or "DISKIMG", the named
// product or the backing file's stem, cut to the field widths.
std::string vendorOf(const DriveEntry& entry);
std::string productOf(const DriveEntry& entry);

// Whether the drive takes no write: attached read-only, or its image or device is one this process may not
// open for writing. A memory drive (no path) is writable unless attached read-only.
bool isReadOnly(const DriveEntry& entry);

// Vendor and product texts a user may give: printable, no '|', within the width.
bool isValidIdentText(std::string_view text, size_t maxChars);

// The recorder drive at a device index (the low byte of a drive id) as the
// drive layer sees it now: the file's value of that number, or the machine's
// disk listed there; none when there is no recorder drive at the index.
// A drive that lives in the drive layer's memory (a test's) has an empty
// path: there is no file behind it for another program to share or lock.
std::optional<DriveEntry> recorderDriveAt(uint32_t deviceIndex);

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
