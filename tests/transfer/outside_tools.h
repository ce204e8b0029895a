// outside_tools.h - the audio tools of the machine (sndfile-info, ffprobe, soxi, xmllint) run on files we write.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace vxf::transfer::test {

inline bool hasTool(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (access(((folder.empty() ? "." : folder) + "/" + name).c_str(), X_OK) == 0) return true;
    }
    return false;
}

inline std::string quoted(const std::string& text) { return "'" + text + "'"; }

struct ToolOutput {
    int status = -1;
    std::string output;  // standard output and standard error together
};

inline ToolOutput runTool(const std::string& command) {
    ToolOutput run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    run.status = pclose(pipe);
    return run;
}

}  // namespace vxf::transfer::test
