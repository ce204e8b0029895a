// cmd_image.cpp - vxf image create: a sparse raw drive image, sector 0 at byte 0.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli.h"

namespace {

using namespace vxf::cli;

constexpr int64_t kSectorBytes = 512;
constexpr int64_t kDefaultSectors = 78165360;  // a 40 GB drive
// The largest drive whose last sector still has a 32-bit number.
constexpr int64_t kMaxSectors = int64_t{1} << 32;

int createImage(const std::string& path, int64_t sectors) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) return fail(path + ": already exists; an image is never overwritten");
        return fail(path + ": " + std::strerror(errno));
    }
    // ftruncate leaves the file sparse: no block is written until the drive is used.
    bool ok = ::ftruncate(fd, static_cast<off_t>(sectors * kSectorBytes)) == 0;
    int error = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(path.c_str());
        return fail(path + ": " + std::strerror(error));
    }
    std::printf("created %s: %lld sectors\n", path.c_str(), static_cast<long long>(sectors));
    return kExitOk;
}

int runImageCreate(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give exactly one PATH"};
    int64_t sectors = args.optionalNumber("sectors", 1, kMaxSectors).value_or(kDefaultSectors);
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
