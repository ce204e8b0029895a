// cmd_export.cpp - vxf export: tracks of a song to audio files, as the desktop's Export does it.
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "audio_format_option.h"
#include "cli.h"
#include "server_exports.h"
#include "server_session.h"
#include "song_session.h"
#include "track_export.h"
#include "transfer_session.h"

namespace {

using namespace vxf::cli;
using vxf::transfer::SongFacts;

constexpr int64_t kHighestTrack = 24;

int64_t trackNumber(const std::string& text) {
    const std::optional<int64_t> number = parseNumber(text);
    if (!number || *number < 1 || *number > kHighestTrack) {
        throw UsageError{"--tracks takes 'all' or track numbers from 1 to 24 and ranges, as in 1,3,5-8"};
    }
    return *number;
}

// "all", or numbers and ranges from 1 ("1,3,5-8"); none: every track.
std::set<int64_t> parseTrackList(const std::string& text) {
    std::set<int64_t> numbers;
    if (text == "all") return numbers;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const size_t dash = item.find('-');
        const int64_t first = trackNumber(item.substr(0, dash));
        const int64_t last = dash == std::string::npos ? first : trackNumber(item.substr(dash + 1));
        if (last < first) throw UsageError{"--tracks: a range runs from the lower number to the higher"};
        for (int64_t n = first; n <= last; ++n) numbers.insert(n);
        start = comma + 1;
    }
    return numbers;
}

vxf::transfer::ReplacePolicy replacePolicy(const Args& args) {
    if (args.has("yes") && args.has("no-clobber")) throw UsageError{"give --yes or --no-clobber, not both"};
    if (args.has("yes")) return vxf::transfer::ReplacePolicy::ReplaceAll;
    if (args.has("no-clobber")) return vxf::transfer::ReplacePolicy::KeepAll;
    return vxf::transfer::ReplacePolicy::Ask;
}

// The selected tracks (0-based, ascending, as the desktop's sorted list gives them); empty
// after printing why when one is beyond the song's tracks.
std::vector<uint16_t> selectTracks(const std::set<int64_t>& numbers, const SongFacts& song, const std::string& label) {
    std::vector<uint16_t> tracks;
    if (numbers.empty()) {
        for (uint16_t track = 0; track < song.trackCount; ++track) tracks.push_back(track);
        return tracks;
    }
    for (int64_t number : numbers) {
        if (number > song.trackCount) {
            fail(label + " has " + std::to_string(song.trackCount) + " tracks; there is no track " +
                 std::to_string(number));
            return {};
        }
        tracks.push_back(static_cast<uint16_t>(number - 1));
    }
    return tracks;
}

int runExport(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments; give the directory with --out"};
    vxf::transfer::ExportSettings settings;
    settings.directory = args.required("out");
    settings.format = formatOption(args).value_or(vxf::transfer::AudioFormat::Wav);
    settings.wordLength = wordLengthOption(args);
    settings.salvage = args.has("salvage");
    const std::set<int64_t> numbers = parseTrackList(args.value("tracks").value_or("all"));
    const vxf::transfer::ReplacePolicy policy = replacePolicy(args);
    settings.broadcastWave = args.has("bwf");
    settings.poly = args.has("poly");
    if (settings.poly && *settings.format != vxf::transfer::AudioFormat::Wav) {
        throw UsageError{"--poly writes one WAV file: it goes with --format wav"};
    }
    if (settings.broadcastWave && *settings.format != vxf::transfer::AudioFormat::Wav &&
        *settings.format != vxf::transfer::AudioFormat::Aiff) {
        throw UsageError{"--bwf goes with --format wav or aiff"};
    }

    vxf::server::Drive drive;
    std::string label;
    if (!vxf::server::openSongFromArgs(drive, args, label)) return kExitFailure;
    SongFacts song;
    if (vxf::transfer::readSongFacts(drive.handle(), song) != VXF_OK) return vxf::server::failWith(label);
    const std::vector<uint16_t> tracks = selectTracks(numbers, song, label);
    if (tracks.empty()) return numbers.empty() ? fail(label + " has no tracks") : kExitFailure;
    vxf::transfer::SessionMetadata metadata;
    if (settings.broadcastWave || settings.poly) {
        if (vxf::transfer::readSessionMetadata(drive.handle(), drive.extendedNames(), metadata) != VXF_OK) {
            return vxf::server::failWith(label);
        }
        settings.metadata = &metadata;
    }

    TransferSession session(drive, policy, "add --yes to replace it or --no-clobber to keep it");
    vxf::transfer::TrackExport exporter(session.context(), song, settings);
    const vxf::transfer::TransferOutcome outcome = exporter.run(tracks);
    session.report(outcome, "wrote");
    for (const vxf::transfer::SalvageGap& gap : outcome.gaps) {
        std::printf("silent gap: %s\n", vxf::transfer::describeGap(gap).c_str());
    }
    const int status = session.exitStatus(outcome);
    return status == kExitOk && !outcome.gaps.empty() ? kExitUnreadable : status;
}

const Registrar exportTracks{Command{
    "export",
    "--drive N --project P --song S [--tracks LIST] [--format wav|aiff|sd2|dig] [--word-length 16|24] "
    "--out DIR [--bwf] [--poly] [--yes | --no-clobber] [--salvage]",
    "export tracks of song S (LIST: all, or numbers and ranges from 1 such as 1,3,5-8) to one mono file each "
    "in DIR, named [song name-]TrackNN.ext; an existing file is replaced with --yes, kept with --no-clobber, "
    "else asked about on a terminal; --bwf: Broadcast Wave files (bext, cue points and labels of the set locate "
    "points and the loop, iXML with tempo map and slip values; AIFF: a MARK chunk) and song.json beside them; "
    "--poly: the tracks interleaved in one Broadcast Wave file [song name-]Poly.wav (RF64 from 4 GiB on). "
    "--salvage reads a part of a track the drive refuses sector by sector and writes what stays unreadable as "
    "silence, listing each gap (song, track, first and last sample, time). "
    "Exit status: 0 complete, 3 complete with silent gaps (listed), 1 failed",
    {"drive", "project", "song", "tracks", "format", "word-length", "out"},
    {"yes", "no-clobber", "bwf", "poly", "salvage"},
    runExport,
}};

}  // namespace
