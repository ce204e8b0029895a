// cmd_format.cpp - vxf format: a new, empty volume with one project over the whole drive.
#include <cstdio>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

int runFormat(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    vxf::server::requireYes(args, "formatting erases everything on drive " + std::to_string(number));
    vxf::server::Drive drive;
    if (!drive.open(number, vxf::server::Purpose::Change)) return kExitFailure;
    if (tavovxfDriveFormat(drive.handle()) != VXF_OK) return vxf::server::failWith("format of " + drive.label());
    uint32_t freeKiB = 0;
    if (tavovxfDriveGetFreeSpace(drive.handle(), &freeKiB) != VXF_OK) return vxf::server::failWith(drive.label());
    std::printf("formatted %s: one project, %u KiB free\n", drive.label().c_str(), freeKiB);
    return kExitOk;
}

const Registrar format{Command{
    "format",
    "--drive N --yes",
    "format drive N as an empty TAVO VXF 1.10 volume with one project (erases the drive)",
    {"drive"},
    {"yes"},
    runFormat,
}};

}  // namespace
