// progress_line.h - the one progress line of every long command on a terminal: bar, done of the whole, rate, time left.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vxf::transfer {

// What a line counts: bytes of audio, or sectors of a drive (their rate still in MB/s).
enum class ProgressUnit { Bytes, Sectors };

// "42% [##########--------------] 437/1037 MB  612.3 MB/s  0:01 left  LABEL", fitted to `columns`;
// the label gives way first. `seconds` is the time since the work began with `start` already done.
std::string progressText(uint64_t done, uint64_t total, ProgressUnit unit, double seconds, const std::string& label,
                         size_t columns, uint64_t start = 0);

// Whether progress may be drawn at all: a quiet run (vxf -q) turns it off for every line and bar.
void setTerminalProgressAllowed(bool allowed);
bool terminalProgressAllowed();

// The line on stderr, redrawn at most ten times a second, only when stderr is a terminal.
class ProgressLine {
public:
    explicit ProgressLine(uint64_t total, ProgressUnit unit = ProgressUnit::Bytes, uint64_t start = 0);

    void show(uint64_t done, const std::string& label = {});
    // Draws what was done last and ends the line.
    void finish(uint64_t done, const std::string& label = {});
    void setTotal(uint64_t total) { total_ = total; }

private:
    void draw(uint64_t done, const std::string& label);

    uint64_t total_;
    ProgressUnit unit_;
    uint64_t start_;  // done before this run began (a resumed capture): not counted in the rate
    bool visible_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point began_;
    std::chrono::steady_clock::time_point last_{};
};

// "m:ss", or "h:mm:ss" from an hour on, of whole seconds (rounded).
std::string clockText(double seconds);

// Columns of the terminal on stderr (80 when it does not say).
size_t terminalColumns();

}  // namespace vxf::transfer
