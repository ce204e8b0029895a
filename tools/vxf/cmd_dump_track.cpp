// cmd_dump_track.cpp - vxf dump-track: one track's samples, 3 bytes little-endian each, to standard output.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "server_session.h"
#include "song_session.h"

namespace {

using namespace vxf::cli;

constexpr uint16_t kBytesPerSample = 3;
constexpr uint16_t kLeastSignificantFirst = 0;
constexpr const char* kOutputRefused = "standard output refused the samples";

int runDumpTrack(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    if (::isatty(STDOUT_FILENO)) throw UsageError{"writes raw samples: redirect standard output to a file or a pipe"};
    const int64_t track = args.number("track", 1, 65535);
    const uint32_t offset = uint32_t(args.optionalNumber("offset", 0, 0xFFFFFFFF).value_or(0));
    const auto count = args.optionalNumber("count", 0, 0xFFFFFFFF);
    vxf::server::Drive drive;
    std::string label;
    if (!vxf::server::openSongFromArgs(drive, args, label)) return kExitFailure;
    uint32_t length = 0;
    uint32_t chunk = 0;
    if (tavovxfSongGetLength(drive.handle(), &length) != VXF_OK ||
        tavovxfTrackOptimalTransferSize(drive.handle(), &chunk) != VXF_OK || chunk == 0) {
        return vxf::server::failWith(label);
    }
    // Up to the song's end unless a count is given.
    uint64_t remaining = count ? uint64_t(*count) : (offset < length ? length - offset : 0);
    std::vector<uint8_t> buffer(size_t(chunk) * kBytesPerSample);
    // At least one read, so that an offset past the song's end gets the server's answer.
    uint64_t position = offset;
    do {
        const uint32_t want = uint32_t(std::min<uint64_t>(remaining, chunk));
        uint32_t read = 0;
        if (tavovxfTrackRead(drive.handle(), uint16_t(track - 1), uint32_t(position), want, &read, kBytesPerSample,
                             kLeastSignificantFirst, buffer.data()) != VXF_OK) {
            return vxf::server::failWith(label + ", track " + std::to_string(track));
        }
        if (std::fwrite(buffer.data(), kBytesPerSample, read, stdout) != read) return fail(kOutputRefused);
        if (read < want) break;  // the song ends here
        position += read;
        remaining -= read;
    } while (remaining > 0);
    return std::fflush(stdout) == 0 ? kExitOk : fail(kOutputRefused);
}

const Registrar dumpTrack{Command{
    "dump-track",
    "--drive N --project P --song S --track K [--offset O] [--count C]",
    "write track K (from 1) of song S as raw samples, 3 bytes little-endian each, to standard output; "
    "from sample O (default 0), C samples (default: to the song's end)",
    {"drive", "project", "song", "track", "offset", "count"},
    {},
    runDumpTrack,
}};

}  // namespace
