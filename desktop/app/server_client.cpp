// server_client.cpp - the desktop's one way into VXFServer: one method per export it uses.
#include "server_client.h"

#include "tavovxf.h"
#include "server_exports.h"
#include "vxfx.h"

#include <algorithm>

#include <array>
#include <cctype>

// A server library built without its maintenance operations lacks these exports; the
// client then answers as such a server would: VXF_ERR_NOT_SUPPORTED with its sentence.
#pragma weak tavovxfDriveUpgrade
#pragma weak tavovxfDriveRemap
#pragma weak tavovxfExtractFileSystem

namespace deck {

namespace {

const char* sentenceOf(int32_t code) {
#define VXF_SENTENCE_CASE(name, value, message) \
    case value: return message;
    switch (code) {
        VXF_ERROR_TABLE(VXF_SENTENCE_CASE)
    default: return VXF_INVALID_ERROR_CODE_MESSAGE;
    }
#undef VXF_SENTENCE_CASE
}

constexpr size_t kTextBufferSize = 128;
constexpr uint32_t kHoldWaitMilliseconds = 2000;
using TextBuffer = std::array<char, kTextBufferSize>;

std::string textOf(const TextBuffer& buffer) {
    size_t length = 0;
    while (length < buffer.size() && buffer[length] != '\0') ++length;
    return std::string(buffer.data(), length);
}

}  // namespace

void ServerClient::setExtendedNamesFromVersion(const std::string& version) { extendedNames_ = version == "1.10 "; }

int32_t ServerClient::dropFailure(int32_t code) {
    if (code != VXF_OK) errorText();
    return VXF_OK;
}

bool ServerClient::hasMaintenanceExports() {
    return &tavovxfDriveUpgrade != nullptr && &tavovxfDriveRemap != nullptr && &tavovxfExtractFileSystem != nullptr;
}

int32_t ServerClient::notSupported() {
    clientError_ = VXF_ERR_NOT_SUPPORTED;
    return clientError_;
}

void ServerClient::setNotificationWindow(vxf_window* window) { tavovxfSetHWND(window); }

std::string ServerClient::errorText() {
    if (clientError_ != VXF_OK) {
        const std::string sentence = sentenceOf(clientError_);
        clientError_ = VXF_OK;
        return sentence;
    }
    std::array<char, VXFX_IN_USE_TEXT_SIZE> inUse{};
    vxfxGetInUseText(inUse.data(), uint32_t(inUse.size()));
    TextBuffer buffer{};
    tavovxfGetErrorString(buffer.data());
    std::string text = textOf(buffer);
    if (inUse[0] != '\0') {
        inUse[0] = char(std::toupper(static_cast<unsigned char>(inUse[0])));
        text += "\n" + std::string(inUse.data()) + ".";
    }
    return text;
}

// A drive another program holds is waited for as long as a single call waits: the
// window must not hang on a long transfer elsewhere.
int32_t ServerClient::driveHold(uint32_t handle, HoldPurpose purpose) {
    static_assert(uint32_t(HoldPurpose::Read) == VXFX_PURPOSE_READ && uint32_t(HoldPurpose::Change) == VXFX_PURPOSE_CHANGE);
    return vxfxDriveHold(handle, uint32_t(purpose), kHoldWaitMilliseconds);
}

int32_t ServerClient::driveRelease(uint32_t handle) { return vxfxDriveRelease(handle); }

int32_t ServerClient::recoverListSongs(uint32_t handle, std::vector<VxfxLostSong>& songs) {
    // A song slot holds one lost song at most: one call with room for every slot.
    songs.assign(VXFX_RECOVER_MAX_SONGS, VxfxLostSong{});
    uint32_t count = 0;
    const int32_t code = vxfxRecoverListSongs(handle, songs.data(), uint32_t(songs.size()), &count);
    songs.resize(code == VXF_OK ? std::min<size_t>(count, songs.size()) : 0);
    return code;
}

int32_t ServerClient::recoverOpenSong(uint32_t handle, uint32_t slot) { return vxfxRecoverOpenSong(handle, slot); }

int32_t ServerClient::recoverRestore(uint32_t handle, const std::vector<uint32_t>& slots, uint16_t projectIndex,
                                     bool partial, std::vector<VxfxRestoreOutcome>& outcomes) {
    outcomes.assign(slots.size(), VxfxRestoreOutcome{});
    return vxfxRecoverRestore(handle, slots.data(), uint32_t(slots.size()), projectIndex,
                              partial ? VXFX_RESTORE_PARTIAL : 0u, outcomes.data());
}

int32_t ServerClient::driveGetChangeCount(uint32_t handle, uint64_t& count, bool& busy) {
    uint32_t othersKeepIt = 0;
    const int32_t code = vxfxDriveGetChangeCount(handle, &count, &othersKeepIt);
    busy = othersKeepIt != 0;
    return code;
}

int32_t ServerClient::driveGetNum(uint16_t& count) { return tavovxfDriveGetNum(&count); }

int32_t ServerClient::driveOpen(uint16_t index, uint32_t& handle) { return tavovxfDriveOpen(index, &handle); }

int32_t ServerClient::driveIsFormatted(uint32_t handle, uint32_t& formatted) {
    return tavovxfDriveIsFormatted(handle, &formatted);
}

int32_t ServerClient::driveIsReadOnly(uint32_t handle, bool& readOnly) {
    uint32_t reasons = 0;
    const int32_t code = vxfxDriveIsReadOnly(handle, &reasons);
    readOnly = reasons != 0;
    return code;
}

int32_t ServerClient::driveClose(uint32_t& handle) {
    const int32_t code = tavovxfDriveClose(handle);
    handle = 0;
    return code;
}

int32_t ServerClient::driveGetName(uint32_t handle, std::string& name) {
    TextBuffer buffer{};
    const int32_t code = extendedNames_ ? tavovxfDriveGetExtName(handle, buffer.data())
                                        : tavovxfDriveGetName(handle, buffer.data());
    name = textOf(buffer);
    return dropFailure(code);
}

int32_t ServerClient::driveGetFSVersion(uint32_t handle, std::string& version) {
    TextBuffer buffer{};
    const int32_t code = tavovxfDriveGetFSVersion(handle, buffer.data());
    version = textOf(buffer);
    return dropFailure(code);
}

int32_t ServerClient::driveGetInfo(uint32_t handle, std::string& description, uint32_t& sizeKb) {
    TextBuffer buffer{};
    const int32_t code = tavovxfDriveGetInfo(handle, buffer.data(), &sizeKb);
    description = textOf(buffer);
    return dropFailure(code);
}

int32_t ServerClient::driveSetName(uint32_t handle, const std::string& name) {
    tavovxfDriveSetExtName(handle, name.c_str());
    return tavovxfDriveSetName(handle, name.c_str());
}

int32_t ServerClient::driveGetFreeSpace(uint32_t handle, uint32_t& freeKb) {
    return tavovxfDriveGetFreeSpace(handle, &freeKb);
}

int32_t ServerClient::driveNumLBAs(uint32_t handle, uint32_t& count) { return tavovxfDriveNumLBAs(handle, &count); }

int32_t ServerClient::driveFormat(uint32_t handle) { return tavovxfDriveFormat(handle); }

int32_t ServerClient::driveUpgrade(uint32_t handle) {
    return &tavovxfDriveUpgrade != nullptr ? tavovxfDriveUpgrade(handle) : notSupported();
}

int32_t ServerClient::driveRemap(uint32_t handle, uint32_t firstLba, uint16_t count, uint8_t fix,
                                 uint16_t& failedReads, uint16_t& rewritten) {
    failedReads = 0;
    rewritten = 0;
    if (&tavovxfDriveRemap == nullptr) return notSupported();
    return tavovxfDriveRemap(handle, firstLba, count, fix, &failedReads, &rewritten);
}

int32_t ServerClient::extractFileSystem(uint32_t handle) {
    return &tavovxfExtractFileSystem != nullptr ? tavovxfExtractFileSystem(handle) : notSupported();
}

int32_t ServerClient::projectGetNum(uint32_t handle, uint16_t& count) { return tavovxfProjectGetNum(handle, &count); }

int32_t ServerClient::projectGetLastPrimary(uint32_t handle, uint16_t& index) {
    return tavovxfProjectGetLastPrimary(handle, &index);
}

int32_t ServerClient::projectSetPrimary(uint32_t handle, uint16_t index) {
    return tavovxfProjectSetPrimary(handle, index);
}

int32_t ServerClient::projectCreate(uint32_t handle) { return tavovxfProjectCreate(handle); }

int32_t ServerClient::projectDelete(uint32_t handle) { return tavovxfProjectDelete(handle); }

int32_t ServerClient::projectGetName(uint32_t handle, std::string& name) {
    TextBuffer buffer{};
    const int32_t code = extendedNames_ ? tavovxfProjectGetExtName(handle, buffer.data())
                                        : tavovxfProjectGetName(handle, buffer.data());
    name = textOf(buffer);
    return dropFailure(code);
}

int32_t ServerClient::projectSetName(uint32_t handle, const std::string& name) {
    tavovxfProjectSetExtName(handle, name.c_str());
    return tavovxfProjectSetName(handle, name.c_str());
}

int32_t ServerClient::songGetNum(uint32_t handle, uint16_t& count) { return tavovxfSongGetNum(handle, &count); }

int32_t ServerClient::songGetLastPrimary(uint32_t handle, uint16_t& index) {
    return tavovxfSongGetLastPrimary(handle, &index);
}

int32_t ServerClient::songSetPrimary(uint32_t handle, uint16_t index) { return tavovxfSongSetPrimary(handle, index); }

int32_t ServerClient::songCreate(uint32_t handle, uint32_t sampleRate, uint16_t tracks) {
    return tavovxfSongCreate(handle, tracks, sampleRate, 24);
}

int32_t ServerClient::songDelete(uint32_t handle) { return tavovxfSongDelete(handle); }

int32_t ServerClient::songGetName(uint32_t handle, std::string& name) {
    TextBuffer buffer{};
    const int32_t code = extendedNames_ ? tavovxfSongGetExtName(handle, buffer.data())
                                        : tavovxfSongGetName(handle, buffer.data());
    name = textOf(buffer);
    return dropFailure(code);
}

int32_t ServerClient::songSetName(uint32_t handle, const std::string& name) {
    tavovxfSongSetExtName(handle, name.c_str());
    return tavovxfSongSetName(handle, name.c_str());
}

int32_t ServerClient::songGetSampleRate(uint32_t handle, uint32_t& rate) {
    return tavovxfSongGetSampleRate(handle, &rate);
}

int32_t ServerClient::songGetMetadata(uint32_t handle, vxf::transfer::SessionMetadata& metadata) {
    return vxf::transfer::readSessionMetadata(handle, extendedNames_, metadata);
}

int32_t ServerClient::songGetWordLength(uint32_t handle, uint16_t& bits) {
    return tavovxfSongGetWordLength(handle, &bits);
}

int32_t ServerClient::songGetLength(uint32_t handle, uint32_t& samples) { return tavovxfSongGetLength(handle, &samples); }

int32_t ServerClient::songIsWriteProtect(uint32_t handle, uint32_t& flag) {
    return tavovxfSongIsWriteProtect(handle, &flag);
}

int32_t ServerClient::songSetWriteProtect(uint32_t handle, uint32_t flag) {
    return tavovxfSongSetWriteProtect(handle, flag);
}

int32_t ServerClient::trackGetNum(uint32_t handle, uint16_t& count) { return tavovxfTrackGetNum(handle, &count); }

int32_t ServerClient::trackOptimalTransferSize(uint32_t handle, uint32_t& samples) {
    return tavovxfTrackOptimalTransferSize(handle, &samples);
}

int32_t ServerClient::trackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                uint32_t& samplesRead, uint16_t bytesPerSample, uint16_t byteOrder, void* buffer) {
    return tavovxfTrackRead(handle, track, offset, count, &samplesRead, bytesPerSample, byteOrder, buffer);
}

int32_t ServerClient::trackReadAll(uint32_t handle, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                                   uint16_t bytesPerSample, uint16_t byteOrder, void* const* buffers) {
    return tavovxfTrackReadAll(handle, offset, count, &samplesRead, bytesPerSample, byteOrder, buffers);
}

int32_t ServerClient::trackReadSalvage(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                       uint32_t& samplesRead, uint16_t bytesPerSample, uint16_t byteOrder,
                                       void* buffer, std::vector<vxf::transfer::SilentSpan>& silent) {
    return vxf::transfer::ServerExports(extendedNames_)
        .trackReadSalvage(handle, track, offset, count, samplesRead, bytesPerSample, byteOrder, buffer, silent);
}

int32_t ServerClient::trackWrite(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                 uint16_t bytesPerSample, uint16_t byteOrder, const void* source) {
    return tavovxfTrackWrite(handle, track, offset, count, bytesPerSample, byteOrder, source);
}

int32_t ServerClient::trackWriteAll(uint32_t handle, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                                    uint16_t byteOrder, const void* const* sources) {
    return tavovxfTrackWriteAll(handle, offset, count, bytesPerSample, byteOrder, sources);
}

HeldDrive::HeldDrive(ServerClient& client, uint32_t handle, ServerClient::HoldPurpose purpose)
    : client_(client), handle_(handle), held_(client.driveHold(handle, purpose) == VXF_OK) {}

HeldDrive::~HeldDrive() {
    if (!release()) client_.errorText();
}

bool HeldDrive::release() {
    if (!held_) return true;
    held_ = false;
    return client_.driveRelease(handle_) == VXF_OK;
}

}  // namespace deck
