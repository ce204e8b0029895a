// cmd_song_edit.cpp - vxf create song, rename song, delete song and protect: changing the songs of a project.
#include <cstdio>
#include <string>

#include "cli.h"
#include "server_session.h"
#include "vxfx.h"
#include "song_session.h"

namespace {

using namespace vxf::cli;

// Songs are created with 24-bit words only.
constexpr uint8_t kWordLength = 24;

int runCreateSong(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments; give the name with --name"};
    const int64_t tracks = args.number("tracks", 1, 65535);
    const int64_t rate = args.number("rate", 1, 0xFFFFFFFF);
    const int64_t project = args.number("project", 1, 65535);
    vxf::server::Drive drive;
    if (!drive.open(args.number("drive", 1, 65535), vxf::server::Purpose::Change) || !drive.openProject(project)) return kExitFailure;
    const std::string label = drive.label() + ", project " + std::to_string(project);
    if (tavovxfSongCreate(drive.handle(), uint16_t(tracks), uint32_t(rate), kWordLength) != VXF_OK) {
        return vxf::server::failWith(label);
    }
    uint16_t count = 0;
    if (tavovxfSongGetNum(drive.handle(), &count) != VXF_OK) return vxf::server::failWith(label);
    // The new song is the last one and the current one.
    const std::string songLabel = label + ", song " + std::to_string(count);
    if (auto name = args.value("name");
        name && !vxf::server::setBothNames(drive, *name, songLabel, tavovxfSongSetExtName, tavovxfSongSetName)) {
        return kExitFailure;
    }
    const std::string stored = vxf::server::nameOf(drive, tavovxfSongGetName, tavovxfSongGetExtName);
    std::printf("created %s: %s\n", songLabel.c_str(), vxf::server::trimmed(stored).c_str());
    return kExitOk;
}

int runRenameSong(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give exactly one NAME"};
    vxf::server::Drive drive;
    std::string label;
    if (!vxf::server::openSongFromArgs(drive, args, label, vxf::server::Purpose::Change)) return kExitFailure;
    if (!vxf::server::setBothNames(drive, args.positional()[0], label, tavovxfSongSetExtName, tavovxfSongSetName)) {
        return kExitFailure;
    }
    const std::string stored = vxf::server::nameOf(drive, tavovxfSongGetName, tavovxfSongGetExtName);
    std::printf("%s is now named %s\n", label.c_str(), vxf::server::trimmed(stored).c_str());
    return kExitOk;
}

int runDeleteSong(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    vxf::server::requireYes(args, "deleting a song deletes its audio");
    vxf::server::Drive drive;
    std::string label;
    if (!vxf::server::openSongFromArgs(drive, args, label, vxf::server::Purpose::Change)) return kExitFailure;
    uint16_t listings = 0;
    if (vxfxSongGetListingCount(drive.handle(), &listings) != VXF_OK) return vxf::server::failWith(label);
    if (tavovxfSongDelete(drive.handle()) != VXF_OK) return vxf::server::failWith(label);
    if (listings > 1) {
        // A move cut short left it in two lists: the other one keeps the song and its audio.
        std::printf("removed %s from this project only: another listing of the song keeps it and its audio\n",
                    label.c_str());
        return kExitOk;
    }
    std::printf("deleted %s\n", label.c_str());
    return kExitOk;
}

int runProtect(const Args& args) {
    const auto& words = args.positional();
    if (words.size() != 1 || (words[0] != "on" && words[0] != "off")) throw UsageError{"say on or off"};
    const bool on = words[0] == "on";
    vxf::server::Drive drive;
    std::string label;
    if (!vxf::server::openSongFromArgs(drive, args, label, vxf::server::Purpose::Change)) return kExitFailure;
    if (tavovxfSongSetWriteProtect(drive.handle(), on ? 1 : 0) != VXF_OK) return vxf::server::failWith(label);
    std::printf("%s is %s\n", label.c_str(), on ? "write protected" : "no longer write protected");
    return kExitOk;
}

const Registrar createSong{Command{
    "create song",
    "--drive N --project P --tracks T --rate R [--name NAME]",
    "create an empty 24-bit song at the end of project P: T tracks (2, 6, 8, 16 or 24 at 44100 and 48000 Hz; "
    "2, 6, 8 or 12 at 88200 and 96000 Hz)",
    {"drive", "project", "tracks", "rate", "name"},
    {},
    runCreateSong,
}};

const Registrar renameSong{Command{
    "rename song",
    "--drive N --project P --song S NAME",
    "rename song S of project P of drive N",
    {"drive", "project", "song"},
    {},
    runRenameSong,
}};

const Registrar deleteSong{Command{
    "delete song",
    "--drive N --project P --song S --yes",
    "delete song S of project P of drive N with its audio (a write-protected song is refused)",
    {"drive", "project", "song"},
    {"yes"},
    runDeleteSong,
}};

const Registrar protect{Command{
    "protect",
    "on|off --drive N --project P --song S",
    "switch the write protection of song S of project P of drive N",
    {"drive", "project", "song"},
    {},
    runProtect,
}};

}  // namespace
