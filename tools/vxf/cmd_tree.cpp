// cmd_tree.cpp - vxf tree: a drive's projects, their songs and the songs' tracks in one listing.
#include <cstdio>
#include <string>

#include "cli.h"
#include "server_session.h"
#include "song_session.h"

namespace {

using namespace vxf::cli;

// One song's line under its project: tracks, rate, word length, length as the desktop shows it.
bool printSong(const vxf::server::Drive& drive, int64_t number, const std::string& label) {
    const uint32_t h = drive.handle();
    uint16_t tracks = 0;
    uint16_t wordLength = 0;
    uint32_t rate = 0;
    uint32_t samples = 0;
    if (!vxf::server::openSong(drive, number, label) || tavovxfTrackGetNum(h, &tracks) != VXF_OK ||
        tavovxfSongGetSampleRate(h, &rate) != VXF_OK || tavovxfSongGetWordLength(h, &wordLength) != VXF_OK ||
        tavovxfSongGetLength(h, &samples) != VXF_OK) {
        return drive.failed(label + ", song " + std::to_string(number));
    }
    const std::string name = vxf::server::trimmed(vxf::server::nameOf(drive, tavovxfSongGetName, tavovxfSongGetExtName));
    std::printf("  %2lld %s  (%u tracks, %u Hz, %u-bit, %s)\n", static_cast<long long>(number), name.c_str(), tracks,
                rate, wordLength, vxf::server::timecode(samples, rate).c_str());
    std::string line = "       tracks:";
    for (uint16_t t = 1; t <= tracks; ++t) line += " " + std::to_string(t);
    std::printf("%s\n", line.c_str());
    return true;
}

int runTree(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    vxf::server::Drive drive;
    if (!drive.open(args.number("drive", 1, 65535))) return kExitFailure;
    const uint32_t h = drive.handle();
    uint16_t projects = 0;
    uint16_t primaryProject = 0;
    if (tavovxfProjectGetNum(h, &projects) != VXF_OK || tavovxfProjectGetLastPrimary(h, &primaryProject) != VXF_OK) {
        return vxf::server::failWith(drive.label());
    }
    std::printf("%s: %s\n", drive.label().c_str(),
                vxf::server::trimmed(vxf::server::nameOf(drive, tavovxfDriveGetName, tavovxfDriveGetExtName)).c_str());
    // What is current is put back at the end, as the listings of single levels do.
    for (int64_t p = 1; p <= projects; ++p) {
        if (!drive.openProject(p)) return kExitFailure;
        const std::string label = drive.label() + ", project " + std::to_string(p);
        uint16_t songs = 0;
        uint16_t primarySong = 0;
        if (tavovxfSongGetNum(h, &songs) != VXF_OK || tavovxfSongGetLastPrimary(h, &primarySong) != VXF_OK) {
            return vxf::server::failWith(label);
        }
        std::printf("%lld %s\n", static_cast<long long>(p),
                    vxf::server::trimmed(vxf::server::nameOf(drive, tavovxfProjectGetName, tavovxfProjectGetExtName))
                        .c_str());
        for (int64_t s = 1; s <= songs; ++s) {
            if (!printSong(drive, s, label)) return kExitFailure;
        }
        if (songs > 0 && tavovxfSongSetPrimary(h, primarySong) != VXF_OK) return vxf::server::failWith(label);
    }
    if (projects > 0 && tavovxfProjectSetPrimary(h, primaryProject) != VXF_OK) {
        return vxf::server::failWith(drive.label());
    }
    return kExitOk;
}

const Registrar tree{Command{
    "tree",
    "--drive N",
    "list drive N's projects, their songs (tracks, rate, word length, length) and the songs' tracks in one listing",
    {"drive"},
    {},
    runTree,
}};

}  // namespace
