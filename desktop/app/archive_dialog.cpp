// archive_dialog.cpp - Drive › Archive…: the drive's songs into a bag in a chosen folder, with progress, Stop and a summary.
#include "archive_dialog.h"

#include "deck_view.h"
#include "ext_message_box.h"
#include "drive_pane.h"
#include "ids.h"
#include "server_client.h"
#include "client_archive_source.h"
#include "text_format.h"
#include "transfer_adapters.h"
#include "transfer_services.h"

namespace deck {

namespace {
constexpr double kMegabyte = 1e6;
}

std::string sizeText(uint64_t bytes) {
    if (bytes >= 1000 * 1000 * 1000) return format("%.1f GB", double(bytes) / 1e9);
    return format("%.1f MB", double(bytes) / kMegabyte);
}

ArchiveDialog::ArchiveDialog(DeckView& view, TransferServices& services, std::string folder)
    : view_(view), services_(services), folder_(std::move(folder)) {}

int ArchiveDialog::templateId() const { return tmpl::kArchive; }

void ArchiveDialog::init(DialogControls& controls) {
    controls.setText(ctl::kArchiveFolder, folder_);
    controls.enable(ctl::kArchiveStop, false);
    controls.enable(ctl::kArchiveOpenFolder, false);
}

void ArchiveDialog::command(DialogControls& controls, int id) {
    switch (id) {
    case ctl::kArchiveStart:
        if (!running_ && !done_) run(controls);
        break;
    case ctl::kArchiveStop: stop_ = true; break;
    case ctl::kArchiveOpenFolder:
        if (!services_.openFolder(folder_)) view_.form().messageBox("The folder cannot be shown.", kAppTitle, mb::kIconStop);
        break;
    case kIdOk:
    case kIdCancel:  // Close while the copy runs stops it first
        if (running_) {
            stop_ = true;
        } else {
            controls.endDialog(kIdOk);
        }
        break;
    default: break;
    }
}

void ArchiveDialog::run(DialogControls& controls) {
    HeldDrive held(view_.server(), view_.drives().handle(), ServerClient::HoldPurpose::Read);
    if (!held.held()) {
        view_.showServerError();
        return;
    }
    controls_ = &controls;
    running_ = true;
    stop_ = false;
    controls.enable(ctl::kArchiveStart, false);
    controls.enable(ctl::kArchiveStop, true);
    controls.setText(ctl::kArchiveSummary, "");
    {
        ClientArchiveSource source(view_.server(), view_.drives().handle());
        ClientTransferServer server(view_.server(), view_.drives().handle());
        FormMessageSink messages(view_.form());
        FormTransferQuestions questions(view_.form(), services_);
        vxf::transfer::TransferContext context{server, messages, questions, *this};
        vxf::transfer::ArchiveOptions options;
        options.directory = folder_;
        options.resume = true;  // only an unfinished archive of this very drive is ever gone on with
        // The window is for getting everything off a drive that may be failing: an unreadable part of a take
        // becomes silence and the archive goes on; the gaps are in the summary and the bag's salvage report.
        options.salvage = true;
        outcome_ = vxf::transfer::DriveArchive(source, context, options, *this).run();
    }
    running_ = false;
    controls.enable(ctl::kArchiveStop, false);
    showSummary(controls);
    controls_ = nullptr;
}

void ArchiveDialog::showSummary(DialogControls& controls) {
    if (outcome_.finished) {
        done_ = true;
        controls.setText(ctl::kArchiveSummary,
                         format("Complete: %zu songs, %llu files, %s, %llu gaps.", outcome_.songs.size(),
                                static_cast<unsigned long long>(outcome_.files), sizeText(outcome_.bytes).c_str(),
                                static_cast<unsigned long long>(outcome_.gaps)));
        controls.enable(ctl::kArchiveOpenFolder, true);
        return;
    }
    controls.setText(ctl::kArchiveSummary, outcome_.stopped ? "Stopped; Archive goes on where it stopped."
                                                            : "Failed: " + outcome_.error);
    controls.enable(ctl::kArchiveStart, true);
    controls.enable(ctl::kArchiveOpenFolder, true);
    if (!outcome_.stopped) view_.form().messageBox(outcome_.error, kAppTitle, mb::kIconStop);
}

void ArchiveDialog::song(const std::string& label) {
    if (controls_) controls_->setText(ctl::kArchiveSong, label);
}

void ArchiveDialog::moved(const vxf::transfer::ArchiveMeter& meter) {
    if (!controls_) return;
    const double left = meter.secondsLeft();
    controls_->setText(ctl::kArchiveBytes, format("%s of %s", sizeText(meter.done()).c_str(),
                                                  sizeText(meter.total()).c_str()));
    controls_->setText(ctl::kArchiveRate, format("%.1f MB/s", meter.rate() / kMegabyte));
    controls_->setText(ctl::kArchiveLeft, left < 0 ? "" : vxf::transfer::clockText(left));
}

bool ArchiveDialog::pollCancel() {
    view_.form().pumpMessages();
    return stop_;
}

}  // namespace deck
