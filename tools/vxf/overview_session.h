// overview_session.h - what vxf tracks and vxf overview share: the song's track overview read once, Ctrl+C, progress.
#pragma once

#include <cstdint>
#include <string>

#include "cli.h"
#include "drive_transfer_server.h"
#include "progress_line.h"
#include "server_exports.h"
#include "server_session.h"
#include "song_session.h"
#include "track_overview.h"
#include "transfer_session.h"

namespace vxf::cli {

// "Track 01": as the export names the files of the tracks.
inline std::string trackLabel(uint16_t track) {
    const unsigned number = track + 1u;
    return std::string("Track ") + (number < 10 ? "0" : "") + std::to_string(number);
}

// Opens the song of --drive, --project and --song and reads its overview with `columns` strip columns, with the
// progress line on a terminal. Answers 0 with the overview, or the exit status after printing why.
inline int readSongOverview(const Args& args, uint32_t columns, transfer::SongOverview& overview,
                            std::string& label) {
    server::Drive drive;
    if (!server::openSongFromArgs(drive, args, label)) return kExitFailure;
    transfer::SongFacts song;
    if (transfer::readSongFacts(drive.handle(), song) != VXF_OK) return server::failWith(label);
    transfer::ServerExports exports(drive.extendedNames());
    transfer::DriveTransferServer<transfer::ServerExports> server(exports, drive.handle());
    stopOnInterrupt();
    transfer::TrackOverviewBuilder builder(server, song, columns);
    const uint64_t bytesPerSample = 3u * song.trackCount;  // as the drive holds them
    transfer::ProgressLine progress(uint64_t{song.length} * bytesPerSample);
    while (builder.step()) {
        if (interruptFlag()) {
            progress.finish(static_cast<uint64_t>(builder.progress() * song.length) * bytesPerSample);
            return kExitInterrupted;
        }
        progress.show(static_cast<uint64_t>(builder.progress() * song.length) * bytesPerSample);
    }
    progress.finish(static_cast<uint64_t>(builder.progress() * song.length) * bytesPerSample);
    if (builder.failure() != 0) return fail(label + ": " + builder.failureText());
    overview = builder.overview();
    return kExitOk;
}

}  // namespace vxf::cli
