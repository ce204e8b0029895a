// cmd_extract.cpp - vxf extract: the six diagnostic text dumps of a drive's volume.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

constexpr const char* kDumpFiles[] = {"super_block.txt",  "project_list.txt",    "song_bitmap.txt",
                                      "audio_bitmap.txt", "primary_project.txt", "primary_song.txt"};

int runExtract(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    // The server writes where VXF_EXTRACT_DIR says, /tmp/vxf_extract otherwise.
    if (const auto out = args.value("out")) {
        if (out->empty()) throw UsageError{"--out needs a folder"};
        ::setenv("VXF_EXTRACT_DIR", out->c_str(), 1);
    }
    const char* named = std::getenv("VXF_EXTRACT_DIR");
    const std::string folder = named != nullptr && named[0] != '\0' ? named : "/tmp/vxf_extract";
    // The server reports success whatever the dumps meet: old files go first,
    // so that what is there afterwards is this run's.
    std::error_code ignored;
    for (const char* name : kDumpFiles) std::filesystem::remove(folder + "/" + name, ignored);

    vxf::server::Drive drive;
    if (!drive.open(number)) return kExitFailure;
    if (tavovxfExtractFileSystem(drive.handle()) != VXF_OK) return vxf::server::failWith(drive.label());
    for (const char* name : kDumpFiles) {
        const std::string path = folder + "/" + name;
        if (!std::filesystem::is_regular_file(path, ignored)) return fail("could not write " + path);
        std::printf("%s\n", path.c_str());
    }
    return kExitOk;
}

const Registrar extract{Command{
    "extract",
    "--drive N [--out DIR]",
    "write the volume of drive N as six text dumps (super block, project list, song and audio bitmaps, primary "
    "project and song) into DIR, /tmp/vxf_extract by default",
    {"drive", "out"},
    {},
    runExtract,
}};

}  // namespace
