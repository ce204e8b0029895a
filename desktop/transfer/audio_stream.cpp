// audio_stream.cpp - what an open audio file knows: the file, its format and where its samples lie.
#include "audio_stream.h"

#include <filesystem>

namespace vxf::transfer {

bool ascendDataAndForm(AudioStream& stream) {
    ChunkFile& file = stream.file;
    return file.seek(stream.dataOffset + stream.dataWritten) && file.ascend(stream.inner) && file.ascend(stream.outer);
}

std::string storedFileName(const std::string& path, size_t maxBytes) {
    std::string name = std::filesystem::path(path).stem().string();
    if (name.size() <= maxBytes) return name;
    size_t cut = maxBytes;
    // Step back over continuation bytes (10xxxxxx) so the cut lands on a character start.
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

}  // namespace vxf::transfer
