// cmd_drives_edit.cpp - vxf drives add / remove: register or unregister a recorder drive in the disk enumeration file.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"
#include "disk_enumeration.h"

namespace {

using namespace vxf::cli;
namespace diskenum = vxf1394::diskenum;

std::string onePath(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give exactly one PATH"};
    return args.positional()[0];
}

std::string identText(const Args& args, const char* name, size_t maxChars) {
    std::string text = args.value(name).value_or("");
    if (!text.empty() && !diskenum::isValidIdentText(text, maxChars)) {
        throw UsageError{"--" + std::string(name) + " takes up to " + std::to_string(maxChars) +
                         " printable characters, without '|'"};
    }
    return text;
}

// The smallest drive a volume fits on (what the format asks for); a smaller file is no drive's image.
constexpr uint64_t kSmallestDriveSectors = 1352812 + 1152;
constexpr uint64_t kSectorBytes = 512;

// A drive is an image file or a block device; anything else is refused before it is listed. Unless
// forced, an image must also look like one: whole sectors, at least the smallest drive.
bool isDriveStore(const std::string& path, bool force, std::string& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (S_ISBLK(st.st_mode)) return true;
    if (!S_ISREG(st.st_mode)) {
        why = "not an image file or block device";
        return false;
    }
    const uint64_t bytes = static_cast<uint64_t>(st.st_size);
    if (force || (bytes % kSectorBytes == 0 && bytes / kSectorBytes >= kSmallestDriveSectors)) return true;
    why = "not a drive image (" + std::to_string(bytes) + " bytes; an image holds whole 512-byte sectors, at least " +
          std::to_string(kSmallestDriveSectors) + " of them); --force lists it all the same";
    return false;
}

int reportFailure(const diskenum::EditOutcome& outcome, const std::string& enumPath, const std::string& path) {
    switch (outcome.result) {
        case diskenum::EditResult::alreadyListed:
            return fail(path + " is already listed as drive " + std::to_string(outcome.index + 1));
        case diskenum::EditResult::notListed:
            return fail(path + " is not listed as a recorder drive in " + enumPath);
        case diskenum::EditResult::damaged:
            return fail("the disk enumeration file " + enumPath + " cannot be read: " + outcome.detail);
        case diskenum::EditResult::writeFailed:
            return fail("the disk enumeration file " + enumPath + " cannot be written: " + outcome.detail);
        case diskenum::EditResult::done:
            break;
    }
    return kExitOk;
}

int runDrivesAdd(const Args& args) {
    std::string path = onePath(args);
    diskenum::DriveEntry entry{path, identText(args, "vendor", diskenum::kVendorChars),
                               identText(args, "product", diskenum::kProductChars), args.has("read-only")};
    std::string enumPath = diskenum::enumerationFilePath();
    if (enumPath.empty()) return fail("no disk enumeration file: set VXF_DISK_ENUM or HOME");
    std::string why;
    if (!isDriveStore(path, args.has("force"), why)) return fail(path + ": " + why);
    diskenum::EditOutcome outcome = diskenum::addDrive(enumPath, entry);
    if (outcome.result != diskenum::EditResult::done) return reportFailure(outcome, enumPath, path);
    // The enumeration counts disks from 0; the commands number drives from 1.
    std::printf("added %s as drive %u in %s\n", diskenum::storedDrivePath(path).c_str(), outcome.index + 1,
                enumPath.c_str());
    return kExitOk;
}

int runDrivesRemove(const Args& args) {
    std::string path = onePath(args);
    std::string enumPath = diskenum::enumerationFilePath();
    if (enumPath.empty()) return fail("no disk enumeration file: set VXF_DISK_ENUM or HOME");
    diskenum::EditOutcome outcome = diskenum::removeDrive(enumPath, path);
    if (outcome.result != diskenum::EditResult::done) return reportFailure(outcome, enumPath, path);
    std::printf("removed %s (was drive %u) from %s\n", diskenum::storedDrivePath(path).c_str(), outcome.index + 1,
                enumPath.c_str());
    return kExitOk;
}

const Registrar drivesAdd{Command{
    "drives add",
    "PATH [--vendor V] [--product P] [--read-only] [--force]",
    "list an image or block device as a recorder drive in the disk enumeration file; --read-only attaches it so "
    "that nothing ever writes to it (listings and exports work, every change is refused); a file that is no "
    "drive image (whole sectors, at least a volume's smallest drive) is refused unless --force",
    {"vendor", "product"},
    {"read-only", "force"},
    runDrivesAdd,
}};

const Registrar drivesRemove{Command{
    "drives remove",
    "PATH",
    "take a recorder drive out of the disk enumeration file (the image itself is kept)",
    {},
    {},
    runDrivesRemove,
}};

}  // namespace
