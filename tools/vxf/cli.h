// cli.h - command table and argument parsing of the vxf tool.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vxf::cli {

// Exit statuses shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
// Done, but parts could not be read: silent gaps of a salvage, sectors that stay unreadable.
constexpr int kExitUnreadable = 3;

// Thrown only inside the tool (never across a library) for wrong usage;
// main turns it into the usage message and status 2.
struct UsageError {
    std::string message;
};

class Args {
public:
    // Options that take a value may be given more than once ("--track a=1 --track b=2").
    bool has(const std::string& name) const;
    std::optional<std::string> value(const std::string& name) const;
    std::vector<std::string> values(const std::string& name) const;
    std::string required(const std::string& name) const;
    // Whole numbers only; a value out of [min, max] is a usage error.
    int64_t number(const std::string& name, int64_t min, int64_t max) const;
    std::optional<int64_t> optionalNumber(const std::string& name, int64_t min, int64_t max) const;

    const std::vector<std::string>& positional() const { return positional_; }
    const std::string& commandName() const { return command_; }

private:
    friend Args parseArgs(const struct Command&, const std::vector<std::string>&);
    std::string command_;
    std::multimap<std::string, std::string> options_;
    std::vector<std::string> positional_;
};

struct Command {
    std::string name;                       // one or more words, "drives add"
    std::string usage;                      // argument synopsis after the name
    std::string summary;                    // one line for the command list
    std::vector<std::string> valueOptions;  // options followed by a value
    std::vector<std::string> flagOptions;   // options standing alone
    int (*run)(const Args&);
};

Args parseArgs(const Command& command, const std::vector<std::string>& words);

// Commands register themselves from their own files at start-up.
struct Registrar {
    explicit Registrar(Command command);
};
const std::vector<Command>& commands();

// -q/--quiet and -v/--verbose, given anywhere on the command line. Quiet leaves out progress and the lines that
// only report what was done; failures and listings are never left out. Verbose adds what the command opened and
// chose, on stderr.
enum class Verbosity { Quiet, Normal, Verbose };
void setVerbosity(Verbosity verbosity);
Verbosity verbosity();
inline bool quiet() { return verbosity() == Verbosity::Quiet; }
// "vxf: MESSAGE" on stderr in a verbose run.
void note(const std::string& message);

// Failure message on stderr ("vxf: ...") and status 1.
int fail(const std::string& message);
// The message of the latest fail(), for a failure told as JSON too.
const std::string& lastFailure();

// Parses a whole number strictly: no sign where min >= 0, no trailing text.
std::optional<int64_t> parseNumber(const std::string& text);

}  // namespace vxf::cli
