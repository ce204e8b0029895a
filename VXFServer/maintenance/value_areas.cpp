// value_areas.cpp - the areas of system records and their mirrors, the songs' runs, and what one sector of them holds.
#include "maintenance/value_areas.h"

#include <algorithm>
#include <cstring>

#include "core/record.h"
#include "core/record_io.h"
#include "core/server_state.h"
#include "maintenance/lost_songs.h"
#include "song/block_runs.h"
#include "song/current_song.h"
#include "song/song_record.h"
#include "song/track_layout.h"
#include "volume/project_record.h"

namespace vxfserver {

namespace {

// An area cut to the drive; nothing when it lies wholly past it.
void addArea(std::vector<VxfxArea>& areas, uint32_t kind, uint32_t owner, uint64_t first, uint64_t count) {
    const uint64_t sectors = state().sectorCount;
    if (first >= sectors || count == 0) return;
    count = std::min(count, sectors - first);
    areas.push_back(VxfxArea{kind, owner, uint32_t(first), uint32_t(count)});
}

void addRecords(std::vector<VxfxArea>& areas, uint32_t records, uint32_t lba, uint64_t sectors) {
    addArea(areas, VXFX_AREA_SYSTEM, records, lba, sectors);
    const int64_t mirror = mirrorLba(state().sectorCount, lba, uint32_t(std::min<uint64_t>(sectors, UINT32_MAX)));
    if (mirror >= 0) addArea(areas, VXFX_AREA_MIRROR, records, uint64_t(mirror), sectors);
}

void addRuns(std::vector<VxfxArea>& areas, uint32_t kind, uint32_t owner, const Song& song) {
    const uint64_t sectorsPerBlock = state().superBlock.sectorsPerAudioBlock;
    const size_t runs = runsInUse(song.runs);
    for (size_t i = 0; i < runs; ++i) {
        addArea(areas, kind, owner, song.runs[i].lba, uint64_t(song.runs[i].length) * sectorsPerBlock);
    }
}

void addSystemRecords(std::vector<VxfxArea>& areas) {
    const SuperBlock& sb = state().superBlock;
    addRecords(areas, VXFX_RECORDS_SUPER_BLOCK, 0, 1);
    addRecords(areas, VXFX_RECORDS_PROJECT_LIST, sb.projectListLba, sb.projectListLength);
    addRecords(areas, VXFX_RECORDS_SONG_BITMAP, sb.songBitmapLba, sb.songBitmapLength);
    addRecords(areas, VXFX_RECORDS_AUDIO_BITMAP, sb.audioBitmapLba, sb.audioBitmapLength);
    addRecords(areas, VXFX_RECORDS_PROJECTS, sb.projectLba, uint64_t(sb.projectLength) * sb.maxProjects);
    addRecords(areas, VXFX_RECORDS_SONGS, sb.songLba, uint64_t(sb.songLength) * sb.maxSongs);
}

struct OwnedSong {
    uint32_t kind;
    uint32_t owner;
    Song song;
};

// The listed songs in list order, then the lost ones. A project or song whose record is unreadable or damaged is
// passed over; the rest still count.
std::vector<OwnedSong> collectSongs() {
    std::vector<OwnedSong> songs;
    const ProjectList& list = state().projectList;
    const uint32_t projects = std::min<uint32_t>(list.count, kMaxProjectHandles);
    for (uint32_t p = 0; p < projects; ++p) {
        ProjectRecord project{};
        if (!projectHandleInRange(list.handles[p]) || !readProjectRecord(list.handles[p], project)) continue;
        const uint32_t count = std::min<uint32_t>(project.songCount, kMaxSongHandles);
        for (uint32_t s = 0; s < count; ++s) {
            OwnedSong owned{VXFX_AREA_SONG, p * 65536u + s, Song{}};
            if (readSongRecord(project.songs[s], owned.song)) songs.push_back(owned);
        }
    }
    LostSongSurvey survey;
    if (!surveyLostSongs(survey)) return songs;
    for (const LostSong& lost : survey.songs) {
        if (lost.state != LostState::Damaged && songLayoutIsSound(lost.song)) {
            songs.push_back(OwnedSong{VXFX_AREA_LOST_SONG, lost.slot, lost.song});
        }
    }
    return songs;
}

// The system records as (records, first sector, sectors each, how many).
struct RecordArea {
    uint32_t records;
    uint32_t lba;
    uint32_t sectorsEach;
    uint32_t count;
};

std::vector<RecordArea> recordAreas() {
    const SuperBlock& sb = state().superBlock;
    return {
        {VXFX_RECORDS_SUPER_BLOCK, 0, 1, 1},
        {VXFX_RECORDS_PROJECT_LIST, sb.projectListLba, sb.projectListLength, 1},
        {VXFX_RECORDS_SONG_BITMAP, sb.songBitmapLba, sb.songBitmapLength, 1},
        {VXFX_RECORDS_AUDIO_BITMAP, sb.audioBitmapLba, sb.audioBitmapLength, 1},
        {VXFX_RECORDS_PROJECTS, sb.projectLba, sb.projectLength, sb.maxProjects},
        {VXFX_RECORDS_SONGS, sb.songLba, sb.songLength, sb.maxSongs},
    };
}

// A sector of a record or of its mirror copy.
bool describeRecordSector(uint32_t sector, VxfxSectorUse& use) {
    const uint32_t sectors = state().sectorCount;
    for (const RecordArea& area : recordAreas()) {
        const uint64_t length = uint64_t(area.sectorsEach) * area.count;
        if (length == 0) continue;
        const int64_t mirror = mirrorLba(sectors, area.lba, uint32_t(std::min<uint64_t>(length, UINT32_MAX)));
        uint64_t offset = 0;
        if (sector >= area.lba && sector - area.lba < length) {
            use.kind = VXFX_AREA_SYSTEM;
            offset = sector - area.lba;
        } else if (mirror >= 0 && sector >= mirror && uint64_t(sector - mirror) < length) {
            use.kind = VXFX_AREA_MIRROR;
            offset = uint64_t(sector - mirror);
        } else {
            continue;
        }
        use.owner = area.records;
        use.index = uint32_t(offset / area.sectorsEach);
        // A record's copy lies at S - x - n: its k-th sector at S - x - n + k.
        const uint64_t recordLba = area.lba + uint64_t(use.index) * area.sectorsEach;
        const int64_t recordMirror = mirrorLba(sectors, uint32_t(recordLba), area.sectorsEach);
        const uint64_t within = offset % area.sectorsEach;
        use.other = use.kind == VXFX_AREA_SYSTEM ? uint32_t(std::max<int64_t>(recordMirror, 0) + int64_t(within))
                                                 : uint32_t(recordLba + within);
        return true;
    }
    return false;
}

// One run of a song, where it lies and how many of the song's audio blocks come before it.
struct RunOfSong {
    uint64_t first;
    uint64_t sectors;
    uint64_t blocksBefore;
    const OwnedSong* owned;
};

// The runs of every sound song of `kind`, by first sector, for a binary search.
std::vector<RunOfSong> runsBySector(const std::vector<OwnedSong>& songs, uint32_t kind) {
    const uint64_t sectorsPerBlock = state().superBlock.sectorsPerAudioBlock;
    std::vector<RunOfSong> runs;
    for (const OwnedSong& owned : songs) {
        if (owned.kind != kind || !songLayoutIsSound(owned.song) || owned.song.sectorsPerTrackBlock == 0) continue;
        uint64_t before = 0;
        for (size_t i = 0; i < runsInUse(owned.song.runs); ++i) {
            const BlockRun& run = owned.song.runs[i];
            runs.push_back(RunOfSong{run.lba, uint64_t(run.length) * sectorsPerBlock, before, &owned});
            before += run.length;
        }
    }
    std::sort(runs.begin(), runs.end(), [](const RunOfSong& a, const RunOfSong& b) { return a.first < b.first; });
    return runs;
}

// The run holding `sector`: the last one beginning at or before it (the runs of one kind do not overlap on a
// sound volume), if it reaches that far.
const RunOfSong* runHolding(const std::vector<RunOfSong>& runs, uint32_t sector) {
    auto after = std::upper_bound(runs.begin(), runs.end(), uint64_t(sector),
                                  [](uint64_t lba, const RunOfSong& run) { return lba < run.first; });
    if (after == runs.begin()) return nullptr;
    const RunOfSong& run = *std::prev(after);
    return sector - run.first < run.sectors ? &run : nullptr;
}

// A sector of a song's run: the track whose block holds it and the caller samples it carries a byte of.
void describeSongSector(uint32_t sector, const RunOfSong& run, VxfxSectorUse& use) {
    const Song& song = run.owned->song;
    const uint64_t sectorsPerBlock = state().superBlock.sectorsPerAudioBlock;
    const uint64_t block = run.blocksBefore + (sector - run.first) / sectorsPerBlock;
    const uint64_t inBlock = (sector - run.first) % sectorsPerBlock;
    const uint32_t stored = uint32_t(inBlock / song.sectorsPerTrackBlock);
    if (stored >= song.tracks) return;  // the block's tail past the track blocks holds no audio
    const uint64_t inTrackBlock = inBlock % song.sectorsPerTrackBlock;
    const uint64_t r = storedTracksPerCallerTrack(song.sampleRate);
    const uint64_t blockStart = block * song.samplesPerTrackBlock;
    const uint64_t firstStored = blockStart + inTrackBlock * 512 / kDriveSampleBytes;
    const uint64_t lastStored = blockStart + ((inTrackBlock + 1) * 512 + kDriveSampleBytes - 1) / kDriveSampleBytes - 1;
    // At 88.2 and 96 kHz caller samples alternate between the stored tracks of one caller track.
    const uint64_t q = stored % r;
    const uint64_t samples = uint64_t(song.samples) * r;
    use.kind = run.owned->kind;
    use.owner = run.owned->owner;
    use.index = uint32_t(stored / r);
    use.other = song.sampleRate;
    use.firstSample = uint32_t(std::min<uint64_t>(firstStored * r + q, UINT32_MAX));
    use.lastSample = samples == 0 ? 0 : uint32_t(std::min<uint64_t>(std::min(lastStored * r + q, samples - 1), UINT32_MAX));
    if (samples == 0 || use.firstSample > use.lastSample) use.firstSample = use.lastSample + 1;
    const char* name = song.extName[0] != '\0' ? song.extName : song.name;
    std::memcpy(use.song, name, strnlen(name, VXF_EXT_NAME_SIZE - 1));  // the entry was zeroed
}

void addListedSongs(std::vector<VxfxArea>& areas, const std::vector<OwnedSong>& songs) {
    for (const OwnedSong& owned : songs) addRuns(areas, owned.kind, owned.owner, owned.song);
}

}  // namespace

bool collectValueAreas(std::vector<VxfxArea>& areas) {
    RepairsHeld held;
    areas.clear();
    addSystemRecords(areas);
    addListedSongs(areas, collectSongs());
    return true;
}

bool describeSectors(const std::vector<uint32_t>& sectors, std::vector<VxfxSectorUse>& uses) {
    RepairsHeld held;
    const std::vector<OwnedSong> songs = collectSongs();
    // A cluster a lost song shares with a listed one is the listed song's now.
    const std::vector<RunOfSong> listed = runsBySector(songs, VXFX_AREA_SONG);
    const std::vector<RunOfSong> lost = runsBySector(songs, VXFX_AREA_LOST_SONG);
    uses.assign(sectors.size(), VxfxSectorUse{});
    for (size_t i = 0; i < sectors.size(); ++i) {
        VxfxSectorUse& use = uses[i];
        use.sector = sectors[i];
        use.kind = VXFX_AREA_UNUSED;
        if (describeRecordSector(sectors[i], use)) continue;
        if (const RunOfSong* run = runHolding(listed, sectors[i])) {
            describeSongSector(sectors[i], *run, use);
        } else if (const RunOfSong* lostRun = runHolding(lost, sectors[i])) {
            describeSongSector(sectors[i], *lostRun, use);
        }
    }
    return true;
}

}  // namespace vxfserver
