// lost_song_exports.cpp - the transfer's server on a lost song of one drive: reads only, overwritten parts silent.
#include "lost_song_exports.h"

#include "tavovxf.h"
#include "vxf_recover.h"

namespace vxf::transfer {

int32_t LostSongServer::songName(std::string& name) {
    name = name_;
    return VXF_OK;
}

int32_t LostSongServer::optimalTransferSize(uint32_t& samples) {
    return vxfxRecoverTrackOptimalTransferSize(handle_, &samples);
}

int32_t LostSongServer::trackRead(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                                  uint16_t bytesPerSample, uint16_t byteOrder, void* buffer) {
    return vxfxRecoverTrackRead(handle_, track, offset, count, &samplesRead, bytesPerSample, byteOrder, buffer);
}

int32_t LostSongServer::trackReadAll(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                                     uint16_t byteOrder, void* const* buffers) {
    return vxfxRecoverTrackReadAll(handle_, offset, count, &samplesRead, bytesPerSample, byteOrder,
                                   const_cast<void**>(buffers));
}

// A lost song is only read: nothing lands on the drive before it is restored.
int32_t LostSongServer::trackWrite(uint16_t, uint32_t, uint32_t, uint16_t, uint16_t, const void*) {
    return VXF_ERR_INVALID_PARAMETER;
}

int32_t LostSongServer::trackWriteAll(uint32_t, uint32_t, uint16_t, uint16_t, const void* const*) {
    return VXF_ERR_INVALID_PARAMETER;
}

int32_t LostSongServer::driveFreeSpace(uint32_t& kib) { return tavovxfDriveGetFreeSpace(handle_, &kib); }

std::string LostSongServer::errorText() {
    char text[VXF_ERROR_STRING_SIZE] = {};
    tavovxfGetErrorString(text);
    return text;
}

}  // namespace vxf::transfer
