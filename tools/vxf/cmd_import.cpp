// cmd_import.cpp - vxf import: audio files into tracks of a song, as the desktop's Import does it.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audio_format_option.h"
#include "audio_error.h"
#include "audio_file.h"
#include "cli.h"
#include "foreign_audio.h"
#include "server_session.h"
#include "song_session.h"
#include "track_import.h"
#include "transfer_session.h"

namespace {

using namespace vxf::cli;
using vxf::transfer::ImportFile;

std::string absolute(const std::string& path) {
    std::error_code error;
    const std::filesystem::path made = std::filesystem::absolute(path, error);
    return error ? path : made.lexically_normal().string();
}

// --track FILE=K, K from 1: the file's track whatever its name says. FILE is one of the files given.
std::map<std::string, uint16_t> trackOptions(const Args& args, const std::vector<std::string>& files) {
    std::map<std::string, uint16_t> tracks;
    for (const std::string& option : args.values("track")) {
        const size_t equals = option.rfind('=');
        const std::optional<int64_t> number =
            equals == std::string::npos ? std::nullopt : parseNumber(option.substr(equals + 1));
        if (!number || *number < 1 || *number > 24) throw UsageError{"--track takes FILE=K with K from 1 to 24"};
        const std::string file = absolute(option.substr(0, equals));
        bool given = false;
        for (const std::string& f : files) given = given || absolute(f) == file;
        if (!given) throw UsageError{"--track " + option + ": " + option.substr(0, equals) + " is not among the files"};
        tracks[file] = static_cast<uint16_t>(*number - 1);
    }
    return tracks;
}

// The track of every file, from --track or its name; false after naming a file whose track
// cannot be found or lies beyond the song's tracks.
bool assignTracks(std::vector<ImportFile>& files, uint16_t trackCount, const std::string& label) {
    for (ImportFile& file : files) {
        if (!file.track) {
            const int track = vxf::transfer::TrackFromFileName(std::filesystem::path(file.path).filename().string());
            if (track < 0) {
                fail(file.path + ": its name holds no track number from 1 to 99; give --track " + file.path + "=K");
                return false;
            }
            file.track = static_cast<uint16_t>(track);
        }
        if (*file.track >= trackCount) {
            fail(file.path + ": " + label + " has " + std::to_string(trackCount) + " tracks; there is no track " +
                 std::to_string(*file.track + 1));
            return false;
        }
    }
    return true;
}

// Whether our own reader takes the file as it is: a mono file of the four formats. Asked without a message.
bool ownReaderTakes(const ImportFile& file) {
    vxf::transfer::SilentSink silent;
    vxf::transfer::AudioFile audio(silent);
    uint32_t rate = 0, count = 0;
    uint16_t bits = 0;
    if (audio.OpenForRead(file.format, file.path, rate, bits, count)) return true;
    // A file that is unreadable or lies stays ours to refuse, with our message.
    return audio.lastError() != vxf::transfer::AUDIO_ERR_UNSUPPORTED &&
           audio.lastError() != vxf::transfer::AUDIO_ERR_MULTICHANNEL;
}

// The channels of a file read through libsndfile; 0 after saying why it cannot be read.
uint16_t foreignChannels(const std::string& path) {
    vxf::transfer::ForeignReader reader;
    vxf::transfer::ForeignFacts facts;
    std::string detail;
    if (reader.open(path, facts, detail) == vxf::transfer::AUDIO_OK) return facts.channels;
    fail(path + ": cannot be read as audio" + (detail.empty() ? "" : " (" + detail + ")"));
    return 0;
}

// The files to import: each given file once, or with --split once a channel. Files of other kinds, and
// files of the four formats that are not mono PCM of 8, 16 or 24 bits, are read through libsndfile.
bool collectFiles(const Args& args, const std::vector<std::string>& paths, std::vector<ImportFile>& files) {
    const std::map<std::string, uint16_t> forced = trackOptions(args, paths);
    const bool split = args.has("split");
    const std::optional<int64_t> channel = args.optionalNumber("channel", 1, 1024);
    if (split && channel) throw UsageError{"give --channel K or --split, not both"};
    for (const std::string& path : paths) {
        const bool otherKind = vxf::transfer::isForeignFileName(path) && !args.value("format");
        ImportFile file{path, otherKind ? vxf::transfer::AudioFormat::Wav : formatOfFile(args, path), std::nullopt};
        if (auto it = forced.find(absolute(path)); it != forced.end()) file.track = it->second;
        file.foreign = otherKind || split || channel || !ownReaderTakes(file);
        if (!file.foreign) {
            files.push_back(file);
            continue;
        }
        const uint16_t channels = foreignChannels(path);
        if (channels == 0) return false;
        if (channel && *channel > channels) {
            return fail(path + " has " + std::to_string(channels) + " channels; there is no channel " +
                        std::to_string(*channel)) == 0;
        }
        if (!split && !channel && channels > 1) {
            return fail(path + " has " + std::to_string(channels) +
                        " channels: give --channel K for one of them or --split for one track each") == 0;
        }
        if (!split) {
            file.channel = static_cast<uint16_t>(channel.value_or(1) - 1);
            files.push_back(file);
            continue;
        }
        // Channel k goes to the file's track + k.
        const int named = vxf::transfer::TrackFromFileName(std::filesystem::path(path).filename().string());
        if (!file.track && named < 0) {
            return fail(path + ": --split needs the first track: give --track " + path + "=K") == 0;
        }
        const uint16_t first = file.track.value_or(static_cast<uint16_t>(named));
        for (uint16_t k = 0; k < channels; ++k) {
            ImportFile part = file;
            part.channel = k;
            part.track = static_cast<uint16_t>(first + k);
            files.push_back(part);
        }
    }
    return true;
}

int runImport(const Args& args) {
    const std::vector<std::string>& paths = args.positional();
    if (paths.empty()) throw UsageError{"give the audio files to import"};
    std::vector<ImportFile> files;
    if (!collectFiles(args, paths, files)) return kExitFailure;

    vxf::server::Drive drive;
    std::string label;
    if (!vxf::server::openSongFromArgs(drive, args, label, vxf::server::Purpose::Change)) return kExitFailure;
    vxf::transfer::SongFacts song;
    if (vxf::transfer::readSongFacts(drive.handle(), song) != VXF_OK) return vxf::server::failWith(label);
    // More files than tracks is the import's own refusal; any other file without a track is refused here,
    // before anything is written.
    if (files.size() <= song.trackCount && !assignTracks(files, song.trackCount, label)) return kExitFailure;

    TransferSession session(drive,
                            args.has("yes") ? vxf::transfer::ReplacePolicy::ReplaceAll
                                            : vxf::transfer::ReplacePolicy::Ask,
                            "add --yes to replace the track");
    const std::string directory = std::filesystem::path(absolute(paths.front())).parent_path().string();
    vxf::transfer::TrackImport importer(session.context(), song, directory);
    const vxf::transfer::TransferOutcome outcome = importer.run(files);
    // Nothing counts as imported before it is on the drive.
    if (!drive.release()) return kExitFailure;
    session.report(outcome, "imported");
    return session.exitStatus(outcome);
}

const Registrar importFiles{Command{
    "import",
    "--drive N --project P --song S [--format wav|aiff|sd2|dig] FILE... [--track FILE=K ...] "
    "[--channel K | --split] [--yes]",
    "import audio files into tracks of song S: the track is the number in the file name (Track07.wav: "
    "track 7) or K of --track; the song grows as needed; 24 files go in one pass; tracks are replaced only "
    "with --yes or when answered on a terminal. Files of other kinds (FLAC, floating-point WAV, AIFF-C, W64, "
    "...) are read through libsndfile and rounded to the song's word length (halves away from zero, clipped "
    "at full scale); of a file with several channels --channel K imports channel K, --split channel k onto "
    "the file's track + k - 1",
    {"drive", "project", "song", "format", "track", "channel"},
    {"yes", "split"},
    runImport,
}};

}  // namespace
