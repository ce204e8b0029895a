// cli_fixture.cpp - running the vxf tool as a user runs it, on the test's own drive images and enumeration file.
#include "cli_fixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tavovxf.h"

namespace vxf::transfer::test {

namespace {
std::string textOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
}  // namespace

ToolRun CliFixture::vxf(const std::string& arguments) {
    const std::string out = folder_ + "/vxf.out";
    const std::string err = folder_ + "/vxf.err";
    const std::string command =
        quoted(VXF_TOOL) + " " + arguments + " <" + "/dev/null >" + quoted(out) + " 2>" + quoted(err);
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, textOf(out), textOf(err)};
}

void CliFixture::releaseDrive() {
    if (handle_ != 0) tavovxfDriveClose(handle_);
    handle_ = 0;
}

Bytes CliFixture::dumpTrack(int song, int track, int drive) {
    const ToolRun run = vxf("dump-track --drive " + std::to_string(drive) + " --project 1 --song " + std::to_string(song) +
                        " --track " + std::to_string(track));
    EXPECT_EQ(run.status, 0) << run.err;
    return Bytes(run.out.begin(), run.out.end());
}

std::string CliFixture::quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string CliFixture::findSox() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/sox";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return "";
}

}  // namespace vxf::transfer::test
