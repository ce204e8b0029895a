// transfer_ui.h - what export and import ask of the screen: questions, the copy progress window, statistics.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "transfer_statistics.h"

namespace vxf::transfer {

// Answers to the replace questions. Yes to All and Cancel are offered on every item but the last.
enum class ReplaceAnswer { Yes, YesToAll, No, Cancel };

// The questions of a transfer. The desktop answers them with its message boxes and dialogs,
// the command line from its options or the terminal. Texts use "\r\n" between lines.
class TransferQuestions {
public:
    virtual ~TransferQuestions() = default;

    // The extended message box with the exclamation icon: Yes, Yes to All, No, Cancel when
    // `offerAll`, else Yes and No. Cancel also stands for a question nobody could answer.
    virtual ReplaceAnswer askReplace(const std::string& text, const std::string& caption, bool offerAll) = 0;
    // A failure the command may step over: stop icon, OK (true: go on with the next item) or Cancel.
    virtual bool askOkCancel(const std::string& text) = 0;
    // Yes or No; true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // The track selection dialog: the k-th entry offered is the k-th track whose flag in `trackFree`
    // is set, `lastChosen` preselected when offered. Gives the 0-based track, none for Cancel.
    virtual std::optional<uint16_t> chooseTrack(const std::string& path, uint16_t trackCount,
                                                const std::vector<bool>& trackFree,
                                                std::optional<uint16_t> lastChosen) = 0;
    // Rate and time of a transfer that just ended; `bytes` is what they were computed from.
    virtual void showStatistics(const TransferStatistics& statistics, uint64_t bytes) = 0;
    // Bytes the user may still write on the volume holding `directory`; none when unknown.
    // The default asks the file system.
    virtual std::optional<uint64_t> freeBytes(const std::string& directory);
};

// The window of the copy progress dialog, drawn by the front end (see CopyProgressDialog).
class CopyProgressView {
public:
    virtual ~CopyProgressView() = default;

    // Shows the window; `tracks` is how many tracks move together in this transfer.
    virtual void open(uint16_t tracks) = 0;
    virtual void setFrom(const std::string& text) = 0;
    virtual void setTo(const std::string& text) = 0;
    virtual void setBar(uint32_t low, uint32_t high, uint64_t position) = 0;
    virtual void setPercentText(const std::string& text) = 0;
    // Lets pending input through, then tells whether Cancel was pressed since the last call.
    virtual bool pollCancel() = 0;
    virtual void close() = 0;
};

}  // namespace vxf::transfer
