// tool_runner.h - runs the vxf tool as a user runs it and collects its exit status and output.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vxfserver::test {

struct ToolRun {
    int status;
    std::string out;  // standard output, byte for byte (and standard error where it is joined)
};

// `errors` is the shell redirection of standard error: "2>&1" joins it to the
// output, "2>/dev/null" leaves the output as the samples or text alone.
inline ToolRun runTool(const std::string& arguments, const std::string& errors) {
    const std::string command = std::string(VXF_TOOL) + " " + arguments + " " + errors;
    FILE* pipe = ::popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::string out;
    char buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace vxfserver::test
