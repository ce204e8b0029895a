// cmd_drives.cpp - vxf drives: the attached recorder drives with their status, name, version, size and free space.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "drive_access_hint.h"
#include "server_session.h"
#include "tavovxf.h"

namespace {

using namespace vxf::cli;
using vxf::server::Drive;

struct DriveRow {
    int64_t number = 0;
    std::string status;  // "VXF", "Unknown Drive" or "No Drive Communication"
    std::string name;
    std::string version;
    std::optional<uint32_t> sizeKiB;
    std::optional<uint32_t> freeKiB;
    bool readOnly = false;
};

// Reports a failed call of one drive's facts and goes on with the listing.
void noteFailure(const Drive& drive, bool& complete) {
    std::fprintf(stderr, "vxf: %s: %s\n", drive.label().c_str(), vxf::server::errorMessage().c_str());
    complete = false;
}

DriveRow describe(Drive& drive, int64_t number, bool& complete) {
    DriveRow row;
    row.number = number;
    row.readOnly = drive.isReadOnly();
    uint32_t formatted = 0;
    const int32_t result = tavovxfDriveIsFormatted(drive.handle(), &formatted);
    if (result == VXF_ERR_NO_COMMUNICATION) {
        vxf::server::errorMessage();
        row.status = "No Drive Communication";
        vxf::drives::printAccessHint(number);
        return row;
    }
    if (result != VXF_OK) noteFailure(drive, complete);
    row.status = formatted ? "VXF" : "Unknown Drive";
    if (formatted) {
        char version[VXF_VERSION_SIZE] = {};
        if (tavovxfDriveGetFSVersion(drive.handle(), version) == VXF_OK) {
            row.version = version;
            row.name = vxf::server::nameOf(drive, tavovxfDriveGetName, tavovxfDriveGetExtName);
        } else {
            noteFailure(drive, complete);
        }
        uint32_t space = 0;
        if (tavovxfDriveGetFreeSpace(drive.handle(), &space) == VXF_OK) {
            row.freeKiB = space;
        } else {
            noteFailure(drive, complete);
        }
    }
    uint32_t sectors = 0;
    if (tavovxfDriveNumLBAs(drive.handle(), &sectors) == VXF_OK) {
        row.sizeKiB = sectors / 2;
    } else {
        noteFailure(drive, complete);
    }
    return row;
}

std::string numberText(const std::optional<uint32_t>& value) { return value ? std::to_string(*value) : ""; }

std::string jsonNumber(const std::optional<uint32_t>& value) { return value ? std::to_string(*value) : "null"; }

void printTable(const std::vector<DriveRow>& rows) {
    if (rows.empty()) {
        std::printf("no recorder drives attached\n");
        return;
    }
    std::printf("%-5s  %-22s  %-24s  %-7s  %12s  %12s  %s\n", "DRIVE", "STATUS", "NAME", "VERSION", "SIZE KiB",
                "FREE KiB", "ACCESS");
    for (const DriveRow& r : rows) {
        std::printf("%-5lld  %-22s  %-24s  %-7s  %12s  %12s  %s\n", static_cast<long long>(r.number), r.status.c_str(),
                    vxf::server::trimmed(r.name).c_str(), vxf::server::trimmed(r.version).c_str(),
                    numberText(r.sizeKiB).c_str(), numberText(r.freeKiB).c_str(),
                    r.readOnly ? "read-only" : "read-write");
    }
}

void printJson(const std::vector<DriveRow>& rows) {
    std::printf("[");
    for (size_t i = 0; i < rows.size(); ++i) {
        const DriveRow& r = rows[i];
        const bool vxfDrive = r.status == "VXF";
        std::printf("%s\n  {\"number\": %lld, \"status\": %s, \"name\": %s, \"version\": %s, \"sizeKiB\": %s, "
                    "\"freeKiB\": %s, \"readOnly\": %s}",
                    i ? "," : "", static_cast<long long>(r.number), vxf::server::jsonString(r.status).c_str(),
                    vxfDrive ? vxf::server::jsonString(r.name).c_str() : "null",
                    vxfDrive ? vxf::server::jsonString(r.version).c_str() : "null", jsonNumber(r.sizeKiB).c_str(),
                    jsonNumber(r.freeKiB).c_str(), r.readOnly ? "true" : "false");
    }
    std::printf("%s]\n", rows.empty() ? "" : "\n");
}

int runDrives(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    uint16_t count = 0;
    if (tavovxfDriveGetNum(&count) != VXF_OK) return vxf::server::failWith("drives cannot be counted");
    std::vector<DriveRow> rows;
    bool complete = true;
    for (int64_t number = 1; number <= count; ++number) {
        Drive drive;
        if (!drive.open(number)) return kExitFailure;
        rows.push_back(describe(drive, number, complete));
    }
    if (args.has("json")) {
        printJson(rows);
    } else {
        printTable(rows);
    }
    return complete ? kExitOk : kExitFailure;
}

const Registrar drives{Command{
    "drives",
    "[--json]",
    "list the recorder drives: number, status, name, version, size and free space in KiB, and whether they are "
    "attached read-only",
    {},
    {"json"},
    runDrives,
}};

}  // namespace
