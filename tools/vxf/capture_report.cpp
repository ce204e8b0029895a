// capture_report.cpp - the unreadable sectors of a capture named by the song and track, or the record, they belong to.
#include "capture_report.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "salvage_gap.h"

namespace vxf::capture {

namespace {

std::string recordName(uint32_t records, uint32_t slot) {
    switch (records) {
        case VXFX_RECORDS_SUPER_BLOCK: return "the super block";
        case VXFX_RECORDS_PROJECT_LIST: return "the project list";
        case VXFX_RECORDS_SONG_BITMAP: return "the song bitmap";
        case VXFX_RECORDS_AUDIO_BITMAP: return "the audio bitmap";
        case VXFX_RECORDS_PROJECTS: return "the project record in slot " + std::to_string(slot + 1);
        case VXFX_RECORDS_SONGS: return "the song record in slot " + std::to_string(slot + 1);
    }
    return "a system record";
}

std::string sectorsText(uint32_t first, uint32_t last) {
    return first == last ? "sector " + std::to_string(first)
                         : "sectors " + std::to_string(first) + "-" + std::to_string(last);
}

bool isSong(const VxfxSectorUse& use) { return use.kind == VXFX_AREA_SONG || use.kind == VXFX_AREA_LOST_SONG; }
bool isRecord(const VxfxSectorUse& use) { return use.kind == VXFX_AREA_SYSTEM || use.kind == VXFX_AREA_MIRROR; }

// Whether `next` goes on from `run`: the next sector of the same record, or samples of the same track that touch.
bool continues(const VxfxSectorUse& run, uint32_t runLast, const VxfxSectorUse& next) {
    if (next.kind != run.kind || next.owner != run.owner || next.index != run.index) return false;
    if (isRecord(run)) return next.sector == runLast + 1;
    return isSong(run) && next.firstSample <= runLast + 1;
}

std::string songLine(const VxfxSectorUse& run, uint32_t lastSample) {
    transfer::SalvageGap gap;
    gap.song = run.song;
    gap.track = static_cast<uint16_t>(run.index);
    gap.sampleRate = run.other;
    gap.firstSample = run.firstSample;
    gap.lastSample = lastSample;
    return transfer::describeGap(gap) + (run.kind == VXFX_AREA_LOST_SONG ? " (a lost song)" : "");
}

// A record's copy is read when every sector of its other copy that matches the lost ones is.
std::string recordLine(const VxfxSectorUse& run, uint32_t lastSector, const CaptureMap& map) {
    bool otherRead = true;
    for (uint32_t s = run.sector; s <= lastSector; ++s) {
        const uint64_t other = uint64_t(run.other) + (s - run.sector);
        std::optional<SectorRange> done = map.next(Status::Finished, other);
        otherRead = otherRead && done && done->first == other;
    }
    const std::string what = recordName(run.owner, run.index);
    if (run.kind == VXFX_AREA_SYSTEM) {
        return sectorsText(run.sector, lastSector) + ": " + what + (otherRead ? "; its mirror copy was read" :
                                                                              "; its mirror copy was not read either");
    }
    return sectorsText(run.sector, lastSector) + ": the mirror copy of " + what +
           (otherRead ? "; the first copy was read" : "; the first copy was not read either");
}

// Records by sector; each track of each song by its samples, so that a track's losses in one audio block after
// another come together.
std::vector<VxfxSectorUse> inReportOrder(std::vector<VxfxSectorUse> uses) {
    auto key = [](const VxfxSectorUse& use) {
        if (isRecord(use)) return std::tuple<int, uint32_t, uint32_t, uint32_t, uint32_t>{0, use.sector, 0, 0, 0};
        if (isSong(use)) return std::tuple<int, uint32_t, uint32_t, uint32_t, uint32_t>{1, use.kind, use.owner, use.index, use.firstSample};
        return std::tuple<int, uint32_t, uint32_t, uint32_t, uint32_t>{2, use.sector, 0, 0, 0};
    };
    std::stable_sort(uses.begin(), uses.end(), [&](const VxfxSectorUse& a, const VxfxSectorUse& b) { return key(a) < key(b); });
    return uses;
}

}  // namespace

std::vector<std::string> lossReport(const std::vector<VxfxSectorUse>& given, const CaptureMap& map) {
    const std::vector<VxfxSectorUse> uses = inReportOrder(given);
    std::vector<std::string> lines;
    uint64_t unused = 0;
    size_t i = 0;
    while (i < uses.size()) {
        const VxfxSectorUse& run = uses[i];
        if (!isSong(run) && !isRecord(run)) {
            ++unused;
            ++i;
            continue;
        }
        uint32_t last = isSong(run) ? run.lastSample : run.sector;
        size_t next = i + 1;
        while (next < uses.size() && continues(run, last, uses[next])) {
            last = isSong(run) ? std::max(last, uses[next].lastSample) : uses[next].sector;
            ++next;
        }
        // A sector past a song's end holds none of its samples: nothing of the song is lost there.
        if (isSong(run) && run.firstSample <= last) lines.push_back(songLine(run, last));
        if (isRecord(run)) lines.push_back(recordLine(run, last, map));
        i = next;
    }
    if (unused > 0) {
        lines.push_back(std::to_string(unused) + " unreadable sectors hold no song and no system record");
    }
    return lines;
}

}  // namespace vxf::capture
