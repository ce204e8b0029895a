// cmd_drives.cpp - vxf drives: the recorder drives that are attached, with their ids, names and sizes.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "i1394.h"
#include "platform/disk_enum.h"

namespace {

using namespace vxf::cli;

struct DriveRow {
    unsigned index = 0;
    uint32_t id = 0;
    bool answered = false;  // the drive answered identify
    std::string vendor;
    std::string product;
    uint64_t sectors = 0;   // 0 when the drive did not tell its capacity
};

void noDriveChanges() {}

std::string trimmed(const char* text) {
    std::string s(text);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

DriveRow describe(unsigned index, uint32_t id) {
    DriveRow row;
    row.index = index;
    row.id = id;
    DriveInfo info{};
    row.answered = i1394GetDriveInfo(id, &info) == I1394_OK;
    if (!row.answered) return row;
    row.vendor = trimmed(info.vendor);
    row.product = trimmed(info.product);
    row.sectors = info.capacity ? info.capacity + 1 : 0;
    return row;
}

std::string idText(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", id);
    return text;
}

std::string sizeText(uint64_t sectors) {
    if (sectors == 0) return "?";
    double bytes = static_cast<double>(sectors) * I1394_SECTOR_SIZE;
    char text[32];
    if (bytes >= 1e9) {
        std::snprintf(text, sizeof text, "%.1f GB", bytes / 1e9);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    }
    return text;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    }
    return out + "\"";
}

void printTable(const std::vector<DriveRow>& rows) {
    if (rows.empty()) {
        std::printf("no recorder drives in %s\n", vxf1394::diskenum::enumerationFilePath().c_str());
        return;
    }
    std::printf("%-6s %-11s %-9s %-17s %12s %9s\n", "INDEX", "DRIVE ID", "VENDOR", "PRODUCT", "SECTORS", "SIZE");
    for (const DriveRow& r : rows) {
        if (!r.answered) {
            std::printf("%-6u %-11s (not answering)\n", r.index, idText(r.id).c_str());
            continue;
        }
        std::printf("%-6u %-11s %-9s %-17s %12llu %9s\n", r.index, idText(r.id).c_str(), r.vendor.c_str(),
                    r.product.c_str(), static_cast<unsigned long long>(r.sectors), sizeText(r.sectors).c_str());
    }
}

void printJson(const std::vector<DriveRow>& rows) {
    std::printf("[");
    for (size_t i = 0; i < rows.size(); ++i) {
        const DriveRow& r = rows[i];
        std::printf("%s\n  {\"index\": %u, \"id\": %s, \"answered\": %s, \"vendor\": %s, \"product\": %s, "
                    "\"sectors\": %llu, \"bytes\": %llu}",
                    i ? "," : "", r.index, quoted(idText(r.id)).c_str(), r.answered ? "true" : "false",
                    quoted(r.vendor).c_str(), quoted(r.product).c_str(), static_cast<unsigned long long>(r.sectors),
                    static_cast<unsigned long long>(r.sectors * I1394_SECTOR_SIZE));
    }
    std::printf("%s]\n", rows.empty() ? "" : "\n");
}

int runDrives(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    // A watcher that fails to start does not stop a listing; only the device matters.
    if (i1394Init(noDriveChanges) == I1394_ERR_NO_DRIVER) {
        i1394Exit();
        return fail("the drive driver cannot be opened");
    }
    DriveList list{};
    if (i1394GetDriveList(&list) != I1394_OK) {
        i1394Exit();
        return fail("the disk enumeration file " + vxf1394::diskenum::enumerationFilePath() + " cannot be read");
    }
    std::vector<DriveRow> rows;
    for (unsigned i = 0; i < list.count && i < I1394_MAX_DRIVES; ++i) rows.push_back(describe(i, list.ids[i]));
    i1394Exit();
    if (args.has("json")) {
        printJson(rows);
    } else {
        printTable(rows);
    }
    return kExitOk;
}

const Registrar drives{Command{
    "drives",
    "[--json]",
    "list the recorder drives: index, drive id, vendor, product, sectors and size",
    {},
    {"json"},
    runDrives,
}};

}  // namespace
