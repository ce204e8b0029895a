// cmd_remap.cpp - vxf remap: the surface test of a drive, narrowing failed stretches down to single bad sectors.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

constexpr uint32_t kChunk = 4096;
constexpr uint32_t kSubChunk = 1024;

// A bar on stderr, redrawn only when the whole percent changes.
class ProgressBar {
public:
    explicit ProgressBar(uint64_t total) : total_(total), shown_(::isatty(STDERR_FILENO) != 0) {}
    void show(uint64_t done) {
        if (!shown_ || total_ == 0) return;
        const int percent = int(done * 100 / total_);
        if (percent == percent_) return;
        percent_ = percent;
        const int filled = percent * 40 / 100;
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(40 - filled), ' ').c_str(), percent);
        std::fflush(stderr);
    }
    void finish() {
        if (shown_ && percent_ >= 0) std::fprintf(stderr, "\n");
    }

private:
    uint64_t total_;
    bool shown_;
    int percent_ = -1;
};

class SurfaceTest {
public:
    SurfaceTest(const vxf::server::Drive& drive, bool fix) : drive_(drive), fix_(fix) {}

    // Tests [first, first + count) as the desktop's scan does: 4096-sector
    // chunks; a chunk that fails is tried again in stretches of 1024, and a
    // stretch that fails sector by sector. Only single sectors are counted.
    void run(uint32_t first, uint32_t count) {
        ProgressBar bar(count);
        for (uint64_t done = 0; done < count;) {
            const uint32_t start = uint32_t(first + done);
            const uint32_t length = uint32_t(std::min<uint64_t>(count - done, kChunk));
            if (remap(start, length) != 0) narrowDown(start, length);
            done += length;
            bar.show(done);
        }
        bar.finish();
    }

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
        std::printf("bad sector %u%s\n", lba, rewritten != 0 ? " (rewritten)" : "");
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
    uint32_t bad_ = 0;
    uint32_t rewritten_ = 0;
    bool callsFailed_ = false;
};

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
    test.run(uint32_t(start), uint32_t(length));
    std::printf("%s: %llu sector%s tested from %llu, %u bad, %u rewritten\n", drive.label().c_str(),
                (unsigned long long)length, length == 1 ? "" : "s", (unsigned long long)start, test.bad(),
                test.rewritten());
    return test.callsFailed() ? kExitFailure : kExitOk;
}

const Registrar remap{Command{
    "remap",
    "--drive N [--first LBA --count C] [--fix]",
    "test every sector of drive N (or C sectors from LBA) for read failures; --fix rewrites each bad sector with "
    "zeros so that the drive remaps it (its data is lost)",
    {"drive", "first", "count"},
    {"fix"},
    runRemap,
}};

}  // namespace
