// cmd_image.cpp - vxf image create: a sparse raw drive image, sector 0 at byte 0.
#include <cstdio>
#include <string>

#include "cli.h"
#include "drive_image.h"

namespace {

using namespace vxf::cli;

// The largest drive whose last sector still has a 32-bit number.
constexpr int64_t kMaxSectors = int64_t{1} << 32;

int createImage(const std::string& path, int64_t sectors) {
    std::string error;
    switch (createSparseImage(path, sectors, error)) {
        case ImageResult::exists: return fail(path + ": already exists; an image is never overwritten");
        case ImageResult::failed: return fail(path + ": " + error);
        case ImageResult::created: break;
    }
    std::printf("created %s: %lld sectors\n", path.c_str(), static_cast<long long>(sectors));
    return kExitOk;
}

int runImageCreate(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give exactly one PATH"};
    int64_t sectors = args.optionalNumber("sectors", 1, kMaxSectors).value_or(kDefaultImageSectors);
    return createImage(args.positional()[0], sectors);
}

const Registrar imageCreate{Command{
    "image create",
    "PATH [--sectors N]",
    "create a sparse raw drive image (default 78165360 sectors, a 40 GB drive); never overwrites",
    {"sectors"},
    {},
    runImageCreate,
}};

}  // namespace
