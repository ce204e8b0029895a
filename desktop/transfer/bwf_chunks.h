// bwf_chunks.h - the chunks a Broadcast Wave export adds: bext, cue  with LIST/adtl, iXML; and the AIFF MARK chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session_metadata.h"

namespace vxf::transfer {

using ChunkBytes = std::vector<uint8_t>;

// What one exported file holds: the caller tracks (from 0) in channel order, the word length written and when.
struct FileContents {
    std::vector<uint16_t> tracks;
    uint16_t wordLength = 24;
    std::string date;  // yyyy-mm-dd
    std::string time;  // hh:mm:ss
};

// The date and time of now, local, in the two forms above.
void stampNow(FileContents& contents);

// Each gives one whole chunk: identifier, little-endian size, data and pad byte.
ChunkBytes bextChunk(const SessionMetadata& song, const FileContents& contents);
// Empty when no point is on the timeline.
ChunkBytes cueChunk(const SessionMetadata& song);
// The labels of the cue points and the loop's region; empty when there are no cue points.
ChunkBytes adtlChunk(const SessionMetadata& song);
ChunkBytes ixmlChunk(const SessionMetadata& song, const FileContents& contents);
// All of the above, in the order a WAV export writes them before its data.
ChunkBytes broadcastChunks(const SessionMetadata& song, const FileContents& contents);

// The iXML document itself (UTF-8, plain ASCII in fact).
std::string ixmlDocument(const SessionMetadata& song, const FileContents& contents);

// The locate points on the timeline as an AIFF MARK chunk, big-endian; empty when there are none.
ChunkBytes aiffMarkChunk(const SessionMetadata& song);

// The cue point identifiers: locate k is k + 1; the loop's own point follows the locates.
constexpr uint32_t kLoopCueId = 26;
// What the labels call a point: its name without outer blanks, or "Locate N" when that leaves nothing.
std::string locateLabel(const SessionMetadata& song, size_t locate);

}  // namespace vxf::transfer
