// terminal_transfer_ui.h - transfer questions and the copy progress on a terminal, for the command line.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "message_sink.h"
#include "transfer_ui.h"

namespace vxf::transfer {

// How the command line answers the replace questions.
enum class ReplacePolicy {
    Ask,         // asks on the terminal; refuses (Cancel) when there is none
    ReplaceAll,  // Yes to All
    KeepAll,     // No: the existing file or track is kept
};

// Answers without a window. Failures a desktop user might step over stop the command here,
// so that a script sees one clear message; a cancel after Ctrl+C is never asked about.
class TerminalQuestions : public TransferQuestions {
public:
    // `refusalHint` tells how to answer from the command line, for when nobody can be asked.
    TerminalQuestions(ReplacePolicy policy, std::string refusalHint);

    ReplaceAnswer askReplace(const std::string& text, const std::string& caption, bool offerAll) override;
    bool askOkCancel(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<uint16_t> chooseTrack(const std::string& path, uint16_t trackCount,
                                        const std::vector<bool>& trackFree,
                                        std::optional<uint16_t> lastChosen) override;
    void showStatistics(const TransferStatistics& statistics, uint64_t bytes) override;

    // A replace question came up with nobody to answer it.
    bool refused() const { return refused_; }
    // Rate and time of every transfer of the command together.
    TransferStatistics total() const;

private:
    ReplaceAnswer askOnTerminal(const std::string& text, bool offerAll);

    ReplacePolicy policy_;
    std::string refusalHint_;
    StderrMessageSink messages_{"vxf: "};
    bool refused_ = false;
    uint64_t bytes_ = 0;
    double seconds_ = 0;
};

// A one-line progress bar on stderr (percent, MB/s, from and to) when stderr is a terminal;
// nothing otherwise. Cancel is the interrupt flag the command's Ctrl+C handler sets.
class TerminalProgress : public CopyProgressView {
public:
    explicit TerminalProgress(const volatile std::sig_atomic_t& interrupted);

    void open(uint16_t tracks) override;
    void setFrom(const std::string& text) override { from_ = text; }
    void setTo(const std::string& text) override { to_ = text; }
    void setBar(uint32_t low, uint32_t high, uint64_t position) override;
    void setPercentText(const std::string&) override {}
    bool pollCancel() override { return interrupted_ != 0; }
    void close() override;

private:
    void draw(bool force);

    const volatile std::sig_atomic_t& interrupted_;
    bool visible_ = false;
    uint16_t tracks_ = 1;
    std::string from_;
    std::string to_;
    uint32_t low_ = 0;
    uint32_t high_ = 0;
    uint64_t position_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
};

}  // namespace vxf::transfer
