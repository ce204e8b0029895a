// cli.cpp - command table and argument parsing of the vxf tool.
#include "cli.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vxf::cli {

namespace {
std::vector<Command>& table() {
    static std::vector<Command> all;
    return all;
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}
}  // namespace

Registrar::Registrar(Command command) { table().push_back(std::move(command)); }

const std::vector<Command>& commands() { return table(); }

namespace {
std::string g_lastFailure;
Verbosity g_verbosity = Verbosity::Normal;
}  // namespace

void setVerbosity(Verbosity verbosity) { g_verbosity = verbosity; }
Verbosity verbosity() { return g_verbosity; }

void note(const std::string& message) {
    if (g_verbosity == Verbosity::Verbose) std::fprintf(stderr, "vxf: %s\n", message.c_str());
}

int fail(const std::string& message) {
    g_lastFailure = message;
    std::fprintf(stderr, "vxf: %s\n", message.c_str());
    return kExitFailure;
}

const std::string& lastFailure() { return g_lastFailure; }

std::optional<int64_t> parseNumber(const std::string& text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    size_t start = (text[0] == '-') ? 1 : 0;
    if (start == text.size()) return std::nullopt;
    bool hex = text.size() > start + 2 && text[start] == '0' && (text[start + 1] == 'x' || text[start + 1] == 'X');
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == nullptr || *end != '\0') return std::nullopt;
    for (size_t i = start + (hex ? 2 : 0); i < text.size(); ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        if (!hex && !std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    }
    return static_cast<int64_t>(v);
}

Args parseArgs(const Command& command, const std::vector<std::string>& words) {
    Args args;
    args.command_ = command.name;
    bool onlyPositional = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (onlyPositional || w.size() < 2 || w.rfind("--", 0) != 0) {
            args.positional_.push_back(w);
            continue;
        }
        if (w == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = w.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (contains(command.valueOptions, name)) {
            if (inlineValue) {
                args.options_.emplace(name, *inlineValue);
            } else if (i + 1 < words.size()) {
                args.options_.emplace(name, words[++i]);
            } else {
                throw UsageError{"option --" + name + " needs a value"};
            }
        } else if (contains(command.flagOptions, name) && !inlineValue) {
            args.options_.emplace(name, "");
        } else {
            throw UsageError{"unknown option --" + name};
        }
    }
    return args;
}

bool Args::has(const std::string& name) const { return options_.count(name) > 0; }

std::optional<std::string> Args::value(const std::string& name) const {
    auto it = options_.find(name);
    if (it == options_.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> Args::values(const std::string& name) const {
    std::vector<std::string> out;
    auto [first, last] = options_.equal_range(name);
    for (auto it = first; it != last; ++it) out.push_back(it->second);
    return out;
}

std::string Args::required(const std::string& name) const {
    auto v = value(name);
    if (!v) throw UsageError{"missing --" + name};
    return *v;
}

std::optional<int64_t> Args::optionalNumber(const std::string& name, int64_t min, int64_t max) const {
    auto v = value(name);
    if (!v) return std::nullopt;
    auto n = parseNumber(*v);
    if (!n || *n < min || *n > max) {
        throw UsageError{"--" + name + " takes a whole number from " + std::to_string(min) + " to " +
                         std::to_string(max)};
    }
    return n;
}

int64_t Args::number(const std::string& name, int64_t min, int64_t max) const {
    auto n = optionalNumber(name, min, max);
    if (!n) throw UsageError{"missing --" + name};
    return *n;
}

}  // namespace vxf::cli
