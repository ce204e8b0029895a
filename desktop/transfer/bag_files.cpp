// bag_files.cpp - the tag files of a BagIt bag (version 1.0): bagit.txt, bag-info.txt and the SHA-256 manifests.
#include "bag_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vxf::transfer {

namespace {

constexpr size_t kSha256HexDigits = 64;

bool isHexDigest(const std::string& text) {
    if (text.size() != kSha256HexDigits) return false;
    for (unsigned char c : text) {
        if (!std::isxdigit(c)) return false;
    }
    return true;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool writeAll(int descriptor, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(descriptor, text.data() + done, text.size() - done);
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

}  // namespace

std::string bagDeclarationText() { return "BagIt-Version: 1.0\nTag-File-Character-Encoding: UTF-8\n"; }

std::string encodeManifestPath(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '%') {
            out += "%25";
        } else if (c == '\r') {
            out += "%0D";
        } else if (c == '\n') {
            out += "%0A";
        } else {
            out += c;
        }
    }
    return out;
}

std::string decodeManifestPath(const std::string& encoded) {
    std::string out;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() && hexValue(encoded[i + 1]) >= 0 &&
            hexValue(encoded[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
            i += 2;
        } else {
            out += encoded[i];
        }
    }
    return out;
}

std::string manifestText(const std::vector<ManifestEntry>& entries) {
    std::string text;
    for (const ManifestEntry& entry : entries) text += entry.digest + "  " + encodeManifestPath(entry.path) + "\n";
    return text;
}

std::optional<std::vector<ManifestEntry>> parseManifest(const std::string& text) {
    std::vector<ManifestEntry> entries;
    for (const std::string& line : lines(text)) {
        if (line.empty()) continue;
        const size_t blank = line.find_first_of(" \t");
        if (blank == std::string::npos) return std::nullopt;
        const size_t path = line.find_first_not_of(" \t", blank);
        if (path == std::string::npos || !isHexDigest(line.substr(0, blank))) return std::nullopt;
        std::string digest = line.substr(0, blank);
        for (char& c : digest) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        entries.push_back({digest, decodeManifestPath(line.substr(path))});
    }
    return entries;
}

std::string bagInfoText(const BagInfoFields& fields) {
    std::string text;
    for (const auto& [label, value] : fields) {
        std::string flat = value;
        for (char& c : flat) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        text += label + ": " + flat + "\n";
    }
    return text;
}

BagInfoFields parseBagInfo(const std::string& text) {
    BagInfoFields fields;
    for (const std::string& line : lines(text)) {
        if ((line.rfind(' ', 0) == 0 || line.rfind('\t', 0) == 0) && !fields.empty()) {
            fields.back().second += " " + line.substr(line.find_first_not_of(" \t") == std::string::npos
                                                          ? line.size()
                                                          : line.find_first_not_of(" \t"));
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const size_t value = line.find_first_not_of(' ', colon + 1);
        fields.emplace_back(line.substr(0, colon), value == std::string::npos ? "" : line.substr(value));
    }
    return fields;
}

std::optional<std::string> bagInfoValue(const BagInfoFields& fields, const std::string& label) {
    for (const auto& [name, value] : fields) {
        if (name == label) return value;
    }
    return std::nullopt;
}

std::string payloadOxum(uint64_t octets, uint64_t streams) {
    return std::to_string(octets) + "." + std::to_string(streams);
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

bool replaceFileContents(const std::string& path, const std::string& text) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string hidden = folder + "/." + path.substr(slash + 1) + ".new";
    const int descriptor = ::open(hidden.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) return false;
    bool ok = writeAll(descriptor, text) && ::fsync(descriptor) == 0;
    ok = ::close(descriptor) == 0 && ok;
    ok = ok && ::rename(hidden.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(hidden.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const int folderDescriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderDescriptor >= 0) {
        ::fsync(folderDescriptor);
        ::close(folderDescriptor);
    }
    return true;
}

}  // namespace vxf::transfer
