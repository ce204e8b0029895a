// server_client.h - the desktop's one way into VXFServer: one method per export it uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vxf_recover.h"

#include "session_metadata.h"
#include "transfer_server.h"

struct vxf_window;

namespace deck {

// Each method takes the export's arguments and answers its code unless noted. The methods
// are virtual so that a test can stand between the logic and the server.
class ServerClient {
public:
    virtual ~ServerClient() = default;

    // Set each time a drive's version is read: true for "1.10 " (trailing blank included).
    bool extendedNames() const { return extendedNames_; }
    void setExtendedNamesFromVersion(const std::string& version);

    // Whether the server library offers upgrade, remap and extraction.
    static bool hasMaintenanceExports();

    // The window the server posts its drive notices to; null stops them.
    virtual void setNotificationWindow(vxf_window* window);

    // The server's sentence for its last error; resets that error. Always succeeds. When
    // another program kept the drive, which one follows on a line of its own.
    virtual std::string errorText();

    virtual int32_t driveGetNum(uint16_t& count);
    virtual int32_t driveOpen(uint16_t index, uint32_t& handle);
    virtual int32_t driveIsFormatted(uint32_t handle, uint32_t& formatted);
    // Whether the drive takes no write: attached read-only, not writable by this program, or kept so.
    virtual int32_t driveIsReadOnly(uint32_t handle, bool& readOnly);
    // Sets the caller's handle to 0 whatever the result.
    virtual int32_t driveClose(uint32_t& handle);
    // Name, version and information getters always answer 0; a failure leaves empty text.
    virtual int32_t driveGetName(uint32_t handle, std::string& name);
    virtual int32_t driveGetFSVersion(uint32_t handle, std::string& version);
    virtual int32_t driveGetInfo(uint32_t handle, std::string& description, uint32_t& sizeKb);
    // Sets the extended name, then the short one; answers the short name's result.
    virtual int32_t driveSetName(uint32_t handle, const std::string& name);
    virtual int32_t driveGetFreeSpace(uint32_t handle, uint32_t& freeKb);
    virtual int32_t driveNumLBAs(uint32_t handle, uint32_t& count);
    virtual int32_t driveFormat(uint32_t handle);
    virtual int32_t driveUpgrade(uint32_t handle);
    virtual int32_t driveRemap(uint32_t handle, uint32_t firstLba, uint16_t count, uint8_t fix, uint16_t& failedReads,
                               uint16_t& rewritten);
    virtual int32_t extractFileSystem(uint32_t handle);

    // Sharing the drive with other programs. A hold keeps them out across many calls (a
    // transfer); the change count grows with every change any program makes, and busy says
    // another program keeps the drive now. The count reads no sector.
    enum class HoldPurpose : uint32_t { Read = 0, Change = 1 };
    virtual int32_t driveHold(uint32_t handle, HoldPurpose purpose);
    virtual int32_t driveRelease(uint32_t handle);
    virtual int32_t driveGetChangeCount(uint32_t handle, uint64_t& count, bool& busy);

    // Songs the volume no longer reaches (after a format or a delete), and making them reachable again.
    virtual int32_t recoverListSongs(uint32_t handle, std::vector<VxfxLostSong>& songs);
    virtual int32_t recoverOpenSong(uint32_t handle, uint32_t slot);
    // `outcomes` gets one entry per slot; projectIndex 0xFFFF for none.
    virtual int32_t recoverRestore(uint32_t handle, const std::vector<uint32_t>& slots, uint16_t projectIndex,
                                   bool partial, std::vector<VxfxRestoreOutcome>& outcomes);

    virtual int32_t projectGetNum(uint32_t handle, uint16_t& count);
    virtual int32_t projectGetLastPrimary(uint32_t handle, uint16_t& index);
    virtual int32_t projectSetPrimary(uint32_t handle, uint16_t index);
    virtual int32_t projectCreate(uint32_t handle);
    virtual int32_t projectDelete(uint32_t handle);
    virtual int32_t projectGetName(uint32_t handle, std::string& name);
    virtual int32_t projectSetName(uint32_t handle, const std::string& name);

    virtual int32_t songGetNum(uint32_t handle, uint16_t& count);
    virtual int32_t songGetLastPrimary(uint32_t handle, uint16_t& index);
    virtual int32_t songSetPrimary(uint32_t handle, uint16_t index);
    // The word length is always 24 bits.
    virtual int32_t songCreate(uint32_t handle, uint32_t sampleRate, uint16_t tracks);
    virtual int32_t songDelete(uint32_t handle);
    virtual int32_t songGetName(uint32_t handle, std::string& name);
    virtual int32_t songSetName(uint32_t handle, const std::string& name);
    virtual int32_t songGetSampleRate(uint32_t handle, uint32_t& rate);
    virtual int32_t songGetWordLength(uint32_t handle, uint16_t& bits);
    // The current song's locate points, loop, tempo map, pitch and slips with its names, as exports carry them.
    virtual int32_t songGetMetadata(uint32_t handle, vxf::transfer::SessionMetadata& metadata);
    virtual int32_t songGetLength(uint32_t handle, uint32_t& samples);
    virtual int32_t songIsWriteProtect(uint32_t handle, uint32_t& flag);
    virtual int32_t songSetWriteProtect(uint32_t handle, uint32_t flag);
    virtual int32_t trackGetNum(uint32_t handle, uint16_t& count);

    virtual int32_t trackOptimalTransferSize(uint32_t handle, uint32_t& samples);
    virtual int32_t trackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                              uint16_t bytesPerSample, uint16_t byteOrder, void* buffer);
    virtual int32_t trackReadAll(uint32_t handle, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                                 uint16_t bytesPerSample, uint16_t byteOrder, void* const* buffers);
    // trackRead that reads a block the drive refuses again sector by sector; what stays unreadable comes back
    // as silence, its samples listed in `silent`.
    virtual int32_t trackReadSalvage(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                     uint32_t& samplesRead, uint16_t bytesPerSample, uint16_t byteOrder, void* buffer,
                                     std::vector<vxf::transfer::SilentSpan>& silent);
    virtual int32_t trackWrite(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                               uint16_t bytesPerSample, uint16_t byteOrder, const void* source);
    virtual int32_t trackWriteAll(uint32_t handle, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                                  uint16_t byteOrder, const void* const* sources);

private:
    // A failure that the caller never hears of must not linger as the server's last error:
    // the next drive count would report it instead of counting.
    int32_t dropFailure(int32_t code);

    int32_t notSupported();

    bool extendedNames_ = false;
    int32_t clientError_ = 0;  // a failure the client reported in place of the server
};

// Keeps other programs out of the drive while one command of the window runs
// (a transfer reads or writes one state of it from start to end).
class HeldDrive {
public:
    HeldDrive(ServerClient& client, uint32_t handle, ServerClient::HoldPurpose purpose);
    ~HeldDrive();
    HeldDrive(const HeldDrive&) = delete;
    HeldDrive& operator=(const HeldDrive&) = delete;
    // False when another program keeps the drive; the server's error tells which.
    bool held() const { return held_; }
    // Lets the others in again once what was written is on the drive; false (the
    // server's error set) when it did not get there.
    bool release();

private:
    ServerClient& client_;
    uint32_t handle_;
    bool held_;
};

}  // namespace deck
