// main.cpp - the vxf command-line tool: finds the command and runs it.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "server_session.h"
#include "man_page.h"
#include "progress_line.h"
#include "vxf_version.h"

using namespace vxf::cli;

namespace {

constexpr const char* kTryHelp = "Try 'vxf --help'.\n";

size_t wordCount(const std::string& name) {
    size_t n = 1;
    for (char c : name) n += (c == ' ');
    return n;
}

// The command whose words match the most leading arguments.
const Command* findCommand(const std::vector<std::string>& words, size_t& used) {
    const Command* best = nullptr;
    used = 0;
    for (const Command& c : commands()) {
        size_t n = wordCount(c.name);
        if (n > words.size() || n <= used) continue;
        std::string joined;
        for (size_t i = 0; i < n; ++i) joined += (i ? " " : "") + words[i];
        if (joined == c.name) {
            best = &c;
            used = n;
        }
    }
    return best;
}

void printCommandList(FILE* out) {
    std::fprintf(out, "usage: vxf <command> [options]\n\ncommands:\n");
    for (const Command& c : commands()) std::fprintf(out, "  %-18s %s\n", c.name.c_str(), c.summary.c_str());
    std::fprintf(out, "\n'vxf <command> --help' describes a command. Every command takes -q/--quiet (no progress,\n"
                      "no report of what was done) and -v/--verbose (what it opened and chose, on stderr).\n");
}

// A program reading the output as JSON learns of a failure from it too.
void printJsonFailure(int status, const std::string& message) {
    std::printf("{\"error\": {\"status\": %d, \"message\": %s}}\n", status, vxf::server::jsonString(message).c_str());
}

bool isQuietFlag(const std::string& w) { return w == "-q" || w == "--quiet"; }
bool isVerboseFlag(const std::string& w) { return w == "-v" || w == "--verbose"; }

// Takes -q/--quiet and -v/--verbose out of the words, wherever they stand before "--" and are not the value of a
// value option (a song named "-v" stays a name). Answers false when both are given.
bool takeVerbosity(std::vector<std::string>& words, const Command* command) {
    bool quiet = false;
    bool verbose = false;
    std::vector<std::string> kept;
    bool valueNext = false;
    bool onlyPositional = false;
    for (const std::string& w : words) {
        if (!onlyPositional && !valueNext && (isQuietFlag(w) || isVerboseFlag(w))) {
            (isQuietFlag(w) ? quiet : verbose) = true;
            continue;
        }
        if (w == "--") onlyPositional = true;
        valueNext = !onlyPositional && !valueNext && command && w.rfind("--", 0) == 0 &&
                    std::find(command->valueOptions.begin(), command->valueOptions.end(), w.substr(2)) !=
                        command->valueOptions.end();
        kept.push_back(w);
    }
    words = std::move(kept);
    if (quiet && verbose) return false;
    setVerbosity(quiet ? Verbosity::Quiet : verbose ? Verbosity::Verbose : Verbosity::Normal);
    vxf::transfer::setTerminalProgressAllowed(!quiet);
    return true;
}

void printUsage(FILE* out, const Command& c) {
    std::fprintf(out, "usage: vxf %s %s\n%s\n", c.name.c_str(), c.usage.c_str(), c.summary.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    // Flags in front of the command; those after it are taken once the command is known.
    size_t leading = 0;
    while (leading < words.size() && (isQuietFlag(words[leading]) || isVerboseFlag(words[leading]))) ++leading;
    std::vector<std::string> front(words.begin(), words.begin() + static_cast<long>(leading));
    words.erase(words.begin(), words.begin() + static_cast<long>(leading));
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        printCommandList(words.empty() ? stderr : stdout);
        return words.empty() ? kExitUsage : kExitOk;
    }
    if (words[0] == "--version") {
        std::printf("vxf %s\n", VXF_VERSION);
        return kExitOk;
    }
    // The build makes the manual page from the command table with this.
    if (words[0] == "--man-page") {
        printManPage(stdout);
        return kExitOk;
    }
    size_t used = 0;
    const Command* command = findCommand(words, used);
    if (!command) {
        std::fprintf(stderr, "vxf: unknown command '%s'\n%s", words[0].c_str(), kTryHelp);
        return kExitUsage;
    }
    std::vector<std::string> rest(words.begin() + static_cast<long>(used), words.end());
    rest.insert(rest.begin(), front.begin(), front.end());
    if (!takeVerbosity(rest, command)) {
        std::fprintf(stderr, "vxf %s: -q and -v exclude each other\n%s", command->name.c_str(), kTryHelp);
        return kExitUsage;
    }
    for (const std::string& w : rest) {
        if (w == "--") break;
        if (w == "--help" || w == "-h") {
            printUsage(stdout, *command);
            return kExitOk;
        }
    }
    const bool json = std::find(rest.begin(), rest.end(), "--json") != rest.end();
    try {
        const int status = command->run(parseArgs(*command, rest));
        if (json && status == kExitFailure) printJsonFailure(status, lastFailure());
        return status;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vxf %s: %s\n%s", command->name.c_str(), e.message.c_str(), kTryHelp);
        if (json) printJsonFailure(kExitUsage, e.message);
        return kExitUsage;
    }
}
