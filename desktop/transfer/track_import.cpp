// track_import.cpp - import of files into tracks: track assignment, the Import command, ImportTrack and ImportAllTracks.
#include "track_import.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "audio_error.h"
#include "audio_file.h"
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
std::optional<TransferResult> TrackImport::checkDriveSpace(uint32_t samples, TrackSpan span, const std::string& path) {
    uint32_t freeKiB = 0;
    if (context_.server.driveFreeSpace(freeKiB) != 0) return failure(serverError(), span);
    // The song grows on all its tracks.
    const uint64_t extension = samples > song_.length ? samples - song_.length : 0;
    const uint64_t neededKiB = uint64_t{song_.trackCount} * (song_.wordLength / 8) * extension / 1024;
    if (freeKiB >= neededKiB) return std::nullopt;
    const std::string text = "Not enough hard drive space.";
    return failure(span == TrackSpan::One ? path + "\r\n" + text : text, span);
}

void TrackImport::noteFile(uint16_t track, const std::string& path, bool complete) {
    outcome_.files.push_back({track, path, complete});
}

struct TrackImport::Source {
    uint16_t track;
    const ImportFile* file;
    std::unique_ptr<AudioFile> audio;
    uint32_t count = 0;
    uint16_t bytes = 0;
    uint32_t delivered = 0;
    uint32_t got = 0;  // of the block in hand
    bool ended = false;
};

TransferResult TrackImport::ImportTrack(uint16_t track, const ImportFile& file) {
    std::vector<Source> sources;
    sources.push_back({track, &file, std::make_unique<AudioFile>(context_.messages)});
    return importSources(sources, TrackSpan::One);
}

TransferResult TrackImport::ImportAllTracks(const std::array<const ImportFile*, kMaxTracks>& files) {
    std::vector<Source> sources;
    for (uint16_t track = 0; track < kMaxTracks; ++track) {
        if (files[track]) sources.push_back({track, files[track], std::make_unique<AudioFile>(context_.messages)});
    }
    if (sources.empty()) return TransferResult::Done;
    return importSources(sources, TrackSpan::All);
}

TransferResult TrackImport::importSources(std::vector<Source>& sources, TrackSpan span) {
    uint32_t longest = 0;
    for (Source& source : sources) {
        if (const std::optional<TransferResult> refused = openSource(source, span)) return *refused;
        longest = std::max(longest, source.count);
    }
    if (const std::optional<TransferResult> refused = checkDriveSpace(longest, span, sources.front().file->path)) {
        return *refused;
    }
    return transfer(importPass(sources, span, longest)).value_or(TransferResult::Stop);
}

// A file that cannot be read as it is leaves its track out: one track goes on with the next
// item, all tracks stop.
std::optional<TransferResult> TrackImport::openSource(Source& source, TrackSpan span) {
    const TransferResult leftOut = span == TrackSpan::One ? TransferResult::Failed : TransferResult::Stop;
    const std::string& path = source.file->path;
    uint32_t rate = 0;
    uint16_t bits = 0;
    const bool opened = source.file->foreign
                            ? source.audio->OpenForeignForRead(path, source.file->channel, song_.wordLength, rate,
                                                               source.count)
                            : source.audio->OpenForRead(source.file->format, path, rate, bits, source.count);
    if (source.file->foreign) bits = song_.wordLength;
    if (!opened) {
        outcome_.failed = true;
        return leftOut;
    }
    if (!serverTakes(bits)) {
        reportError(audioErrorMessage(AUDIO_ERR_UNSUPPORTED, path));
        return leftOut;
    }
    if (rate != song_.sampleRate) {
        return failure(path + "\r\nSample rate mismatch. The file is at " + std::to_string(rate) +
                           " Hz, the song at " + std::to_string(song_.sampleRate) + " Hz.",
                       span);
    }
    if (song_.writeProtected) {
        reportError("tavo VXF song is write protected.");
        return TransferResult::Stop;
    }
    source.bytes = bits / 8;
    return std::nullopt;
}

TransferPass TrackImport::importPass(std::vector<Source>& sources, TrackSpan span, uint32_t longest) {
    // One byte order for the server; every file is read in it.
    ServerCoding coding{0, isBigEndianFormat(sources.front().file->format)};
    for (const Source& source : sources) coding.bytes = std::max(coding.bytes, source.bytes);
    TransferPass pass;
    pass.tracks = static_cast<uint16_t>(sources.size());
    pass.blockTracks = span == TrackSpan::One ? 1 : song_.trackCount;
    pass.bytesPerSample = coding.bytes;
    pass.total = longest;
    nameSides(pass, span, sources.front().track, span == TrackSpan::One ? sources.front().file->path : directory_,
              false);
    pass.take = [this, &sources, span, coding, longest](const TransferBuffers& buffers, uint64_t position,
                                                         uint32_t block) {
        const uint32_t wanted = std::min(block, longest - static_cast<uint32_t>(position));
        return readFiles(sources, span, coding.bigEndian, buffers, wanted);
    };
    pass.convert = [&sources, coding](const TransferBuffers& buffers, uint32_t samples) {
        padSamples(sources, buffers, samples, coding);
    };
    pass.give = [this, &sources, span, coding](const TransferBuffers& buffers, uint64_t position, uint32_t samples) {
        return writeServer(sources, span, buffers, static_cast<uint32_t>(position), samples, coding);
    };
    pass.finish = [this, &sources](TransferResult result, uint64_t moved) { return endSources(sources, result, moved); };
    return pass;
}

BlockTaken TrackImport::readFiles(std::vector<Source>& sources, TrackSpan span, bool bigEndian,
                                  const TransferBuffers& buffers, uint32_t wanted) {
    uint32_t moved = 0;
    for (size_t i = 0; i < sources.size(); ++i) {
        Source& source = sources[i];
        // Each file is read up to its own sample count; after it, the track gets silence.
        const uint32_t own = source.ended ? 0 : std::min(wanted, source.count - source.delivered);
        size_t bytesRead = 0;
        if (own > 0 && !source.audio->ReadSamples(buffers[i], size_t{own} * source.bytes, bigEndian, false,
                                                  bytesRead)) {
            outcome_.failed = true;  // the file showed its message
            return {0, span == TrackSpan::One ? TransferResult::Failed : TransferResult::Stop};
        }
        // Only what the file delivered goes to the track: a file shorter than its header says
        // ends here instead of repeating a stale buffer.
        source.got = static_cast<uint32_t>(std::min<size_t>(bytesRead / source.bytes, own));
        source.delivered += source.got;
        source.ended = source.got < own || source.delivered >= source.count;
        moved = std::max(moved, source.got);
    }
    return {moved};
}

// Narrower files are made as wide as the widest, and a track whose file ended gets silence for
// the rest of the block.
void TrackImport::padSamples(const std::vector<Source>& sources, const TransferBuffers& buffers, uint32_t samples,
                             ServerCoding coding) {
    for (size_t i = 0; i < sources.size(); ++i) {
        const Source& source = sources[i];
        widenSamples(buffers[i], source.got, source.bytes, coding.bytes, coding.bigEndian);
        std::memset(buffers[i] + size_t{source.got} * coding.bytes, 0, size_t{samples - source.got} * coding.bytes);
    }
}

TransferResult TrackImport::writeServer(const std::vector<Source>& sources, TrackSpan span,
                                        const TransferBuffers& buffers, uint32_t position, uint32_t samples,
                                        ServerCoding coding) {
    const int32_t code =
        span == TrackSpan::One
            ? context_.server.trackWrite(sources.front().track, position, samples, coding.bytes, coding.bigEndian,
                                         buffers[0])
            : context_.server.trackWriteAll(position, samples, coding.bytes, coding.bigEndian,
                                            buffersByTrack(buffers, sources).data());
    return served(code, span);
}

TransferResult TrackImport::endSources(std::vector<Source>& sources, TransferResult result, uint64_t moved) {
    song_.length = std::max(song_.length, static_cast<uint32_t>(moved));
    for (Source& source : sources) {
        if (source.audio->isOpen()) source.audio->Close();
        noteFile(source.track, source.file->path, result == TransferResult::Done && source.delivered == source.count);
    }
    return result;
}

}  // namespace vxf::transfer
