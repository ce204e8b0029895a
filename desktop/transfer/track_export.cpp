// track_export.cpp - export of tracks to files: the Export command, ExportTrack and ExportAllTracks.
#include "track_export.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audio_file.h"
#include "song_json.h"
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
    : TransferProcedure(context), song_(song), settings_(settings), fileMessages_(context.messages) {
    format_ = settings.format.value_or(AudioFormat::Wav);
    bigEndian_ = isBigEndianFormat(format_);
    FileContents stamp;
    stampNow(stamp);
    date_ = stamp.date;
    time_ = stamp.time;
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
    if (settings_.fileStem) {
        songName = *settings_.fileStem;
    } else if (context_.server.songName(songName) != 0) {
        reportError(serverError());
        return outcome_;
    }
    songName_ = trimSpaces(songName);
    // The track list offers the song's tracks only; anything else cannot be exported.
    std::vector<uint16_t> offered;
    for (uint16_t track : tracks) {
        if (track < std::min<size_t>(song_.trackCount, kMaxTracks)) offered.push_back(track);
    }
    if (settings_.poly) {
        exportPoly(offered, songName);
    } else if (offered.size() <= 2) {
        exportOneByOne(offered, songName);
    } else {
        exportTogether(offered, songName);
    }
    writeSongJson();
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
    writeFailed_ = true;  // the file showed its message and is closed
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

struct TrackExport::Target {
    uint16_t track;
    std::string path;
    std::unique_ptr<AudioFile> file;  // null until opened
};

TransferResult TrackExport::ExportTrack(uint16_t track, const std::string& path) {
    std::vector<Target> targets;
    targets.push_back({track, path, nullptr});
    return exportTargets(targets, TrackSpan::One);
}

TransferResult TrackExport::ExportAllTracks(const std::array<std::string, kMaxTracks>& paths) {
    std::vector<Target> targets;
    for (uint16_t track = 0; track < kMaxTracks; ++track) {
        if (!paths[track].empty()) targets.push_back({track, paths[track], nullptr});
    }
    return exportTargets(targets, TrackSpan::All);
}

// Every way out closes the files opened so far, so their headers match their data.
TransferResult TrackExport::exportTargets(std::vector<Target>& targets, TrackSpan span) {
    if (!openFiles(targets)) return endFiles(targets, TransferResult::Stop, 0);
    if (const std::optional<TransferResult> result = transfer(exportPass(targets, span))) return *result;
    return endFiles(targets, TransferResult::Stop, 0);
}

bool TrackExport::openFiles(std::vector<Target>& targets) {
    for (Target& target : targets) {
        auto file = std::make_unique<AudioFile>(fileMessages_);
        if (settings_.observer) file->setWriteTap(settings_.observer->tapFor(target.track));
        file->setWriteBehind(settings_.writeBehind);
        if (!file->OpenForWrite(format_, target.path, song_.sampleRate, settings_.wordLength, song_.length,
                                chunksFor(target.track))) {
            outcome_.failed = true;
            return false;
        }
        target.file = std::move(file);
    }
    return true;
}

ChunkBytes TrackExport::chunksFor(uint16_t track) const {
    if (!settings_.broadcastWave || settings_.metadata == nullptr) return {};
    if (format_ == AudioFormat::Aiff) return aiffMarkChunk(*settings_.metadata);
    if (format_ != AudioFormat::Wav) return {};
    FileContents contents{{track}, settings_.wordLength, date_, time_};
    return broadcastChunks(*settings_.metadata, contents);
}

// Beside the files of a command that wrote some; a failure to write it is the command's failure.
void TrackExport::writeSongJson() {
    if (!(settings_.broadcastWave || settings_.poly) || settings_.metadata == nullptr || outcome_.files.empty()) return;
    if (vxf::transfer::writeSongJson(directory_, *settings_.metadata)) return;
    reportError(directory_ + kSongJsonName + "\r\nFailed to write file.");
    outcome_.failed = true;
}

TransferPass TrackExport::exportPass(std::vector<Target>& targets, TrackSpan span) {
    TransferPass pass;
    pass.tracks = static_cast<uint16_t>(targets.size());
    pass.blockTracks = span == TrackSpan::One ? 1 : song_.trackCount;
    pass.bytesPerSample = kServerBytesPerSample;
    pass.total = song_.length;
    nameSides(pass, span, targets.front().track, span == TrackSpan::One ? targets.front().path : directory_, true);
    pass.take = [this, &targets, span](const TransferBuffers& buffers, uint64_t position, uint32_t block) {
        const BlockTaken taken = readServer(targets, span, buffers, static_cast<uint32_t>(position), block);
        // Told on the caller's thread, as it was read: the files are written on another.
        if (settings_.observer && taken.end == TransferResult::Done) {
            for (size_t i = 0; i < targets.size(); ++i) {
                settings_.observer->samples(targets[i].track, buffers[i], taken.samples, bigEndian_);
            }
        }
        return taken;
    };
    pass.give = [this, &targets](const TransferBuffers& buffers, uint64_t, uint32_t samples) {
        return writeFiles(targets, buffers, samples);
    };
    pass.finish = [this, &targets](TransferResult result, uint64_t moved) {
        if (writeFailed_) outcome_.failed = true;
        return endFiles(targets, result, moved);
    };
    pass.giveMessages = &fileMessages_;
    return pass;
}

BlockTaken TrackExport::readServer(const std::vector<Target>& targets, TrackSpan span, const TransferBuffers& buffers,
                                   uint32_t position, uint32_t block) {
    uint32_t read = 0;
    const int32_t code =
        span == TrackSpan::One
            ? context_.server.trackRead(targets.front().track, position, block, read, kServerBytesPerSample,
                                        bigEndian_, buffers[0])
            : context_.server.trackReadAll(position, block, read, kServerBytesPerSample, bigEndian_,
                                           buffersByTrack(buffers, targets).data());
    if (code == kServerDiskRead && settings_.salvage) return salvageServer(targets, span, buffers, position, block);
    // A song whose audio ends before its length gives what there is; the file's header is
    // finished from the samples written.
    return {std::min(read, block), served(code, span)};
}

// Only a block the drive refused is read this way: the rest of the export keeps its speed.
BlockTaken TrackExport::salvageServer(const std::vector<Target>& targets, TrackSpan span,
                                      const TransferBuffers& buffers, uint32_t position, uint32_t block) {
    uint32_t samples = block;
    std::vector<SilentSpan> silent;
    for (size_t i = 0; i < targets.size(); ++i) {
        uint32_t read = 0;
        const int32_t code = context_.server.trackReadSalvage(targets[i].track, position, block, read,
                                                              kServerBytesPerSample, bigEndian_, buffers[i], silent);
        if (code != 0) return {0, served(code, span)};
        samples = std::min(samples, read);
        for (const SilentSpan& s : silent) {
            outcome_.gaps.push_back({songName_, targets[i].track, song_.sampleRate, s.first, s.last});
        }
    }
    return {samples, TransferResult::Done};
}

TransferResult TrackExport::writeFiles(std::vector<Target>& targets, const TransferBuffers& buffers, uint32_t samples) {
    for (size_t i = 0; i < targets.size(); ++i) {
        if (!writeBlock(*targets[i].file, buffers[i], samples)) return TransferResult::Stop;
    }
    return TransferResult::Done;
}

TransferResult TrackExport::endFiles(std::vector<Target>& targets, TransferResult result, uint64_t moved) {
    const bool done = result == TransferResult::Done;
    for (Target& target : targets) {
        if (target.file && !endFile(*target.file, target.track, done, moved >= song_.length)) {
            result = TransferResult::Stop;
        }
    }
    return result;
}

}  // namespace vxf::transfer
