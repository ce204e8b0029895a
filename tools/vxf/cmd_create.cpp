// cmd_create.cpp - vxf create project: a new empty project at the end of a drive's list.
#include <cstdio>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

int runCreateProject(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments; give the name with --name"};
    vxf::server::Drive drive;
    if (!drive.open(args.number("drive", 1, 65535), vxf::server::Purpose::Change)) return kExitFailure;
    if (tavovxfProjectCreate(drive.handle()) != VXF_OK) return vxf::server::failWith(drive.label());
    uint16_t count = 0;
    if (tavovxfProjectGetNum(drive.handle(), &count) != VXF_OK) return vxf::server::failWith(drive.label());
    // The new project is the last one and the open one.
    if (auto name = args.value("name");
        name && !vxf::server::setBothNames(drive, *name, drive.label() + ", project " + std::to_string(count),
                                           tavovxfProjectSetExtName, tavovxfProjectSetName)) {
        return kExitFailure;
    }
    const std::string stored = vxf::server::nameOf(drive, tavovxfProjectGetName, tavovxfProjectGetExtName);
    std::printf("created project %u on %s: %s\n", count, drive.label().c_str(),
                vxf::server::trimmed(stored).c_str());
    return kExitOk;
}

const Registrar createProject{Command{
    "create project",
    "--drive N [--name NAME]",
    "create an empty project at the end of drive N's project list",
    {"drive", "name"},
    {},
    runCreateProject,
}};

}  // namespace
