// transfer_server.h - the server calls and song facts that export and import work with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxf::transfer {

// The current song of the open drive, as the caller holds it. An import raises `length`
// as it writes past it.
struct SongFacts {
    uint32_t sampleRate = 0;
    uint32_t length = 0;      // samples per track
    uint16_t trackCount = 0;  // caller tracks, at most 24
    uint16_t wordLength = 24;
    bool writeProtected = false;
};

// Samples of a track (from the song's start, the last one included) a salvaging read gave as silence.
struct SilentSpan {
    uint32_t first = 0;
    uint32_t last = 0;
};

// The server's codes the transfer tells apart.
constexpr int32_t kServerNotSupported = 4;
constexpr int32_t kServerDiskRead = 100;

// The track family of the server's exports on the drive and song in use; every call answers
// the server's code (0 = success) and leaves its message for errorText(). The desktop binds
// its server client here, the command line the exports themselves.
class TransferServer {
public:
    virtual ~TransferServer() = default;

    // The song's name as the drive names songs (extended names on "1.10 " volumes).
    virtual int32_t songName(std::string& name) = 0;
    virtual int32_t optimalTransferSize(uint32_t& samples) = 0;
    virtual int32_t trackRead(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                              uint16_t bytesPerSample, uint16_t byteOrder, void* buffer) = 0;
    virtual int32_t trackReadAll(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                                 uint16_t byteOrder, void* const* buffers) = 0;
    // trackRead of one track, where the drive refuses sectors: they are read again one by one and what stays
    // unreadable comes back as silence, listed in `silent`. A server without it answers kServerNotSupported.
    virtual int32_t trackReadSalvage(uint16_t, uint32_t, uint32_t, uint32_t& samplesRead, uint16_t, uint16_t, void*,
                                     std::vector<SilentSpan>& silent) {
        samplesRead = 0;
        silent.clear();
        return kServerNotSupported;
    }
    virtual int32_t trackWrite(uint16_t track, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                               uint16_t byteOrder, const void* source) = 0;
    virtual int32_t trackWriteAll(uint32_t offset, uint32_t count, uint16_t bytesPerSample, uint16_t byteOrder,
                                  const void* const* sources) = 0;
    // Free space of the drive in KiB.
    virtual int32_t driveFreeSpace(uint32_t& kib) = 0;
    // The server's message for its last failure; reading it clears the failure.
    virtual std::string errorText() = 0;
};

}  // namespace vxf::transfer
