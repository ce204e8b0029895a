// drive_transfer_server.h - the transfer's server on one open drive, for the desktop and the command line alike.
#pragma once

#include <cstdint>
#include <string>

#include "transfer_server.h"

namespace vxf::transfer {

// The calls of TransferServer on one drive handle of `Calls`, whose methods take the handle
// first as the server's exports do: the desktop's ServerClient, which its tests stand in for,
// or ServerExports, the exports themselves.
template <class Calls>
class DriveTransferServer : public TransferServer {
public:
    DriveTransferServer(Calls& calls, uint32_t handle) : calls_(calls), handle_(handle) {}

    int32_t songName(std::string& name) override { return calls_.songGetName(handle_, name); }
    int32_t optimalTransferSize(uint32_t& samples) override {
        return calls_.trackOptimalTransferSize(handle_, samples);
    }
    int32_t trackRead(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                      uint16_t byteOrder, void* buffer) override {
        return calls_.trackRead(handle_, track, offset, count, samplesRead, bytesPerSample, byteOrder, buffer);
    }
    int32_t trackReadAll(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                         uint16_t byteOrder, void* const* buffers) override {
        return calls_.trackReadAll(handle_, offset, count, samplesRead, bytesPerSample, byteOrder, buffers);
    }
    // Calls without a salvaging read leave it to TransferServer's answer.
    int32_t trackReadSalvage(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                             uint16_t bytesPerSample, uint16_t byteOrder, void* buffer,
                             std::vector<SilentSpan>& silent) override {
        if constexpr (requires { calls_.trackReadSalvage(handle_, track, offset, count, samplesRead, bytesPerSample,
                                                         byteOrder, buffer, silent); }) {
            return calls_.trackReadSalvage(handle_, track, offset, count, samplesRead, bytesPerSample, byteOrder,
                                           buffer, silent);
        } else {
            return TransferServer::trackReadSalvage(track, offset, count, samplesRead, bytesPerSample, byteOrder,
                                                    buffer, silent);
        }
    }
    int32_t trackWrite(uint16_t track, uint32_t offset, uint32_t count, uint16_t bytesPerSample, uint16_t byteOrder,
                       const void* source) override {
        return calls_.trackWrite(handle_, track, offset, count, bytesPerSample, byteOrder, source);
    }
    int32_t trackWriteAll(uint32_t offset, uint32_t count, uint16_t bytesPerSample, uint16_t byteOrder,
                          const void* const* sources) override {
        return calls_.trackWriteAll(handle_, offset, count, bytesPerSample, byteOrder, sources);
    }
    int32_t driveFreeSpace(uint32_t& kib) override { return calls_.driveGetFreeSpace(handle_, kib); }
    std::string errorText() override { return calls_.errorText(); }

private:
    Calls& calls_;
    uint32_t handle_;
};

}  // namespace vxf::transfer
