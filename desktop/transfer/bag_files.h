// bag_files.h - the tag files of a BagIt bag (version 1.0): bagit.txt, bag-info.txt and the SHA-256 manifests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vxf::transfer {

constexpr const char* kBagDeclaration = "bagit.txt";
constexpr const char* kBagInfo = "bag-info.txt";
constexpr const char* kPayloadManifest = "manifest-sha256.txt";
constexpr const char* kTagManifest = "tagmanifest-sha256.txt";
constexpr const char* kPayloadFolder = "data";

// "BagIt-Version: 1.0" and "Tag-File-Character-Encoding: UTF-8", a line each.
std::string bagDeclarationText();

// A manifest's line: the hex digest and the path from the bag's top (forward slashes).
struct ManifestEntry {
    std::string digest;
    std::string path;
};

// Paths are written with CR, LF and '%' percent-encoded, as a manifest line cannot hold them.
std::string encodeManifestPath(const std::string& path);
std::string decodeManifestPath(const std::string& encoded);
// One line a file, in the order given.
std::string manifestText(const std::vector<ManifestEntry>& entries);
// The entries of a manifest's text; none when a line is not "digest path" with a 64-digit hex digest.
std::optional<std::vector<ManifestEntry>> parseManifest(const std::string& text);

// "Label: value" lines in order. A value never holds a line break: those become blanks.
using BagInfoFields = std::vector<std::pair<std::string, std::string>>;
std::string bagInfoText(const BagInfoFields& fields);
// Continuation lines (starting with a blank) join the field before them.
BagInfoFields parseBagInfo(const std::string& text);
std::optional<std::string> bagInfoValue(const BagInfoFields& fields, const std::string& label);

// "OCTETS.STREAMS": the payload's bytes and files.
std::string payloadOxum(uint64_t octets, uint64_t streams);

// Reads a whole small file; none when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);
// Writes a file so that a crash leaves the old one or the new one: a hidden file beside it,
// flushed to the disk, then renamed over it. False on any failure, the old one untouched.
bool replaceFileContents(const std::string& path, const std::string& text);

}  // namespace vxf::transfer
