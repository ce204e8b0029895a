// terminal_transfer_ui.cpp - transfer questions and the copy progress on a terminal, for the command line.
#include "terminal_transfer_ui.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "progress_line.h"
#include "transfer_paths.h"

namespace vxf::transfer {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int64_t kNanosecondsPerSecond = 1000000000;

bool onTerminal() { return ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO); }

// The question's lines joined into one.
std::string oneLine(const std::string& text) {
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            line += ' ';
            ++i;
        } else {
            line += text[i];
        }
    }
    return line;
}

}  // namespace

TerminalQuestions::TerminalQuestions(ReplacePolicy policy, std::string refusalHint)
    : policy_(policy), refusalHint_(std::move(refusalHint)) {}

ReplaceAnswer TerminalQuestions::askReplace(const std::string& text, const std::string&, bool offerAll) {
    switch (policy_) {
        case ReplacePolicy::ReplaceAll: return ReplaceAnswer::YesToAll;
        case ReplacePolicy::KeepAll: return ReplaceAnswer::No;
        case ReplacePolicy::Ask: break;
    }
    if (onTerminal()) return askOnTerminal(text, offerAll);
    refused_ = true;
    std::fprintf(stderr, "vxf: %s No terminal to answer on: %s\n", oneLine(text).c_str(), refusalHint_.c_str());
    return ReplaceAnswer::Cancel;
}

ReplaceAnswer TerminalQuestions::askOnTerminal(const std::string& text, bool offerAll) {
    for (;;) {
        std::fprintf(stderr, "%s %s ", oneLine(text).c_str(),
                     offerAll ? "[y]es, yes to [a]ll, [n]o, [c]ancel:" : "[y]es, [n]o:");
        std::fflush(stderr);
        char line[64];
        // End of input or Ctrl+C while waiting: nothing more is done.
        if (!std::fgets(line, sizeof line, stdin)) {
            std::fputc('\n', stderr);
            return ReplaceAnswer::Cancel;
        }
        const char answer = static_cast<char>(std::tolower(static_cast<unsigned char>(line[0])));
        if (answer == 'y') return ReplaceAnswer::Yes;
        if (answer == 'n') return ReplaceAnswer::No;
        if (offerAll && answer == 'a') return ReplaceAnswer::YesToAll;
        if (offerAll && answer == 'c') return ReplaceAnswer::Cancel;
    }
}

bool TerminalQuestions::askOkCancel(const std::string& text) {
    messages_.showError(text);
    return false;
}

bool TerminalQuestions::askYesNo(const std::string&) { return true; }

std::optional<uint16_t> TerminalQuestions::chooseTrack(const std::string&, uint16_t, const std::vector<bool>&,
                                                       std::optional<uint16_t>) {
    return std::nullopt;
}

void TerminalQuestions::showStatistics(const TransferStatistics& statistics, uint64_t bytes) {
    bytes_ += bytes;
    seconds_ += statistics.seconds;
}

TransferStatistics TerminalQuestions::total() const {
    const auto nanoseconds = static_cast<int64_t>(std::llround(seconds_ * kNanosecondsPerSecond));
    return computeTransferStatistics(bytes_, 0, nanoseconds, kNanosecondsPerSecond);
}

TerminalProgress::TerminalProgress(const volatile std::sig_atomic_t& interrupted) : interrupted_(interrupted) {}

void TerminalProgress::open(uint16_t tracks) {
    visible_ = terminalProgressAllowed() && ::isatty(STDERR_FILENO) != 0;
    tracks_ = std::max<uint16_t>(tracks, 1);
    started_ = std::chrono::steady_clock::now();
    drawn_ = {};
}

void TerminalProgress::setBar(uint32_t low, uint32_t high, uint64_t position) {
    low_ = low;
    high_ = high;
    position_ = position;
    draw(false);
}

void TerminalProgress::close() {
    if (!visible_) return;
    draw(true);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    visible_ = false;
}

void TerminalProgress::draw(bool force) {
    if (!visible_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - drawn_ < kRedrawInterval) return;
    drawn_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const uint64_t bytesPerPosition = uint64_t{3} * tracks_;
    const uint64_t done = (std::min<uint64_t>(std::max<uint64_t>(position_, low_), high_) - low_) * bytesPerPosition;
    const uint64_t total = (uint64_t{high_ >= low_ ? high_ - low_ : 0}) * bytesPerPosition;
    // The route fits the line: the destination gives way first, then the source.
    const size_t columns = terminalColumns();
    const std::string head = progressText(done, total, ProgressUnit::Bytes, seconds, {}, columns);
    const size_t room = columns > head.size() + 2 ? columns - head.size() - 2 : 0;
    const std::string from = compactPath(from_, room / 2);
    const std::string arrow = " -> ";
    const std::string route = room > from.size() + arrow.size() + 8
                                  ? "  " + from + arrow + compactPath(to_, room - from.size() - arrow.size())
                                  : "";
    std::fprintf(stderr, "\r%s%s\033[K", head.c_str(), route.c_str());
    std::fflush(stderr);
}

}  // namespace vxf::transfer
