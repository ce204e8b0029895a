// capture_map.cpp - the capture's map: its blocks, their text in the mapfile form, and its safe replacement on disk.
#include "capture_map.h"

#include "bag_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace vxf::capture {

namespace {

constexpr uint64_t kSectorBytes = 512;
constexpr const char* kDriveComment = "# Drive: ";
// A map is a few lines a bad area; this bounds what a damaged or foreign file may make us read.
constexpr std::streamsize kMaxMapBytes = std::streamsize{256} << 20;

bool isStatus(char c) { return c == '?' || c == '*' || c == '/' || c == '-' || c == '+'; }
bool isPhase(char c) { return isStatus(c) || c == 'F' || c == 'G'; }

const char* phaseText(Phase phase) {
    switch (phase) {
        case Phase::Copying: return "Copying non-tried blocks...";
        case Phase::Trimming: return "Trimming failed blocks...";
        case Phase::Scraping: return "Scraping failed blocks...";
        case Phase::Retrying: return "Retrying bad sectors...";
        case Phase::Finished: return "Finished";
    }
    return "";
}

std::optional<uint64_t> number(const std::string& word) {
    if (word.empty() || word[0] == '-' || word[0] == '+') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(word.c_str(), &end, 0);
    if (errno != 0 || end == word.c_str() || *end != '\0') return std::nullopt;
    return value;
}

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08" PRIX64, value);
    return text;
}

}  // namespace

CaptureMap::CaptureMap(uint64_t sectors) : sectors_(sectors) {
    if (sectors_ > 0) add(0, Block{sectors_, Status::NonTried});
}

CaptureMap::Blocks::iterator CaptureMap::add(uint64_t first, Block block) {
    Tally& t = tally(block.status);
    t.sectors += block.end - first;
    t.blocks += 1;
    return blocks_.emplace(first, block).first;
}

void CaptureMap::erase(Blocks::iterator first, Blocks::iterator last) {
    for (auto at = first; at != last; ++at) {
        Tally& t = tally(at->second.status);
        t.sectors -= at->second.end - at->first;
        t.blocks -= 1;
    }
    blocks_.erase(first, last);
}

CaptureMap::Blocks::iterator CaptureMap::splitAt(uint64_t lba) {
    if (lba >= sectors_) return blocks_.end();
    auto at = std::prev(blocks_.upper_bound(lba));
    if (at->first == lba) return at;
    Block tail = at->second;
    at->second.end = lba;
    tally(tail.status).blocks += 1;  // the sectors stay where they were counted
    return blocks_.emplace_hint(std::next(at), lba, tail);
}

// Neighbours of one status become one block; the sectors stay counted, the blocks are fewer.
void CaptureMap::mergeAround(Blocks::iterator at) {
    if (at != blocks_.begin()) {
        auto before = std::prev(at);
        if (before->second.status == at->second.status) {
            before->second.end = at->second.end;
            tally(at->second.status).blocks -= 1;
            blocks_.erase(at);
            at = before;
        }
    }
    auto after = std::next(at);
    if (after != blocks_.end() && after->second.status == at->second.status) {
        at->second.end = after->second.end;
        tally(at->second.status).blocks -= 1;
        blocks_.erase(after);
    }
}

void CaptureMap::set(SectorRange range, Status status) {
    if (range.first >= sectors_ || range.count == 0) return;
    const uint64_t end = std::min(range.end(), sectors_);
    auto first = splitAt(range.first);
    auto last = splitAt(end);
    erase(first, last);
    mergeAround(add(range.first, Block{end, status}));
}

std::optional<SectorRange> CaptureMap::next(Status status, uint64_t from) const {
    if (from >= sectors_) return std::nullopt;
    for (auto at = std::prev(blocks_.upper_bound(from)); at != blocks_.end(); ++at) {
        if (at->second.status != status) continue;
        const uint64_t first = std::max(at->first, from);
        return SectorRange{first, at->second.end - first};
    }
    return std::nullopt;
}

std::vector<SectorRange> CaptureMap::blocks(Status status) const {
    std::vector<SectorRange> found;
    for (const auto& [first, block] : blocks_) {
        if (block.status == status) found.push_back({first, block.end - first});
    }
    return found;
}

std::string CaptureMap::text() const {
    char now[64] = "";
    std::time_t clock = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&clock, &local)) std::strftime(now, sizeof now, "%Y-%m-%d %H:%M:%S", &local);
    std::string out = "# Mapfile. Created by vxf image capture\n";
    if (!drive.empty()) out += kDriveComment + drive + "\n";
    out += std::string("# Current time: ") + now + "\n";
    out += std::string("# ") + phaseText(phase) + (phase == Phase::Finished ? "" : " Pass " + std::to_string(pass)) +
           "\n";
    out += "# current_pos  current_status  current_pass\n";
    out += hex(position * kSectorBytes) + "     " + static_cast<char>(phase) + "               " +
           std::to_string(pass) + "\n";
    out += "#      pos        size  status\n";
    for (const auto& [first, block] : blocks_) {
        out += hex(first * kSectorBytes) + "  " + hex((block.end - first) * kSectorBytes) + "  " +
               static_cast<char>(block.status) + "\n";
    }
    return out;
}

std::optional<CaptureMap> CaptureMap::parse(const std::string& text, uint64_t sectors, std::string& failure) {
    CaptureMap map(sectors);
    std::istringstream lines(text);
    bool haveStatusLine = false;
    uint64_t expected = 0;  // the byte the next block must begin at
    int lineNumber = 0;
    for (std::string line; std::getline(lines, line);) {
        ++lineNumber;
        if (line.rfind(kDriveComment, 0) == 0) map.drive = line.substr(std::string(kDriveComment).size());
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string a, b, c, extra;
        words >> a >> b >> c >> extra;
        if (a.empty()) continue;
        const std::string where = "line " + std::to_string(lineNumber);
        if (!haveStatusLine) {
            std::optional<uint64_t> position = number(a);
            std::optional<uint64_t> pass = c.empty() ? std::optional<uint64_t>(1) : number(c);
            if (!position || b.size() != 1 || !isPhase(b[0]) || !pass || !extra.empty()) {
                failure = where + " is no current position and status";
                return std::nullopt;
            }
            map.position = std::min(*position / kSectorBytes, sectors);
            // Filling and generating are no phases of a capture: it goes on by copying what is left.
            map.phase = isStatus(b[0]) ? static_cast<Phase>(b[0]) : Phase::Copying;
            map.pass = static_cast<int>(std::min<uint64_t>(std::max<uint64_t>(*pass, 1), 1000000));
            haveStatusLine = true;
            continue;
        }
        std::optional<uint64_t> pos = number(a), size = number(b);
        if (!pos || !size || c.size() != 1 || !isStatus(c[0]) || !extra.empty()) {
            failure = where + " is no block (position, size, status)";
            return std::nullopt;
        }
        if (*pos != expected || *size == 0) {
            failure = where + ": the blocks are not sorted and contiguous";
            return std::nullopt;
        }
        if (*pos % kSectorBytes != 0 || *size % kSectorBytes != 0) {
            failure = where + ": a block not on whole sectors";
            return std::nullopt;
        }
        if (*size / kSectorBytes > sectors - *pos / kSectorBytes) {
            failure = where + ": a block past the drive's last sector";
            return std::nullopt;
        }
        map.set({*pos / kSectorBytes, *size / kSectorBytes}, static_cast<Status>(c[0]));
        expected = *pos + *size;
    }
    if (!haveStatusLine) {
        failure = "no current position and status";
        return std::nullopt;
    }
    return map;
}

bool saveMap(const std::string& path, const CaptureMap& map) {
    return vxf::transfer::replaceFileContents(path, map.text());
}

std::optional<CaptureMap> loadMap(const std::string& path, uint64_t sectors, std::string& failure) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        failure = path + " is missing";
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxMapBytes) {
        failure = path + " is no map (too large)";
        return std::nullopt;
    }
    in.seekg(0);
    std::string text(static_cast<size_t>(size), '\0');
    in.read(text.data(), size);
    text.resize(static_cast<size_t>(in.gcount()));
    std::optional<CaptureMap> map = CaptureMap::parse(text, sectors, failure);
    if (!map) failure = path + ": " + failure;
    return map;
}

}  // namespace vxf::capture
