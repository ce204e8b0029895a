// lost_songs.h - the song records and project records a volume no longer reaches, and what of their audio is left.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/records.h"

namespace vxfserver {

enum class LostState { Intact, PartlyOverwritten, Damaged };

constexpr uint32_t kNoOldProject = 0xFFFFFFFFu;

struct LostSong {
    uint32_t slot = 0;
    LostState state = LostState::Intact;
    Song song{};                      // as its sound copies hold it (for a damaged record: what could be read)
    std::string reason;               // damaged: why
    uint32_t repairedCopies = 0;      // blocks of which only one copy is sound
    uint32_t oldProjectSlot = kNoOldProject;
    uint32_t oldPosition = 0;
    std::vector<uint32_t> clusters;   // every cluster its runs claim, ascending
    std::set<uint32_t> overwritten;   // of them, those that are not its own any more
    uint64_t overwrittenSamples = 0;  // caller samples per track inside them
};

struct OldProject {
    uint32_t slot = 0;
    ProjectRecord record{};
    uint32_t lostSongs = 0;  // songs it names whose slot is free
};

struct LostSongSurvey {
    std::vector<LostSong> songs;  // by old project slot (none last), position, slot
    std::vector<OldProject> projects;
};

// Looks at every song slot the song bitmap marks free (both copies of both
// blocks) and every project slot the list does not name, and at which
// clusters the live songs, the audio bitmap and the other lost songs claim.
// Reads only: a copy that fails its check is passed over, not rewritten.
bool surveyLostSongs(LostSongSurvey& survey);

// Only the old project records, and per song record LBA the old project
// slot and position that name it.
bool surveyOldProjects(LostSongSurvey& survey, std::map<uint32_t, std::pair<uint32_t, uint32_t>>& named);

// The survey's song in `slot`, or null.
const LostSong* findLostSong(const LostSongSurvey& survey, uint32_t slot);
const OldProject* findOldProject(const LostSongSurvey& survey, uint32_t slot);

// Song block indices whose cluster is overwritten, in song order.
std::vector<uint32_t> overwrittenBlocks(const LostSong& lost);

// Clusters as ranges, "812-815, 900", for messages.
std::string clusterRanges(const std::set<uint32_t>& clusters);

}  // namespace vxfserver
