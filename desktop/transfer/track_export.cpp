// track_export.cpp - export of tracks to files: the Export command, ExportTrack and ExportAllTracks.
#include "track_export.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audio_file.h"
#include "transfer_buffers.h"
#include "transfer_paths.h"

namespace vxf::transfer {

namespace {

// Exports always read 24-bit samples; a 16-bit file rounds them as it writes.
constexpr uint16_t kServerBytesPerSample = 3;
// Room for a file's header and finishing, on top of its samples.
constexpr uint64_t kFileOverheadBytes = 1024;

// What is at the path itself: a dangling link counts as something there.
std::filesystem::file_status statusOf(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error);
}

}  // namespace

TrackExport::TrackExport(TransferContext& context, const SongFacts& song, const ExportSettings& settings)
    : TransferProcedure(context), song_(song), settings_(settings) {
    format_ = settings.format.value_or(AudioFormat::Wav);
    bigEndian_ = isBigEndianFormat(format_);
}

TransferOutcome TrackExport::run(const std::vector<uint16_t>& tracks) {
    directory_ = normaliseDirectory(settings_.directory);
    if (!isExistingDirectory(directory_)) {
        reportError("Export directory is invalid.");
        return outcome_;
    }
    if (tracks.empty()) {
        reportError("No tracks selected.");
        return outcome_;
    }
    if (!settings_.format) {
        reportError("No file type selected");
        return outcome_;
    }
    std::string songName;
    if (context_.server.songName(songName) != 0) {
        reportError(serverError());
        return outcome_;
    }
    // The track list offers the song's tracks only; anything else cannot be exported.
    std::vector<uint16_t> offered;
    for (uint16_t track : tracks) {
        if (track < std::min<size_t>(song_.trackCount, kMaxTracks)) offered.push_back(track);
    }
    if (offered.size() <= 2) {
        exportOneByOne(offered, songName);
    } else {
        exportTogether(offered, songName);
    }
    return outcome_;
}

TrackExport::Settled TrackExport::settlePath(const std::string& path, bool lastItem) {
    const std::filesystem::file_status there = statusOf(path);
    // Writing through a link could change a file anywhere; replacing it would lose what the
    // user made. Either way it is not the export's to decide, so no answer allows it.
    if (std::filesystem::is_symlink(there)) {
        reportError(path + " is a symbolic link; it is not replaced.");
        return Settled::Skip;
    }
    if (yesToAll_ || !std::filesystem::exists(there)) return Settled::Keep;
    switch (context_.questions.askReplace(path + " already exists.\r\nDo you want to replace it?",
                                          "Confirm File Replace", !lastItem)) {
        case ReplaceAnswer::Yes: return Settled::Keep;
        case ReplaceAnswer::YesToAll: yesToAll_ = true; return Settled::Keep;
        case ReplaceAnswer::No: return Settled::Skip;
        case ReplaceAnswer::Cancel: break;
    }
    outcome_.attempted = true;
    outcome_.cancelled = true;
    return Settled::Cancel;
}

// 64 bits: 24 tracks of 30 minutes at 48 kHz pass 4 GB.
bool TrackExport::enoughSpaceFor(uint64_t tracks) {
    const uint64_t perTrack = uint64_t{song_.length} * (settings_.wordLength / 8) + kFileOverheadBytes;
    const std::optional<uint64_t> available = context_.questions.freeBytes(directory_);
    if (available && *available >= perTrack * tracks) return true;
    reportError("Not enough hard drive space available!");
    return false;
}

void TrackExport::exportOneByOne(const std::vector<uint16_t>& tracks, const std::string& songName) {
    for (size_t j = 0; j < tracks.size(); ++j) {
        const std::string path = exportPath(directory_, songName, format_, tracks[j] + 1);
        const Settled settled = settlePath(path, j + 1 == tracks.size());
        if (settled == Settled::Cancel) return;
        if (settled == Settled::Skip) continue;
        if (!enoughSpaceFor(1)) return;
        outcome_.attempted = true;
        if (ExportTrack(tracks[j], path) == TransferResult::Stop) return;
    }
}

void TrackExport::exportTogether(const std::vector<uint16_t>& tracks, const std::string& songName) {
    std::array<std::string, kMaxTracks> paths;
    for (size_t j = 0; j < tracks.size(); ++j) {
        const std::string path = exportPath(directory_, songName, format_, tracks[j] + 1);
        const Settled settled = settlePath(path, j + 1 == tracks.size());
        if (settled == Settled::Cancel) return;
        if (settled == Settled::Keep) paths[tracks[j]] = path;
    }
    // Declined tracks still count: the space is checked for every selected track.
    if (!enoughSpaceFor(tracks.size())) return;
    outcome_.attempted = true;
    if (std::any_of(paths.begin(), paths.end(), [](const std::string& p) { return !p.empty(); })) {
        ExportAllTracks(paths);
    }
}

bool TrackExport::writeBlock(AudioFile& file, uint8_t* samples, uint32_t count) {
    size_t consumed = 0;
    if (file.WriteSamples(samples, size_t{count} * kServerBytesPerSample, bigEndian_, false, consumed)) return true;
    outcome_.failed = true;  // the file showed its message and is closed
    return false;
}

bool TrackExport::closeFile(AudioFile& file, bool done) {
    if (!file.isOpen() || (done ? file.Close() : file.CloseIncomplete())) return true;
    outcome_.failed = true;
    return false;
}

// A replacement that did not take the old file's place left nothing of the export at the path,
// so it is not noted.
bool TrackExport::endFile(AudioFile& file, uint16_t track, bool done, bool whole) {
    const bool closed = closeFile(file, done);
    const bool kept = done && closed;
    if (kept || !file.replaces()) outcome_.files.push_back({track, file.path(), kept && whole});
    return closed;
}

TransferResult TrackExport::ExportTrack(uint16_t track, const std::string& path) {
    AudioFile file(context_.messages);
    if (!file.OpenForWrite(format_, path, song_.sampleRate, settings_.wordLength, song_.length)) {
        outcome_.failed = true;
        return TransferResult::Stop;
    }
    TransferBuffers buffers(transferBlock(1), kServerBytesPerSample, 1);
    if (buffers.block() == 0) {
        reportError(kNotEnoughMemory);
        endFile(file, track, false, false);
        return TransferResult::Stop;
    }
    const uint32_t block = buffers.block();
    CopyProgressDialog dialog(context_.progressView);
    openCopyDialog(dialog, 1, trackLabel(track), path, song_.length, block);
    TransferClock clock;
    clock.start();

    TransferResult result = TransferResult::Done;
    uint64_t position = 0;
    while (position < song_.length) {
        uint32_t read = 0;
        if (context_.server.trackRead(track, static_cast<uint32_t>(position), block, read, kServerBytesPerSample,
                                      bigEndian_, buffers[0]) != 0) {
            result = askToGoOn(serverError());
            break;
        }
        // A song whose audio ends before its length gives what there is; the file's header
        // is finished from the samples written.
        read = std::min(read, block);
        if (read == 0) break;
        if (!writeBlock(file, buffers[0], read)) {
            result = TransferResult::Stop;
            break;
        }
        position += read;
        if (!afterBlock(dialog, read)) {
            result = TransferResult::Stop;
            break;
        }
    }
    showStatistics(clock, 1, position);
    if (!endFile(file, track, result == TransferResult::Done, position >= song_.length)) result = TransferResult::Stop;
    dialog.Close();
    return result;
}

TransferResult TrackExport::ExportAllTracks(const std::array<std::string, kMaxTracks>& paths) {
    struct Target {
        uint16_t track;
        std::unique_ptr<AudioFile> file;
    };
    std::vector<Target> targets;
    TransferResult result = TransferResult::Done;
    uint64_t position = 0;
    // Every path out closes the files opened so far, so their headers match their data.
    auto finish = [&](TransferResult end) {
        const bool done = end == TransferResult::Done;
        for (Target& target : targets) {
            if (!endFile(*target.file, target.track, done, position >= song_.length)) end = TransferResult::Stop;
        }
        return end;
    };

    for (uint16_t track = 0; track < kMaxTracks; ++track) {
        if (paths[track].empty()) continue;
        auto file = std::make_unique<AudioFile>(context_.messages);
        if (!file->OpenForWrite(format_, paths[track], song_.sampleRate, settings_.wordLength, song_.length)) {
            outcome_.failed = true;
            return finish(TransferResult::Stop);
        }
        targets.push_back({track, std::move(file)});
    }
    TransferBuffers buffers(transferBlock(song_.trackCount), kServerBytesPerSample, targets.size());
    if (buffers.block() == 0) {
        reportError(kNotEnoughMemory);
        return finish(TransferResult::Stop);
    }
    std::string songName;
    if (context_.server.songName(songName) != 0) {
        reportError(serverError());
        return finish(TransferResult::Stop);
    }
    const uint32_t block = buffers.block();
    std::array<void*, kMaxTracks> table{};
    for (size_t i = 0; i < targets.size(); ++i) table[targets[i].track] = buffers[i];

    CopyProgressDialog dialog(context_.progressView);
    openCopyDialog(dialog, static_cast<uint16_t>(targets.size()), trimSpaces(songName), directory_, song_.length,
                   block);
    TransferClock clock;
    clock.start();

    while (position < song_.length) {
        uint32_t read = 0;
        if (context_.server.trackReadAll(static_cast<uint32_t>(position), block, read, kServerBytesPerSample,
                                         bigEndian_, table.data()) != 0) {
            reportError(serverError());
            result = TransferResult::Stop;
            break;
        }
        read = std::min(read, block);
        if (read == 0) break;
        bool written = true;
        for (size_t i = 0; i < targets.size() && written; ++i) written = writeBlock(*targets[i].file, buffers[i], read);
        if (!written) {
            result = TransferResult::Stop;
            break;
        }
        position += read;
        if (!afterBlock(dialog, read)) {
            result = TransferResult::Stop;
            break;
        }
    }
    showStatistics(clock, targets.size(), position);
    result = finish(result);
    dialog.Close();
    return result;
}

}  // namespace vxf::transfer
