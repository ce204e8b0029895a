// cmd_import.cpp - vxf import: audio files into tracks of a song, as the desktop's Import does it.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audio_format_option.h"
#include "cli.h"
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

int runImport(const Args& args) {
    const std::vector<std::string>& paths = args.positional();
    if (paths.empty()) throw UsageError{"give the audio files to import"};
    const std::map<std::string, uint16_t> forced = trackOptions(args, paths);
    std::vector<ImportFile> files;
    for (const std::string& path : paths) {
        ImportFile file{path, formatOfFile(args, path), std::nullopt};
        if (auto it = forced.find(absolute(path)); it != forced.end()) file.track = it->second;
        files.push_back(file);
    }

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
    "--drive N --project P --song S [--format wav|aiff|sd2|dig] FILE... [--track FILE=K ...] [--yes]",
    "import mono audio files into tracks of song S: the track is the number in the file name (Track07.wav: "
    "track 7) or K of --track; the song grows as needed; 24 files go in one pass; tracks are replaced only "
    "with --yes or when answered on a terminal",
    {"drive", "project", "song", "format", "track"},
    {"yes"},
    runImport,
}};

}  // namespace
