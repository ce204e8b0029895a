// cmd_recover.cpp - vxf recover: songs a format or a delete left unreachable, listed, exported and restored.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli.h"
#include "lost_song_exports.h"
#include "server_session.h"
#include "song_session.h"
#include "track_export.h"
#include "transfer_session.h"
#include "vxf_recover.h"

namespace {

using namespace vxf::cli;
using vxf::server::jsonString;
using vxf::server::trimmed;

const char* stateText(uint32_t state) {
    if (state == VXFX_LOST_INTACT) return "intact";
    return state == VXFX_LOST_PARTLY_OVERWRITTEN ? "partly overwritten" : "damaged record";
}

// Lost songs and old projects of the drive, as the server lists them.
struct Findings {
    std::vector<VxfxLostSong> songs;
    std::vector<VxfxLostProject> projects;
};

bool survey(const vxf::server::Drive& drive, Findings& found) {
    uint32_t count = 0;
    // Every song slot can hold at most one lost song: one call with room for all of them.
    found.songs.resize(VXFX_RECOVER_MAX_SONGS);
    if (vxfxRecoverListSongs(drive.handle(), found.songs.data(), uint32_t(found.songs.size()), &count) != VXF_OK) {
        return drive.failed(drive.label());
    }
    found.songs.resize(std::min<size_t>(count, found.songs.size()));
    found.projects.resize(VXFX_RECOVER_MAX_PROJECTS);
    if (vxfxRecoverListProjects(drive.handle(), found.projects.data(), uint32_t(found.projects.size()), &count) !=
        VXF_OK) {
        return drive.failed(drive.label());
    }
    found.projects.resize(std::min<size_t>(count, found.projects.size()));
    return true;
}

std::string songName(const VxfxLostSong& song, bool extended) { return trimmed(extended ? song.extName : song.name); }
std::string oldProjectName(const VxfxLostSong& song, bool extended) {
    return trimmed(extended ? song.oldProjectExtName : song.oldProjectName);
}

double seconds(uint32_t samples, uint32_t rate) { return rate == 0 ? 0.0 : double(samples) / rate; }
double percent(uint32_t part, uint32_t whole) { return whole == 0 ? 0.0 : 100.0 * part / whole; }

// "partly overwritten: clusters 812-815 (1.20 s, 25.0 %)"; "damaged record: why".
std::string stateLine(const VxfxLostSong& s) {
    std::string line = stateText(s.state);
    char figures[64];
    if (s.state == VXFX_LOST_PARTLY_OVERWRITTEN) {
        std::snprintf(figures, sizeof figures, " (%.2f s, %.1f %%)", seconds(s.overwrittenSamples, s.sampleRate),
                      percent(s.overwrittenSamples, s.length));
        line += ": clusters " + std::string(s.detail) + figures;
    } else if (s.state == VXFX_LOST_DAMAGED) {
        line += ": " + std::string(s.detail);
    }
    if (s.repairedCopies > 0) line += " [" + std::to_string(s.repairedCopies) + " copy read from its mirror]";
    return line;
}

void printTable(const Findings& found, bool extended) {
    for (const VxfxLostProject& p : found.projects) {
        std::printf("old project in slot %u: %s, names %u song%s, %u lost\n", p.slot + 1,
                    trimmed(extended ? p.extName : p.name).c_str(), p.songs, p.songs == 1 ? "" : "s", p.lostSongs);
    }
    std::printf("%-5s  %-20s  %-6s  %-6s  %-4s  %-11s  %-24s  %s\n", "SLOT", "NAME", "TRACKS", "RATE", "BITS", "LENGTH",
                "OLD PROJECT", "STATE");
    for (const VxfxLostSong& s : found.songs) {
        const std::string project = s.oldProjectSlot == 0xFFFFFFFFu
                                        ? "-"
                                        : oldProjectName(s, extended) + " #" + std::to_string(s.oldPosition + 1);
        std::printf("%-5u  %-20s  %-6u  %-6u  %-4u  %-11s  %-24s  %s\n", s.slot, songName(s, extended).c_str(), s.tracks,
                    s.sampleRate, s.wordLength, vxf::server::timecode(s.length, s.sampleRate).c_str(), project.c_str(),
                    stateLine(s).c_str());
    }
    if (found.songs.empty()) std::printf("no lost songs\n");
}

void printJson(int64_t drive, const Findings& found, bool extended) {
    std::printf("{\"drive\": %lld, \"projects\": [", static_cast<long long>(drive));
    for (size_t i = 0; i < found.projects.size(); ++i) {
        const VxfxLostProject& p = found.projects[i];
        std::printf("%s\n  {\"slot\": %u, \"name\": %s, \"songs\": %u, \"lostSongs\": %u}", i ? "," : "", p.slot + 1,
                    jsonString(trimmed(extended ? p.extName : p.name)).c_str(), p.songs, p.lostSongs);
    }
    std::printf("%s], \"songs\": [", found.projects.empty() ? "" : "\n");
    for (size_t i = 0; i < found.songs.size(); ++i) {
        const VxfxLostSong& s = found.songs[i];
        const bool old = s.oldProjectSlot != 0xFFFFFFFFu;
        std::printf("%s\n  {\"slot\": %u, \"name\": %s, \"shortName\": %s, \"tracks\": %u, \"sampleRate\": %u, "
                    "\"wordLength\": %u, \"samples\": %u, \"oldProjectSlot\": %s, \"oldProject\": %s, "
                    "\"oldPosition\": %s, \"state\": \"%s\", \"clusters\": %u, \"overwrittenClusters\": %u, "
                    "\"overwrittenSamples\": %u, \"overwrittenSeconds\": %.3f, \"overwrittenPercent\": %.2f, "
                    "\"repairedCopies\": %u, \"detail\": %s}",
                    i ? "," : "", s.slot, jsonString(trimmed(s.extName)).c_str(), jsonString(trimmed(s.name)).c_str(),
                    s.tracks, s.sampleRate, s.wordLength, s.length,
                    old ? std::to_string(s.oldProjectSlot + 1).c_str() : "null",
                    old ? jsonString(oldProjectName(s, extended)).c_str() : "null",
                    old ? std::to_string(s.oldPosition + 1).c_str() : "null", stateText(s.state), s.clusters,
                    s.overwrittenClusters, s.overwrittenSamples, seconds(s.overwrittenSamples, s.sampleRate),
                    percent(s.overwrittenSamples, s.length), s.repairedCopies, jsonString(s.detail).c_str());
    }
    std::printf("%s]}\n", found.songs.empty() ? "" : "\n");
}

int runList(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    vxf::server::Drive drive;
    Findings found;
    if (!drive.open(number) || !survey(drive, found)) return kExitFailure;
    const bool extended = drive.extendedNames();
    if (args.has("json")) {
        printJson(number, found, extended);
    } else {
        printTable(found, extended);
    }
    return kExitOk;
}

// The songs --slot or --all name: one slot, or every lost song whose record can be used.
std::vector<VxfxLostSong> chosenSongs(const Args& args, const Findings& found) {
    const bool all = args.has("all");
    if (all == args.has("slot")) throw UsageError{"give --slot S or --all"};
    std::vector<VxfxLostSong> chosen;
    const int64_t slot = all ? -1 : args.number("slot", 0, 9800);
    for (const VxfxLostSong& s : found.songs) {
        if (all ? s.state != VXFX_LOST_DAMAGED : s.slot == uint32_t(slot)) chosen.push_back(s);
    }
    if (!all && chosen.empty()) fail("slot " + std::to_string(slot) + " holds no lost song");
    return chosen;
}

vxf::transfer::ReplacePolicy replacePolicy(const Args& args) {
    if (args.has("yes") && args.has("no-clobber")) throw UsageError{"give --yes or --no-clobber, not both"};
    if (args.has("yes")) return vxf::transfer::ReplacePolicy::ReplaceAll;
    if (args.has("no-clobber")) return vxf::transfer::ReplacePolicy::KeepAll;
    return vxf::transfer::ReplacePolicy::Ask;
}

// One lost song's tracks to `directory`, named as vxf export names them.
int exportSong(const vxf::server::Drive& drive, const VxfxLostSong& song, const std::string& directory,
               const Args& args) {
    const bool extended = drive.extendedNames();
    const std::string label = drive.label() + ", lost song in slot " + std::to_string(song.slot);
    if (song.state == VXFX_LOST_DAMAGED) return fail(label + ": damaged record (" + song.detail + ")");
    if (vxfxRecoverOpenSong(drive.handle(), song.slot) != VXF_OK) return vxf::server::failWith(label);
    if (song.state == VXFX_LOST_PARTLY_OVERWRITTEN) {
        std::printf("%s: %s; exported as silence\n", label.c_str(), stateLine(song).c_str());
    }
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    vxf::transfer::ExportSettings settings;
    settings.directory = directory;
    settings.format = vxf::transfer::AudioFormat::Wav;
    settings.wordLength = song.wordLength == 16 ? 16 : 24;
    vxf::transfer::SongFacts facts;
    facts.sampleRate = song.sampleRate;
    facts.length = song.length;
    facts.trackCount = std::min<uint16_t>(song.tracks, 24);
    facts.wordLength = song.wordLength;
    std::vector<uint16_t> tracks;
    for (uint16_t t = 0; t < facts.trackCount; ++t) tracks.push_back(t);
    if (tracks.empty()) return fail(label + " has no tracks");
    vxf::transfer::LostSongServer server(drive.handle(), extended ? song.extName : song.name);
    TransferSession session(drive, server, replacePolicy(args), "add --yes to replace it or --no-clobber to keep it");
    vxf::transfer::TrackExport exporter(session.context(), facts, settings);
    const vxf::transfer::TransferOutcome outcome = exporter.run(tracks);
    session.report(outcome, "wrote");
    return session.exitStatus(outcome);
}

int runExport(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments; give the directory with --out"};
    const std::string out = args.required("out");
    vxf::server::Drive drive;
    Findings found;
    if (!drive.open(args.number("drive", 1, 65535)) || !survey(drive, found)) return kExitFailure;
    const std::vector<VxfxLostSong> chosen = chosenSongs(args, found);
    if (chosen.empty()) return args.has("all") ? (std::printf("no lost songs to export\n"), kExitOk) : kExitFailure;
    int status = kExitOk;
    for (const VxfxLostSong& song : chosen) {
        // Songs often share a name: with --all each goes to a folder of its slot's own.
        const std::string directory = args.has("all") ? out + "/slot-" + std::to_string(song.slot) : out;
        const int result = exportSong(drive, song, directory, args);
        if (result == kExitInterrupted) return result;
        if (result != kExitOk) status = result;
    }
    return status;
}

void reportOutcome(const VxfxRestoreOutcome& o, const VxfxLostSong& song, bool extended, int& status, bool all) {
    const std::string what = "slot " + std::to_string(o.slot) + " (" + songName(song, extended) + ")";
    switch (o.result) {
        case VXFX_RESTORED: {
            std::printf("restored %s into the project in slot %u%s", what.c_str(), o.projectSlot + 1,
                        o.recreatedProject ? " (recreated with its old name)" : "");
            if (o.droppedClusters > 0) {
                std::printf("; %u overwritten cluster%s left out, length cut to %s", o.droppedClusters,
                            o.droppedClusters == 1 ? "" : "s", vxf::server::timecode(o.length, song.sampleRate).c_str());
            }
            std::printf("\n");
            return;
        }
        case VXFX_RESTORE_REFUSED_OVERWRITTEN:
            std::fprintf(stderr, "vxf: %s is %s; give --partial to restore the rest\n", what.c_str(),
                         stateLine(song).c_str());
            break;
        case VXFX_RESTORE_REFUSED_DAMAGED:
            std::fprintf(stderr, "vxf: %s: %s; not restored\n", what.c_str(), stateLine(song).c_str());
            break;
        case VXFX_RESTORE_NOT_LOST:
            std::fprintf(stderr, "vxf: slot %u holds no lost song any more\n", o.slot);
            break;
        default:
            return;
    }
    // With --all a song left out is reported, not a failure.
    if (!all) status = kExitFailure;
}

int runRestore(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const std::optional<int64_t> project = args.optionalNumber("project", 1, 99);
    vxf::server::Drive drive;
    Findings found;
    if (!drive.open(args.number("drive", 1, 65535), vxf::server::Purpose::Change) || !survey(drive, found)) {
        return kExitFailure;
    }
    std::vector<VxfxLostSong> chosen = chosenSongs(args, found);
    if (chosen.empty()) return args.has("all") ? (std::printf("no lost songs to restore\n"), kExitOk) : kExitFailure;
    std::vector<uint32_t> slots;
    for (const VxfxLostSong& s : chosen) slots.push_back(s.slot);
    std::vector<VxfxRestoreOutcome> outcomes(slots.size());
    const uint32_t flags = args.has("partial") ? VXFX_RESTORE_PARTIAL : 0u;
    const uint16_t index = project ? uint16_t(*project - 1) : uint16_t(0xFFFF);
    const int32_t code = vxfxRecoverRestore(drive.handle(), slots.data(), uint32_t(slots.size()), index, flags,
                                            outcomes.data());
    const std::string failure = code == VXF_OK ? "" : vxf::server::errorMessage();
    int status = kExitOk;
    const bool extended = drive.extendedNames();
    for (size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].result == VXFX_RESTORE_FAILED) {
            if (code != VXF_OK) return fail("restore of slot " + std::to_string(outcomes[i].slot) + ": " + failure);
            continue;
        }
        reportOutcome(outcomes[i], chosen[i], extended, status, args.has("all"));
    }
    if (code != VXF_OK) return fail(drive.label() + ": " + failure);
    return drive.release() ? status : kExitFailure;
}

const Registrar recoverList{Command{
    "recover list",
    "--drive N [--json]",
    "list the songs of drive N that no project reaches any more (after a format or a delete) with their old "
    "project and state: intact, partly overwritten (which clusters, seconds and per cent) or damaged record (why); "
    "writes nothing",
    {"drive"},
    {"json"},
    runList,
}};

const Registrar recoverExport{Command{
    "recover export",
    "--drive N (--slot S | --all) --out DIR [--yes | --no-clobber]",
    "export the tracks of the lost song in slot S (or of every lost song, each to DIR/slot-S) to WAV files in DIR "
    "as vxf export names them, overwritten parts as silence; writes nothing to the drive",
    {"drive", "slot", "out"},
    {"all", "yes", "no-clobber"},
    runExport,
}};

const Registrar recoverRestore{Command{
    "recover restore",
    "--drive N (--slot S | --all) [--project P] [--partial]",
    "make the lost song in slot S (or every lost song) reachable again: in its old project when its slot is free "
    "(recreated with its old name), else in project P, else in a project \"Recovered\"; a partly overwritten song "
    "only with --partial, without its overwritten clusters",
    {"drive", "slot", "project"},
    {"all", "partial"},
    runRestore,
}};

}  // namespace
