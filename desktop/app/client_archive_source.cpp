// client_archive_source.cpp - the open drive as an archive sees it, through the desktop's server client.
#include "client_archive_source.h"

#include <algorithm>

#include "tavovxf.h"

namespace deck {

ClientArchiveSource::ClientArchiveSource(ServerClient& client, uint32_t handle) : client_(client), handle_(handle) {
    remembered_ = client_.projectGetLastPrimary(handle_, project_) == VXF_OK &&
                  client_.songGetLastPrimary(handle_, song_) == VXF_OK;
    client_.errorText();
}

ClientArchiveSource::~ClientArchiveSource() {
    if (remembered_ && client_.projectSetPrimary(handle_, project_) == VXF_OK) client_.songSetPrimary(handle_, song_);
    client_.errorText();
}

int32_t ClientArchiveSource::driveFacts(vxf::transfer::DriveFacts& facts) {
    uint32_t kib = 0;
    uint32_t sectors = 0;
    int32_t code = client_.driveGetInfo(handle_, facts.description, kib);
    if (code == VXF_OK) code = client_.driveNumLBAs(handle_, sectors);
    if (code == VXF_OK) code = client_.driveGetFSVersion(handle_, facts.version);
    if (code == VXF_OK) code = client_.driveGetName(handle_, facts.name);
    facts.description.erase(facts.description.find_last_not_of(' ') + 1);
    facts.sizeBytes = uint64_t{sectors} * 512;
    while (!facts.version.empty() && facts.version.back() == ' ') facts.version.pop_back();
    while (!facts.name.empty() && facts.name.back() == ' ') facts.name.pop_back();
    return code;
}

int32_t ClientArchiveSource::openProject(uint16_t index, std::string& name) {
    const int32_t code = client_.projectSetPrimary(handle_, index);
    return code == VXF_OK ? client_.projectGetName(handle_, name) : code;
}

int32_t ClientArchiveSource::openSong(uint16_t index, std::string& name, vxf::transfer::SongFacts& facts) {
    uint32_t writeProtected = 0;
    int32_t code = client_.songSetPrimary(handle_, index);
    if (code == VXF_OK) code = client_.songGetSampleRate(handle_, facts.sampleRate);
    if (code == VXF_OK) code = client_.songGetLength(handle_, facts.length);
    if (code == VXF_OK) code = client_.trackGetNum(handle_, facts.trackCount);
    if (code == VXF_OK) code = client_.songGetWordLength(handle_, facts.wordLength);
    if (code == VXF_OK) code = client_.songIsWriteProtect(handle_, writeProtected);
    if (code == VXF_OK) code = client_.songGetName(handle_, name);
    facts.trackCount = std::min<uint16_t>(facts.trackCount, 24);
    facts.writeProtected = writeProtected != 0;
    return code;
}

}  // namespace deck
