// chunk_file.h - chunk-aware file I/O for RIFF WAVE and AIFF: descend, ascend and create chunks.
#pragma once

#include <cstdint>

#include "binary_file.h"

namespace vxf::transfer {

// A chunk is a four-character identifier, a 32-bit size and that many data bytes,
// followed by one pad byte when the size is odd.
struct Chunk {
    uint32_t id = 0;
    uint32_t size = 0;          // data bytes; for a form chunk the form type counts too
    uint32_t formType = 0;      // form chunks only ("WAVE", "AIFF")
    uint64_t dataOffset = 0;    // first byte after the size field
    bool created = false;       // written by us: ascending fills in the size
};

// RIFF stores sizes little-endian, AIFF big-endian.
enum class SizeOrder { LittleEndian, BigEndian };

constexpr uint32_t kChunkHeaderSize = 8;

class ChunkFile : public BinaryFile {
public:
    // Reads the form header (identifier, size, form type) at the current position.
    bool descendForm(Chunk& form, SizeOrder order);
    // Searches from the current position for the chunk `id` inside `parent` (the whole file when
    // null), stepping over other chunks and their pad bytes. Succeeds with the position at the
    // chunk's first data byte; fails when the search reaches the end or a chunk runs past it.
    bool descend(Chunk& found, uint32_t id, const Chunk* parent, SizeOrder order);
    // Leaves a chunk. One that was read: moves past its data and pad byte. One that was written:
    // the data ends at the current position; appends the pad byte and fills in the size, little-endian.
    bool ascend(Chunk& chunk);

    // Writes a chunk header at the current position; its size is filled in by ascend.
    bool createChunk(Chunk& chunk, uint32_t id);
    // Writes "RIFF", a size to be filled in and the form type.
    bool createRiffForm(Chunk& form, uint32_t formType);

private:
    bool readHeader(Chunk& chunk, SizeOrder order);
};

}  // namespace vxf::transfer
