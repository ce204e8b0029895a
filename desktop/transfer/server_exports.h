// server_exports.h - the server's exports as the transfer calls them, for programs without a server client.
#pragma once

#include <cstdint>
#include <string>

#include "session_metadata.h"
#include "transfer_server.h"

namespace vxf::transfer {

// The track family of the linked server library, in the shape DriveTransferServer calls:
// the handle first, results by reference, the server's own codes and messages.
class ServerExports {
public:
    // Songs are named by their extended names on "1.10 " volumes.
    explicit ServerExports(bool extendedNames) : extendedNames_(extendedNames) {}

    int32_t songGetName(uint32_t handle, std::string& name);
    int32_t trackOptimalTransferSize(uint32_t handle, uint32_t& samples);
    int32_t trackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                      uint16_t bytesPerSample, uint16_t byteOrder, void* buffer);
    int32_t trackReadAll(uint32_t handle, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                         uint16_t bytesPerSample, uint16_t byteOrder, void* const* buffers);
    int32_t trackReadSalvage(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                             uint32_t& samplesRead, uint16_t bytesPerSample, uint16_t byteOrder, void* buffer,
                             std::vector<SilentSpan>& silent);
    int32_t trackWrite(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                       uint16_t byteOrder, const void* source);
    int32_t trackWriteAll(uint32_t handle, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                          uint16_t byteOrder, const void* const* sources);
    int32_t driveGetFreeSpace(uint32_t handle, uint32_t& kib);
    // The server's message for its last failure; reading it clears the failure.
    std::string errorText();

private:
    bool extendedNames_;
};

// The facts of the handle's current song (tracks capped at 24); the first failing call's code.
int32_t readSongFacts(uint32_t handle, SongFacts& facts);

// The handle's current song with its metadata, its project's and drive's names (extended names when asked);
// the first failing call's code.
int32_t readSessionMetadata(uint32_t handle, bool extendedNames, SessionMetadata& metadata);

}  // namespace vxf::transfer
