// drive_archive.h - a drive's songs into a BagIt bag: every track a file, hashed as it is written, with an inventory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "archive_meter.h"
#include "archive_source.h"
#include "audio_format.h"
#include "transfer_procedure.h"

namespace vxf::transfer {

// A song by its 1-based project and song numbers, as "1/2" names it.
struct SongChoice {
    uint16_t project = 0;
    uint16_t song = 0;
    bool operator==(const SongChoice&) const = default;
};

struct ArchiveOptions {
    std::string directory;
    AudioFormat format = AudioFormat::Wav;
    uint16_t wordLength = 24;
    std::vector<SongChoice> songs;  // none: every song of every project
    // Go on with an unfinished bag of the same drive, keeping the files it finished.
    bool resume = false;
    // Unreadable parts of a track become silence and are reported, instead of stopping. Taken
    // by the salvaging read of the tracks; without it an unreadable sector stops the archive.
    bool salvage = false;
};

// What the archive is doing, for the window or the terminal line.
class ArchiveProgress {
public:
    virtual ~ArchiveProgress() = default;
    // A song begins: "1/2 Tones 96k".
    virtual void song(const std::string& label) = 0;
    // The meter moved on.
    virtual void moved(const ArchiveMeter& meter) = 0;
};

struct ArchivedTrack {
    uint16_t track = 0;  // 0-based
    std::string path;    // from the bag's top
    std::string digest;
    uint64_t bytes = 0;
    int32_t peak = 0;  // largest magnitude of its 24-bit samples
    bool kept = false;  // already there from an earlier run
};

struct ArchivedSong {
    SongChoice position;
    std::string projectName;
    std::string name;
    std::string folder;  // from the bag's top
    SongFacts facts;
    std::vector<ArchivedTrack> tracks;
    std::vector<SalvageGap> gaps;  // left silent by a salvaging run of this song
};

struct ArchiveOutcome {
    bool finished = false;  // the bag is complete
    bool stopped = false;   // the user stopped it; the bag can be resumed
    std::string error;      // why it failed; empty when it did not
    DriveFacts drive;
    std::vector<ArchivedSong> songs;
    uint64_t files = 0;  // payload files, the inventory included
    uint64_t bytes = 0;  // of the payload
    uint64_t gaps = 0;   // silent gaps of a salvaged track
};

// The procedure the command line and the desktop share. The context's server works on the
// song the source last opened; its questions answer the replace question Yes (the archive
// only replaces its own unfinished files) and its copy window shows the song being copied.
class DriveArchive {
public:
    DriveArchive(ArchiveSource& source, TransferContext& context, ArchiveOptions options, ArchiveProgress& progress);
    ArchiveOutcome run();

private:
    class Observer;

    bool plan();
    bool prepareFolder();
    bool sameDrive() const;
    bool startBag();
    bool archiveSong(ArchivedSong& song);
    bool keepFinished(ArchivedSong& song, std::vector<uint16_t>& missing);
    bool clearUnfinished(const ArchivedSong& song, const std::vector<uint16_t>& missing);
    bool exportTracks(ArchivedSong& song, const std::vector<uint16_t>& tracks);
    bool finishBag();
    bool fail(const std::string& text);
    std::string selectionText() const;
    std::string trackPath(const ArchivedSong& song, uint16_t track) const;

    ArchiveSource& source_;
    TransferContext& context_;
    const ArchiveOptions options_;
    ArchiveProgress& progress_;
    ArchiveMeter meter_;
    std::string top_;
    ArchiveOutcome outcome_;
};

// Every chosen song (none chosen: all) of the drive with its names, facts and folder, in the
// drive's order; false with `error` when the drive fails or has no song chosen.
bool planSongs(ArchiveSource& source, const std::vector<SongChoice>& chosen, std::vector<ArchivedSong>& songs,
               std::string& error);
// Where a track's file lies in the bag, from its top.
std::string archiveTrackPath(const ArchivedSong& song, AudioFormat format, uint16_t track);

// The fields bag-info.txt names the drive with; an unfinished bag is only resumed on the drive
// whose fields it holds.
std::vector<std::pair<std::string, std::string>> driveInfoFields(const DriveFacts& drive);

}  // namespace vxf::transfer
