// lost_song_exports.h - the transfer's server on a lost song of one drive: reads only, overwritten parts silent.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "transfer_server.h"

namespace vxf::transfer {

// The song vxfxRecoverOpenSong opened on `handle`, named as the song was named; writes are refused.
class LostSongServer : public TransferServer {
public:
    LostSongServer(uint32_t handle, std::string name) : handle_(handle), name_(std::move(name)) {}

    int32_t songName(std::string& name) override;
    int32_t optimalTransferSize(uint32_t& samples) override;
    int32_t trackRead(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                      uint16_t byteOrder, void* buffer) override;
    int32_t trackReadAll(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                         uint16_t byteOrder, void* const* buffers) override;
    int32_t trackWrite(uint16_t track, uint32_t offset, uint32_t count, uint16_t bytesPerSample, uint16_t byteOrder,
                       const void* source) override;
    int32_t trackWriteAll(uint32_t offset, uint32_t count, uint16_t bytesPerSample, uint16_t byteOrder,
                          const void* const* sources) override;
    int32_t driveFreeSpace(uint32_t& kib) override;
    std::string errorText() override;

private:
    uint32_t handle_;
    std::string name_;
};

}  // namespace vxf::transfer
