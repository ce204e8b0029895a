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

// A drive is an image file or a block device; anything else is refused before it is listed.
bool isDriveStore(const std::string& path, std::string& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode)) return true;
    why = "not an image file or block device";
    return false;
}

int reportFailure(const diskenum::EditOutcome& outcome, const std::string& enumPath, const std::string& path) {
    switch (outcome.result) {
        case diskenum::EditResult::alreadyListed:
            return fail(path + " is already listed as disk " + std::to_string(outcome.index));
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
    if (!isDriveStore(path, why)) return fail(path + ": " + why);
    diskenum::EditOutcome outcome = diskenum::addDrive(enumPath, entry);
    if (outcome.result != diskenum::EditResult::done) return reportFailure(outcome, enumPath, path);
    std::printf("added %s as disk %u in %s\n", diskenum::storedDrivePath(path).c_str(), outcome.index,
                enumPath.c_str());
    return kExitOk;
}

int runDrivesRemove(const Args& args) {
    std::string path = onePath(args);
    std::string enumPath = diskenum::enumerationFilePath();
    if (enumPath.empty()) return fail("no disk enumeration file: set VXF_DISK_ENUM or HOME");
    diskenum::EditOutcome outcome = diskenum::removeDrive(enumPath, path);
    if (outcome.result != diskenum::EditResult::done) return reportFailure(outcome, enumPath, path);
    std::printf("removed %s (was disk %u) from %s\n", diskenum::storedDrivePath(path).c_str(), outcome.index,
                enumPath.c_str());
    return kExitOk;
}

const Registrar drivesAdd{Command{
    "drives add",
    "PATH [--vendor V] [--product P] [--read-only]",
    "list an image or block device as a recorder drive in the disk enumeration file; --read-only attaches it so "
    "that nothing ever writes to it (listings and exports work, every change is refused)",
    {"vendor", "product"},
    {"read-only"},
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
