// cmd_archive.cpp - vxf archive: every song of a drive, all tracks, into a BagIt bag with an inventory.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "archive_session.h"
#include "audio_format_option.h"
#include "cli.h"
#include "progress_line.h"
#include "drive_archive.h"
#include "drive_transfer_server.h"
#include "safe_names.h"
#include "server_session.h"
#include "terminal_transfer_ui.h"
#include "transfer_session.h"

namespace {

using namespace vxf::cli;
using vxf::transfer::SongChoice;

constexpr int64_t kHighestNumber = 65535;

int64_t listNumber(const std::string& text, const char* option) {
    const std::optional<int64_t> number = parseNumber(text);
    if (!number || *number < 1 || *number > kHighestNumber) {
        throw UsageError{std::string(option) + ": '" + text + "' is not a number from 1"};
    }
    return *number;
}

std::vector<std::string> commaList(const std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

// "all" or "P/S,P/S"; none: every song.
std::vector<SongChoice> parseSongs(const std::string& text) {
    std::vector<SongChoice> songs;
    if (text == "all") return songs;
    for (const std::string& item : commaList(text)) {
        const size_t slash = item.find('/');
        if (slash == std::string::npos) throw UsageError{"--songs takes 'all' or project/song pairs such as 1/2,1/5"};
        const SongChoice choice{uint16_t(listNumber(item.substr(0, slash), "--songs")),
                                uint16_t(listNumber(item.substr(slash + 1), "--songs"))};
        if (std::find(songs.begin(), songs.end(), choice) == songs.end()) songs.push_back(choice);
    }
    return songs;
}

// "all" or numbers "1,2".
std::vector<int64_t> parseDrives(const std::string& text) {
    std::vector<int64_t> drives;
    if (text == "all") {
        uint16_t count = 0;
        if (tavovxfDriveGetNum(&count) != VXF_OK) return drives;
        for (int64_t n = 1; n <= count; ++n) drives.push_back(n);
        return drives;
    }
    for (const std::string& item : commaList(text)) {
        const int64_t number = listNumber(item, "--drive");
        if (std::find(drives.begin(), drives.end(), number) == drives.end()) drives.push_back(number);
    }
    return drives;
}

// The copy window of each song stays hidden: the archive's own line shows the whole job.
class QuietCopyView : public vxf::transfer::CopyProgressView {
public:
    void open(uint16_t) override {}
    void setFrom(const std::string&) override {}
    void setTo(const std::string&) override {}
    void setBar(uint32_t, uint32_t, uint64_t) override {}
    void setPercentText(const std::string&) override {}
    bool pollCancel() override { return interruptFlag() != 0; }
    void close() override {}
};

// The one progress line of long commands: the whole job's bytes, rate and time left, and the song.
class TerminalArchiveLine : public vxf::transfer::ArchiveProgress {
public:
    ~TerminalArchiveLine() override {
        if (drawn_) line_.finish(done_, song_);
    }
    void song(const std::string& label) override { song_ = label; }
    void moved(const vxf::transfer::ArchiveMeter& meter) override {
        line_.setTotal(meter.total());
        done_ = meter.done();
        line_.show(done_, song_);
        drawn_ = true;
    }

private:
    vxf::transfer::ProgressLine line_{0};
    bool drawn_ = false;
    uint64_t done_ = 0;
    std::string song_;
};

struct BagRun {
    bool finished = false;
    bool stopped = false;
    uint64_t gaps = 0;
};

BagRun archiveDrive(int64_t number, vxf::transfer::ArchiveOptions options, bool inOwnFolder) {
    vxf::server::Drive drive;
    // Only reads: another program may go on reading meanwhile.
    if (!drive.open(number, vxf::server::Purpose::Read)) return {};
    // An archive never writes to the drive it copies, whatever its attachment: not even bookkeeping.
    if (!drive.keepReadOnly()) return {};
    ExportsArchiveSource source(drive);
    if (inOwnFolder) {
        vxf::transfer::DriveFacts facts;
        if (source.driveFacts(facts) != VXF_OK) {
            drive.failed(drive.label());
            return {};
        }
        options.directory += "/" + vxf::transfer::numberedFolderName(unsigned(number), facts.name);
    }
    vxf::transfer::ServerExports exports(drive.extendedNames());
    vxf::transfer::DriveTransferServer<vxf::transfer::ServerExports> server(exports, drive.handle());
    vxf::transfer::StderrMessageSink messages("vxf: ");
    vxf::transfer::TerminalQuestions questions(vxf::transfer::ReplacePolicy::ReplaceAll, "");
    QuietCopyView view;
    vxf::transfer::TransferContext context{server, messages, questions, view};
    vxf::transfer::ArchiveOutcome outcome;
    {
        TerminalArchiveLine line;  // ends its line before the result is printed
        outcome = vxf::transfer::DriveArchive(source, context, options, line).run();
    }
    if (!outcome.finished) {
        fail(drive.label() + ": " + outcome.error);
        return {false, outcome.stopped};
    }
    for (const vxf::transfer::ArchivedSong& song : outcome.songs) {
        for (const vxf::transfer::SalvageGap& gap : song.gaps) {
            std::printf("silent gap: %s\n", vxf::transfer::describeGap(gap).c_str());
        }
    }
    std::printf("archived %s (%s) into %s: %zu songs, %llu files, %llu bytes, %llu silent gaps\n",
                drive.label().c_str(), outcome.drive.name.c_str(), options.directory.c_str(), outcome.songs.size(),
                static_cast<unsigned long long>(outcome.files), static_cast<unsigned long long>(outcome.bytes),
                static_cast<unsigned long long>(outcome.gaps));
    return {true, false, outcome.gaps};
}

int runArchive(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments; give the folder with --out"};
    vxf::transfer::ArchiveOptions options;
    options.directory = args.required("out");
    options.format = formatOption(args).value_or(vxf::transfer::AudioFormat::Wav);
    options.wordLength = wordLengthOption(args);
    options.songs = parseSongs(args.value("songs").value_or("all"));
    options.resume = args.has("resume");
    options.salvage = args.has("salvage");
    const std::string driveList = args.required("drive");
    const std::vector<int64_t> drives = parseDrives(driveList);
    if (drives.empty()) return fail("there are no drives to archive");
    // Several drives, or all of them however many there are: a bag each, inside DIR.
    const bool bagEach = drives.size() > 1 || driveList == "all";
    stopOnInterrupt();
    bool allFinished = true;
    uint64_t gaps = 0;
    for (int64_t number : drives) {
        const BagRun run = archiveDrive(number, options, bagEach);
        allFinished = allFinished && run.finished;
        gaps += run.gaps;
        if (run.stopped || interruptFlag()) return kExitInterrupted;
    }
    if (!allFinished) return kExitFailure;
    return gaps > 0 ? kExitUnreadable : kExitOk;
}

const Registrar archiveDrives{Command{
    "archive",
    "--drive N|N,M|all --out DIR [--songs P/S,P/S|all] [--format wav|aiff|sd2|dig] [--word-length 16|24] "
    "[--resume] [--salvage]",
    "archive every song of drive N (or the songs listed) into a BagIt bag in DIR: one mono file a track under "
    "data/NN project/NN song/, data/inventory.json and data/inventory.txt, SHA-256 manifests; several drives go "
    "to one bag each in DIR/NN drive name; --resume goes on with a stopped archive and keeps its finished files; "
    "--salvage reads what the drive refuses sector by sector and leaves what stays unreadable silent, listed in "
    "data/salvage-report.txt. The drive is never written. "
    "Exit status 0 when every bag is complete, 3 complete with silent gaps, 1 on a failure, 130 when stopped",
    {"drive", "out", "songs", "format", "word-length"},
    {"resume", "salvage"},
    runArchive,
}};

}  // namespace
