// client_archive_source.h - the open drive as an archive sees it, through the desktop's server client.
#pragma once

#include "archive_source.h"
#include "server_client.h"

namespace deck {

// What was current when it began is made current again at the end, so the panes show what they
// showed and the held drive has no bookkeeping of the archive's to write.
class ClientArchiveSource : public vxf::transfer::ArchiveSource {
public:
    ClientArchiveSource(ServerClient& client, uint32_t handle);
    ~ClientArchiveSource() override;

    int32_t driveFacts(vxf::transfer::DriveFacts& facts) override;
    int32_t projectCount(uint16_t& count) override { return client_.projectGetNum(handle_, count); }
    int32_t openProject(uint16_t index, std::string& name) override;
    int32_t songCount(uint16_t& count) override { return client_.songGetNum(handle_, count); }
    int32_t openSong(uint16_t index, std::string& name, vxf::transfer::SongFacts& facts) override;
    int32_t songMetadata(vxf::transfer::SessionMetadata& metadata) override {
        return client_.songGetMetadata(handle_, metadata);
    }
    std::string errorText() override { return client_.errorText(); }

private:
    ServerClient& client_;
    uint32_t handle_;
    bool remembered_ = false;
    uint16_t project_ = 0;
    uint16_t song_ = 0;
};

}  // namespace deck
