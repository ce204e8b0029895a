// poly_export.cpp - the export of all selected tracks into one interleaved WAV file (RF64 past 4 GiB).
#include <algorithm>

#include "audio_error.h"
#include "track_export.h"
#include "transfer_paths.h"

namespace vxf::transfer {

namespace {
constexpr uint16_t kServerBytes = 3;

struct PolyChannel {
    uint16_t track;
};

std::string polyPath(const std::string& directory, const std::string& songName) {
    std::string name = trimSpaces(songName);
    std::replace(name.begin(), name.end(), '/', '_');
    return name.empty() ? directory + "Poly.wav" : directory + name + "-Poly.wav";
}
}  // namespace

void TrackExport::exportPoly(const std::vector<uint16_t>& tracks, const std::string& songName) {
    const std::string path = polyPath(directory_, songName);
    if (settlePath(path, true) != Settled::Keep) return;
    if (!enoughSpaceFor(tracks.size())) return;
    outcome_.attempted = true;
    PolyWavFile file;
    ChunkBytes chunks;
    if (settings_.metadata != nullptr) {
        chunks = broadcastChunks(*settings_.metadata, FileContents{tracks, settings_.wordLength, date_, time_});
    }
    if (!file.create(path, uint16_t(tracks.size()), song_.sampleRate, settings_.wordLength, chunks)) {
        reportError(audioErrorMessage(AUDIO_ERR_OPEN, path));
        outcome_.failed = true;
        return;
    }
    writePoly(file, path, tracks);
}

TransferResult TrackExport::writePoly(PolyWavFile& file, const std::string& path, const std::vector<uint16_t>& tracks) {
    std::vector<PolyChannel> channels;
    for (uint16_t track : tracks) channels.push_back({track});
    TransferPass pass;
    pass.tracks = uint16_t(channels.size());
    pass.blockTracks = song_.trackCount;
    pass.bytesPerSample = kServerBytes;
    pass.total = song_.length;
    nameSides(pass, TrackSpan::All, tracks.front(), path, true);
    pass.take = [this, &channels](const TransferBuffers& buffers, uint64_t position, uint32_t block) {
        uint32_t read = 0;
        const int32_t code = context_.server.trackReadAll(uint32_t(position), block, read, kServerBytes, false,
                                                          buffersByTrack(buffers, channels).data());
        return BlockTaken{std::min(read, block), served(code, TrackSpan::All)};
    };
    pass.give = [this, &file, &channels, &path](const TransferBuffers& buffers, uint64_t, uint32_t samples) {
        std::vector<uint8_t*> areas;
        for (size_t i = 0; i < channels.size(); ++i) areas.push_back(buffers[i]);
        if (file.writeFrames(areas, samples)) return TransferResult::Done;
        reportError(audioErrorMessage(AUDIO_ERR_WRITE, path));
        outcome_.failed = true;
        return TransferResult::Stop;
    };
    pass.finish = [this, &file, &path, &tracks](TransferResult result, uint64_t moved) {
        const bool done = result == TransferResult::Done;
        const bool replaced = file.isReplacement();
        const bool closed = done ? file.finish() : file.abandon();
        if (!closed) {
            reportError(audioErrorMessage(AUDIO_ERR_WRITE, path));
            outcome_.failed = true;
            result = TransferResult::Stop;
        }
        // A replacement that stopped left the old file in place: nothing of the export is there.
        if ((done && closed) || !replaced) {
            outcome_.files.push_back({tracks.front(), path, done && closed && moved >= song_.length});
        }
        return result;
    };
    if (const std::optional<TransferResult> result = transfer(pass)) return *result;
    file.abandon();
    return TransferResult::Stop;
}

}  // namespace vxf::transfer
