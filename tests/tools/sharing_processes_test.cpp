// sharing_processes_test.cpp - vxf commands run at the same time on one drive: each one whole or refused by name, nothing lost or mixed.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>

#include "cli_fixture.h"
#include "core/drive_claim.h"
#include "tavovxf.h"
#include "volume_checks.h"

extern char** environ;

namespace vxf::transfer::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Process {
    std::vector<std::string> arguments;
    pid_t pid = 0;
    Clock::time_point started;
    Clock::time_point ended;
    ToolRun run;
};

std::string textOf(const std::string& path) {
    const Bytes bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Not yet exited; its status is left to be collected.
bool stillRunning(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

// The song as the drive holds it: its name and every track's samples.
struct SongNow {
    std::string name;
    uint32_t length = 0;
    std::vector<Bytes> tracks;
};

class SharingProcesses : public CliFixture {
protected:
    static constexpr uint32_t kSamples = 48000 * 10;

    // Song 1 "Src": 24 tracks of 10 s with audio; song 2 "Hi": 8 tracks at 96 kHz with
    // audio, which no command here touches; song 1 exported to 24-bit WAV files.
    void SetUp() override {
        CliFixture::SetUp();
        makeSong(24, 48000, kSamples, "Src");
        high_ = addHighRateSong();
        releaseDrive();
        wavDir_ = out("wav");
        ASSERT_EQ(::mkdir(wavDir_.c_str(), 0755), 0);
        const ToolRun exported = vxf("export --drive 1 --project 1 --song 1 --format wav --word-length 24 --out " +
                                     quoted(wavDir_));
        ASSERT_EQ(exported.status, 0) << exported.err;
        for (const auto& entry : std::filesystem::directory_iterator(wavDir_)) wavFiles_.push_back(entry.path());
        std::sort(wavFiles_.begin(), wavFiles_.end());
        ASSERT_EQ(wavFiles_.size(), 24u);
    }

    std::vector<std::string> importOf(int song) const {
        std::vector<std::string> words = {"import", "--drive", "1", "--project", "1", "--song", std::to_string(song),
                                          "--yes"};
        words.insert(words.end(), wavFiles_.begin(), wavFiles_.end());
        return words;
    }

    static std::vector<std::string> words(const std::string& line) {
        std::vector<std::string> out;
        std::stringstream stream(line);
        for (std::string word; stream >> word;) out.push_back(word);
        return out;
    }

    // Starts every command at once, each with its own output files, and waits for them all. With
    // `restOnceFirstWrites` the others start only once the first one counted its change of the drive,
    // so that they come upon it half way through.
    std::vector<Process> together(const std::vector<std::vector<std::string>>& commands,
                                  bool restOnceFirstWrites = false) {
        std::vector<Process> processes(commands.size());
        const std::string tool = VXF_TOOL;
        std::unique_ptr<vxfserver::DriveClaim> record =
            restOnceFirstWrites ? vxfserver::DriveClaim::open(drivePath_) : nullptr;
        const uint64_t unchanged = record ? record->changeCount().value_or(0) : 0;
        for (size_t i = 0; i < commands.size(); ++i) {
            if (i == 1 && record) {
                const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(5);
                while (record->changeCount().value_or(0) == unchanged && stillRunning(processes[0].pid) &&
                       Clock::now() < giveUp) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                }
            }
            Process& p = processes[i];
            p.arguments = commands[i];
            std::vector<std::string> argvWords = {tool};
            argvWords.insert(argvWords.end(), p.arguments.begin(), p.arguments.end());
            std::vector<char*> argv;
            for (std::string& w : argvWords) argv.push_back(w.data());
            argv.push_back(nullptr);
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
            posix_spawn_file_actions_addopen(&actions, 1, outPath(i).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            posix_spawn_file_actions_addopen(&actions, 2, errPath(i).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            p.started = Clock::now();
            EXPECT_EQ(posix_spawn(&p.pid, tool.c_str(), &actions, nullptr, argv.data(), environ), 0);
            posix_spawn_file_actions_destroy(&actions);
        }
        std::vector<bool> running(processes.size());
        for (size_t i = 0; i < processes.size(); ++i) running[i] = processes[i].pid > 0;
        while (std::find(running.begin(), running.end(), true) != running.end()) {
            for (size_t i = 0; i < processes.size(); ++i) {
                int status = 0;
                if (!running[i] || ::waitpid(processes[i].pid, &status, WNOHANG) != processes[i].pid) continue;
                running[i] = false;
                processes[i].ended = Clock::now();
                processes[i].run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        for (size_t i = 0; i < processes.size(); ++i) {
            processes[i].run.out = textOf(outPath(i));
            processes[i].run.err = textOf(errPath(i));
        }
        return processes;
    }

    // A command that did its work, or one refused whole because another one kept the drive past its wait.
    bool refusedFor(const Process& p, const std::vector<Process>& all) {
        if (p.run.status == 0) return false;
        EXPECT_EQ(p.run.status, 1) << p.run.err;
        std::smatch match;
        static const std::regex inUse(
            "vxf: drive 1 \\(drive\\.img\\) is being (changed|read) by vxf \\(pid ([0-9]+)\\); try again when it has "
            "finished\n");
        EXPECT_TRUE(std::regex_match(p.run.err, match, inUse)) << p.run.err;
        bool namesAnother = false;
        for (const Process& other : all) {
            const bool named = match.size() > 2 && match[2] == std::to_string(other.pid);
            namesAnother = namesAnother || (named && other.pid != p.pid);
        }
        EXPECT_TRUE(namesAnother) << p.run.err;
        return true;
    }

    // Every song of the drive, and whatever disagrees in the volume, as this process sees them: a third
    // program, whose handle stays open from one look to the next, so it must notice what the others changed.
    std::vector<SongNow> songsNow() {
        std::vector<SongNow> songs;
        if (watcher_ == 0) {
            watcher_ = open();
            EXPECT_EQ(tavovxfProjectSetPrimary(watcher_, 0), VXF_OK);
        }
        const uint32_t handle = watcher_;
        uint16_t count = 0;
        EXPECT_EQ(tavovxfSongGetNum(handle, &count), VXF_OK);
        for (uint16_t i = 0; i < count; ++i) {
            SongNow song;
            EXPECT_EQ(tavovxfSongSetPrimary(handle, i), VXF_OK);
            char name[VXF_EXT_NAME_SIZE] = {};
            EXPECT_EQ(tavovxfSongGetExtName(handle, name), VXF_OK);
            song.name = name;
            uint16_t tracks = 0;
            EXPECT_EQ(tavovxfTrackGetNum(handle, &tracks), VXF_OK);
            EXPECT_EQ(tavovxfSongGetLength(handle, &song.length), VXF_OK);
            for (uint16_t t = 0; t < tracks && song.length > 0; ++t) {
                song.tracks.push_back(Bytes(size_t(song.length) * 3));
                uint32_t read = 0;
                EXPECT_EQ(tavovxfTrackRead(handle, t, 0, song.length, &read, 3, 0, song.tracks.back().data()), VXF_OK);
                EXPECT_EQ(read, song.length);
            }
            songs.push_back(std::move(song));
        }
        for (const std::string& problem : vxf::reliability::consistencyProblems(handle)) ADD_FAILURE() << problem;
        return songs;
    }

    // Songs 1 and 2 as SetUp left them.
    void expectSourcesKept(const std::vector<SongNow>& songs) {
        ASSERT_GE(songs.size(), 2u);
        EXPECT_EQ(songs[0].name, "Src");
        EXPECT_TRUE(songs[0].tracks == audio_) << "song 1 changed";
        EXPECT_EQ(songs[1].name, "Hi");
        EXPECT_TRUE(songs[1].tracks == high_) << "song 2 changed";
    }

    // An empty song that takes an import: whole after it, or untouched when the import was refused.
    void expectImported(const SongNow& song, bool imported, const std::string& what) {
        if (imported) {
            EXPECT_EQ(song.length, kSamples) << what;
            EXPECT_TRUE(song.tracks == audio_) << what << " differs from song 1";
        } else {
            EXPECT_EQ(song.length, 0u) << what;
        }
    }

    void run(const std::string& arguments) {
        const ToolRun done = vxf(arguments);
        ASSERT_EQ(done.status, 0) << arguments << "\n" << done.err;
    }

    // Who went second in an overlapping pair, and whether it did its work after waiting or was refused.
    struct Tally {
        int overlapped = 0;
        int waited = 0;
        int refused = 0;
        double longestWait = 0;
        void note(const Process& a, const Process& b, bool aRefused, bool bRefused) {
            const Process& first = a.ended <= b.ended ? a : b;
            const Process& second = a.ended <= b.ended ? b : a;
            if (second.started >= first.ended) return;
            ++overlapped;
            if (aRefused || bRefused) {
                ++refused;
            } else {
                ++waited;
                const double wait = std::chrono::duration<double>(first.ended - second.started).count();
                longestWait = std::max(longestWait, wait);
            }
        }
        std::string text() const {
            return std::to_string(overlapped) + " overlapped, " + std::to_string(waited) +
                   " waited and succeeded (up to " + std::to_string(int(longestWait * 1000)) + " ms), " +
                   std::to_string(refused) + " refused";
        }
    };

    std::string outPath(size_t i) const { return folder_ + "/p" + std::to_string(i) + ".out"; }
    std::string errPath(size_t i) const { return folder_ + "/p" + std::to_string(i) + ".err"; }

    uint32_t watcher_ = 0;
    std::vector<Bytes> high_;
    std::string wavDir_;
    std::vector<std::string> wavFiles_;
};

TEST_F(SharingProcesses, TwoImportsAtOnceEachLandWholeOrAreRefusedByName) {
    const Clock::time_point start = Clock::now();
    Tally tally;
    for (int round = 0; round < 20; ++round) {
        run("create song --drive 1 --project 1 --tracks 24 --rate 48000 --name A");
        run("create song --drive 1 --project 1 --tracks 24 --rate 48000 --name B");
        // Which one starts first alternates; every other pair, the second one starts when the first is writing.
        const bool threeFirst = round % 2 == 0;
        std::vector<Process> p = together(threeFirst ? std::vector{importOf(3), importOf(4)}
                                                     : std::vector{importOf(4), importOf(3)},
                                          round % 4 >= 2);
        const Process& into3 = threeFirst ? p[0] : p[1];
        const Process& into4 = threeFirst ? p[1] : p[0];
        const bool refused3 = refusedFor(into3, p);
        const bool refused4 = refusedFor(into4, p);
        EXPECT_FALSE(refused3 && refused4) << "round " << round << ": nobody imported";
        tally.note(into3, into4, refused3, refused4);

        const std::vector<SongNow> songs = songsNow();
        ASSERT_EQ(songs.size(), 4u) << "round " << round;
        expectSourcesKept(songs);
        EXPECT_EQ(songs[2].name, "A");
        EXPECT_EQ(songs[3].name, "B");
        expectImported(songs[2], !refused3, "round " + std::to_string(round) + " song 3");
        expectImported(songs[3], !refused4, "round " + std::to_string(round) + " song 4");
        if (HasFailure()) break;
        run("delete song --drive 1 --project 1 --song 4 --yes");
        run("delete song --drive 1 --project 1 --song 3 --yes");
    }
    const ToolRun scanned = vxf("scan --drive 1");
    EXPECT_TRUE(contains(scanned.out, "0 songs removed, 0 KiB of space corrected")) << scanned.out;
    std::cout << "[sharing] two imports, 20 rounds: " << tally.text() << "; "
              << std::chrono::duration<double>(Clock::now() - start).count() << " s" << std::endl;
    EXPECT_GT(tally.overlapped, 0);
}

TEST_F(SharingProcesses, AnImportBesideACreateADeleteOrARenameLosesNothing) {
    Tally tally;
    std::string secondName = "Hi";
    const char* kinds[] = {"create", "delete", "rename"};
    for (int round = 0; round < 9; ++round) {
        const std::string kind = kinds[round % 3];
        const std::string tag = std::to_string(round);
        // Song 3 takes the import; song 4 is there to be deleted, after it so that no number moves.
        run("create song --drive 1 --project 1 --tracks 24 --rate 48000 --name Target" + tag);
        run("create song --drive 1 --project 1 --tracks 2 --rate 48000 --name Spare" + tag);
        std::vector<std::string> other;
        if (kind == "create") {
            other = words("create song --drive 1 --project 1 --tracks 2 --rate 48000 --name New" + tag);
        }
        if (kind == "delete") other = words("delete song --drive 1 --project 1 --song 4 --yes");
        if (kind == "rename") other = words("rename song --drive 1 --project 1 --song 2 Hi" + tag);
        const bool importFirst = round % 2 == 0;
        std::vector<Process> p =
            together(importFirst ? std::vector{importOf(3), other} : std::vector{other, importOf(3)});
        const Process& import = importFirst ? p[0] : p[1];
        const Process& change = importFirst ? p[1] : p[0];
        const bool importRefused = refusedFor(import, p);
        const bool changeRefused = refusedFor(change, p);
        EXPECT_FALSE(importRefused && changeRefused) << kind << " round " << round;
        tally.note(import, change, importRefused, changeRefused);

        const std::vector<SongNow> songs = songsNow();
        ASSERT_GE(songs.size(), 3u) << kind << " round " << round;
        EXPECT_EQ(songs[0].name, "Src");
        EXPECT_TRUE(songs[0].tracks == audio_);
        if (kind == "rename" && !changeRefused) secondName = "Hi" + tag;
        EXPECT_EQ(songs[1].name, secondName);
        EXPECT_TRUE(songs[1].tracks == high_) << "song 2 changed";
        EXPECT_EQ(songs[2].name, "Target" + tag);
        expectImported(songs[2], !importRefused, kind + " round " + tag + " song 3");
        std::vector<std::string> rest;
        for (size_t i = 3; i < songs.size(); ++i) rest.push_back(songs[i].name);
        std::vector<std::string> expected = {"Spare" + tag};
        if (kind == "delete" && !changeRefused) expected.clear();
        if (kind == "create" && !changeRefused) expected.push_back("New" + tag);
        EXPECT_EQ(rest, expected) << kind << " round " << round;
        if (HasFailure()) break;
        for (size_t n = songs.size(); n >= 3; --n) {
            run("delete song --drive 1 --project 1 --song " + std::to_string(n) + " --yes");
        }
    }
    std::cout << "[sharing] import beside create, delete, rename: " << tally.text() << std::endl;
    EXPECT_GT(tally.overlapped, 0);
}

TEST_F(SharingProcesses, AListingAndAnExportBesideAnImportSeeTheSongBeforeOrAfterItNeverHalfWay) {
    Tally tally;
    int listedBefore = 0;
    int listedAfter = 0;
    for (int round = 0; round < 8; ++round) {
        run("create song --drive 1 --project 1 --tracks 24 --rate 48000 --name Target");
        const std::string dir = out("export" + std::to_string(round));
        ASSERT_EQ(::mkdir(dir.c_str(), 0755), 0);
        std::vector<std::vector<std::string>> commands = {
            importOf(3), words("songs --drive 1 --project 1 --json"),
            {"export", "--drive", "1", "--project", "1", "--song", "1", "--format", "wav", "--word-length", "24",
             "--out", dir}};
        // Every other round the listing and the export come upon the import while it writes; else the
        // import is started first, in the middle or last.
        const bool halfWay = round % 2 == 1;
        if (!halfWay) std::rotate(commands.begin(), commands.begin() + (round / 2) % 3, commands.end());
        std::vector<Process> p = together(commands, halfWay);
        auto find = [&](const std::string& command) -> const Process& {
            for (const Process& process : p) {
                if (process.arguments[0] == command) return process;
            }
            return p[0];
        };
        const Process& import = find("import");
        const Process& listing = find("songs");
        const Process& exporting = find("export");
        const bool importRefused = refusedFor(import, p);
        tally.note(import, listing, importRefused, refusedFor(listing, p));
        tally.note(import, exporting, importRefused, refusedFor(exporting, p));

        if (listing.run.status == 0) {
            std::smatch match;
            const std::regex third("\"number\": 3, \"name\": \"Target\", \"tracks\": 24, \"sampleRate\": 48000, "
                                   "\"wordLength\": 24, \"samples\": ([0-9]+),");
            ASSERT_TRUE(std::regex_search(listing.run.out, match, third)) << listing.run.out;
            const uint32_t listed = uint32_t(std::stoul(match[1]));
            EXPECT_TRUE(listed == 0 || listed == kSamples) << "listed at " << listed << " samples";
            (listed == 0 ? listedBefore : listedAfter) += 1;
            if (importRefused) {
                EXPECT_EQ(listed, 0u);
            } else if (halfWay) {
                EXPECT_EQ(listed, kSamples) << "listed while the import was writing";
            }
        }
        if (exporting.run.status == 0) {
            for (int t = 1; t <= 24; ++t) {
                char name[32];
                std::snprintf(name, sizeof name, "/Src-Track%02d.wav", t);
                EXPECT_EQ(fileAudio(AudioFormat::Wav, dir + name), audio_[t - 1]) << name;
            }
        }
        const std::vector<SongNow> songs = songsNow();
        ASSERT_EQ(songs.size(), 3u);
        expectSourcesKept(songs);
        expectImported(songs[2], !importRefused, "round " + std::to_string(round));
        if (HasFailure()) break;
        std::filesystem::remove_all(dir);
        run("delete song --drive 1 --project 1 --song 3 --yes");
    }
    std::cout << "[sharing] listing and export beside an import: " << tally.text() << "; listed before the import "
              << listedBefore << ", after " << listedAfter << std::endl;
    EXPECT_GT(tally.overlapped, 0);
}

TEST_F(SharingProcesses, AnImportWaitsForAnotherProgramAndGivesUpAfterThreeSecondsNamingIt) {
    run("create song --drive 1 --project 1 --tracks 24 --rate 48000 --name Target");
    auto other = vxfserver::DriveClaim::open(drivePath_);
    ASSERT_TRUE(other && other->tryLock());
    other->noteHolder(vxfserver::ClaimPurpose::Change);
    const uint64_t before = other->changeCount().value_or(99);

    // Let go part way through the wait: the import goes ahead.
    std::thread finisher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        other->unlock();
    });
    std::vector<Process> p = together({importOf(3)});
    finisher.join();
    EXPECT_EQ(p[0].run.status, 0) << p[0].run.err;
    EXPECT_GE(p[0].ended - p[0].started, std::chrono::milliseconds(500));

    run("create song --drive 1 --project 1 --tracks 24 --rate 48000 --name Late");
    ASSERT_TRUE(other->tryLock());
    other->noteHolder(vxfserver::ClaimPurpose::Change);
    const uint64_t held = other->changeCount().value_or(99);
    EXPECT_GT(held, before);
    p = together({importOf(4)});
    const double waited = std::chrono::duration<double>(p[0].ended - p[0].started).count();
    EXPECT_EQ(p[0].run.status, 1);
    EXPECT_EQ(p[0].run.err, "vxf: drive 1 (drive.img) is being changed by " +
                                std::string(program_invocation_short_name).substr(0, 15) + " (pid " +
                                std::to_string(::getpid()) + "); try again when it has finished\n");
    EXPECT_GE(waited, 2.95);
    EXPECT_LT(waited, 5.0);
    EXPECT_EQ(other->changeCount().value_or(99), held) << "the refused import counted a change";
    other->unlock();

    const std::vector<SongNow> songs = songsNow();
    ASSERT_EQ(songs.size(), 4u);
    expectImported(songs[2], true, "song 3");
    expectImported(songs[3], false, "song 4");
}

}  // namespace
}  // namespace vxf::transfer::test
