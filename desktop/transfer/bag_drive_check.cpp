// bag_drive_check.cpp - a bag's audio files compared, sample by sample, with the tracks of the drive they came from.
#include "bag_drive_check.h"

#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "audio_file.h"
#include "bag_files.h"
#include "drive_archive.h"
#include "message_sink.h"
#include "sample_conversion.h"
#include "transfer_paths.h"

namespace vxf::transfer {

namespace {

constexpr uint32_t kCompareBlock = 64 * 1024;  // samples
constexpr uint16_t kDriveBytes = 3;

// Keeps an audio file's failure as text for the report instead of showing it.
class CollectedMessages : public MessageSink {
public:
    void showError(const std::string& text) override {
        last = text;
        for (char& c : last) {
            if (c == '\r' || c == '\n') c = ' ';
        }
    }
    std::string last;
};

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

class DriveComparison {
public:
    DriveComparison(const std::string& directory, ArchiveSource& source, TransferServer& server, BagCheck& check)
        : top_(directory), source_(source), server_(server), check_(check) {}

    void run() {
        const std::optional<std::string> text = readWholeFile(top_ + "/" + kPayloadManifest);
        const std::optional<std::vector<ManifestEntry>> entries = text ? parseManifest(*text) : std::nullopt;
        if (!entries) return;  // the bag check has said so
        for (const ManifestEntry& entry : *entries) listed_.insert(entry.path);
        std::vector<ArchivedSong> songs;
        std::string error;
        if (!planSongs(source_, {}, songs, error)) return note("drive", error);
        std::set<std::string> folders;
        for (const ManifestEntry& entry : *entries) folders.insert(folderOf(entry.path));
        std::set<std::string> known;
        for (const ArchivedSong& song : songs) {
            if (!folders.count(song.folder)) continue;
            compareSong(song, known);
        }
        for (const ManifestEntry& entry : *entries) {
            const bool audio = formatOfFileName(entry.path).has_value();
            if (audio && !known.count(entry.path)) note(entry.path, "is not a track of the drive");
        }
        if (known.empty()) note("drive", "holds none of the bag's songs");
    }

private:
    void note(const std::string& path, const std::string& what) { check_.problems.push_back({path, what}); }

    void compareSong(const ArchivedSong& song, std::set<std::string>& known) {
        std::string name;
        SongFacts facts;
        std::string projectName;
        if (source_.openProject(song.position.project - 1, projectName) != 0 ||
            source_.openSong(song.position.song - 1, name, facts) != 0) {
            return note(song.folder, source_.errorText());
        }
        // The bag's format is that of the files it holds.
        for (uint16_t track = 0; track < facts.trackCount; ++track) {
            bool found = false;
            for (AudioFormat format : {AudioFormat::Wav, AudioFormat::Aiff, AudioFormat::Sd2, AudioFormat::DigSd}) {
                const std::string path = archiveTrackPath(song, format, track);
                if (!listed_.count(path)) continue;
                known.insert(path);
                found = true;
                compareTrack(path, format, track, facts);
            }
            if (!found) note(archiveTrackPath(song, AudioFormat::Wav, track), "missing: track " +
                                                                                  std::to_string(track + 1) +
                                                                                  " of the drive has no file");
        }
    }

    void compareTrack(const std::string& path, AudioFormat format, uint16_t track, const SongFacts& facts) {
        std::error_code error;
        if (!std::filesystem::exists(top_ + "/" + path, error)) return;  // the bag check tells it missing
        CollectedMessages messages;
        AudioFile file(messages);
        uint32_t rate = 0;
        uint16_t bits = 0;
        uint32_t samples = 0;
        if (!file.OpenForRead(format, top_ + "/" + path, rate, bits, samples)) return note(path, messages.last);
        if (rate != facts.sampleRate || samples != facts.length || (bits != 16 && bits != 24)) {
            return note(path, "differs from track " + std::to_string(track + 1) + ": " + std::to_string(samples) +
                                  " samples at " + std::to_string(rate) + " Hz, the track has " +
                                  std::to_string(facts.length) + " at " + std::to_string(facts.sampleRate));
        }
        std::vector<uint8_t> drive(size_t{kCompareBlock} * kDriveBytes);
        std::vector<uint8_t> held(size_t{kCompareBlock} * kDriveBytes);
        const unsigned fileBytes = bits / 8u;
        for (uint32_t at = 0; at < facts.length;) {
            const uint32_t want = std::min(kCompareBlock, facts.length - at);
            uint32_t read = 0;
            if (server_.trackRead(track, at, want, read, kDriveBytes, 0, drive.data()) != 0 || read == 0) {
                return note(path, "track " + std::to_string(track + 1) + " cannot be read: " + server_.errorText());
            }
            read = std::min(read, want);
            if (fileBytes == 2) reduce24To16Rounded(drive.data(), read, false);
            size_t got = 0;
            if (!file.ReadSamples(held.data(), size_t{read} * fileBytes, false, false, got)) {
                return note(path, messages.last);
            }
            if (got != size_t{read} * fileBytes || std::memcmp(drive.data(), held.data(), got) != 0) {
                size_t first = 0;
                while (first + fileBytes <= got &&
                       std::memcmp(drive.data() + first, held.data() + first, fileBytes) == 0) {
                    first += fileBytes;
                }
                return note(path, "differs from track " + std::to_string(track + 1) + " at sample " +
                                      std::to_string(at + first / fileBytes));
            }
            at += read;
        }
    }

    std::string top_;
    ArchiveSource& source_;
    TransferServer& server_;
    BagCheck& check_;
    std::set<std::string> listed_;
};

}  // namespace

void compareBagWithDrive(const std::string& directory, ArchiveSource& source, TransferServer& server,
                         BagCheck& check) {
    DriveComparison(directory, source, server, check).run();
}

}  // namespace vxf::transfer
