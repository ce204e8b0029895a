// exports_recover.cpp - the extension exports of lost-song recovery: the lists, the reads of one lost song, the restore.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "api/export_frame.h"
#include "core/server_state.h"
#include "maintenance/lost_song_read.h"
#include "maintenance/lost_songs.h"
#include "maintenance/song_restore.h"
#include "song/current_song.h"
#include "vxf_recover.h"

using namespace vxfserver;

namespace {

template <size_t N>
void copyText(char (&out)[N], const std::string& text) {
    const size_t length = std::min(text.size(), N - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

uint32_t stateCode(LostState s) {
    if (s == LostState::Intact) return VXFX_LOST_INTACT;
    return s == LostState::PartlyOverwritten ? VXFX_LOST_PARTLY_OVERWRITTEN : VXFX_LOST_DAMAGED;
}

VxfxLostSong describe(const LostSong& lost, const LostSongSurvey& survey) {
    VxfxLostSong out{};
    const Song& song = lost.song;
    out.slot = lost.slot;
    out.state = stateCode(lost.state);
    copyText(out.name, song.name);
    copyText(out.extName, song.extName);
    const bool usable = lost.state != LostState::Damaged;
    out.tracks = usable ? callerTrackCount(song) : 0;
    out.wordLength = song.wordLength;
    out.sampleRate = song.sampleRate;
    out.length = usable ? callerLength(song) : 0;
    out.oldProjectSlot = lost.oldProjectSlot;
    out.oldPosition = lost.oldPosition;
    if (const OldProject* old = findOldProject(survey, lost.oldProjectSlot)) {
        copyText(out.oldProjectName, old->record.shortName);
        copyText(out.oldProjectExtName, old->record.extName);
    }
    out.clusters = uint32_t(lost.clusters.size());
    out.overwrittenClusters = uint32_t(lost.overwritten.size());
    out.overwrittenSamples = uint32_t(std::min<uint64_t>(lost.overwrittenSamples, 0xFFFFFFFFu));
    out.repairedCopies = lost.repairedCopies;
    copyText(out.detail, lost.state == LostState::Damaged ? lost.reason : clusterRanges(lost.overwritten));
    return out;
}

uint32_t resultCode(RestoreResult r) {
    switch (r) {
        case RestoreResult::Restored: return VXFX_RESTORED;
        case RestoreResult::RefusedOverwritten: return VXFX_RESTORE_REFUSED_OVERWRITTEN;
        case RestoreResult::RefusedDamaged: return VXFX_RESTORE_REFUSED_DAMAGED;
        case RestoreResult::NotLost: return VXFX_RESTORE_NOT_LOST;
        case RestoreResult::Failed: break;
    }
    return VXFX_RESTORE_FAILED;
}

// The survey (of the old projects alone, or of everything) as a read export runs it; `fill` copies what the
// caller asked for.
template <class Fill>
int32_t runSurvey(uint32_t handle, uint32_t* count, bool projectsOnly, Fill&& fill) {
    if (!requirePointer(count)) return finishExport(false);
    *count = 0;
    return runExport(handle, kReadFrame, [&] {
        LostSongSurvey survey;
        std::map<uint32_t, std::pair<uint32_t, uint32_t>> named;
        if (!(projectsOnly ? surveyOldProjects(survey, named) : surveyLostSongs(survey))) return false;
        *count = fill(survey);
        return true;
    });
}

}  // namespace

extern "C" {

int32_t vxfxRecoverListSongs(uint32_t handle, VxfxLostSong* songs, uint32_t capacity, uint32_t* count) {
    if (capacity > 0 && !requirePointer(songs)) return finishExport(false);
    return runSurvey(handle, count, false, [&](const LostSongSurvey& survey) {
        for (size_t i = 0; i < survey.songs.size() && i < capacity; ++i) songs[i] = describe(survey.songs[i], survey);
        return uint32_t(survey.songs.size());
    });
}

int32_t vxfxRecoverListProjects(uint32_t handle, VxfxLostProject* projects, uint32_t capacity, uint32_t* count) {
    if (capacity > 0 && !requirePointer(projects)) return finishExport(false);
    return runSurvey(handle, count, true, [&](const LostSongSurvey& survey) {
        for (size_t i = 0; i < survey.projects.size() && i < capacity; ++i) {
            const OldProject& old = survey.projects[i];
            VxfxLostProject& out = projects[i];
            out = VxfxLostProject{};
            out.slot = old.slot;
            copyText(out.name, old.record.shortName);
            copyText(out.extName, old.record.extName);
            out.songs = std::min<uint32_t>(old.record.songCount, kMaxSongHandles);
            out.lostSongs = old.lostSongs;
        }
        return uint32_t(survey.projects.size());
    });
}

int32_t vxfxRecoverOpenSong(uint32_t handle, uint32_t slot) {
    return runExport(handle, kReadFrame, [&] { return openLostSong(slot); });
}

int32_t vxfxRecoverTrackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint32_t* samplesRead,
                             uint16_t bytesPerSample, uint16_t byteOrder, void* buffer) {
    if (!requirePointer(samplesRead)) return finishExport(false);
    *samplesRead = 0;
    return runExport(handle, kReadFrame, [&] {
        return readLostTrack(track, offset, count, *samplesRead, bytesPerSample, byteOrder, buffer);
    });
}

int32_t vxfxRecoverTrackReadAll(uint32_t handle, uint32_t offset, uint32_t count, uint32_t* samplesRead,
                                uint16_t bytesPerSample, uint16_t byteOrder, void** buffers) {
    if (!requirePointer(samplesRead)) return finishExport(false);
    *samplesRead = 0;
    return runExport(handle, kReadFrame, [&] {
        return readLostAllTracks(offset, count, *samplesRead, bytesPerSample, byteOrder, buffers);
    });
}

int32_t vxfxRecoverTrackOptimalTransferSize(uint32_t handle, uint32_t* size) {
    return runNumberGetter(handle, size, [](uint32_t& out) { return lostSongTransferSize(out); });
}

int32_t vxfxRecoverRestore(uint32_t handle, const uint32_t* slots, uint32_t count, uint16_t projectIndex,
                           uint32_t flags, VxfxRestoreOutcome* outcomes) {
    if (count > 0 && (!requirePointer(slots) || !requirePointer(outcomes))) return finishExport(false);
    if (count > layout::kMaxSongs) {
        fail(VXF_ERR_INVALID_PARAMETER);
        return finishExport(false);
    }
    std::vector<uint32_t> wanted(slots, slots + count);
    std::vector<RestoreOutcome> done;
    for (uint32_t i = 0; i < count; ++i) outcomes[i] = VxfxRestoreOutcome{slots[i], VXFX_RESTORE_FAILED, 0, 0, 0, 0, 0};
    const int32_t code = runExport(handle, kChangeFrame, [&] {
        return restoreLostSongs(wanted, projectIndex, (flags & VXFX_RESTORE_PARTIAL) != 0, done);
    });
    for (size_t i = 0; i < done.size() && i < count; ++i) {
        const RestoreOutcome& o = done[i];
        outcomes[i] = VxfxRestoreOutcome{o.slot, resultCode(o.result), o.error, o.projectSlot,
                                         o.recreatedProject ? 1u : 0u, o.droppedClusters, o.length};
    }
    return code;
}

}  // extern "C"
