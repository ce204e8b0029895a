// cmd_rename.cpp - vxf rename drive, vxf rename project: new names, stored in both the short and the extended form.
#include <cstdio>
#include <string>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

const std::string& newName(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give exactly one NAME"};
    return args.positional()[0];
}

int runRenameDrive(const Args& args) {
    const std::string& name = newName(args);
    vxf::server::Drive drive;
    if (!drive.open(args.number("drive", 1, 65535), vxf::server::Purpose::Change)) return kExitFailure;
    if (!vxf::server::setBothNames(drive, name, drive.label(), tavovxfDriveSetExtName, tavovxfDriveSetName)) {
        return kExitFailure;
    }
    const std::string stored = vxf::server::nameOf(drive, tavovxfDriveGetName, tavovxfDriveGetExtName);
    std::printf("%s is now named %s\n", drive.label().c_str(), vxf::server::trimmed(stored).c_str());
    return kExitOk;
}

int runRenameProject(const Args& args) {
    const std::string& name = newName(args);
    vxf::server::Drive drive;
    if (!drive.open(args.number("drive", 1, 65535), vxf::server::Purpose::Change)) return kExitFailure;
    const int64_t project = args.number("project", 1, 65535);
    if (!drive.openProject(project)) return kExitFailure;
    const std::string label = drive.label() + ", project " + std::to_string(project);
    if (!vxf::server::setBothNames(drive, name, label, tavovxfProjectSetExtName, tavovxfProjectSetName)) {
        return kExitFailure;
    }
    const std::string stored = vxf::server::nameOf(drive, tavovxfProjectGetName, tavovxfProjectGetExtName);
    std::printf("%s is now named %s\n", label.c_str(), vxf::server::trimmed(stored).c_str());
    return kExitOk;
}

const Registrar renameDrive{Command{
    "rename drive",
    "--drive N NAME",
    "rename drive N (letters, digits and blanks on 1.00 volumes; the server drops anything else)",
    {"drive"},
    {},
    runRenameDrive,
}};

const Registrar renameProject{Command{
    "rename project",
    "--drive N --project P NAME",
    "rename project P of drive N",
    {"drive", "project"},
    {},
    runRenameProject,
}};

}  // namespace
