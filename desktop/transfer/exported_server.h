// exported_server.h - export and import straight on the server's exports, for programs without a server client.
#pragma once

#include <cstdint>
#include <string>

#include "transfer_server.h"

namespace vxf::transfer {

// The calls of TransferServer on one drive handle of the linked server library.
class ExportedServer : public TransferServer {
public:
    ExportedServer(uint32_t handle, bool extendedNames) : handle_(handle), extendedNames_(extendedNames) {}

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
    bool extendedNames_;
};

// The facts of the handle's current song (tracks capped at 24); the first failing call's code.
int32_t readSongFacts(uint32_t handle, SongFacts& facts);

}  // namespace vxf::transfer
