// archive_dialog.h - Drive › Archive…: the drive's songs into a bag in a chosen folder, with progress, Stop and a summary.
#pragma once

#include <cstdint>
#include <string>

#include "drive_archive.h"
#include "form.h"

namespace deck {

class DeckView;
class TransferServices;

// Archive starts the copy (an unfinished archive of this drive in the folder is gone on with);
// Stop ends it after the current block, the bag left to resume. At the end the summary shows
// songs, files, size and gaps, and Open Folder shows the bag.
class ArchiveDialog : public DialogLogic, private vxf::transfer::ArchiveProgress,
                      private vxf::transfer::CopyProgressView {
public:
    ArchiveDialog(DeckView& view, TransferServices& services, std::string folder);

    int templateId() const override;
    void init(DialogControls& controls) override;
    void command(DialogControls& controls, int id) override;

    bool running() const { return running_; }
    const vxf::transfer::ArchiveOutcome& outcome() const { return outcome_; }

private:
    void run(DialogControls& controls);
    void showSummary(DialogControls& controls);

    // The procedure's progress: one song at a time, the meter of the whole job.
    void song(const std::string& label) override;
    void moved(const vxf::transfer::ArchiveMeter& meter) override;
    // The copy window of each song stays hidden; its Cancel is the dialog's Stop.
    void open(uint16_t) override {}
    void setFrom(const std::string&) override {}
    void setTo(const std::string&) override {}
    void setBar(uint32_t, uint32_t, uint64_t) override {}
    void setPercentText(const std::string&) override {}
    bool pollCancel() override;
    void close() override {}

    DeckView& view_;
    TransferServices& services_;
    std::string folder_;
    DialogControls* controls_ = nullptr;
    vxf::transfer::ArchiveOutcome outcome_;
    bool running_ = false;
    bool stop_ = false;
    bool done_ = false;
};

// "12.3 MB", "1.2 GB": a size as the summary shows it.
std::string sizeText(uint64_t bytes);

}  // namespace deck
