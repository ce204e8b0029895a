// cmd_songs.cpp - vxf songs: the songs of a project with their tracks, rate, word length, length, protection and size.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "server_session.h"
#include "song_session.h"

namespace {

using namespace vxf::cli;

struct SongRow {
    int64_t number = 0;
    std::string name;
    uint16_t tracks = 0;
    uint32_t rate = 0;
    uint16_t wordLength = 0;
    uint32_t samples = 0;
    bool writeProtected = false;
    uint32_t allocatedKiB = 0;
};

// The properties of the current song; false (with the failure printed) when one cannot be read.
bool readRow(const vxf::server::Drive& drive, SongRow& row, const std::string& label) {
    const uint32_t h = drive.handle();
    uint32_t flag = 0;
    if (tavovxfTrackGetNum(h, &row.tracks) != VXF_OK || tavovxfSongGetSampleRate(h, &row.rate) != VXF_OK ||
        tavovxfSongGetWordLength(h, &row.wordLength) != VXF_OK || tavovxfSongGetLength(h, &row.samples) != VXF_OK ||
        tavovxfSongIsWriteProtect(h, &flag) != VXF_OK || tavovxfSongGetAllocatedSize(h, &row.allocatedKiB) != VXF_OK) {
        return drive.failed(label);
    }
    row.writeProtected = flag != 0;
    row.name = vxf::server::nameOf(drive, tavovxfSongGetName, tavovxfSongGetExtName);
    return true;
}

void printTable(const std::vector<SongRow>& rows) {
    std::printf("%-4s  %-6s  %-6s  %-4s  %-10s  %-11s  %-9s  %10s  %s\n", "SONG", "TRACKS", "RATE", "BITS", "SAMPLES",
                "LENGTH", "PROTECTED", "SIZE KiB", "NAME");
    for (const SongRow& r : rows) {
        std::printf("%-4lld  %-6u  %-6u  %-4u  %-10u  %-11s  %-9s  %10u  %s\n", static_cast<long long>(r.number),
                    r.tracks, r.rate, r.wordLength, r.samples, vxf::server::timecode(r.samples, r.rate).c_str(),
                    r.writeProtected ? "yes" : "no", r.allocatedKiB, vxf::server::trimmed(r.name).c_str());
    }
}

void printJson(const std::vector<SongRow>& rows) {
    std::printf("[");
    for (size_t i = 0; i < rows.size(); ++i) {
        const SongRow& r = rows[i];
        std::printf("%s\n  {\"number\": %lld, \"name\": %s, \"tracks\": %u, \"sampleRate\": %u, \"wordLength\": %u, "
                    "\"samples\": %u, \"length\": \"%s\", \"writeProtected\": %s, \"allocatedKiB\": %u}",
                    i ? "," : "", static_cast<long long>(r.number), vxf::server::jsonString(r.name).c_str(), r.tracks,
                    r.rate, r.wordLength, r.samples, vxf::server::timecode(r.samples, r.rate).c_str(),
                    r.writeProtected ? "true" : "false", r.allocatedKiB);
    }
    std::printf("%s]\n", rows.empty() ? "" : "\n");
}

int runSongs(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    vxf::server::Drive drive;
    const int64_t project = args.number("project", 1, 65535);
    if (!drive.open(args.number("drive", 1, 65535)) || !drive.openProject(project)) return kExitFailure;
    const std::string label = drive.label() + ", project " + std::to_string(project);
    uint16_t count = 0;
    uint16_t primary = 0;
    if (tavovxfSongGetNum(drive.handle(), &count) != VXF_OK ||
        tavovxfSongGetLastPrimary(drive.handle(), &primary) != VXF_OK) {
        return vxf::server::failWith(label);
    }
    // A song's properties are read by making it current; the primary one is made current again at the end.
    std::vector<SongRow> rows;
    for (int64_t number = 1; number <= count; ++number) {
        SongRow row;
        row.number = number;
        if (!vxf::server::openSong(drive, number, label) ||
            !readRow(drive, row, label + ", song " + std::to_string(number))) {
            return kExitFailure;
        }
        rows.push_back(row);
    }
    if (count > 0 && tavovxfSongSetPrimary(drive.handle(), primary) != VXF_OK) return vxf::server::failWith(label);
    if (args.has("json")) {
        printJson(rows);
    } else {
        printTable(rows);
    }
    return kExitOk;
}

const Registrar songs{Command{
    "songs",
    "--drive N --project P [--json]",
    "list the songs of project P of drive N: tracks, rate, word length, length (hh:mm:ss:ff at 30 frames), "
    "write protection and allocated KiB",
    {"drive", "project"},
    {"json"},
    runSongs,
}};

}  // namespace
