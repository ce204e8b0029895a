// server_exports.cpp - the server's exports as the transfer calls them, for programs without a server client.
#include "server_exports.h"

#include <algorithm>
#include <cstring>

#include "tavovxf.h"
#include "vxfx.h"
#include "vxf_song_metadata.h"

namespace vxf::transfer {

int32_t ServerExports::songGetName(uint32_t handle, std::string& name) {
    char text[VXF_EXT_NAME_SIZE] = {};
    const int32_t result = extendedNames_ ? tavovxfSongGetExtName(handle, text) : tavovxfSongGetName(handle, text);
    name = text;
    return result;
}

int32_t ServerExports::trackOptimalTransferSize(uint32_t handle, uint32_t& samples) {
    return tavovxfTrackOptimalTransferSize(handle, &samples);
}

int32_t ServerExports::trackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                 uint32_t& samplesRead, uint16_t bytesPerSample, uint16_t byteOrder, void* buffer) {
    return tavovxfTrackRead(handle, track, offset, count, &samplesRead, bytesPerSample, byteOrder, buffer);
}

int32_t ServerExports::trackReadAll(uint32_t handle, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                                    uint16_t bytesPerSample, uint16_t byteOrder, void* const* buffers) {
    return tavovxfTrackReadAll(handle, offset, count, &samplesRead, bytesPerSample, byteOrder, buffers);
}

int32_t ServerExports::trackReadSalvage(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                        uint32_t& samplesRead, uint16_t bytesPerSample, uint16_t byteOrder,
                                        void* buffer, std::vector<SilentSpan>& silent) {
    // A block of one sector's samples each could not hold more silences than this.
    std::vector<VxfxSilence> found(count / 64 + 2);
    uint32_t filled = 0;
    const int32_t code = vxfxTrackReadSalvage(handle, track, offset, count, &samplesRead, bytesPerSample, byteOrder,
                                              buffer, found.data(), uint32_t(found.size()), &filled);
    silent.clear();
    for (uint32_t i = 0; i < filled && i < found.size(); ++i) silent.push_back({found[i].firstSample, found[i].lastSample});
    return code;
}

int32_t ServerExports::trackWrite(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                  uint16_t bytesPerSample, uint16_t byteOrder, const void* source) {
    return tavovxfTrackWrite(handle, track, offset, count, bytesPerSample, byteOrder, source);
}

int32_t ServerExports::trackWriteAll(uint32_t handle, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                                     uint16_t byteOrder, const void* const* sources) {
    return tavovxfTrackWriteAll(handle, offset, count, bytesPerSample, byteOrder, sources);
}

int32_t ServerExports::driveGetFreeSpace(uint32_t handle, uint32_t& kib) {
    return tavovxfDriveGetFreeSpace(handle, &kib);
}

std::string ServerExports::errorText() {
    char text[VXF_ERROR_STRING_SIZE] = {};
    tavovxfGetErrorString(text);
    return text;
}

int32_t readSongFacts(uint32_t handle, SongFacts& facts) {
    uint32_t writeProtected = 0;
    int32_t result = tavovxfSongGetSampleRate(handle, &facts.sampleRate);
    if (result == VXF_OK) result = tavovxfSongGetLength(handle, &facts.length);
    if (result == VXF_OK) result = tavovxfTrackGetNum(handle, &facts.trackCount);
    if (result == VXF_OK) result = tavovxfSongGetWordLength(handle, &facts.wordLength);
    if (result == VXF_OK) result = tavovxfSongIsWriteProtect(handle, &writeProtected);
    facts.trackCount = std::min<uint16_t>(facts.trackCount, VXF_MAX_TRACKS);
    facts.writeProtected = writeProtected != 0;
    return result;
}

namespace {

int32_t readNames(uint32_t handle, bool extendedNames, SessionMetadata& metadata) {
    char text[VXF_EXT_NAME_SIZE] = {};
    int32_t result = extendedNames ? tavovxfProjectGetExtName(handle, text) : tavovxfProjectGetName(handle, text);
    metadata.project = text;
    if (result == VXF_OK) result = ServerExports(extendedNames).songGetName(handle, metadata.song);
    if (result != VXF_OK) return result;
    char description[VXF_DESCRIPTION_SIZE + 1] = {};
    uint32_t size = sizeof description;
    result = tavovxfDriveGetInfo(handle, description, &size);
    description[sizeof description - 1] = '\0';
    metadata.drive = description;
    return result;
}

void takeMetadata(const VxfxSongMetadata& from, SessionMetadata& to) {
    for (size_t i = 0; i < kLocatePoints; ++i) {
        to.locates[i].sample = from.locateSample[i];
        to.locates[i].name = std::string(from.locateName[i], strnlen(from.locateName[i], VXFX_LOCATE_NAME_SIZE));
    }
    to.loopStart = from.loopStart;
    to.loopEnd = from.loopEnd;
    to.tempoMapLocate = from.tempoMapLocate;
    for (size_t i = 0; i < kTempoEntries; ++i) {
        const VxfxTempoEntry& t = from.tempo[i];
        to.tempo[i] = TempoMark{t.measure, t.beatNumerator, t.beatDenominator, t.bpm};
    }
    to.pitch = from.pitch;
    to.storedTracksPerTrack = from.storedTracksPerTrack;
    for (size_t i = 0; i < kStoredTracks; ++i) to.slip[i] = from.slip[i];
    to.songHandle = from.songHandle;
}

}  // namespace

int32_t readSessionMetadata(uint32_t handle, bool extendedNames, SessionMetadata& metadata) {
    SongFacts facts;
    int32_t result = readSongFacts(handle, facts);
    if (result == VXF_OK) result = readNames(handle, extendedNames, metadata);
    VxfxSongMetadata song{};
    if (result == VXF_OK) result = vxfxSongGetMetadata(handle, &song);
    if (result != VXF_OK) return result;
    metadata.sampleRate = facts.sampleRate;
    metadata.wordLength = facts.wordLength;
    metadata.trackCount = facts.trackCount;
    metadata.length = facts.length;
    takeMetadata(song, metadata);
    return VXF_OK;
}

}  // namespace vxf::transfer
