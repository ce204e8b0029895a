// track_import.cpp - import of files into tracks: track assignment, the Import command, ImportTrack and ImportAllTracks.
#include "track_import.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "audio_error.h"
#include "audio_file.h"
#include "transfer_buffers.h"
#include "transfer_paths.h"

namespace vxf::transfer {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Narrower samples made as wide as the others of an all-track import, in place: the value keeps
// its high bytes and gains zero low bytes.
void widenSamples(uint8_t* data, size_t count, unsigned fromBytes, unsigned toBytes, bool bigEndian) {
    if (fromBytes >= toBytes) return;
    const unsigned pad = toBytes - fromBytes;
    for (size_t i = count; i-- > 0;) {
        uint8_t* out = data + i * toBytes;
        std::memmove(bigEndian ? out : out + pad, data + i * fromBytes, fromBytes);
        std::memset(bigEndian ? out + fromBytes : out, 0, pad);
    }
}

// The server takes samples of 1 to 4 whole bytes; anything else (a DIG/SD header may claim any
// word length) is refused before a buffer is sized from it.
bool serverTakes(uint16_t bits) { return bits % 8 == 0 && bits >= 8 && bits <= 32; }

}  // namespace

int TrackFromFileName(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return -1;
    size_t units = dot;
    do {
        if (units == 0) return -1;
        --units;
    } while (!isDigit(name[units]));
    int number = name[units] - '0';
    if (units >= 1 && isDigit(name[units - 1])) number += 10 * (name[units - 1] - '0');
    if (units >= 2 && isDigit(name[units - 2])) return -1;
    return number - 1;
}

TrackImport::TrackImport(TransferContext& context, SongFacts& song, const std::string& directory)
    : TransferProcedure(context), song_(song), directory_(directory) {}

TransferOutcome TrackImport::run(const std::vector<ImportFile>& files) {
    directory_ = normaliseDirectory(directory_);
    if (!isExistingDirectory(directory_)) {
        reportError("Import directory is invalid.");
        return outcome_;
    }
    const uint16_t trackCount = std::min<uint16_t>(song_.trackCount, kMaxTracks);
    if (files.size() > trackCount) {
        reportError("Too many tracks selected.");
        return outcome_;
    }
    if (files.empty()) return outcome_;
    outcome_.attempted = true;
    const bool together = files.size() == kMaxTracks;
    std::array<const ImportFile*, kMaxTracks> table{};
    std::vector<bool> trackFree(trackCount, true);
    std::optional<uint16_t> lastChosen;
    for (size_t j = 0; j < files.size(); ++j) {
        const std::optional<uint16_t> track = assignTrack(files[j], trackFree, lastChosen);
        // The dialog's Cancel ends the assignment; what was settled before is still imported.
        if (!track) break;
        trackFree[*track] = false;
        table[*track] = &files[j];
        const std::optional<ReplaceAnswer> answer = askReplace(*track, files[j], j + 1 == files.size());
        if (answer == ReplaceAnswer::Cancel) {
            outcome_.cancelled = true;
            return outcome_;
        }
        if (answer == ReplaceAnswer::No) table[*track] = nullptr;
        if (!together && table[*track] && ImportTrack(*track, files[j]) == TransferResult::Stop) return outcome_;
    }
    if (together) ImportAllTracks(table);
    return outcome_;
}

std::optional<uint16_t> TrackImport::assignTrack(const ImportFile& file, const std::vector<bool>& trackFree,
                                                 std::optional<uint16_t>& lastChosen) {
    const int track = file.track ? int{*file.track} : TrackFromFileName(baseName(file.path));
    if (track >= 0 && static_cast<size_t>(track) < trackFree.size()) return static_cast<uint16_t>(track);
    const std::optional<uint16_t> chosen = context_.questions.chooseTrack(
        file.path, static_cast<uint16_t>(trackFree.size()), trackFree, lastChosen);
    if (!chosen || *chosen >= trackFree.size()) {
        outcome_.cancelled = true;
        return std::nullopt;
    }
    lastChosen = chosen;
    return chosen;
}

std::optional<ReplaceAnswer> TrackImport::askReplace(uint16_t track, const ImportFile& file, bool lastItem) {
    if (yesToAll_) return std::nullopt;
    char text[128];
    std::snprintf(text, sizeof text, "Do you want to replace tavo VXF Track %02u with\r\n%s?",
                  static_cast<unsigned>(track + 1), compactPath(file.path, kReplaceQuestionPathChars).c_str());
    const ReplaceAnswer answer = context_.questions.askReplace(text, "Confirm Track Replace", !lastItem);
    if (answer == ReplaceAnswer::YesToAll) yesToAll_ = true;
    return answer;
}

// 64 bits: a long extension of a 24-track song passes 4 GB.
std::optional<TransferResult> TrackImport::checkDriveSpace(uint32_t samples, const std::string* path) {
    uint32_t freeKiB = 0;
    if (context_.server.driveFreeSpace(freeKiB) != 0) {
        if (path) return askToGoOn(serverError());
        reportError(serverError());
        return TransferResult::Stop;
    }
    // The song grows on all its tracks.
    const uint64_t extension = samples > song_.length ? samples - song_.length : 0;
    const uint64_t neededKiB = uint64_t{song_.trackCount} * (song_.wordLength / 8) * extension / 1024;
    if (freeKiB >= neededKiB) return std::nullopt;
    if (path) return askToGoOn(*path + "\r\nNot enough hard drive space.");
    reportError("Not enough hard drive space.");
    return TransferResult::Stop;
}

void TrackImport::noteFile(uint16_t track, const std::string& path, bool complete) {
    outcome_.files.push_back({track, path, complete});
}

TransferResult TrackImport::ImportTrack(uint16_t track, const ImportFile& file) {
    AudioFile audio(context_.messages);
    uint32_t rate = 0;
    uint16_t bits = 0;
    uint32_t count = 0;
    if (!audio.OpenForRead(file.format, file.path, rate, bits, count)) {
        outcome_.failed = true;
        return TransferResult::Failed;
    }
    if (!serverTakes(bits)) {
        reportError(audioErrorMessage(AUDIO_ERR_UNSUPPORTED, file.path));
        return TransferResult::Failed;
    }
    if (rate != song_.sampleRate) return askToGoOn(file.path + "\r\nSample rate mismatch.");
    if (song_.writeProtected) {
        reportError("tavo VXF song is write protected.");
        return TransferResult::Stop;
    }
    if (std::optional<TransferResult> refused = checkDriveSpace(count, &file.path)) return *refused;
    const uint16_t bytes = bits / 8;
    const bool bigEndian = isBigEndianFormat(file.format);
    TransferBuffers buffers(transferBlock(1), bytes, 1);
    if (buffers.block() == 0) {
        reportError(kNotEnoughMemory);
        return TransferResult::Stop;
    }
    const uint32_t block = buffers.block();
    CopyProgressDialog dialog(context_.progressView);
    openCopyDialog(dialog, 1, file.path, trackLabel(track), count, block);
    TransferClock clock;
    clock.start();

    TransferResult result = TransferResult::Done;
    uint32_t written = 0;
    while (written < count) {
        const uint32_t wanted = std::min(block, count - written);
        size_t bytesRead = 0;
        if (!audio.ReadSamples(buffers[0], size_t{wanted} * bytes, bigEndian, false, bytesRead)) {
            outcome_.failed = true;  // the file showed its message
            result = TransferResult::Failed;
            break;
        }
        // Only what the file delivered goes to the track: a file shorter than its header says
        // ends here instead of repeating a stale buffer.
        const uint32_t delivered = static_cast<uint32_t>(std::min<size_t>(bytesRead / bytes, wanted));
        if (delivered == 0) break;
        if (context_.server.trackWrite(track, written, delivered, bytes, bigEndian, buffers[0]) != 0) {
            result = askToGoOn(serverError());
            break;
        }
        written += delivered;
        if (!afterBlock(dialog, delivered)) {
            result = TransferResult::Stop;
            break;
        }
    }
    song_.length = std::max(song_.length, written);
    showStatistics(clock, 1, written);
    if (audio.isOpen()) audio.Close();
    dialog.Close();
    noteFile(track, file.path, result == TransferResult::Done && written == count);
    return result;
}

TransferResult TrackImport::ImportAllTracks(const std::array<const ImportFile*, kMaxTracks>& files) {
    struct Source {
        uint16_t track;
        const ImportFile* file;
        std::unique_ptr<AudioFile> audio;
        uint32_t count = 0;
        uint16_t bytes = 0;
        uint32_t delivered = 0;
        bool ended = false;
    };
    std::vector<Source> sources;
    for (uint16_t track = 0; track < kMaxTracks; ++track) {
        if (files[track]) sources.push_back({track, files[track], std::make_unique<AudioFile>(context_.messages)});
    }
    if (sources.empty()) return TransferResult::Done;
    // One byte order for the server; every file is read in it.
    const bool bigEndian = isBigEndianFormat(sources.front().file->format);
    uint32_t longest = 0;
    uint16_t bytes = 0;
    for (Source& source : sources) {
        uint32_t rate = 0;
        uint16_t bits = 0;
        if (!source.audio->OpenForRead(source.file->format, source.file->path, rate, bits, source.count)) {
            outcome_.failed = true;
            return TransferResult::Stop;
        }
        if (!serverTakes(bits)) {
            reportError(audioErrorMessage(AUDIO_ERR_UNSUPPORTED, source.file->path));
            return TransferResult::Stop;
        }
        if (rate != song_.sampleRate) {
            reportError(source.file->path + "\r\nSample rate mismatch.");
            return TransferResult::Stop;
        }
        if (song_.writeProtected) {
            reportError("tavo VXF song is write protected.");
            return TransferResult::Stop;
        }
        source.bytes = bits / 8;
        longest = std::max(longest, source.count);
        bytes = std::max(bytes, source.bytes);
    }
    if (std::optional<TransferResult> refused = checkDriveSpace(longest, nullptr)) return *refused;
    TransferBuffers buffers(transferBlock(song_.trackCount), bytes, sources.size());
    if (buffers.block() == 0) {
        reportError(kNotEnoughMemory);
        return TransferResult::Stop;
    }
    std::string songName;
    if (context_.server.songName(songName) != 0) {
        reportError(serverError());
        return TransferResult::Stop;
    }
    const uint32_t block = buffers.block();
    std::array<const void*, kMaxTracks> table{};
    for (size_t i = 0; i < sources.size(); ++i) table[sources[i].track] = buffers[i];

    CopyProgressDialog dialog(context_.progressView);
    openCopyDialog(dialog, static_cast<uint16_t>(sources.size()), directory_, trimSpaces(songName), longest, block);
    TransferClock clock;
    clock.start();

    TransferResult result = TransferResult::Done;
    uint32_t position = 0;
    while (position < longest && result == TransferResult::Done) {
        const uint32_t wanted = std::min(block, longest - position);
        uint32_t moved = 0;
        for (size_t i = 0; i < sources.size(); ++i) {
            Source& source = sources[i];
            // Each file is read up to its own sample count; after it, the track gets silence.
            const uint32_t own = source.ended ? 0 : std::min(wanted, source.count - source.delivered);
            size_t bytesRead = 0;
            if (own > 0 && !source.audio->ReadSamples(buffers[i], size_t{own} * source.bytes, bigEndian, false,
                                                      bytesRead)) {
                outcome_.failed = true;
                result = TransferResult::Stop;
                break;
            }
            const uint32_t got = static_cast<uint32_t>(std::min<size_t>(bytesRead / source.bytes, own));
            source.delivered += got;
            source.ended = got < own || source.delivered >= source.count;
            widenSamples(buffers[i], got, source.bytes, bytes, bigEndian);
            std::memset(buffers[i] + size_t{got} * bytes, 0, size_t{wanted - got} * bytes);
            moved = std::max(moved, got);
        }
        if (result != TransferResult::Done || moved == 0) break;
        if (context_.server.trackWriteAll(position, moved, bytes, bigEndian, table.data()) != 0) {
            reportError(serverError());
            result = TransferResult::Stop;
            break;
        }
        position += moved;
        if (!afterBlock(dialog, moved)) result = TransferResult::Stop;
    }
    song_.length = std::max(song_.length, position);
    showStatistics(clock, sources.size(), position);
    for (Source& source : sources) {
        if (source.audio->isOpen()) source.audio->Close();
        noteFile(source.track, source.file->path, result == TransferResult::Done && source.delivered == source.count);
    }
    dialog.Close();
    return result;
}

}  // namespace vxf::transfer
