// song_session.h - what the vxf song commands share: choosing a song by its number, showing lengths as time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli.h"
#include "server_session.h"
#include "song_time_text.h"

namespace vxf::server {

// Makes song `number` (from 1) of the open project the current song; on
// failure prints why and answers false.
inline bool openSong(const Drive& drive, int64_t number, const std::string& label) {
    uint16_t count = 0;
    if (tavovxfSongGetNum(drive.handle(), &count) != VXF_OK) return drive.failed(label);
    if (number < 1 || number > count) {
        cli::fail(label + " has no song " + std::to_string(number) + " (" + std::to_string(count) + " songs)");
        return false;
    }
    if (tavovxfSongSetPrimary(drive.handle(), uint16_t(number - 1)) != VXF_OK) {
        return drive.failed(label + ", song " + std::to_string(number));
    }
    return true;
}

// Drive, project and song from --drive, --project and --song, the song made
// current. `label` receives "drive N, project P, song S".
inline bool openSongFromArgs(Drive& drive, const cli::Args& args, std::string& label,
                             Purpose purpose = Purpose::Read) {
    const int64_t driveNumber = args.number("drive", 1, 65535);
    const int64_t project = args.number("project", 1, 65535);
    const int64_t song = args.number("song", 1, 65535);
    if (!drive.open(driveNumber, purpose) || !drive.openProject(project)) return false;
    label = drive.label() + ", project " + std::to_string(project);
    if (!openSong(drive, song, label)) return false;
    label += ", song " + std::to_string(song);
    return true;
}

// Samples as the desktop shows them: hours, minutes, seconds and the nearest thirtieth.
inline std::string timecode(uint32_t samples, uint32_t rate) { return transfer::songTimeText(samples, rate); }

}  // namespace vxf::server
