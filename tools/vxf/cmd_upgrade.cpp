// cmd_upgrade.cpp - vxf upgrade: a TAVO VXF 1.00 volume becomes a 1.10 volume over the whole drive.
#include <cstdio>
#include <string>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

int runUpgrade(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    vxf::server::requireYes(args, "after the upgrade drive " + std::to_string(number) +
                                      " only works in recorders of version 1.10 and later");
    vxf::server::Drive drive;
    if (!drive.open(number, vxf::server::Purpose::Change)) return kExitFailure;
    if (drive.extendedNames()) {
        std::printf("%s is already TAVO VXF 1.10\n", drive.label().c_str());
        return kExitOk;
    }
    if (tavovxfDriveUpgrade(drive.handle()) != VXF_OK) return vxf::server::failWith("upgrade of " + drive.label());
    uint32_t freeKiB = 0;
    if (tavovxfDriveGetFreeSpace(drive.handle(), &freeKiB) != VXF_OK) return vxf::server::failWith(drive.label());
    std::printf("upgraded %s to TAVO VXF 1.10: %u KiB free\n", drive.label().c_str(), freeKiB);
    return kExitOk;
}

const Registrar upgrade{Command{
    "upgrade",
    "--drive N --yes",
    "upgrade the TAVO VXF 1.00 volume of drive N to version 1.10 over the whole drive",
    {"drive"},
    {"yes"},
    runUpgrade,
}};

}  // namespace
