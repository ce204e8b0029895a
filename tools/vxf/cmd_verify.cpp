// cmd_verify.cpp - vxf verify: a bag checked as an archive checks it, and against the drive it came from.
#include <cstdio>
#include <filesystem>
#include <string>

#include "archive_journal.h"
#include "archive_session.h"
#include "bag_check.h"
#include "bag_drive_check.h"
#include "cli.h"
#include "drive_transfer_server.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

int runVerify(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"takes the bag's folder"};
    const std::string directory = args.positional().front();
    std::error_code error;
    if (!std::filesystem::is_directory(directory, error)) return fail(directory + " is not a folder");
    vxf::transfer::BagCheck check = vxf::transfer::checkBag(directory);
    if (std::filesystem::exists(directory + "/" + vxf::transfer::kArchiveJournal, error)) {
        check.problems.push_back({vxf::transfer::kArchiveJournal, "the archive was stopped before it was finished"});
    }
    if (args.has("drive")) {
        vxf::server::Drive drive;
        if (!drive.open(args.number("drive", 1, 65535), vxf::server::Purpose::Read)) return kExitFailure;
        ExportsArchiveSource source(drive);
        vxf::transfer::ServerExports exports(drive.extendedNames());
        vxf::transfer::DriveTransferServer<vxf::transfer::ServerExports> server(exports, drive.handle());
        vxf::transfer::compareBagWithDrive(directory, source, server, check);
    }
    for (const vxf::transfer::BagProblem& problem : check.problems) {
        std::printf("%s: %s\n", problem.path.c_str(), problem.what.c_str());
    }
    if (!check.valid()) {
        std::fprintf(stderr, "vxf: %s is not valid: %zu problems\n", directory.c_str(), check.problems.size());
        return kExitFailure;
    }
    std::printf("%s is valid: %llu files, %llu bytes%s\n", directory.c_str(),
                static_cast<unsigned long long>(check.files), static_cast<unsigned long long>(check.bytes),
                args.has("drive") ? ", every track equal to the drive's" : "");
    return kExitOk;
}

const Registrar verifyBag{Command{
    "verify",
    "DIR [--drive N]",
    "check the bag in DIR: every payload file listed and present, SHA-256 equal, Payload-Oxum right, nothing "
    "extra; with --drive N also compare every file's samples with its track on drive N. Exit status 0 when "
    "valid, 1 with the files that differ or are missing",
    {"drive"},
    {},
    runVerify,
}};

}  // namespace
