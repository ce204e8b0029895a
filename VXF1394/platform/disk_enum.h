// disk_enum.h - the disk enumeration file: where it lives, its values, and the recorder drives it names.
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

// A recorder drive: "SBP2\" PATH ["|vendor=V"] ["|product=P"].
constexpr std::string_view kRecorderPrefix = "SBP2";
constexpr std::string_view kDrivePrefix = "SBP2\\";
constexpr size_t kVendorChars = 8;
constexpr size_t kProductChars = 16;
constexpr std::string_view kDefaultVendor = "DISKIMG";

struct DriveEntry {
    std::string path;
    std::string vendor;   // empty: the default
    std::string product;  // empty: the default
};

std::optional<DriveEntry> parseDriveEntry(std::string_view data);
std::string formatDriveEntry(const DriveEntry& entry);

// What a drive answers to identify: the named vendor or "DISKIMG", the named
// product or the backing file's stem, cut to the field widths.
std::string vendorOf(const DriveEntry& entry);
std::string productOf(const DriveEntry& entry);

// Vendor and product texts a user may give: printable, no '|', within the width.
bool isValidIdentText(std::string_view text, size_t maxChars);

}  // namespace vxf1394::diskenum
