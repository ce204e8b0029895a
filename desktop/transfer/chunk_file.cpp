// chunk_file.cpp - chunk-aware file I/O for RIFF WAVE and AIFF: descend, ascend and create chunks.
#include "chunk_file.h"

#include <algorithm>

#include "byte_order.h"

namespace vxf::transfer {

namespace {
uint64_t paddedEnd(const Chunk& chunk) { return chunk.dataOffset + chunk.size + (chunk.size & 1u); }
}  // namespace

bool ChunkFile::readHeader(Chunk& chunk, SizeOrder order) {
    uint8_t header[kChunkHeaderSize];
    if (!readExact(header, sizeof header)) return false;
    chunk = Chunk{};
    chunk.id = loadFourCC(header);
    chunk.size = order == SizeOrder::LittleEndian ? loadLe32(header + 4) : loadBe32(header + 4);
    chunk.dataOffset = position();
    return true;
}

bool ChunkFile::descendForm(Chunk& form, SizeOrder order) {
    if (!readHeader(form, order)) return false;
    uint8_t type[4];
    if (!readExact(type, sizeof type)) return false;
    form.formType = loadFourCC(type);
    return true;
}

bool ChunkFile::descend(Chunk& found, uint32_t id, const Chunk* parent, SizeOrder order) {
    uint64_t end = length();
    if (parent) end = std::min(end, parent->dataOffset + parent->size);
    uint64_t at = position();
    while (at + kChunkHeaderSize <= end) {
        Chunk chunk;
        if (!seek(at) || !readHeader(chunk, order)) return false;
        if (chunk.id == id) {
            found = chunk;
            return true;
        }
        // A size running past the end cannot be stepped over: the search ends there.
        at = paddedEnd(chunk);
        if (at > end) return false;
    }
    return false;
}

bool ChunkFile::ascend(Chunk& chunk) {
    if (!chunk.created) return seek(paddedEnd(chunk));
    uint64_t end = position();
    if (end < chunk.dataOffset || end - chunk.dataOffset > UINT32_MAX) return false;
    chunk.size = static_cast<uint32_t>(end - chunk.dataOffset);
    if (chunk.size & 1u) {
        const uint8_t pad = 0;
        if (!write(&pad, 1)) return false;
    }
    uint8_t size[4];
    storeLe32(size, chunk.size);
    return seek(chunk.dataOffset - 4) && write(size, sizeof size) && seek(paddedEnd(chunk));
}

bool ChunkFile::createChunk(Chunk& chunk, uint32_t id) {
    uint8_t header[kChunkHeaderSize] = {};
    storeFourCC(header, id);
    if (!write(header, sizeof header)) return false;
    chunk = Chunk{};
    chunk.id = id;
    chunk.dataOffset = position();
    chunk.created = true;
    return true;
}

bool ChunkFile::createRiffForm(Chunk& form, uint32_t formType) {
    uint8_t type[4];
    storeFourCC(type, formType);
    if (!createChunk(form, fourCC("RIFF")) || !write(type, sizeof type)) return false;
    form.formType = formType;
    return true;
}

}  // namespace vxf::transfer
