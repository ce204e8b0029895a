// track_export.h - export of tracks to files: the Export command, ExportTrack and ExportAllTracks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio_format.h"
#include "bwf_chunks.h"
#include "poly_wav.h"
#include "session_metadata.h"
#include "transfer_procedure.h"

namespace vxf::transfer {

class AudioFile;
class WriteTap;

// What a caller learns while the files are written: an archive hashes and measures them here.
class ExportObserver {
public:
    virtual ~ExportObserver() = default;
    // The tap the track's file tells its writes to (none: nobody), asked just before it is created.
    virtual WriteTap* tapFor(uint16_t track) = 0;
    // A block of the track's samples as read from the drive (3 bytes each, in the order the
    // export reads them), before the file converts them.
    virtual void samples(uint16_t track, const uint8_t* data, uint32_t count, bool bigEndian) = 0;
};

// The transfer tab's export choices.
struct ExportSettings {
    std::string directory;              // as typed; normalised by the command
    std::optional<AudioFormat> format;  // none: no format button is checked
    uint16_t wordLength = 24;           // 16 or 24
    // Sectors the drive refuses are read one by one, and what stays unreadable is written as
    // silence (TransferOutcome::gaps) instead of ending the file there.
    bool salvage = false;
    // The files are started on their way to the disk as they grow: the caller syncs them at the end.
    bool writeBehind = false;
    // The name the files begin with instead of the song's (an archive's names are made safe first).
    std::optional<std::string> fileStem;
    ExportObserver* observer = nullptr;
    // Broadcast Wave: WAV files carry bext, cue  with their labels and iXML, AIFF files a MARK chunk, and
    // song.json goes beside them. Needs the song's metadata; the four formats stay plain without it.
    bool broadcastWave = false;
    const SessionMetadata* metadata = nullptr;
    // All selected tracks interleaved in one WAV file, [song name-]Poly.wav, with the Broadcast Wave chunks
    // (and song.json) when the metadata is given; RF64 past 4 GiB.
    bool poly = false;
};

// One Export command on the drive's current song. Every message and question goes through
// the context; a running preview is the caller's to stop first.
class TrackExport : private TransferProcedure {
public:
    TrackExport(TransferContext& context, const SongFacts& song, const ExportSettings& settings);

    // Exports the selected tracks (0-based, in list order): one or two track by track, more in
    // one pass over all tracks.
    TransferOutcome run(const std::vector<uint16_t>& tracks);

    TransferResult ExportTrack(uint16_t track, const std::string& path);
    // Paths indexed by track; empty ones are not exported.
    TransferResult ExportAllTracks(const std::array<std::string, kMaxTracks>& paths);

private:
    enum class Settled { Keep, Skip, Cancel };
    struct Target;

    // Asks before replacing an existing file (unless Yes to All was answered); a symbolic link
    // is refused whatever the answers.
    Settled settlePath(const std::string& path, bool lastItem);
    bool enoughSpaceFor(uint64_t tracks);
    void exportOneByOne(const std::vector<uint16_t>& tracks, const std::string& songName);
    void exportTogether(const std::vector<uint16_t>& tracks, const std::string& songName);
    // One track with its own server calls, or all of them together.
    TransferResult exportTargets(std::vector<Target>& targets, TrackSpan span);
    bool openFiles(std::vector<Target>& targets);
    void exportPoly(const std::vector<uint16_t>& tracks, const std::string& songName);
    TransferResult writePoly(PolyWavFile& file, const std::string& path, const std::vector<uint16_t>& tracks);
    // The chunks a file of `track` carries before its samples: none unless Broadcast Wave was chosen.
    ChunkBytes chunksFor(uint16_t track) const;
    void writeSongJson();
    TransferPass exportPass(std::vector<Target>& targets, TrackSpan span);
    BlockTaken readServer(const std::vector<Target>& targets, TrackSpan span, const TransferBuffers& buffers,
                          uint32_t position, uint32_t block);
    // The block again with salvaging reads of one track each, after the drive refused it.
    BlockTaken salvageServer(const std::vector<Target>& targets, TrackSpan span, const TransferBuffers& buffers,
                             uint32_t position, uint32_t block);
    TransferResult writeFiles(std::vector<Target>& targets, const TransferBuffers& buffers, uint32_t samples);
    // Ends every file opened: Stop when one of them could not be finished.
    TransferResult endFiles(std::vector<Target>& targets, TransferResult result, uint64_t moved);
    bool writeBlock(AudioFile& file, uint8_t* samples, uint32_t count);
    // `done`: the transfer ended without a failure or cancel; `whole`: every sample was moved.
    bool closeFile(AudioFile& file, bool done);
    bool endFile(AudioFile& file, uint16_t track, bool done, bool whole);

    const SongFacts song_;
    const ExportSettings settings_;
    AudioFormat format_ = AudioFormat::Wav;
    bool bigEndian_ = false;
    std::string directory_;
    bool yesToAll_ = false;
    std::string songName_;
    // The files' messages: held while their blocks are written beside the next read.
    HeldMessages fileMessages_;
    bool writeFailed_ = false;  // set by the writing side, looked at once the pass has ended
    std::string date_, time_;  // when the command ran: every file of it carries the same
};

}  // namespace vxf::transfer
