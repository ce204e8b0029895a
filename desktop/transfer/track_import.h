// track_import.h - import of files into tracks: track assignment, the Import command, ImportTrack and ImportAllTracks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio_format.h"
#include "track_export.h"
#include "transfer_procedure.h"

namespace vxf::transfer {

// Path of the import file list: at most this many characters of a path in the replace question.
constexpr size_t kReplaceQuestionPathChars = 39;

// One selected file.
struct ImportFile {
    std::string path;
    AudioFormat format = AudioFormat::Wav;
    std::optional<uint16_t> track;  // 0-based; none: from the file name or through the dialog
    // Read through libsndfile (any kind it knows, any number of channels): channel `channel` (from 0) of it,
    // converted to the song's word length. `format` is then not looked at.
    bool foreign = false;
    uint16_t channel = 0;
};

// The track a file name points at: the one- or two-digit number nearest before the extension,
// 1-based in the name; -1 when there is none, it has three digits or more, or it is 0.
int TrackFromFileName(const std::string& name);

// One Import command into the drive's current song. `song` is the caller's view of the song:
// its length grows with what is imported.
class TrackImport : private TransferProcedure {
public:
    TrackImport(TransferContext& context, SongFacts& song, const std::string& directory);

    // Imports the selected files in list order: 1 to 23 file by file, 24 in one pass over all
    // tracks. The directory is the one the list was built from.
    TransferOutcome run(const std::vector<ImportFile>& files);

    TransferResult ImportTrack(uint16_t track, const ImportFile& file);
    // Files indexed by track; null leaves the track as it is.
    TransferResult ImportAllTracks(const std::array<const ImportFile*, kMaxTracks>& files);

private:
    struct Source;
    // The samples as the server takes them from all files of a pass.
    struct ServerCoding {
        uint16_t bytes = 0;
        bool bigEndian = false;
    };

    std::optional<uint16_t> assignTrack(const ImportFile& file, const std::vector<bool>& trackFree,
                                        std::optional<uint16_t>& lastChosen);
    std::optional<ReplaceAnswer> askReplace(uint16_t track, const ImportFile& file, bool lastItem);
    // The drive must hold what the song grows by when it reaches `samples`; the text names the
    // file when one track is imported.
    std::optional<TransferResult> checkDriveSpace(uint32_t samples, TrackSpan span, const std::string& path);
    // One file with its own server calls, or up to all tracks together.
    TransferResult importSources(std::vector<Source>& sources, TrackSpan span);
    std::optional<TransferResult> openSource(Source& source, TrackSpan span);
    TransferPass importPass(std::vector<Source>& sources, TrackSpan span, uint32_t longest);
    BlockTaken readFiles(std::vector<Source>& sources, TrackSpan span, bool bigEndian, const TransferBuffers& buffers,
                         uint32_t wanted);
    static void padSamples(const std::vector<Source>& sources, const TransferBuffers& buffers, uint32_t samples,
                           ServerCoding coding);
    TransferResult writeServer(const std::vector<Source>& sources, TrackSpan span, const TransferBuffers& buffers,
                               uint32_t position, uint32_t samples, ServerCoding coding);
    TransferResult endSources(std::vector<Source>& sources, TransferResult result, uint64_t moved);
    void noteFile(uint16_t track, const std::string& path, bool complete);

    SongFacts& song_;
    std::string directory_;
    bool yesToAll_ = false;
};

}  // namespace vxf::transfer
