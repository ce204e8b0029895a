// cmd_projects.cpp - vxf projects: the projects of a drive in their order, with the primary one marked.
#include <cstdio>
#include <string>
#include <vector>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

struct ProjectRow {
    int64_t number = 0;
    std::string name;
    bool primary = false;
};

void printTable(const std::vector<ProjectRow>& rows) {
    std::printf("%-7s  %-8s  %s\n", "PROJECT", "PRIMARY", "NAME");
    for (const ProjectRow& r : rows) {
        std::printf("%-7lld  %-8s  %s\n", static_cast<long long>(r.number), r.primary ? "*" : "",
                    vxf::server::trimmed(r.name).c_str());
    }
}

void printJson(const std::vector<ProjectRow>& rows) {
    std::printf("[");
    for (size_t i = 0; i < rows.size(); ++i) {
        std::printf("%s\n  {\"number\": %lld, \"name\": %s, \"primary\": %s}", i ? "," : "",
                    static_cast<long long>(rows[i].number), vxf::server::jsonString(rows[i].name).c_str(),
                    rows[i].primary ? "true" : "false");
    }
    std::printf("%s]\n", rows.empty() ? "" : "\n");
}

int runProjects(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    vxf::server::Drive drive;
    if (!drive.open(args.number("drive", 1, 65535))) return kExitFailure;
    uint16_t count = 0;
    uint16_t primary = 0;
    if (tavovxfProjectGetNum(drive.handle(), &count) != VXF_OK ||
        tavovxfProjectGetLastPrimary(drive.handle(), &primary) != VXF_OK) {
        return vxf::server::failWith(drive.label());
    }
    // A project's names are read by opening it; the primary one is opened again at the end.
    std::vector<ProjectRow> rows;
    for (int64_t number = 1; number <= count; ++number) {
        if (!drive.openProject(number)) return kExitFailure;
        rows.push_back({number, vxf::server::nameOf(drive, tavovxfProjectGetName, tavovxfProjectGetExtName),
                        number - 1 == primary});
    }
    if (count > 0 && tavovxfProjectSetPrimary(drive.handle(), primary) != VXF_OK) {
        return vxf::server::failWith(drive.label());
    }
    if (args.has("json")) {
        printJson(rows);
    } else {
        printTable(rows);
    }
    return kExitOk;
}

const Registrar projects{Command{
    "projects",
    "--drive N [--json]",
    "list the projects of drive N in their order; the primary project is marked",
    {"drive"},
    {"json"},
    runProjects,
}};

}  // namespace
