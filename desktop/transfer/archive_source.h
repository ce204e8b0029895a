// archive_source.h - what an archive asks of the drive: its facts, its projects and songs, and the server of a song.
#pragma once

#include <cstdint>
#include <string>

#include "session_metadata.h"

#include "transfer_server.h"

namespace vxf::transfer {

struct DriveFacts {
    std::string name;         // as the drive names itself
    std::string description;  // the drive's vendor and product, as it reports them
    uint64_t sizeBytes = 0;
    std::string version;      // of the volume
};

// Every call answers the server's code (0 = success) and leaves its message for errorText().
// Indexes are 0-based. The command line binds the exports here, the desktop its server client.
class ArchiveSource {
public:
    virtual ~ArchiveSource() = default;

    virtual int32_t driveFacts(DriveFacts& facts) = 0;
    virtual int32_t projectCount(uint16_t& count) = 0;
    // Makes the project current and gives its name.
    virtual int32_t openProject(uint16_t index, std::string& name) = 0;
    // Of the current project.
    virtual int32_t songCount(uint16_t& count) = 0;
    // Makes the song of the current project current; its name and facts.
    virtual int32_t openSong(uint16_t index, std::string& name, SongFacts& facts) = 0;
    // Of the current song: locate points, loop, tempo map, pitch and slips, with the names.
    virtual int32_t songMetadata(SessionMetadata& metadata) = 0;
    virtual std::string errorText() = 0;
};

}  // namespace vxf::transfer
