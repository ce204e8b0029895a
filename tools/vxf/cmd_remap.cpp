// cmd_remap.cpp - vxf remap: the surface test of a drive, narrowing failed stretches down to single bad sectors.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "progress_line.h"
#include "server_session.h"
#include "transfer_session.h"

namespace {

using namespace vxf::cli;

constexpr uint32_t kChunk = 4096;
constexpr uint32_t kSubChunk = 1024;

// Unreadable sectors next to each other, as one stretch.
struct BadRange {
    uint32_t first = 0;
    uint32_t last = 0;
    uint32_t rewritten = 0;  // of its sectors, rewritten with zeros by --fix
};

std::string rangeText(const BadRange& r) {
    std::string text = std::to_string(r.first);
    if (r.last != r.first) text += "-" + std::to_string(r.last);
    const uint32_t sectors = r.last - r.first + 1;
    if (r.rewritten == sectors) text += " (rewritten)";
    else if (r.rewritten != 0) text += " (" + std::to_string(r.rewritten) + " rewritten)";
    return text;
}

class SurfaceTest {
public:
    SurfaceTest(const vxf::server::Drive& drive, bool fix) : drive_(drive), fix_(fix) {}

    // Tests [first, first + count) as the desktop's scan does: 4096-sector
    // chunks; a chunk that fails is tried again in stretches of 1024, and a
    // stretch that fails sector by sector. Only single sectors are counted.
    // Ctrl+C stops after the chunk under way; `tested` says how far it got.
    void run(uint32_t first, uint32_t count) {
        vxf::transfer::ProgressLine bar(count, vxf::transfer::ProgressUnit::Sectors);
        while (tested_ < count && !interruptFlag()) {
            const uint32_t start = uint32_t(first + tested_);
            const uint32_t length = uint32_t(std::min<uint64_t>(count - tested_, kChunk));
            if (remap(start, length) != 0) narrowDown(start, length);
            tested_ += length;
            bar.show(tested_, std::to_string(bad_) + " bad");
        }
        bar.finish(tested_, std::to_string(bad_) + " bad");
    }

    uint64_t tested() const { return tested_; }
    const std::vector<BadRange>& ranges() const { return ranges_; }
    uint32_t bad() const { return bad_; }
    uint32_t rewritten() const { return rewritten_; }
    bool callsFailed() const { return callsFailed_; }

private:
    void narrowDown(uint32_t base, uint32_t remaining) {
        while (remaining > 0) {
            const uint32_t length = std::min(remaining, kSubChunk);
            if (remap(base, length) != 0) {
                for (uint32_t t = 0; t < length; ++t) countSector(base + t);
            }
            remaining -= length;
            base += length;
        }
    }

    void countSector(uint32_t lba) {
        uint16_t rewritten = 0;
        const uint16_t failed = remap(lba, 1, &rewritten);
        if (failed == 0) return;
        bad_ += failed;
        rewritten_ += rewritten;
        if (ranges_.empty() || ranges_.back().last + 1 != lba) ranges_.push_back({lba, lba, 0});
        ranges_.back().last = lba;
        ranges_.back().rewritten += rewritten != 0 ? 1 : 0;
    }

    // The failed-read count of one call; a failing call shows the server's
    // sentence and the counts it returned stand, as in the desktop's scan.
    uint16_t remap(uint32_t lba, uint32_t count, uint16_t* rewrittenOut = nullptr) {
        uint16_t failed = 0;
        uint16_t rewritten = 0;
        if (tavovxfDriveRemap(drive_.handle(), lba, uint16_t(count), fix_ ? 1 : 0, &failed, &rewritten) != VXF_OK) {
            vxf::server::failWith(drive_.label() + ", sector " + std::to_string(lba));
            callsFailed_ = true;
        }
        if (rewrittenOut != nullptr) *rewrittenOut = rewritten;
        return failed;
    }

    const vxf::server::Drive& drive_;
    bool fix_;
    uint64_t tested_ = 0;
    std::vector<BadRange> ranges_;
    uint32_t bad_ = 0;
    uint32_t rewritten_ = 0;
    bool callsFailed_ = false;
};

void printSummary(const vxf::server::Drive& drive, const SurfaceTest& test, uint64_t start, bool stopped) {
    std::printf("%s: %llu sector%s tested from %llu, %u bad, %u rewritten%s\n", drive.label().c_str(),
                (unsigned long long)test.tested(), test.tested() == 1 ? "" : "s", (unsigned long long)start,
                test.bad(), test.rewritten(), stopped ? "; interrupted" : "");
    if (test.ranges().empty()) return;
    std::string list;
    for (const BadRange& r : test.ranges()) list += (list.empty() ? "" : ", ") + rangeText(r);
    std::printf("bad sectors: %s\n", list.c_str());
}

void printJson(const vxf::server::Drive& drive, const SurfaceTest& test, uint64_t start, bool stopped) {
    std::printf("{\"drive\": %s, \"first\": %llu, \"tested\": %llu, \"bad\": %u, \"rewritten\": %u, "
                "\"interrupted\": %s, \"badRanges\": [",
                vxf::server::jsonString(drive.label()).c_str(), (unsigned long long)start,
                (unsigned long long)test.tested(), test.bad(), test.rewritten(), stopped ? "true" : "false");
    for (size_t i = 0; i < test.ranges().size(); ++i) {
        const BadRange& r = test.ranges()[i];
        std::printf("%s{\"first\": %u, \"last\": %u, \"rewritten\": %u}", i ? ", " : "", r.first, r.last,
                    r.rewritten);
    }
    std::printf("]}\n");
}

int runRemap(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    const std::optional<int64_t> first = args.optionalNumber("first", 0, 0xFFFFFFFFLL);
    const std::optional<int64_t> count = args.optionalNumber("count", 1, 0xFFFFFFFFLL);
    if (first.has_value() != count.has_value()) throw UsageError{"--first and --count go together"};
    vxf::server::Drive drive;
    // Only the rewrite changes the drive: a test alone works on a read-only one.
    const vxf::server::Purpose purpose = args.has("fix") ? vxf::server::Purpose::Change : vxf::server::Purpose::Read;
    if (!drive.open(number, purpose)) return kExitFailure;
    uint32_t sectors = 0;
    if (tavovxfDriveNumLBAs(drive.handle(), &sectors) != VXF_OK) return vxf::server::failWith(drive.label());
    const uint64_t start = first.value_or(0);
    const uint64_t length = count.value_or(sectors);
    if (start + length > sectors) {
        throw UsageError{"the stretch ends past the last sector of " + drive.label() + " (" + std::to_string(sectors) +
                         " sectors)"};
    }
    SurfaceTest test(drive, args.has("fix"));
    stopOnInterrupt();
    test.run(uint32_t(start), uint32_t(length));
    const bool stopped = test.tested() < length;
    if (args.has("json")) {
        printJson(drive, test, start, stopped);
    } else {
        printSummary(drive, test, start, stopped);
    }
    if (stopped) return kExitInterrupted;
    if (test.callsFailed()) return kExitFailure;
    return test.bad() > test.rewritten() ? kExitUnreadable : kExitOk;
}

const Registrar remap{Command{
    "remap",
    "--drive N [--first LBA --count C] [--fix] [--json]",
    "test every sector of drive N (or C sectors from LBA) for read failures and list the bad ones as ranges; --fix "
    "rewrites each bad sector with zeros so that the drive remaps it (its data is lost); exit status 3 when "
    "unreadable sectors remain, 130 when stopped by Ctrl+C",
    {"drive", "first", "count"},
    {"fix", "json"},
    runRemap,
}};

}  // namespace
