// archive_session.h - what vxf archive and verify share: the drive as an archive source, and its song list.
#pragma once

#include <cstring>
#include <string>

#include "archive_source.h"
#include "server_exports.h"
#include "server_session.h"

namespace vxf::cli {

// The drive's projects and songs through the exports. What was current when it began is made
// current again at the end, so that a held drive has no bookkeeping of the archive's to write.
class ExportsArchiveSource : public transfer::ArchiveSource {
public:
    explicit ExportsArchiveSource(const server::Drive& drive) : drive_(drive) {
        remembered_ = tavovxfProjectGetLastPrimary(drive.handle(), &project_) == VXF_OK &&
                      tavovxfSongGetLastPrimary(drive.handle(), &song_) == VXF_OK;
        server::errorMessage();
    }
    ~ExportsArchiveSource() override {
        if (remembered_ && tavovxfProjectSetPrimary(drive_.handle(), project_) == VXF_OK) {
            tavovxfSongSetPrimary(drive_.handle(), song_);
        }
        server::errorMessage();
    }

    int32_t driveFacts(transfer::DriveFacts& facts) override {
        char description[VXF_DESCRIPTION_SIZE + 1] = {};
        char version[VXF_VERSION_SIZE] = {};
        uint32_t kib = 0;
        uint32_t sectors = 0;
        int32_t code = tavovxfDriveGetInfo(drive_.handle(), description, &kib);
        if (code == VXF_OK) code = tavovxfDriveNumLBAs(drive_.handle(), &sectors);
        if (code == VXF_OK) code = tavovxfDriveGetFSVersion(drive_.handle(), version);
        if (code != VXF_OK) return code;
        facts.description = std::string(description, strnlen(description, VXF_DESCRIPTION_SIZE));
        facts.description.erase(facts.description.find_last_not_of(' ') + 1);
        facts.sizeBytes = uint64_t{sectors} * 512;
        facts.version = server::trimmed(version);
        facts.name = server::trimmed(server::nameOf(drive_, tavovxfDriveGetName, tavovxfDriveGetExtName));
        return VXF_OK;
    }
    int32_t projectCount(uint16_t& count) override { return tavovxfProjectGetNum(drive_.handle(), &count); }
    int32_t songMetadata(transfer::SessionMetadata& metadata) override {
        return transfer::readSessionMetadata(drive_.handle(), drive_.extendedNames(), metadata);
    }
    int32_t openProject(uint16_t index, std::string& name) override {
        const int32_t code = tavovxfProjectSetPrimary(drive_.handle(), index);
        if (code == VXF_OK) name = server::nameOf(drive_, tavovxfProjectGetName, tavovxfProjectGetExtName);
        return code;
    }
    int32_t songCount(uint16_t& count) override { return tavovxfSongGetNum(drive_.handle(), &count); }
    int32_t openSong(uint16_t index, std::string& name, transfer::SongFacts& facts) override {
        int32_t code = tavovxfSongSetPrimary(drive_.handle(), index);
        if (code == VXF_OK) code = transfer::readSongFacts(drive_.handle(), facts);
        if (code == VXF_OK) name = server::nameOf(drive_, tavovxfSongGetName, tavovxfSongGetExtName);
        return code;
    }
    std::string errorText() override { return server::errorMessage(); }

private:
    const server::Drive& drive_;
    bool remembered_ = false;
    uint16_t project_ = 0;
    uint16_t song_ = 0;
};

}  // namespace vxf::cli
