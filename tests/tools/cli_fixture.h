// cli_fixture.h - running the vxf tool as a user runs it, on the test's own drive images and enumeration file.
#pragma once

#include <string>
#include <vector>

#include "transfer_fixture.h"

namespace vxf::transfer::test {

struct ToolRun {
    int status = -1;  // exit status; -1 when the program did not exit
    std::string out;
    std::string err;
};

class CliFixture : public TransferFixture {
protected:
    // `arguments` go through the shell; quote paths with quoted().
    ToolRun vxf(const std::string& arguments);
    // A song made in this process is on the image for the tool once the handle is closed.
    void releaseDrive();
    // The track's samples as `vxf dump-track` gives them (3 bytes, little-endian).
    Bytes dumpTrack(int song, int track, int drive = 1);

    static std::string quoted(const std::string& text);
    // sox on PATH, or "" (the test is then skipped).
    static std::string findSox();
};

}  // namespace vxf::transfer::test
