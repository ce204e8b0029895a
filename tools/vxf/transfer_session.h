// transfer_session.h - what vxf export and import share: Ctrl+C, the transfer's context, the report and exit status.
#pragma once

#include <csignal>
#include <cstdio>
#include <string>

#include "cli.h"
#include "drive_transfer_server.h"
#include "server_exports.h"
#include "server_session.h"
#include "terminal_transfer_ui.h"
#include "transfer_procedure.h"

namespace vxf::cli {

// Status of a command stopped by Ctrl+C, as shells report an interrupt.
constexpr int kExitInterrupted = 130;

inline volatile std::sig_atomic_t& interruptFlag() {
    static volatile std::sig_atomic_t interrupted = 0;
    return interrupted;
}

// Ctrl+C only raises the flag: the transfer stops after its current block and finishes its
// files. A second Ctrl+C ends the program at once.
inline void stopOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = [](int) { interruptFlag() = 1; };
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

// Everything one transfer command talks to.
class TransferSession {
public:
    TransferSession(const server::Drive& drive, transfer::ReplacePolicy policy, const std::string& refusalHint)
        : TransferSession(drive, nullptr, policy, refusalHint) {}
    // The same over another server of the drive's tracks (a lost song's).
    TransferSession(const server::Drive& drive, transfer::TransferServer& other, transfer::ReplacePolicy policy,
                    const std::string& refusalHint)
        : TransferSession(drive, &other, policy, refusalHint) {}

    transfer::TransferContext& context() { return context_; }

    // The files done, "verb path (track K)" a line, then rate and time of all the transfers.
    void report(const transfer::TransferOutcome& outcome, const char* verb) {
        if (cli::quiet()) return;
        for (const transfer::TransferredFile& file : outcome.files) {
            std::printf("%s %s (track %u)%s\n", verb, file.path.c_str(), unsigned{file.track} + 1u,
                        file.complete ? "" : " - stopped part way");
        }
        if (outcome.files.empty()) return;
        const transfer::TransferStatistics total = questions_.total();
        std::printf("Transfer Rate: %s\nTransfer Time: %s\n", transfer::formatTransferRate(total).c_str(),
                    transfer::formatTransferTime(total).c_str());
    }

    // 130 after Ctrl+C; 1 after a failure, a refused question or a cancel; 0 otherwise.
    int exitStatus(const transfer::TransferOutcome& outcome) const {
        if (interruptFlag()) return kExitInterrupted;
        if (outcome.failed || outcome.cancelled || questions_.refused()) return kExitFailure;
        return kExitOk;
    }

private:
    TransferSession(const server::Drive& drive, transfer::TransferServer* other, transfer::ReplacePolicy policy,
                    const std::string& refusalHint)
        : exports_(drive.extendedNames()),
          server_(exports_, drive.handle()),
          messages_("vxf: "),
          questions_(policy, refusalHint),
          progress_(interruptFlag()),
          context_{other != nullptr ? *other : server_, messages_, questions_, progress_} {
        stopOnInterrupt();
    }

    transfer::ServerExports exports_;
    transfer::DriveTransferServer<transfer::ServerExports> server_;
    transfer::StderrMessageSink messages_;
    transfer::TerminalQuestions questions_;
    transfer::TerminalProgress progress_;
    transfer::TransferContext context_;
};

}  // namespace vxf::cli
