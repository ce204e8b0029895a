// cmd_delete.cpp - vxf delete project: a project and all its songs go from a drive.
#include <cstdio>
#include <string>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

int runDeleteProject(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    const int64_t project = args.number("project", 1, 65535);
    vxf::server::requireYes(args, "deleting project " + std::to_string(project) + " deletes all its songs");
    vxf::server::Drive drive;
    if (!drive.open(number, vxf::server::Purpose::Change) || !drive.openProject(project)) return kExitFailure;
    const std::string label = drive.label() + ", project " + std::to_string(project);
    if (tavovxfProjectDelete(drive.handle()) != VXF_OK) return vxf::server::failWith(label);
    std::printf("deleted %s\n", label.c_str());
    return kExitOk;
}

const Registrar deleteProject{Command{
    "delete project",
    "--drive N --project P --yes",
    "delete project P of drive N with all its songs",
    {"drive", "project"},
    {"yes"},
    runDeleteProject,
}};

}  // namespace
