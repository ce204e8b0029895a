// cmd_tracks.cpp - vxf tracks: each track of a song with its peak and RMS level and whether it is silent.
#include <cstdio>
#include <string>

#include "cli.h"
#include "overview_session.h"

namespace {

using namespace vxf::cli;
using vxf::transfer::SongOverview;
using vxf::transfer::TrackOverview;

void printLines(const SongOverview& overview) {
    for (const TrackOverview& track : overview.tracks) {
        if (track.silent) {
            std::printf("%s  \u2014 silent\n", trackLabel(track.track).c_str());
        } else {
            std::printf("%s  peak %6.1f dBFS  RMS %6.1f dBFS\n", trackLabel(track.track).c_str(), track.peakDbfs,
                        track.rmsDbfs);
        }
    }
}

// A silent track's levels are null: there is no level in dB to give.
std::string level(const TrackOverview& track, double dbfs) {
    if (track.silent) return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", dbfs);
    return text;
}

void printJson(const SongOverview& overview) {
    std::printf("{\"sampleRate\": %u, \"wordLength\": %u, \"samples\": %u, \"length\": \"%s\", \"tracks\": [",
                overview.sampleRate, overview.wordLength, overview.length,
                vxf::server::timecode(overview.length, overview.sampleRate).c_str());
    for (size_t i = 0; i < overview.tracks.size(); ++i) {
        const TrackOverview& t = overview.tracks[i];
        std::printf("%s\n  {\"track\": %u, \"name\": \"%s\", \"peakDbfs\": %s, \"rmsDbfs\": %s, \"silent\": %s}",
                    i ? "," : "", t.track + 1u, trackLabel(t.track).c_str(), level(t, t.peakDbfs).c_str(),
                    level(t, t.rmsDbfs).c_str(), t.silent ? "true" : "false");
    }
    std::printf("%s]}\n", overview.tracks.empty() ? "" : "\n");
}

int runTracks(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    SongOverview overview;
    std::string label;
    // The levels need no strip: one column is the least the overview keeps.
    const int status = readSongOverview(args, 1, overview, label);
    if (status != kExitOk) return status;
    if (args.has("json")) {
        printJson(overview);
    } else {
        printLines(overview);
    }
    return kExitOk;
}

const Registrar tracks{Command{
    "tracks",
    "--drive N --project P --song S [--json]",
    "list each track of song S with its peak and RMS level in dBFS, or \"\u2014 silent\" when every sample is "
    "zero; the song is read once, all tracks together",
    {"drive", "project", "song"},
    {"json"},
    runTracks,
}};

}  // namespace
