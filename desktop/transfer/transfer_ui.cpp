// transfer_ui.cpp - the free space a transfer may use, asked of the file system unless the front end knows better.
#include "transfer_ui.h"

#include <filesystem>

namespace vxf::transfer {

std::optional<uint64_t> TransferQuestions::freeBytes(const std::string& directory) {
    std::error_code error;
    const std::filesystem::space_info space = std::filesystem::space(directory, error);
    if (error) return std::nullopt;
    return space.available;
}

}  // namespace vxf::transfer
