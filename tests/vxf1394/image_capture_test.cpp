// image_capture_test.cpp - vxf image capture against images with bad sectors from the .faults sidecar: the copy, the list, the map, the resume.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace vxf1394::test {
namespace {

constexpr size_t kSector = 512;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class ImageCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = makeTestFolder();
        ASSERT_FALSE(folder_.empty());
        ASSERT_EQ(folder_.rfind("/tmp/", 0), 0u);
    }
    void TearDown() override {
        std::error_code ec;
        if (folder_.rfind("/tmp/", 0) == 0) std::filesystem::remove_all(folder_, ec);
    }

    // The tool in the test's folder, with its own enumeration file and home.
    std::vector<std::string> environment() const {
        std::vector<std::string> env{"VXF_DISK_ENUM=" + folder_ + "/disks", "HOME=" + folder_,
                                     "XDG_CONFIG_HOME=" + folder_ + "/config", "PATH=/usr/bin:/bin"};
        env.insert(env.end(), extraEnvironment_.begin(), extraEnvironment_.end());
        return env;
    }
    std::vector<std::string> extraEnvironment_;

    // The tool as root, or as another user (uid) where given.
    pid_t start(const std::vector<std::string>& args, uid_t user = 0) {
        std::vector<std::string> argv{VXF_TOOL};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> env = environment();
        pid_t pid = ::fork();
        if (pid == 0) {
            int out = ::open((folder_ + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = ::open((folder_ + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            if (::chdir(folder_.c_str()) != 0) ::_exit(126);
            if (user != 0 && (::setgid(user) != 0 || ::setuid(user) != 0)) ::_exit(126);
            std::vector<char*> a, e;
            for (std::string& s : argv) a.push_back(s.data());
            for (std::string& s : env) e.push_back(s.data());
            a.push_back(nullptr);
            e.push_back(nullptr);
            ::execve(a[0], a.data(), e.data());
            ::_exit(127);
        }
        return pid;
    }

    ToolRun finish(pid_t pid) {
        ToolRun run;
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.status = WEXITSTATUS(status);
        run.out = readText(folder_ + "/stdout");
        run.err = readText(folder_ + "/stderr");
        return run;
    }

    ToolRun vxf(const std::vector<std::string>& args, uid_t user = 0) { return finish(start(args, user)); }

    static std::string readText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // A sparse image with a recognisable sector at each of `filled`.
    std::string image(const std::string& name, uint64_t sectors, const std::vector<uint64_t>& filled) {
        std::string path = folder_ + "/" + name;
        {
            std::ofstream create(path, std::ios::binary);
        }
        std::filesystem::resize_file(path, sectors * kSector);
        std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
        for (uint64_t lba : filled) {
            std::string sector(kSector, '\0');
            for (size_t i = 0; i < kSector; ++i) sector[i] = char((lba * 13 + i) % 251 + 1);
            out.seekp(static_cast<std::streamoff>(lba * kSector));
            out.write(sector.data(), kSector);
        }
        return path;
    }

    // Test drives are far smaller than real ones.
    void addDrive(const std::string& path) { ASSERT_EQ(vxf({"drives", "add", "--force", path}).status, 0); }

    static std::set<uint64_t> listedSectors(const std::string& path) {
        std::set<uint64_t> lbas;
        std::ifstream in(path);
        for (uint64_t lba; in >> lba;) lbas.insert(lba);
        return lbas;
    }

    // Sectors where the two files differ, read a mebibyte at a time.
    static std::set<uint64_t> differingSectors(const std::string& a, const std::string& b) {
        std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
        std::set<uint64_t> differ;
        std::vector<char> bx(1 << 20), by(1 << 20);
        for (uint64_t base = 0;; base += bx.size() / kSector) {
            x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
            y.read(by.data(), static_cast<std::streamsize>(by.size()));
            size_t nx = static_cast<size_t>(x.gcount()), ny = static_cast<size_t>(y.gcount());
            if (nx == 0 && ny == 0) return differ;
            if (nx == ny && std::equal(bx.begin(), bx.begin() + static_cast<long>(nx), by.begin())) continue;
            for (size_t at = 0; at < std::max(nx, ny); at += kSector) {
                bool same = at + kSector <= std::min(nx, ny) &&
                            std::equal(bx.begin() + static_cast<long>(at), bx.begin() + static_cast<long>(at + kSector),
                                       by.begin() + static_cast<long>(at));
                if (!same) differ.insert(base + at / kSector);
            }
        }
    }

    static bool allZero(const std::string& file, uint64_t lba) {
        std::ifstream in(file, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(lba * kSector));
        std::string text(kSector, 'x');
        in.read(text.data(), static_cast<std::streamsize>(kSector));
        return text == std::string(kSector, '\0');
    }

    // The map's status of each sector (sector size 512), and its current status character.
    struct MapView {
        char phase = 0;
        std::map<uint64_t, std::pair<uint64_t, char>> blocks;  // first sector -> (count, status)
        char statusOf(uint64_t lba) const {
            auto at = blocks.upper_bound(lba);
            if (at == blocks.begin()) return 0;
            --at;
            return lba < at->first + at->second.first ? at->second.second : 0;
        }
    };
    static MapView readMap(const std::string& path) {
        MapView view;
        std::istringstream lines(readText(path));
        for (std::string line; std::getline(lines, line);) {
            if (line.empty() || line[0] == '#') continue;
            std::istringstream words(line);
            std::string pos, second, third;
            words >> pos >> second >> third;
            if (view.phase == 0) {
                view.phase = second.empty() ? '!' : second[0];
                continue;
            }
            view.blocks[std::stoull(pos, nullptr, 0) / kSector] = {std::stoull(second, nullptr, 0) / kSector, third[0]};
        }
        return view;
    }
    // Whether every sector of [first, first + count) has `status` in the map.
    static bool allOf(const MapView& map, uint64_t first, uint64_t count, char status) {
        for (uint64_t lba = first; lba < first + count;) {
            auto at = map.blocks.upper_bound(lba);
            if (at == map.blocks.begin()) return false;
            --at;
            const uint64_t end = at->first + at->second.first;
            if (lba >= end || at->second.second != status) return false;
            lba = end;
        }
        return true;
    }

    // An outside tool's standard output, and its exit status.
    static std::pair<int, std::string> shell(const std::string& command) {
        std::string out;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return {-1, out};
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
        int status = ::pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
    }

    static bool haveRescueTools() {
        return std::filesystem::exists("/usr/bin/ddrescue") && std::filesystem::exists("/usr/bin/ddrescuelog");
    }

    std::string folder_;
};

TEST_F(ImageCaptureTest, CopyIsIdenticalOutsideTheBadSectorsWhichAreZeroAndListed) {
    // Bad sectors across a sub-chunk edge, a chunk edge, alone, and the drive's last sector.
    const std::vector<uint64_t> bad{1023, 1024, 4094, 4095, 4096, 4097, 9000, 10239};
    std::vector<uint64_t> filled{0, 1, 2000, 8191, 8192, 10238};
    filled.insert(filled.end(), bad.begin(), bad.end());
    std::string drive = image("drive.img", 10240, filled);
    std::ofstream(drive + ".faults") << "read-error 1023 1024\nread-error 4094 4097\nread-error 9000\n"
                                        "read-error 10239\n";
    addDrive(drive);

    // Done, with holes: a script must be able to tell.
    ToolRun run = vxf({"image", "capture", "--drive", "1", "copy.img"});
    ASSERT_EQ(run.status, 3) << run.err;
    std::string copy = folder_ + "/copy.img";
    EXPECT_EQ(std::filesystem::file_size(copy), 10240 * kSector);
    EXPECT_EQ(differingSectors(drive, copy), std::set<uint64_t>(bad.begin(), bad.end()));
    EXPECT_EQ(listedSectors(copy + ".badsectors"), std::set<uint64_t>(bad.begin(), bad.end()));
    for (uint64_t lba : bad) EXPECT_TRUE(allZero(copy, lba)) << lba;
    EXPECT_NE(run.out.find("8 unreadable sectors"), std::string::npos) << run.out;

    // The map: finished, the bad sectors bad, every other sector rescued.
    MapView map = readMap(copy + ".map");
    EXPECT_EQ(map.phase, '+');
    for (uint64_t lba = 0; lba < 10240; ++lba) {
        const bool isBad = std::find(bad.begin(), bad.end(), lba) != bad.end();
        ASSERT_EQ(map.statusOf(lba), isBad ? '-' : '+') << lba;
    }
    if (!haveRescueTools()) GTEST_SKIP() << "ddrescuelog is not installed";
    // The rescue tools read it as theirs: the same bad sectors, the same rescued ones.
    auto [summaryStatus, summary] = shell("ddrescuelog -t '" + copy + ".map'");
    EXPECT_EQ(summaryStatus, 0) << summary;
    EXPECT_NE(summary.find("current status: finished"), std::string::npos) << summary;
    EXPECT_NE(summary.find("bad-sector:     4096 B,  in      4 area(s)"), std::string::npos) << summary;
    auto [badStatus, badList] = shell("ddrescuelog -b512 -l- '" + copy + ".map'");
    EXPECT_EQ(badStatus, 0);
    EXPECT_EQ(badList, readText(copy + ".badsectors"));
    auto [rescuedStatus, rescuedList] = shell("ddrescuelog -b512 -l+ '" + copy + ".map' | wc -l");
    EXPECT_EQ(std::stoull(rescuedList), 10240u - bad.size());
}

TEST_F(ImageCaptureTest, RunsOfZerosAreLeftAsHoles) {
    std::string drive = image("drive.img", 100000, {0, 12345, 99999});
    addDrive(drive);
    ASSERT_EQ(vxf({"image", "capture", "--drive", "1", "copy.img"}).status, 0);
    std::string copy = folder_ + "/copy.img";
    struct stat st {};
    ASSERT_EQ(::stat(copy.c_str(), &st), 0);
    EXPECT_EQ(static_cast<uint64_t>(st.st_size), 100000 * kSector);
    EXPECT_LT(static_cast<uint64_t>(st.st_blocks) * 512, 1u << 20);
    EXPECT_TRUE(differingSectors(drive, copy).empty());
    EXPECT_TRUE(listedSectors(copy + ".badsectors").empty());
}

TEST_F(ImageCaptureTest, ReadableRestComesFirstAndAnInterruptedCaptureGoesOnFromItsMap) {
    // The first half fails, slowly, every request: the first pass skips ahead through it, and the
    // sector-by-sector scraping after it takes long enough that the interruption lands there.
    const uint64_t sectors = 400000;
    const uint64_t failing = 200000;
    std::string drive = image("drive.img", sectors, {5, 77777, failing - 1, failing, failing + 20000, sectors - 1});
    std::ofstream(drive + ".faults") << "read-error 0 " << failing - 1 << "\nslow-read 0 " << failing - 1 << "\n";
    addDrive(drive);
    std::string copy = folder_ + "/copy.img";

    pid_t pid = start({"image", "capture", "--drive", "1", "copy.img"});
    ASSERT_TRUE(eventually([&] { return readMap(copy + ".map").phase == '/'; }, 30000));
    ::kill(pid, SIGINT);
    ToolRun stopped = finish(pid);
    ASSERT_EQ(stopped.status, 130) << stopped.err;
    EXPECT_NE(stopped.err.find("--resume"), std::string::npos) << stopped.err;

    // Scraping the failed half: everything after it was rescued before any sector of it was read alone.
    MapView map = readMap(copy + ".map");
    for (uint64_t lba = failing; lba < sectors; ++lba) ASSERT_EQ(map.statusOf(lba), '+') << lba;
    EXPECT_NE(map.statusOf(failing / 2), '+');
    EXPECT_TRUE(allZero(copy, 5));

    // The drive has recovered meanwhile. One copy of the pair goes on with vxf, the other with the rescue tool.
    std::filesystem::remove(drive + ".faults");
    std::filesystem::copy_file(copy, folder_ + "/other.img");
    std::filesystem::copy_file(copy + ".map", folder_ + "/other.img.map");
    ToolRun resumed = vxf({"image", "capture", "--drive", "1", "--resume", "--retries", "1", "copy.img"});
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_TRUE(differingSectors(drive, copy).empty());
    EXPECT_TRUE(listedSectors(copy + ".badsectors").empty());
    EXPECT_EQ(readMap(copy + ".map").phase, '+');
    EXPECT_EQ(std::filesystem::file_size(copy), sectors * kSector);

    if (!haveRescueTools()) GTEST_SKIP() << "ddrescue is not installed";
    auto [status, out] = shell("ddrescue -q -b512 -r1 '" + drive + "' '" + folder_ + "/other.img' '" + folder_ +
                               "/other.img.map' 2>&1");
    ASSERT_EQ(status, 0) << out;
    EXPECT_TRUE(differingSectors(drive, folder_ + "/other.img").empty());
    EXPECT_EQ(shell("ddrescuelog -D '" + folder_ + "/other.img.map'").first, 0);
    // And the map the rescue tool wrote back is one vxf goes on from.
    ToolRun again = vxf({"image", "capture", "--drive", "1", "--resume", "other.img"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("0 unreadable sectors"), std::string::npos) << again.out;
}

// The files below `folder`, by their path inside it, with their contents.
static std::map<std::string, std::string> filesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        files[std::filesystem::relative(entry.path(), folder).string()] = text.str();
    }
    return files;
}

TEST_F(ImageCaptureTest, SongsComeFirstAndAUsedOnlyImageExportsEverySongBitForBit) {
    const std::string drive = folder_ + "/studio-a.img";
    ASSERT_EQ(vxf({"demo", "--image", drive}).status, 0);
    // A failing stretch between the system records and the songs' clusters: sector order would meet it first.
    std::ofstream(drive + ".faults") << "read-error 100000 100010\n";

    ToolRun used = vxf({"image", "capture", "--drive", "1", "--used-only", "used.img"});
    ASSERT_EQ(used.status, 0) << used.err;
    EXPECT_NE(used.out.find("the clusters of 2 songs"), std::string::npos) << used.out;
    const std::string copy = folder_ + "/used.img";
    EXPECT_TRUE(listedSectors(copy + ".badsectors").empty());
    MapView map = readMap(copy + ".map");
    EXPECT_EQ(map.phase, '?');  // the rest is for a later run to copy
    EXPECT_EQ(map.statusOf(0), '+');
    EXPECT_EQ(map.statusOf(100000), '?');
    struct stat st {};
    ASSERT_EQ(::stat(copy.c_str(), &st), 0);
    EXPECT_LT(static_cast<uint64_t>(st.st_blocks) * 512, uint64_t{200} << 20);

    ASSERT_EQ(vxf({"drives", "add", "--force", copy}).status, 0);
    for (const char* song : {"1", "2"}) {
        const std::string fromDrive = folder_ + "/drive-" + song, fromCopy = folder_ + "/copy-" + song;
        std::filesystem::create_directories(fromDrive);
        std::filesystem::create_directories(fromCopy);
        ToolRun a = vxf({"export", "--drive", "1", "--project", "1", "--song", song, "--out", fromDrive});
        ToolRun b = vxf({"export", "--drive", "2", "--project", "1", "--song", song, "--out", fromCopy});
        ASSERT_EQ(a.status, 0) << a.err;
        ASSERT_EQ(b.status, 0) << b.err;
        std::map<std::string, std::string> expected = filesBelow(fromDrive);
        EXPECT_FALSE(expected.empty());
        EXPECT_TRUE(expected == filesBelow(fromCopy)) << "song " << song;
    }

}

TEST_F(ImageCaptureTest, AFullCaptureReadsTheSystemRecordsAndTheSongsClustersBeforeAnyOtherSector) {
    const std::string drive = folder_ + "/studio-a.img";
    ASSERT_EQ(vxf({"demo", "--image", drive}).status, 0);
    // What the capture takes for the valuable part: the used-only capture's rescued areas, which the test above
    // shows hold every song. They reach from the super block to its mirror in the drive's last sector.
    ASSERT_EQ(vxf({"image", "capture", "--drive", "1", "--used-only", "used.img"}).status, 0);
    const MapView valuable = readMap(folder_ + "/used.img.map");
    ASSERT_EQ(valuable.statusOf(0), '+');
    ASSERT_FALSE(valuable.blocks.empty());
    const uint64_t lastSector = std::prev(valuable.blocks.end())->first + std::prev(valuable.blocks.end())->second.first - 1;
    ASSERT_EQ(valuable.statusOf(lastSector), '+');

    const std::string trace = folder_ + "/reads";
    extraEnvironment_ = {"VXF1394_READ_TRACE=" + trace};
    auto reads = [&] {
        std::vector<std::pair<uint64_t, uint64_t>> all;
        std::istringstream lines(readText(trace));
        for (uint64_t first = 0, count = 0; lines >> first >> count;) all.emplace_back(first, count);
        return all;
    };
    auto firstOutside = [&](const std::vector<std::pair<uint64_t, uint64_t>>& all) {
        size_t i = 0;
        while (i < all.size() && allOf(valuable, all[i].first, all[i].second, '+')) ++i;
        return i;
    };
    // Stopped as soon as it reads anything else: the drive is 40 GB of mostly empty clusters.
    pid_t pid = start({"image", "capture", "--drive", "1", "full.img"});
    ASSERT_TRUE(eventually([&] { auto all = reads(); return firstOutside(all) < all.size(); }, 60000));
    ::kill(pid, SIGINT);
    finish(pid);

    const std::vector<std::pair<uint64_t, uint64_t>> all = reads();
    const size_t before = firstOutside(all);
    ASSERT_LT(before, all.size());
    std::set<uint64_t> covered;
    for (size_t i = 0; i < before; ++i) {
        for (uint64_t lba = all[i].first; lba < all[i].first + all[i].second; ++lba) covered.insert(lba);
    }
    uint64_t valuableSectors = 0;
    for (const auto& [first, block] : valuable.blocks) {
        if (block.second != '+') continue;
        valuableSectors += block.first;
        for (uint64_t lba = first; lba < first + block.first; ++lba) ASSERT_TRUE(covered.count(lba)) << lba;
    }
    EXPECT_EQ(covered.size(), valuableSectors);
}

TEST_F(ImageCaptureTest, ReportNamesTheSongTrackAndTimesABadRangeTakesOutAndTheRecordABadSectorBelongsTo) {
    const std::string drive = folder_ + "/studio-a.img";
    ASSERT_EQ(vxf({"demo", "--image", drive}).status, 0);
    // The demo's first song (24 tracks at 48 kHz) begins the audio space at sector 1284086, its second (8 tracks at
    // 96 kHz, each kept as two) at 1431542; audio blocks are 1152 sectors, shared out among the kept tracks.
    // Three sectors inside a track of each, and the first song record slot's first sector.
    const uint64_t inFirst = 1284086 + 10 * 1152 + 2 * 48 + 5;
    const uint64_t inSecond = 1431542 + 3 * 1152 + 5 * 144 + 7;
    std::ofstream(drive + ".faults") << "read-error " << inFirst << " " << inFirst + 2 << "\nread-error " << inSecond
                                     << " " << inSecond + 2 << "\nread-error 119\n";

    ToolRun captured = vxf({"image", "capture", "--drive", "1", "--used-only", "copy.img"});
    ASSERT_EQ(captured.status, 3) << captured.err;
    ToolRun report = vxf({"image", "capture", "--drive", "1", "--report", "copy.img"});
    ASSERT_EQ(report.status, 0) << report.err;
    for (const ToolRun* run : {&captured, &report}) {
        EXPECT_NE(run->out.find("sector 119: the song record in slot 1; its mirror copy was read"), std::string::npos)
            << run->out;
    }

    // The salvaging export of each song silences the same samples: its gap is the report's loss.
    for (const char* song : {"1", "2"}) {
        const std::string out = folder_ + "/salvaged-" + song;
        std::filesystem::create_directories(out);
        ToolRun salvaged = vxf({"export", "--drive", "1", "--project", "1", "--song", song, "--salvage", "--out", out});
        const std::string text = salvaged.out + salvaged.err;
        const std::string gapTag = "silent gap: ";
        const size_t gapAt = text.find(gapTag);
        ASSERT_NE(gapAt, std::string::npos) << text;
        const std::string gap = text.substr(gapAt + gapTag.size(), text.find('\n', gapAt) - gapAt - gapTag.size());
        for (const ToolRun* run : {&captured, &report}) {
            EXPECT_NE(run->out.find("  " + gap + "\n"), std::string::npos) << gap << "\n" << run->out;
        }
    }
}

TEST_F(ImageCaptureTest, ImageIsNeverOverwrittenAndResumeNeedsAnInterruptedCapture) {
    addDrive(image("drive.img", 100, {1}));
    std::ofstream(folder_ + "/copy.img") << "keep me";
    ToolRun again = vxf({"image", "capture", "--drive", "1", "copy.img"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(readText(folder_ + "/copy.img"), "keep me");
    ToolRun resume = vxf({"image", "capture", "--drive", "1", "--resume", "copy.img"});
    EXPECT_EQ(resume.status, 1);
    EXPECT_NE(resume.err.find("no interrupted capture"), std::string::npos) << resume.err;
    EXPECT_EQ(readText(folder_ + "/copy.img"), "keep me");
    // A damaged map is no map: refused, the image untouched.
    std::ofstream(folder_ + "/copy.img.map") << "0x0 ? 1\n0x0 0x200 +\n0x0 0x200 -\n";
    ToolRun damaged = vxf({"image", "capture", "--drive", "1", "--resume", "copy.img"});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.err.find("not sorted and contiguous"), std::string::npos) << damaged.err;
    EXPECT_EQ(readText(folder_ + "/copy.img"), "keep me");
}

TEST_F(ImageCaptureTest, CaptureInterruptedByAnEarlierVersionGoesOnFromItsState) {
    std::string drive = image("drive.img", 100, {1, 50, 99});
    addDrive(drive);
    // Sectors 0-9 were safe, sector 3 unreadable; what followed is read now.
    std::filesystem::copy_file(drive, folder_ + "/copy.img");
    std::filesystem::resize_file(folder_ + "/copy.img", 10 * kSector);
    std::ofstream(folder_ + "/copy.img.capture") << "drive=DISKIMG drive\nsectors=100\nnext=10\n";
    std::ofstream(folder_ + "/copy.img.badsectors") << "3\n";
    ToolRun run = vxf({"image", "capture", "--drive", "1", "--resume", "copy.img"});
    ASSERT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(listedSectors(folder_ + "/copy.img.badsectors"), std::set<uint64_t>{3});
    EXPECT_TRUE(differingSectors(drive, folder_ + "/copy.img").empty());
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/copy.img.capture"));
}

TEST_F(ImageCaptureTest, ResumeRefusesTheCaptureOfAnotherDrive) {
    addDrive(image("drive.img", 100, {1}));
    std::ofstream(folder_ + "/copy.img") << "partial";
    std::ofstream(folder_ + "/copy.img.map") << "# Drive: DISKIMG other\n0x0 ? 1\n0x0 0xC800 ?\n";
    ToolRun run = vxf({"image", "capture", "--drive", "1", "--resume", "copy.img"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("another drive"), std::string::npos) << run.err;
    EXPECT_EQ(readText(folder_ + "/copy.img"), "partial");
}

TEST_F(ImageCaptureTest, WrongDriveNumberFailsAndWrongUsageIsStatusTwo) {
    addDrive(image("drive.img", 100, {1}));
    EXPECT_EQ(vxf({"image", "capture", "--drive", "2", "copy.img"}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/copy.img"));
    EXPECT_EQ(vxf({"image", "capture", "copy.img"}).status, 2);
    EXPECT_EQ(vxf({"image", "capture", "--drive", "0", "copy.img"}).status, 2);
    EXPECT_EQ(vxf({"image", "capture", "--drive", "1"}).status, 2);
}

TEST_F(ImageCaptureTest, CopyServesAsADriveOfItsOwn) {
    std::string drive = image("drive.img", 5000, {0, 4999});
    addDrive(drive);
    ASSERT_EQ(vxf({"image", "capture", "--drive", "1", "copy.img"}).status, 0);
    ASSERT_EQ(vxf({"drives", "add", "--force", "copy.img"}).status, 0);
    ASSERT_EQ(vxf({"image", "capture", "--drive", "2", "again.img"}).status, 0);
    EXPECT_TRUE(differingSectors(drive, folder_ + "/again.img").empty());
}

TEST_F(ImageCaptureTest, UserWithoutAccessToTheDeviceIsToldWhatItNeeds) {
    LoopDevice loop(image("drive.img", 2048, {1}), false);
    if (loop.path().empty()) GTEST_SKIP() << "no loop device here (needs root and /dev/loop-control)";
    std::ofstream(folder_ + "/disks") << "Count=1\n0=SBP2\\" << loop.path() << "\n";
    ASSERT_EQ(::chmod(folder_.c_str(), 0777), 0);
    ASSERT_EQ(::chmod((folder_ + "/disks").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(loop.path().c_str(), 0600), 0);
    const uid_t nobody = 65534;

    ToolRun listing = vxf({"drives"}, nobody);
    EXPECT_EQ(listing.status, 0) << listing.err;
    EXPECT_NE(listing.out.find("No Drive Communication"), std::string::npos) << listing.out;
    EXPECT_NE(listing.err.find(loop.path() + " needs read and write access"), std::string::npos) << listing.err;

    ToolRun capture = vxf({"image", "capture", "--drive", "1", "copy.img"}, nobody);
    EXPECT_EQ(capture.status, 1);
    EXPECT_NE(capture.err.find("Cannot communicate with drive."), std::string::npos) << capture.err;
    EXPECT_NE(capture.err.find("group disk"), std::string::npos) << capture.err;
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/copy.img"));
}

}  // namespace
}  // namespace vxf1394::test
