// progress_line.cpp - the one progress line of every long command on a terminal: bar, done of the whole, rate, time left.
#include "progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace vxf::transfer {

namespace {

constexpr int kBarCells = 24;
constexpr double kBytesPerMegabyte = 1e6;
constexpr uint64_t kSectorBytes = 512;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

std::string clockText(double seconds) {
    const uint64_t whole = seconds > 0 ? static_cast<uint64_t>(seconds + 0.5) : 0;
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu", (unsigned long long)(whole / 3600),
                      (unsigned long long)(whole / 60 % 60), (unsigned long long)(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu", (unsigned long long)(whole / 60),
                      (unsigned long long)(whole % 60));
    }
    return text;
}

size_t terminalColumns() {
    struct winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

std::string progressText(uint64_t done, uint64_t total, ProgressUnit unit, double seconds, const std::string& label,
                         size_t columns, uint64_t start) {
    done = std::min(done, total);
    start = std::min(start, done);
    const int percent = total ? static_cast<int>(done * 100 / total) : 100;
    const int filled = percent * kBarCells / 100;
    const uint64_t bytesPerUnit = unit == ProgressUnit::Sectors ? kSectorBytes : 1;
    const double rate = seconds > 0 ? double(done - start) * double(bytesPerUnit) / seconds / kBytesPerMegabyte : 0;
    char amount[64];
    if (unit == ProgressUnit::Sectors) {
        std::snprintf(amount, sizeof amount, "%llu/%llu sectors", (unsigned long long)done, (unsigned long long)total);
    } else {
        std::snprintf(amount, sizeof amount, "%llu/%llu MB", (unsigned long long)(done / 1000000),
                      (unsigned long long)(total / 1000000));
    }
    std::string left = "--:-- left";
    if (rate > 0 && done < total) {
        left = clockText(double(total - done) * double(bytesPerUnit) / (rate * kBytesPerMegabyte)) + " left";
    } else if (done >= total) {
        left = clockText(seconds) + " in all";
    }
    char head[192];
    std::snprintf(head, sizeof head, "%3d%% [%s%s] %s  %.1f MB/s  %s", percent, std::string(filled, '#').c_str(),
                  std::string(kBarCells - filled, '-').c_str(), amount, rate, left.c_str());
    std::string line = head;
    if (!label.empty() && line.size() + 2 < columns) {
        const size_t room = columns - line.size() - 2;
        line += "  " + (label.size() <= room ? label : "..." + label.substr(label.size() - (room > 3 ? room - 3 : 0)));
    }
    return line;
}

namespace {
bool g_progressAllowed = true;
}

void setTerminalProgressAllowed(bool allowed) { g_progressAllowed = allowed; }
bool terminalProgressAllowed() { return g_progressAllowed; }

ProgressLine::ProgressLine(uint64_t total, ProgressUnit unit, uint64_t start)
    : total_(total), unit_(unit), start_(start), visible_(g_progressAllowed && ::isatty(STDERR_FILENO) != 0),
      began_(std::chrono::steady_clock::now()) {}

void ProgressLine::show(uint64_t done, const std::string& label) {
    if (!visible_) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < kRedrawInterval) return;
    last_ = now;
    draw(done, label);
}

void ProgressLine::finish(uint64_t done, const std::string& label) {
    if (!visible_) return;
    draw(done, label);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    drawn_ = false;
}

void ProgressLine::draw(uint64_t done, const std::string& label) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began_).count();
    const std::string text = progressText(done, total_, unit_, seconds, label, terminalColumns(), start_);
    std::fprintf(stderr, "\r%s\033[K", text.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace vxf::transfer
