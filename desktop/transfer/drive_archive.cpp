// drive_archive.cpp - a drive's songs into a BagIt bag: every track a file, hashed as it is written, with an inventory.
#include "drive_archive.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

#include "archive_inventory.h"
#include "archive_journal.h"
#include "bag_files.h"
#include "byte_order.h"
#include "safe_names.h"
#include "sha256_tap.h"
#include "song_json.h"
#include "track_export.h"
#include "transfer_paths.h"

namespace vxf::transfer {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kSampleMask = 0xFFFFFF;

template <bool BigEndian>
uint32_t wordAt(const uint8_t* s) {
    return BigEndian ? loadBe32(s) : loadLe32(s);
}

template <bool BigEndian>
int32_t sampleAt(const uint8_t* s) {
    const int high = BigEndian ? 0 : 2;
    const int low = BigEndian ? 2 : 0;
    return int32_t(uint32_t(s[high]) << 24 | uint32_t(s[1]) << 16 | uint32_t(s[low]) << 8) >> 8;
}

// The largest magnitude of 3-byte samples. Four samples fill three words, taken apart with shifts
// and no branch, and the extremes kept apart, so that the compiler can run the loop on vectors:
// the pass runs on the reading thread over every byte archived.
template <bool BigEndian>
[[gnu::always_inline]] inline int32_t peakBody(const uint8_t* data, uint32_t count) {
    int32_t highest = 0;
    int32_t lowest = 0;
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const uint8_t* p = data + 3 * size_t{i};
        const uint32_t w0 = wordAt<BigEndian>(p);
        const uint32_t w1 = wordAt<BigEndian>(p + 4);
        const uint32_t w2 = wordAt<BigEndian>(p + 8);
        int32_t s[4];
        if constexpr (BigEndian) {
            s[0] = int32_t(w0) >> 8;
            s[1] = int32_t(w0 << 24 | w1 >> 8) >> 8;
            s[2] = int32_t(w1 << 16 | w2 >> 16) >> 8;
            s[3] = int32_t(w2 << 8) >> 8;
        } else {
            s[0] = int32_t(w0 << 8) >> 8;
            s[1] = int32_t((w0 >> 24 | w1 << 8) << 8) >> 8;
            s[2] = int32_t((w1 >> 16 | w2 << 16) << 8) >> 8;
            s[3] = int32_t(w2) >> 8;
        }
        for (int32_t v : s) {
            highest = std::max(highest, v);
            lowest = std::min(lowest, v);
        }
    }
    for (; i < count; ++i) {
        const int32_t v = sampleAt<BigEndian>(data + 3 * size_t{i});
        highest = std::max(highest, v);
        lowest = std::min(lowest, v);
    }
    return std::max(highest, -lowest);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The baseline x86-64 has no vector min and max of 32-bit numbers, and the loop's word shuffles
// want the full loop optimiser: with AVX2 it takes some four times less time.
template <bool BigEndian>
#if defined(__clang__)
[[gnu::target("avx2")]]  // clang has no per-function optimisation level, nor needs one here
#else
[[gnu::target("avx2"), gnu::optimize("O3")]]
#endif
int32_t peakAvx2(const uint8_t* data, uint32_t count) {
    return peakBody<BigEndian>(data, count);
}
#endif

int32_t peakOf(const uint8_t* data, uint32_t count, bool bigEndian) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) return bigEndian ? peakAvx2<true>(data, count) : peakAvx2<false>(data, count);
#endif
    return bigEndian ? peakBody<true>(data, count) : peakBody<false>(data, count);
}

std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

uint64_t fileBytes(const SongFacts& facts, uint16_t wordLength) {
    return uint64_t{facts.length} * (wordLength / 8u) * facts.trackCount;
}

// A journal line whose gaps reach past the song was not written for this song's file (the bag
// folder is anyone's to edit): its file is made again rather than kept with gaps it cannot have.
bool gapsLieInSong(const JournalEntry& entry, const SongFacts& facts) {
    return std::all_of(entry.gaps.begin(), entry.gaps.end(),
                       [&](const std::pair<uint64_t, uint64_t>& gap) { return gap.second < facts.length; });
}

bool isEmptyFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error) && fs::is_empty(path, error) && !error;
}

}  // namespace

// Drives report an 8-character vendor and the product after it.
std::vector<std::pair<std::string, std::string>> driveInfoFields(const DriveFacts& drive) {
    constexpr size_t kVendorChars = 8;
    const std::string vendor = trimSpaces(drive.description.substr(0, kVendorChars));
    const std::string product = trimSpaces(drive.description.substr(std::min(kVendorChars, drive.description.size())));
    return {{"External-Identifier", drive.name},
            {"Drive-Vendor", vendor},
            {"Drive-Product", product},
            {"Drive-Size", std::to_string(drive.sizeBytes)}};
}

std::string archiveTrackPath(const ArchivedSong& song, AudioFormat format, uint16_t track) {
    return exportPath(song.folder + "/", safeFileName(song.name, ""), format, track + 1);
}

bool planSongs(ArchiveSource& source, const std::vector<SongChoice>& chosen, std::vector<ArchivedSong>& songs,
               std::string& error) {
    const auto choose = [&](uint16_t project, uint16_t song) {
        return chosen.empty() || std::find(chosen.begin(), chosen.end(), SongChoice{project, song}) != chosen.end();
    };
    uint16_t projects = 0;
    if (source.projectCount(projects) != 0) {
        error = source.errorText();
        return false;
    }
    for (uint16_t p = 0; p < projects; ++p) {
        std::string projectName;
        uint16_t count = 0;
        if (source.openProject(p, projectName) != 0 || source.songCount(count) != 0) {
            error = "project " + std::to_string(p + 1) + ": " + source.errorText();
            return false;
        }
        projectName = trimSpaces(projectName);
        for (uint16_t s = 0; s < count; ++s) {
            if (!choose(p + 1, s + 1)) continue;
            ArchivedSong song;
            song.position = {uint16_t(p + 1), uint16_t(s + 1)};
            song.projectName = projectName;
            if (source.openSong(s, song.name, song.facts) != 0) {
                error = "song " + std::to_string(p + 1) + "/" + std::to_string(s + 1) + ": " + source.errorText();
                return false;
            }
            song.name = trimSpaces(song.name);
            song.folder = std::string(kPayloadFolder) + "/" + numberedFolderName(p + 1, projectName) + "/" +
                          numberedFolderName(s + 1, song.name);
            songs.push_back(std::move(song));
        }
    }
    for (const SongChoice& choice : chosen) {
        const bool found = std::any_of(songs.begin(), songs.end(),
                                       [&](const ArchivedSong& song) { return song.position == choice; });
        if (!found) {
            error = "the drive has no song " + std::to_string(choice.project) + "/" + std::to_string(choice.song);
            return false;
        }
    }
    return true;
}

// The taps and peaks of the tracks of one song as they are written.
class DriveArchive::Observer : public ExportObserver {
public:
    Observer(ArchiveMeter& meter, ArchiveProgress& progress, uint16_t fileBytesPerSample)
        : meter_(meter), progress_(progress), fileBytesPerSample_(fileBytesPerSample) {}

    WriteTap* tapFor(uint16_t track) override {
        taps_[track] = std::make_unique<Sha256Tap>();
        peaks_[track] = 0;
        return taps_[track].get();
    }

    void samples(uint16_t track, const uint8_t* data, uint32_t count, bool bigEndian) override {
        peaks_[track] = std::max(peaks_[track], peakOf(data, count, bigEndian));
        meter_.advance(uint64_t{count} * fileBytesPerSample_);
        progress_.moved(meter_);
    }

    std::optional<std::string> digest(uint16_t track) {
        auto it = taps_.find(track);
        return it == taps_.end() ? std::nullopt : it->second->hexDigest();
    }
    int32_t peak(uint16_t track) { return std::min(peaks_[track], kSampleMask); }

private:
    ArchiveMeter& meter_;
    ArchiveProgress& progress_;
    uint16_t fileBytesPerSample_;
    std::map<uint16_t, std::unique_ptr<Sha256Tap>> taps_;
    std::map<uint16_t, int32_t> peaks_;
};

DriveArchive::DriveArchive(ArchiveSource& source, TransferContext& context, ArchiveOptions options,
                           ArchiveProgress& progress)
    : source_(source), context_(context), options_(std::move(options)), progress_(progress) {}

ArchiveOutcome DriveArchive::run() {
    top_ = options_.directory;
    while (top_.size() > 1 && top_.back() == '/') top_.pop_back();
    if (source_.driveFacts(outcome_.drive) != 0) {
        fail(source_.errorText());
        return outcome_;
    }
    if (!plan() || !prepareFolder()) return outcome_;
    uint64_t total = 0;
    for (const ArchivedSong& song : outcome_.songs) total += fileBytes(song.facts, options_.wordLength);
    meter_.begin(total);
    for (ArchivedSong& song : outcome_.songs) {
        if (!archiveSong(song)) return outcome_;
    }
    finishBag();
    return outcome_;
}

bool DriveArchive::fail(const std::string& text) {
    if (outcome_.error.empty()) outcome_.error = text;
    return false;
}

bool DriveArchive::plan() {
    std::string error;
    return planSongs(source_, options_.songs, outcome_.songs, error) || fail(error);
}

std::string DriveArchive::selectionText() const {
    if (options_.songs.empty()) return "all";
    std::string text;
    for (const ArchivedSong& song : outcome_.songs) {
        text += (text.empty() ? "" : ",") + std::to_string(song.position.project) + "/" +
                std::to_string(song.position.song);
    }
    return text;
}

bool DriveArchive::sameDrive() const {
    const std::optional<std::string> text = readWholeFile(top_ + "/" + kBagInfo);
    if (!text) return false;
    const BagInfoFields fields = parseBagInfo(*text);
    for (const auto& [label, value] : driveInfoFields(outcome_.drive)) {
        if (bagInfoValue(fields, label) != value) return false;
    }
    return true;
}

// A new folder or an empty one is started; an unfinished bag of this drive is gone on with
// when asked to. Anything else may be someone's files, or another drive's archive: refused.
bool DriveArchive::prepareFolder() {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(top_, error);
    if (!fs::exists(status)) {
        fs::create_directories(top_, error);
        if (error) return fail(top_ + " cannot be made: " + error.message());
        return startBag();
    }
    if (!fs::is_directory(status)) return fail(top_ + " exists and is not a folder");
    if (isEmptyFolder(top_)) return startBag();
    const std::optional<ArchiveJournal> journal = ArchiveJournal::load(top_);
    if (!journal && sameDrive() && fs::exists(top_ + "/" + kTagManifest, error)) {
        return fail(top_ + " holds a finished archive of this drive; give a new or empty folder");
    }
    if (!journal || !sameDrive()) {
        return fail(top_ + " exists and is not an unfinished archive of this drive; give a new or empty folder");
    }
    if (!options_.resume) return fail(top_ + " holds an unfinished archive of this drive; add --resume to go on with it");
    if (journal->selection() != selectionText()) {
        return fail(top_ + " holds an unfinished archive of the songs " + journal->selection() +
                    "; resume it with the same --songs");
    }
    return true;
}

bool DriveArchive::startBag() {
    BagInfoFields fields = driveInfoFields(outcome_.drive);
    fields.insert(fields.begin(), {"Bagging-Date", today()});
    std::error_code error;
    fs::create_directories(top_ + "/" + kPayloadFolder, error);
    if (error || !replaceFileContents(top_ + "/" + kBagDeclaration, bagDeclarationText()) ||
        !replaceFileContents(top_ + "/" + kBagInfo, bagInfoText(fields)) ||
        !ArchiveJournal::create(top_, selectionText())) {
        return fail(top_ + ": the bag cannot be started there");
    }
    return true;
}

std::string DriveArchive::trackPath(const ArchivedSong& song, uint16_t track) const {
    return archiveTrackPath(song, options_.format, track);
}

bool DriveArchive::archiveSong(ArchivedSong& song) {
    progress_.song(std::to_string(song.position.project) + "/" + std::to_string(song.position.song) + " " + song.name);
    std::vector<uint16_t> missing;
    if (!keepFinished(song, missing)) return false;
    if (missing.empty()) return true;
    if (!clearUnfinished(song, missing)) return false;
    uint16_t index = song.position.song;
    std::string name;
    SongFacts facts;
    std::string projectName;
    if (source_.openProject(song.position.project - 1, projectName) != 0 ||
        source_.openSong(index - 1, name, facts) != 0) {
        return fail(song.folder + ": " + source_.errorText());
    }
    return exportTracks(song, missing);
}

// Files an earlier run finished and that still hold what it wrote are kept; the rest are made.
bool DriveArchive::keepFinished(ArchivedSong& song, std::vector<uint16_t>& missing) {
    const std::optional<ArchiveJournal> journal = ArchiveJournal::load(top_);
    if (!journal) return fail(top_ + "/" + kArchiveJournal + " cannot be read");
    for (uint16_t track = 0; track < std::min<size_t>(song.facts.trackCount, kMaxTracks); ++track) {
        const std::string path = trackPath(song, track);
        const auto entry = journal->files().find(path);
        if (entry != journal->files().end() && gapsLieInSong(entry->second, song.facts) &&
            sha256OfFile(top_ + "/" + path) == entry->second.digest) {
            song.tracks.push_back({track, path, entry->second.digest, entry->second.bytes, entry->second.peak, true});
            // A kept file keeps its silent gaps: the bag's report and inventory still name them.
            for (const auto& [first, last] : entry->second.gaps) {
                song.gaps.push_back({song.name, track, song.facts.sampleRate, first, last});
            }
            outcome_.gaps += entry->second.gaps.size();
            meter_.skip(entry->second.bytes);
        } else {
            missing.push_back(track);
        }
    }
    progress_.moved(meter_);
    return true;
}

// What a stopped run left of the files to be made again goes first, with any hidden file a
// replacement left behind.
bool DriveArchive::clearUnfinished(const ArchivedSong& song, const std::vector<uint16_t>& missing) {
    const std::string folder = top_ + "/" + song.folder;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return fail(folder + " cannot be made: " + error.message());
    std::vector<std::string> keep;
    for (const ArchivedTrack& track : song.tracks) keep.push_back(fs::path(track.path).filename().string());
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) != keep.end()) continue;
        if (entry.is_regular_file(error) || entry.is_symlink(error)) fs::remove(entry.path(), error);
    }
    (void)missing;
    return true;
}

bool DriveArchive::exportTracks(ArchivedSong& song, const std::vector<uint16_t>& tracks) {
    Observer observer(meter_, progress_, options_.wordLength / 8);
    ExportSettings settings;
    settings.directory = top_ + "/" + song.folder;
    settings.format = options_.format;
    settings.wordLength = options_.wordLength;
    settings.fileStem = safeFileName(song.name, "");
    settings.observer = &observer;
    settings.salvage = options_.salvage;
    // The bag's files are synced before its tag files are written: what reached the disk while the
    // drive was being read need not be waited for then.
    settings.writeBehind = true;
    // WAV and AIFF files of an archive carry the song's markers, and song.json lies beside them.
    SessionMetadata metadata;
    if (options_.format == AudioFormat::Wav || options_.format == AudioFormat::Aiff) {
        if (source_.songMetadata(metadata) != 0) return fail(song.folder + ": " + source_.errorText());
        settings.broadcastWave = true;
        settings.metadata = &metadata;
    }
    TrackExport exporter(context_, song.facts, settings);
    const TransferOutcome outcome = exporter.run(tracks);
    song.gaps.insert(song.gaps.end(), outcome.gaps.begin(), outcome.gaps.end());
    std::sort(song.gaps.begin(), song.gaps.end(), [](const SalvageGap& a, const SalvageGap& b) {
        return std::tie(a.track, a.firstSample) < std::tie(b.track, b.firstSample);
    });
    outcome_.gaps += outcome.gaps.size();
    const bool ended = !outcome.failed && !outcome.cancelled;
    for (const TransferredFile& file : outcome.files) {
        // A song whose audio ends before its length still ends in a finished file.
        if (!file.complete && !ended) continue;
        const std::string path = trackPath(song, file.track);
        std::error_code error;
        const uint64_t bytes = fs::file_size(top_ + "/" + path, error);
        // The header's rewrite at the end normally repeats it; when not, the file is read once.
        std::optional<std::string> digest = observer.digest(file.track);
        if (!digest) digest = sha256OfFile(top_ + "/" + path);
        if (!digest || error) return fail(path + " cannot be read back");
        JournalEntry entry{*digest, observer.peak(file.track), bytes, {}};
        for (const SalvageGap& gap : outcome.gaps) {
            if (gap.track == file.track) entry.gaps.emplace_back(gap.firstSample, gap.lastSample);
        }
        if (!ArchiveJournal::append(top_, path, entry)) return fail(top_ + "/" + kArchiveJournal + " cannot be written");
        song.tracks.push_back({file.track, path, entry.digest, bytes, entry.peak, false});
    }
    std::sort(song.tracks.begin(), song.tracks.end(),
              [](const ArchivedTrack& a, const ArchivedTrack& b) { return a.track < b.track; });
    if (outcome.cancelled) {
        outcome_.stopped = true;
        return fail("stopped at " + song.folder + "; the bag can be resumed");
    }
    if (!ended || song.tracks.size() < std::min<size_t>(song.facts.trackCount, kMaxTracks)) {
        return fail("stopped at " + song.folder + "; the bag can be resumed once the cause is mended");
    }
    return true;
}

// The inventory, the manifest, bag-info with the payload's size and the tag manifest, each
// replaced whole; the journal goes last, so a bag without it is complete.
bool DriveArchive::finishBag() {
    // A complete bag claims its files: they reach the disk before the tag files that say so.
    const int folder = ::open(top_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = folder >= 0 && ::syncfs(folder) == 0;
    if (folder >= 0) ::close(folder);
    if (!synced) return fail(top_ + ": the files cannot be flushed to the disk");
    std::vector<ManifestEntry> manifest;
    for (const ArchivedSong& song : outcome_.songs) {
        for (const ArchivedTrack& track : song.tracks) {
            manifest.push_back({track.digest, track.path});
            outcome_.bytes += track.bytes;
        }
    }
    // song.json of each song, as the last export of the song left it.
    for (const ArchivedSong& song : outcome_.songs) {
        const std::string path = song.folder + "/" + kSongJsonName;
        std::error_code error;
        if (!fs::exists(top_ + "/" + path, error)) continue;
        const std::optional<std::string> digest = sha256OfFile(top_ + "/" + path);
        const uint64_t bytes = fs::file_size(top_ + "/" + path, error);
        if (!digest || error) return fail(path + " cannot be read back");
        manifest.push_back({*digest, path});
        outcome_.bytes += bytes;
    }
    const std::string json = inventoryJson(outcome_, options_);
    const std::string text = inventoryText(outcome_, options_);
    if (!replaceFileContents(top_ + "/" + kInventoryJson, json) ||
        !replaceFileContents(top_ + "/" + kInventoryText, text)) {
        return fail(top_ + "/" + kPayloadFolder + ": the inventory cannot be written");
    }
    manifest.push_back({sha256OfText(json), kInventoryJson});
    manifest.push_back({sha256OfText(text), kInventoryText});
    outcome_.bytes += json.size() + text.size();
    if (options_.salvage) {
        const std::string report = salvageReportText(outcome_);
        if (!replaceFileContents(top_ + "/" + kSalvageReport, report)) {
            return fail(top_ + "/" + kSalvageReport + " cannot be written");
        }
        manifest.push_back({sha256OfText(report), kSalvageReport});
        outcome_.bytes += report.size();
    }
    outcome_.files = manifest.size();
    std::sort(manifest.begin(), manifest.end(),
              [](const ManifestEntry& a, const ManifestEntry& b) { return a.path < b.path; });

    std::optional<std::string> oldInfo = readWholeFile(top_ + "/" + kBagInfo);
    BagInfoFields fields = oldInfo ? parseBagInfo(*oldInfo) : BagInfoFields{};
    const std::string date = bagInfoValue(fields, "Bagging-Date").value_or(today());
    fields = driveInfoFields(outcome_.drive);
    fields.insert(fields.begin(), {{"Bagging-Date", date}, {"Payload-Oxum", payloadOxum(outcome_.bytes, outcome_.files)}});
    fields.push_back({"Bag-Software-Agent", "vxf archive"});
    const std::string manifestContents = manifestText(manifest);
    const std::string infoContents = bagInfoText(fields);
    const std::vector<ManifestEntry> tags = {{sha256OfText(bagDeclarationText()), kBagDeclaration},
                                             {sha256OfText(infoContents), kBagInfo},
                                             {sha256OfText(manifestContents), kPayloadManifest}};
    if (!replaceFileContents(top_ + "/" + kPayloadManifest, manifestContents) ||
        !replaceFileContents(top_ + "/" + kBagInfo, infoContents) ||
        !replaceFileContents(top_ + "/" + kBagDeclaration, bagDeclarationText()) ||
        !replaceFileContents(top_ + "/" + kTagManifest, manifestText(tags)) || !ArchiveJournal::remove(top_)) {
        return fail(top_ + ": the bag's tag files cannot be written");
    }
    outcome_.finished = true;
    return true;
}

}  // namespace vxf::transfer
