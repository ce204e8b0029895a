// damage_survey_test.cpp - the scan over many damaged volumes: every song that loaded before it loads whole after it, and a second scan finds nothing left to do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "song/block_runs.h"
#include "crash_fixture.h"
#include "image_snapshot.h"
#include "volume/named_list_sector.h"
#include "platform/test_api.h"
#include "core/record.h"
#include "core/server_state.h"
#include "volume/super_block.h"
#include "volume_checks.h"
#include "vxfx.h"

namespace vxf::reliability {
namespace {

namespace layout = vxfserver::layout;
namespace namedlist = vxfserver::namedlist;
using vxfserver::BlockRun;
using vxfserver::getWord;
using vxfserver::putHalf;
using vxfserver::putWord;
using vxfserver::state;

constexpr uint32_t kSurveySectors = uint32_t(vxfserver::test::smallDriveSectors(CrashFixture::kClusters));
constexpr uint32_t kBlockSectors = layout::kSectorsPerAudioBlock;
// Where the song record keeps its counts and its runs; the survey writes them as a damaged drive would hold them.
constexpr size_t kInfoAudioBlocks = 0x000;
constexpr size_t kInfoSamples = 0x038;
constexpr size_t kRunEntryBytes = 8;
constexpr size_t kStoredRuns = 64;
// A song slot the base volume never used: its record is all zeros.
constexpr uint32_t kUnusedSlotLba = layout::kSongLba + 20 * layout::kSongLength;

// The sentences the server has for its codes: a refusal must be one of them, never a stray number.
const std::map<int32_t, std::string>& serverSentences() {
    static const std::map<int32_t, std::string> sentences = {
#define VXF_SURVEY_SENTENCE(name, value, message) {value, message},
        VXF_ERROR_TABLE(VXF_SURVEY_SENTENCE)
#undef VXF_SURVEY_SENTENCE
    };
    return sentences;
}

// The read range is filled into the sentence of a refused read; only the text before it is fixed.
bool isServerSentence(int32_t code, const std::string& text) {
    const auto found = serverSentences().find(code);
    if (found == serverSentences().end()) return false;
    const std::string& sentence = found->second;
    const size_t fixed = sentence.find('%');
    return fixed == std::string::npos ? text == sentence : text.compare(0, fixed, sentence, 0, fixed) == 0;
}

std::string describe(const VxfxScanReport& r) {
    std::ostringstream out;
    out << "removed " << r.removedSongs << ", space " << r.spaceKiB << " KiB, extra listings " << r.extraListings
        << ", relisted " << r.relistedSongs << ", repaired " << r.repairedSongs << ", shared " << r.sharedClusters
        << ", copied " << r.copiedClusters << (r.unresolved[0] != '\0' ? ", unresolved: " : "") << r.unresolved;
    return out.str();
}

bool reportsNothing(const VxfxScanReport& r) {
    return r.removedSongs == 0 && r.spaceKiB == 0 && r.extraListings == 0 && r.relistedSongs == 0 &&
           r.repairedSongs == 0 && r.sharedClusters == 0 && r.copiedClusters == 0 && r.unresolved[0] == '\0';
}

std::string listOf(const std::map<int32_t, int>& codes) {
    std::string text;
    for (const auto& [code, count] : codes) {
        text += (text.empty() ? "" : ", ") + std::to_string(code) + " x" + std::to_string(count);
    }
    return text.empty() ? "none" : text;
}

struct Tally {
    int volumes = 0;
    int clean = 0;
    int diskFull = 0;
    int unmountable = 0;
    std::map<int32_t, int> refused;
    size_t songsBefore = 0;
    size_t songsKept = 0;
    size_t songsMended = 0;
    VxfxScanReport work{};  // what the first scans did, summed
};

class DamageSurvey : public CrashFixture {
protected:
    // A system record, both of whose copies the damage may reach.
    struct Record {
        std::string name;
        uint32_t lba;
        uint32_t sectors;
        bool songInfo;
    };
    struct BaseSong {
        std::string name;
        uint32_t lba = 0;
        std::vector<BlockRun> runs;
        uint32_t samplesPerBlock = 0;
        StoredSong audio;
    };
    struct Damage {
        std::string name;
        std::function<void()> apply;
        // Songs whose records the scan can mend (runs outside the audio space, a wrong block count):
        // after a clean scan they hold their base audio again.
        std::vector<size_t> mended = {};
    };

    enum class Fill { Whole, Body, Words };
    enum class Seal { Valid, Broken };
    enum class Copies { First, Both };

    void SetUp() override {
        CrashFixture::SetUp();
        arrange(Operation("survey"));
        readBase();
    }

    void readBase() {
        uint32_t h = 0;
        ASSERT_EQ(mountAfresh(h), VXF_OK);
        ASSERT_EQ(state().sectorCount, kSurveySectors);
        audioSpaceLba_ = state().superBlock.audioSpaceLba;
        audioEnd_ = audioSpaceLba_ + vxfserver::totalClusters(state().superBlock) * kBlockSectors;
        for (uint16_t p = 0; p < state().projectList.count; ++p) projects_.push_back(state().projectList.handles[p]);
        listed_.assign(projects_.size(), {});
        std::vector<std::string> problems;
        // The base volume's songs in list order, as the crash fixture names them.
        static const char* const kNames[] = {"A", "B", "P", "C"};
        for (StoredSong& stored : readAllSongs(h, problems)) {
            ASSERT_LT(songs_.size(), std::size(kNames));
            ASSERT_EQ(tavovxfProjectSetPrimary(h, stored.project), VXF_OK);
            ASSERT_EQ(tavovxfSongSetPrimary(h, stored.index), VXF_OK);
            const vxfserver::Song& song = state().song;
            BaseSong base;
            base.name = std::string("song ") + kNames[songs_.size()];
            base.lba = song.lba;
            base.runs.assign(song.runs, song.runs + vxfserver::runsInUse(song.runs));
            base.samplesPerBlock = song.samplesPerTrackBlock;
            base.audio = std::move(stored);
            listed_[base.audio.project].push_back(base.lba);
            songs_.push_back(std::move(base));
        }
        ASSERT_TRUE(problems.empty()) << problems.front();
        ASSERT_EQ(songs_.size(), 4u);
        ASSERT_EQ(projects_.size(), 2u);
        closeAll();
    }

    const BaseSong& song(char name) const {
        const std::string wanted = std::string("song ") + name;
        for (const BaseSong& s : songs_) {
            if (s.name == wanted) return s;
        }
        ADD_FAILURE() << "the base volume has no " << wanted;
        return songs_.front();
    }
    size_t songIndex(char name) const { return size_t(&song(name) - songs_.data()); }

    std::vector<Record> records() const {
        std::vector<Record> list = {
            {"super block", layout::kSuperBlockLba, 1, false},
            {"project list", layout::kProjectListLba, layout::kProjectListLength, false},
            {"song bitmap", layout::kSongBitmapLba, layout::kSongBitmapLength, false},
            {"audio bitmap", layout::kAudioBitmapLba, layout::kAudioBitmapLength, false},
        };
        for (size_t p = 0; p < projects_.size(); ++p) {
            list.push_back({"project " + std::to_string(p) + " record", projects_[p], layout::kProjectLength, false});
        }
        for (const BaseSong& s : songs_) {
            list.push_back({s.name + " information", s.lba, layout::kSongInfoLength, true});
            list.push_back({s.name + " runs", s.lba + layout::kSongInfoLength, layout::kSongBrLength, false});
        }
        return list;
    }

    // Random bytes over a record: all of it, all but its magic and checksum (the last two words of
    // every record), or a few words of it; then sealed again on both copies, or left unsealed.
    void scramble(const Record& record, Fill fill, Seal seal, Copies copies, uint32_t seed) {
        const size_t size = size_t(record.sectors) * vxfserver::kSectorSize;
        auto change = [&](uint8_t* bytes) {
            std::mt19937 random(seed);
            const size_t body = fill == Fill::Whole ? size : size - 8;
            if (fill != Fill::Words) {
                for (size_t i = 0; i < body; ++i) bytes[i] = uint8_t(random());
                return;
            }
            for (int n = 0; n < 8; ++n) {
                const size_t at = 4 * (random() % (body / 4));
                // A song of billions of samples that still loads would be read whole into memory by
                // the survey itself; a length past the blocks is surveyed on its own below.
                if (record.songInfo && at == kInfoSamples) continue;
                putWord(bytes + at, uint32_t(random()));
            }
        };
        if (seal == Seal::Valid) {
            patchBothCopies(record.lba, record.sectors, change);
            return;
        }
        Bytes bytes = imageBytes(drivePath_, record.lba, record.sectors);
        change(bytes.data());
        if (vxfserver::checksumMatches(bytes.data(), size)) bytes[size - 1] ^= 0x01;
        const uint64_t mirror = uint64_t(kSurveySectors) - record.lba - record.sectors;
        for (uint32_t i = 0; i < record.sectors; ++i) {
            vxfserver::test::Sector sector;
            std::memcpy(sector.data(), &bytes[size_t(i) * vxfserver::kSectorSize], vxfserver::kSectorSize);
            writeSector(drivePath_, record.lba + i, sector);
            if (copies == Copies::Both) writeSector(drivePath_, mirror + i, sector);
        }
    }

    void patchInfo(const BaseSong& s, const std::function<void(uint8_t*)>& change) {
        patchBothCopies(s.lba, layout::kSongInfoLength, change);
    }

    // The song's runs as given, and (unless told) its block count their sum, so that the
    // runs are the record's only fault.
    void setRuns(const BaseSong& s, const std::vector<BlockRun>& runs, bool countToo = true) {
        patchBothCopies(s.lba + layout::kSongInfoLength, layout::kSongBrLength, [&](uint8_t* block) {
            for (size_t i = 0; i < kStoredRuns; ++i) {
                const BlockRun run = i < runs.size() ? runs[i] : BlockRun{};
                putWord(block + kRunEntryBytes * i, run.lba);
                putWord(block + kRunEntryBytes * i + 4, run.length);
            }
        });
        if (!countToo) return;
        uint64_t blocks = 0;
        for (const BlockRun& run : runs) blocks += run.length;
        setAudioBlocks(s, uint32_t(std::min<uint64_t>(blocks, 0xFFFFFFFFu)));
    }
    void setAudioBlocks(const BaseSong& s, uint32_t blocks) {
        patchInfo(s, [blocks](uint8_t* info) { putWord(info + kInfoAudioBlocks, blocks); });
    }

    // Each project's list of song handles as given, its count the list's length unless told.
    void setListings(const std::vector<std::vector<uint32_t>>& listed, int64_t count = -1, size_t project = 0) {
        for (size_t p = 0; p < listed.size(); ++p) {
            patchBothCopies(projects_[p], layout::kProjectLength, [&](uint8_t* sector) {
                const uint32_t n = count >= 0 && p == project ? uint32_t(count) : uint32_t(listed[p].size());
                putWord(sector + namedlist::kOffCount, n);
                for (size_t i = 0; i < namedlist::kHandles; ++i) {
                    putWord(sector + namedlist::kOffHandles + 4 * i, i < listed[p].size() ? listed[p][i] : 0);
                }
            });
        }
    }

    void setProjectList(const std::vector<uint32_t>& handles, int64_t count = -1) {
        patchBothCopies(layout::kProjectListLba, layout::kProjectListLength, [&](uint8_t* sector) {
            putHalf(sector + namedlist::kOffCount, uint16_t(count >= 0 ? count : int64_t(handles.size())));
            for (size_t i = 0; i < namedlist::kHandles; ++i) {
                putWord(sector + namedlist::kOffHandles + 4 * i, i < handles.size() ? handles[i] : 0);
            }
        });
    }

    // Song slots set or cleared in the song bitmap, by record LBA.
    void setSongBits(const std::vector<uint32_t>& songs, bool set) {
        patchBothCopies(layout::kSongBitmapLba, layout::kSongBitmapLength, [&](uint8_t* bitmap) {
            for (uint32_t lba : songs) {
                const uint32_t slot = (lba - layout::kSongLba) / layout::kSongLength;
                uint8_t* word = bitmap + 4 * (slot / 32);
                const uint32_t bit = 1u << (slot % 32);
                putWord(word, set ? getWord(word) | bit : getWord(word) & ~bit);
            }
        });
    }

    void fillAudioBitmap(uint8_t value) {
        patchBothCopies(layout::kAudioBitmapLba, layout::kAudioBitmapLength,
                        [value](uint8_t* bitmap) { std::memset(bitmap, value, vxfserver::kAudioBitmapBitWords * 4); });
    }

    void changeSuperBlock(const std::function<void(vxfserver::SuperBlock&)>& change) {
        patchSuperBlock(drivePath_, kSurveySectors, change);
    }

    std::vector<uint32_t> songLbas() const {
        std::vector<uint32_t> lbas;
        for (const BaseSong& s : songs_) lbas.push_back(s.lba);
        return lbas;
    }

    std::vector<Damage> damages();

    // Songs that loaded and read to their end, by record LBA: only they have audio to keep.
    // A track that does not read is named in the problems as "project P song S track T ...".
    std::map<uint32_t, StoredSong> wholeSongs(uint32_t h) {
        std::vector<std::string> problems;
        std::map<uint32_t, StoredSong> songs;
        for (StoredSong& s : readAllSongs(h, problems)) {
            const std::string prefix =
                "project " + std::to_string(s.project) + " song " + std::to_string(s.index) + " ";
            const bool partial = std::any_of(problems.begin(), problems.end(), [&](const std::string& problem) {
                return problem.rfind(prefix + "track ", 0) == 0;
            });
            if (!partial) songs.emplace(s.lba, std::move(s));
        }
        return songs;
    }

    // The sectors the second scan wrote whose bytes differ from what they held before it.
    std::vector<uint64_t> changedSectors(const vxf::fuzz::ImageSnapshot& before,
                                         const std::vector<vxf1394::testing::JournalEntry>& journal) {
        vxf::fuzz::ImageSnapshot after;
        EXPECT_TRUE(after.capture(drivePath_));
        std::vector<uint64_t> changed;
        uint8_t was[vxfserver::kSectorSize];
        uint8_t now[vxfserver::kSectorSize];
        for (const auto& entry : journal) {
            for (size_t at = 0; !entry.flush && at < entry.data.size(); at += vxfserver::kSectorSize) {
                const uint64_t lba = entry.lba + at / vxfserver::kSectorSize;
                before.read(lba * vxfserver::kSectorSize, was, sizeof was);
                after.read(lba * vxfserver::kSectorSize, now, sizeof now);
                if (std::memcmp(was, now, sizeof was) != 0 &&
                    std::find(changed.begin(), changed.end(), lba) == changed.end()) {
                    changed.push_back(lba);
                }
            }
        }
        return changed;
    }

    void survey(const Damage& damage, Tally& tally);

    uint32_t audioSpaceLba_ = 0;
    uint32_t audioEnd_ = 0;
    std::vector<uint32_t> projects_;
    std::vector<std::vector<uint32_t>> listed_;
    std::vector<BaseSong> songs_;
};

std::vector<DamageSurvey::Damage> DamageSurvey::damages() {
    std::vector<Damage> list;
    // The damage just added, for its mended songs and known fault (until the next one is added).
    auto add = [&list](std::string name, std::function<void()> apply) -> Damage& {
        return list.emplace_back(Damage{std::move(name), std::move(apply)});
    };

    // Random bytes over every system record, seeded by its place in the survey.
    uint32_t seed = 1000;
    for (const Record& r : records()) {
        add(r.name + ": random bytes but its magic, sealed on both copies",
            [this, r, seed] { scramble(r, Fill::Body, Seal::Valid, Copies::Both, seed); });
        add(r.name + ": random bytes all over, sealed on both copies",
            [this, r, seed] { scramble(r, Fill::Whole, Seal::Valid, Copies::Both, seed + 1); });
        add(r.name + ": a few random words, sealed on both copies",
            [this, r, seed] { scramble(r, Fill::Words, Seal::Valid, Copies::Both, seed + 2); });
        add(r.name + ": random bytes, checksum wrong, first copy only",
            [this, r, seed] { scramble(r, Fill::Body, Seal::Broken, Copies::First, seed + 3); });
        add(r.name + ": random bytes, checksum wrong, both copies",
            [this, r, seed] { scramble(r, Fill::Body, Seal::Broken, Copies::Both, seed + 4); });
        seed += 10;
    }

    // Counts out of range.
    for (int64_t count : std::initializer_list<int64_t>{0, 3, 99, 100, 0xFFFF}) {
        add("project list counting " + std::to_string(count) + " projects",
            [this, count] { setProjectList(projects_, count); });
    }
    for (int64_t count : std::initializer_list<int64_t>{0, 4, 99, 100, 0xFFFFFFFF}) {
        add("project 0 counting " + std::to_string(count) + " songs",
            [this, count] { setListings(listed_, count, 0); });
    }
    add("project 1 counting no songs", [this] { setListings(listed_, 0, 1); });
    add("super block counting 0xFFFFFFFF songs",
        [this] { changeSuperBlock([](auto& sb) { sb.currentSongs = 0xFFFFFFFFu; }); });
    add("super block counting 0xFFFFFFFF free clusters",
        [this] { changeSuperBlock([](auto& sb) { sb.availableClusters = 0xFFFFFFFFu; }); });
    add("super block counting no free clusters",
        [this] { changeSuperBlock([](auto& sb) { sb.availableClusters = 0; }); });
    add("super block allowing no songs", [this] { changeSuperBlock([](auto& sb) { sb.maxSongs = 0; }); });
    add("super block allowing three songs", [this] { changeSuperBlock([](auto& sb) { sb.maxSongs = 3; }); });
    add("super block allowing one project", [this] { changeSuperBlock([](auto& sb) { sb.maxProjects = 1; }); });
    add("super block allowing one song a project",
        [this] { changeSuperBlock([](auto& sb) { sb.songsPerProject = 1; }); });
    for (uint32_t blocks : {0u, 1u, 3u, 0xFFFFFFFFu}) {
        Damage& damage = add("song A counting " + std::to_string(blocks) + " audio blocks",
                             [this, blocks] { setAudioBlocks(song('A'), blocks); });
        damage.mended = {songIndex('A')};
    }
    add("song C counting no audio blocks", [this] { setAudioBlocks(song('C'), 0); }).mended = {songIndex('C')};
    for (uint32_t past : {1u, 10u}) {
        const std::string name =
            "song A's length " + std::to_string(past) + (past == 1 ? " block" : " blocks") + " past its blocks";
        add(name, [this, past] {
            const BaseSong& a = song('A');
            uint32_t blocks = 0;
            for (const BlockRun& run : a.runs) blocks += run.length;
            const uint32_t samples = (blocks + past) * a.samplesPerBlock;
            patchInfo(a, [samples](uint8_t* info) { putWord(info + kInfoSamples, samples); });
        });
    }
    add("song A's first run of length 0", [this] {
        std::vector<BlockRun> runs = song('A').runs;
        runs.front().length = 0;
        setRuns(song('A'), runs, false);
    });
    add("song A's first run of length 0xFFFFFFFF", [this] {
        std::vector<BlockRun> runs = song('A').runs;
        runs.front().length = 0xFFFFFFFFu;
        setRuns(song('A'), runs);
    });
    add("song C's run one block longer than the drive", [this] {
        setRuns(song('C'), {BlockRun{song('C').runs.front().lba, CrashFixture::kClusters + 1}});
    });

    // Song handles that point at no song record, added to project 0's list.
    const std::vector<std::pair<std::string, uint32_t>> strayHandles = {
        {"LBA 0", 0},
        {"the project list", layout::kProjectListLba},
        {"the song bitmap", layout::kSongBitmapLba},
        {"project 1's record", projects_[1]},
        {"the middle of song A's record", song('A').lba + 1},
        {"song A's runs block", song('A').lba + layout::kSongInfoLength},
        {"a song slot never used", kUnusedSlotLba},
        {"past the last song slot", layout::kSongLba + layout::kMaxSongs * layout::kSongLength},
        {"the audio space", audioSpaceLba_},
        {"the super block's copy", kSurveySectors - 1},
        {"LBA 0xFFFFFFFF", 0xFFFFFFFFu},
    };
    for (const auto& [where, lba] : strayHandles) {
        add("project 0 listing a song at " + where, [this, lba = lba] {
            std::vector<std::vector<uint32_t>> listed = listed_;
            listed[0].insert(listed[0].begin() + 1, lba);
            setListings(listed);
        });
    }
    add("song B's handle in project 0 replaced by the project list's", [this] {
        std::vector<std::vector<uint32_t>> listed = listed_;
        listed[0][1] = layout::kProjectListLba;
        setListings(listed);
    });
    add("project list naming song A as a project", [this] { setProjectList({projects_[0], song('A').lba}); });
    add("project list naming project 0 twice", [this] {
        setProjectList({projects_[0], projects_[1], projects_[0]});
    });
    add("project list naming LBA 0xFFFFFFFF", [this] { setProjectList({projects_[0], 0xFFFFFFFFu, projects_[1]}); });

    // Runs that reach outside the audio space: added to song A (which must come back whole) and
    // as song B's only run.
    const std::vector<std::pair<std::string, BlockRun>> outside = {
        {"the system area", BlockRun{kBlockSectors, 1}},
        {"LBA 1", BlockRun{1, 1}},
        {"the edit space", BlockRun{layout::kEditSpaceLba, 1}},
        {"the mirror area", BlockRun{kSurveySectors - kBlockSectors, 1}},
        {"past the drive's end", BlockRun{kSurveySectors, 1}},
        {"the top of the LBA range", BlockRun{0xFFFFFFFFu - kBlockSectors, 4}},
        {"the audio space between two blocks", BlockRun{audioSpaceLba_ + 5 * kBlockSectors + 17, 1}},
        {"the last cluster and one beyond", BlockRun{audioEnd_ - kBlockSectors, 2}},
        {"the first LBA past the audio space", BlockRun{audioEnd_, 1}},
    };
    for (const auto& [where, run] : outside) {
        add("song A with a run into " + where, [this, run = run] {
            std::vector<BlockRun> runs = song('A').runs;
            runs.push_back(run);
            setRuns(song('A'), runs);
        }).mended = {songIndex('A')};
        add("song B's only run into " + where, [this, run = run] { setRuns(song('B'), {run}); });
    }
    add("song A's first run moved into the system area", [this] {
        std::vector<BlockRun> runs = song('A').runs;
        runs.insert(runs.begin(), BlockRun{kBlockSectors, 1});
        setRuns(song('A'), runs);
    });

    // Cross-links between songs and inside one.
    add("song B's run pointed at song A's first cluster", [this] {
        setRuns(song('B'), {BlockRun{song('A').runs.front().lba, 1}});
    });
    add("song C's run pointed at song P's cluster", [this] { setRuns(song('C'), {song('P').runs.front()}); });
    add("song A's first block pointed at song C's cluster", [this] {
        std::vector<BlockRun> runs = song('A').runs;
        runs.front().lba += kBlockSectors;
        if (--runs.front().length == 0) runs.erase(runs.begin());
        runs.insert(runs.begin(), BlockRun{song('C').runs.front().lba, 1});
        setRuns(song('A'), runs);
    });
    add("song A's one run pointed at song C's cluster", [this] {
        setRuns(song('A'), {song('C').runs.front()});
    });
    add("songs B and C pointed at song A's first cluster", [this] {
        setRuns(song('B'), {BlockRun{song('A').runs.front().lba, 1}});
        setRuns(song('C'), {BlockRun{song('A').runs.front().lba, 1}});
    });
    add("song A's last run one block longer, into the next song's cluster", [this] {
        std::vector<BlockRun> runs = song('A').runs;
        runs.back().length += 1;
        setRuns(song('A'), runs);
    });
    add("song A's second block pointed at its first", [this] {
        const uint32_t first = song('A').runs.front().lba;
        setRuns(song('A'), {BlockRun{first, 1}, BlockRun{first, 1}});
    });
    add("song A's runs listed twice over", [this] {
        std::vector<BlockRun> runs = song('A').runs;
        runs.insert(runs.end(), song('A').runs.begin(), song('A').runs.end());
        setRuns(song('A'), runs);
    });
    add("song C claiming the whole audio space", [this] {
        setRuns(song('C'), {BlockRun{audioSpaceLba_, CrashFixture::kClusters}});
    });
    add("song B claiming the whole audio space", [this] {
        setRuns(song('B'), {BlockRun{audioSpaceLba_, CrashFixture::kClusters}});
    });
    add("song B's run pointed at song A's first cluster, the audio bitmap all clear", [this] {
        setRuns(song('B'), {BlockRun{song('A').runs.front().lba, 1}});
        fillAudioBitmap(0x00);
    });

    // Listings and the song bitmap.
    add("song B listed in project 1 as well", [this] {
        std::vector<std::vector<uint32_t>> listed = listed_;
        listed[1].push_back(song('B').lba);
        setListings(listed);
    });
    add("song C listed in project 0 as well", [this] {
        std::vector<std::vector<uint32_t>> listed = listed_;
        listed[0].push_back(song('C').lba);
        setListings(listed);
    });
    add("song A listed twice in project 0", [this] {
        std::vector<std::vector<uint32_t>> listed = listed_;
        listed[0].push_back(song('A').lba);
        setListings(listed);
    });
    add("every song listed in both projects", [this] { setListings({songLbas(), songLbas()}); });
    for (const BaseSong& s : songs_) {
        add(s.name + "'s bit cleared in the song bitmap", [this, lba = s.lba] { setSongBits({lba}, false); });
    }
    add("every song's bit cleared in the song bitmap", [this] { setSongBits(songLbas(), false); });
    add("every song's bit cleared, the audio bitmap all clear", [this] {
        setSongBits(songLbas(), false);
        fillAudioBitmap(0x00);
    });
    add("song B in project 1 as well, its bit cleared", [this] {
        std::vector<std::vector<uint32_t>> listed = listed_;
        listed[1].push_back(song('B').lba);
        setListings(listed);
        setSongBits({song('B').lba}, false);
    });
    add("a never used song slot's bit set", [this] { setSongBits({kUnusedSlotLba}, true); });
    add("the audio bitmap all clear", [this] { fillAudioBitmap(0x00); });
    add("the audio bitmap all set", [this] { fillAudioBitmap(0xFF); });
    return list;
}

void DamageSurvey::survey(const Damage& damage, Tally& tally) {
    const std::string& name = damage.name;
    closeAll();
    ASSERT_TRUE(snapshot_.restore(drivePath_));
    damage.apply();
    ++tally.volumes;

    uint32_t h = 0;
    std::map<uint32_t, StoredSong> before;
    if (mountAfresh(h) == VXF_OK) {
        before = wholeSongs(h);
    } else {
        ++tally.unmountable;
    }
    tally.songsBefore += before.size();

    VxfxScanReport report{};
    const int32_t scanned = vxfxDriveScan(h, &report);
    const std::string sentence = errorText();
    if (!isServerSentence(scanned, sentence)) {
        ADD_FAILURE() << name << ": the scan answered " << scanned << " with \"" << sentence << "\"";
    }
    if (scanned == VXF_OK) {
        ++tally.clean;
        tally.work.removedSongs += report.removedSongs;
        tally.work.extraListings += report.extraListings;
        tally.work.relistedSongs += report.relistedSongs;
        tally.work.repairedSongs += report.repairedSongs;
        tally.work.copiedClusters += report.copiedClusters;
    } else if (scanned == VXF_ERR_DISK_FULL) {
        ++tally.diskFull;
        if (report.unresolved[0] == '\0') ADD_FAILURE() << name << ": a full disk with no song named";
    } else {
        ++tally.refused[scanned];
    }

    // Whatever the outcome, no song that was whole before the scan may lose a sample.
    const bool mountsAfter = mountAfresh(h) == VXF_OK;
    if (!mountsAfter && (scanned == VXF_OK || !before.empty())) {
        ADD_FAILURE() << name << ": the volume does not mount after a scan that answered " << scanned;
    }
    if (mountsAfter) {
        std::vector<std::string> ignored;
        std::map<uint32_t, StoredSong> after;
        for (StoredSong& s : readAllSongs(h, ignored)) after.emplace(s.lba, std::move(s));
        for (const auto& [lba, song] : before) {
            const auto found = after.find(lba);
            if (found == after.end()) {
                ADD_FAILURE() << name << ": the song at " << lba << " loaded before the scan and is gone after it ("
                              << describe(report) << ")";
            } else if (!sameAudio(song, found->second, false)) {
                ADD_FAILURE() << name << ": the song at " << lba << " does not read back as it did before the scan ("
                              << found->second.length << " samples, were " << song.length << ")";
            } else {
                ++tally.songsKept;
            }
        }
        for (size_t index : scanned == VXF_OK ? damage.mended : std::vector<size_t>{}) {
            const auto found = after.find(songs_[index].lba);
            if (found == after.end() || !sameAudio(songs_[index].audio, found->second, false)) {
                ADD_FAILURE() << name << ": " << songs_[index].name
                              << " does not hold its audio of the base volume again once the scan mended its record";
            } else {
                ++tally.songsMended;
            }
        }
        if (scanned == VXF_OK) {
            for (const std::string& problem : consistencyProblems(h)) {
                ADD_FAILURE() << name << ": after the scan (" << describe(report) << "), " << problem;
            }
        }
    }

    // The second scan: the same refusal, or nothing left to do and not a byte changed.
    closeAll();
    vxf::fuzz::ImageSnapshot settled;
    ASSERT_TRUE(settled.capture(drivePath_));
    h = open();
    vxf1394::testing::startJournal();
    VxfxScanReport again{};
    const int32_t rescanned = vxfxDriveScan(h, &again);
    const std::vector<vxf1394::testing::JournalEntry> journal = vxf1394::testing::takeJournal();
    errorText();
    closeAll();
    if (rescanned != scanned) {
        ADD_FAILURE() << name << ": the second scan answered " << rescanned << ", the first " << scanned << " ("
                      << describe(again) << ")";
    }
    if (scanned == VXF_OK && !reportsNothing(again)) {
        ADD_FAILURE() << name << ": the second scan still found work: " << describe(again)
                      << " (the first: " << describe(report) << ")";
    }
    if (scanned == VXF_ERR_DISK_FULL && again.unresolved[0] == '\0') {
        ADD_FAILURE() << name << ": the second scan of a full disk named no song";
    }
    if (scanned == VXF_OK || scanned == VXF_ERR_DISK_FULL) {
        const std::vector<uint64_t> changed = changedSectors(settled, journal);
        if (!changed.empty()) {
            std::string sectors;
            for (uint64_t lba : changed) sectors += (sectors.empty() ? "" : ", ") + std::to_string(lba);
            ADD_FAILURE() << name << ": the second scan changed sectors " << sectors;
        }
    }
}

// Every damage on its own volume, restored from the base each time: the scan never faults, answers
// with one of its own refusals or mends the volume, and keeps every song that loaded.
TEST_F(DamageSurvey, EveryDamagedVolumeKeepsItsSongsAndScansOnceForAll) {
    const std::vector<Damage> all = damages();
    Tally tally;
    for (const Damage& damage : all) {
        survey(damage, tally);
        if (HasFatalFailure()) return;
    }
    std::cout << "[survey] " << tally.volumes << " damaged volumes: " << tally.clean << " scanned clean, "
              << tally.diskFull << " left songs sharing clusters (disk full), "
              << tally.volumes - tally.clean - tally.diskFull << " refused (codes " << listOf(tally.refused) << "); "
              << tally.unmountable << " did not mount before the scan; " << tally.songsKept << " of "
              << tally.songsBefore << " songs that loaded kept bit for bit, " << tally.songsMended
              << " mended songs back to their base audio; the clean scans removed " << tally.work.removedSongs
              << " songs, dropped " << tally.work.extraListings << " listings, relisted " << tally.work.relistedSongs
              << " songs, cut the runs of " << tally.work.repairedSongs << " and copied " << tally.work.copiedClusters
              << " clusters\n";
    EXPECT_GE(tally.volumes, 100);
    RecordProperty("volumes", tally.volumes);
    RecordProperty("clean", tally.clean);
    EXPECT_EQ(tally.songsKept, tally.songsBefore);
}

}  // namespace
}  // namespace vxf::reliability
