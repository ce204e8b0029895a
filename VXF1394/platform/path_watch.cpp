// path_watch.cpp - changes of the files requests depend on (the enumeration file, images, their sidecars), heard through one inotify descriptor.
#include "platform/path_watch.h"

#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#define VXF_HAVE_TIME_STAMP_COUNTER 1
#endif

#include "platform/faults.h"

namespace vxf1394::platform {

namespace {

// Everything that can change a name's file, or the name itself, in the folder.
constexpr uint32_t kNameEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kFolderEvents = IN_DELETE_SELF | IN_MOVE_SELF;
// More folders than this are not watched: the drives of one list live in a few.
constexpr size_t kMaxFolders = 64;
// A thread that found the queue empty asks again only once it has spent this long outside
// requests since: opening, rewriting or renaming a file takes longer (only a write into a file
// kept open is quicker, and nothing changes the watched files so), so no change the thread made
// itself slips through, however many requests it sends back to back. A change by another thread
// or program can only race with its requests anyway, and is seen within the longest spell at the
// latest. Per thread: another thread's look may have come just before this thread's own change.
constexpr int64_t kOutsideBudgetNs = 1000;
constexpr int64_t kLongestSpellNs = 50000;

// The spell's clock, in its own ticks: the processor's time-stamp counter when the kernel keeps
// its own time with it (so it runs at one rate on every core), a third of the cost of asking the
// steady clock, which is what it falls back to.
struct SpellClock {
    bool timeStampCounter = false;
    int64_t outsideBudget = kOutsideBudgetNs;
    int64_t longestSpell = kLongestSpellNs;
};

int64_t steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

#ifdef VXF_HAVE_TIME_STAMP_COUNTER
bool kernelKeepsTimeWithTimeStampCounter() {
    std::ifstream source("/sys/devices/system/clocksource/clocksource0/current_clocksource");
    std::string name;
    return source >> name && name == "tsc";
}

// Ticks of the counter in a nanosecond, timed against the steady clock over a fifth of a millisecond.
double timeStampTicksPerNs() {
    constexpr int64_t kSpanNs = 200000;
    const int64_t startNs = steadyNowNs();
    const uint64_t startTicks = __rdtsc();
    int64_t nowNs = startNs;
    while (nowNs - startNs < kSpanNs) nowNs = steadyNowNs();
    return static_cast<double>(__rdtsc() - startTicks) / static_cast<double>(nowNs - startNs);
}
#endif

SpellClock makeSpellClock() {
    SpellClock clock;
#ifdef VXF_HAVE_TIME_STAMP_COUNTER
    if (!kernelKeepsTimeWithTimeStampCounter()) return clock;
    const double ticksPerNs = timeStampTicksPerNs();
    if (!(ticksPerNs > 0.1 && ticksPerNs < 100.0)) return clock;
    clock.timeStampCounter = true;
    clock.outsideBudget = static_cast<int64_t>(kOutsideBudgetNs * ticksPerNs);
    clock.longestSpell = static_cast<int64_t>(kLongestSpellNs * ticksPerNs);
#endif
    return clock;
}

const SpellClock& spellClock() {
    static const SpellClock clock = makeSpellClock();
    return clock;
}

int64_t spellNow(const SpellClock& clock) {
#ifdef VXF_HAVE_TIME_STAMP_COUNTER
    if (clock.timeStampCounter) return static_cast<int64_t>(__rdtsc());
#endif
    (void)clock;
    return steadyNowNs();
}

struct QuietSpell {
    int64_t look = INT64_MIN / 2;     // when the thread's last look that found nothing began
    int64_t outside = 0;              // of the time since, what the thread spent outside requests
    int64_t lastEnd = INT64_MIN / 2;  // when its last request ended (or its last look began)
};
thread_local QuietSpell t_spell;

enum class NameKind { file, image };

struct Folder {
    std::string path;
    std::map<std::string, NameKind, std::less<>> names;
};

// Never destroyed: requests may still arrive while the process exits.
struct Watch {
    std::mutex mutex;
    std::atomic<int> fd{-1};  // made once, never closed
    bool failed = false;  // inotify itself is not to be had
    std::map<int, Folder> folders;  // by watch descriptor
    // Moved under the mutex, read without it.
    std::atomic<uint64_t> files{0};
    std::atomic<uint64_t> writes{0};
};

Watch& state() {
    static Watch* w = new Watch;
    return *w;
}

void dropFolderLocked(Watch& w, int wd) {
    w.folders.erase(wd);
    ::inotify_rm_watch(w.fd, wd);
}

void takeEventLocked(Watch& w, const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
        w.files.fetch_add(1, std::memory_order_release);
        return;
    }
    auto folder = w.folders.find(event.wd);
    if (folder == w.folders.end()) return;
    if (event.mask & (kFolderEvents | IN_IGNORED | IN_UNMOUNT)) {
        // The folder went, or moved away with its files: nothing seen through it holds.
        w.files.fetch_add(1, std::memory_order_release);
        if (!(event.mask & IN_IGNORED)) dropFolderLocked(w, event.wd);
        else w.folders.erase(folder);
        return;
    }
    if (event.len == 0) return;
    auto name = folder->second.names.find(std::string_view(event.name, ::strnlen(event.name, event.len)));
    if (name == folder->second.names.end()) return;
    bool mereWrite = name->second == NameKind::image && (event.mask & kNameEvents) == IN_MODIFY;
    if (mereWrite) {
        w.writes.fetch_add(1, std::memory_order_release);
    } else {
        w.files.fetch_add(1, std::memory_order_release);
    }
}

void drainLocked(Watch& w) {
    if (w.fd < 0) return;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        ssize_t n = ::read(w.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (at > n) break;
            takeEventLocked(w, *event);
        }
        if (static_cast<size_t>(n) < sizeof buffer / 2) return;
    }
}

bool watchLocked(Watch& w, const std::string& path, NameKind kind) {
    if (w.failed) return false;
    std::filesystem::path p(path);
    std::string name = p.filename().string();
    if (name.empty() || name == "." || name == "..") return false;
    std::string folderPath = p.parent_path().empty() ? "." : p.parent_path().string();
    for (auto& [wd, folder] : w.folders) {
        if (folder.path != folderPath) continue;
        auto [at, added] = folder.names.emplace(name, kind);
        if (!added && kind == NameKind::image) at->second = kind;
        return true;
    }
    if (w.folders.size() >= kMaxFolders) return false;
    if (w.fd < 0) {
        int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd < 0) {
            w.failed = true;
            return false;
        }
        w.fd.store(fd, std::memory_order_release);
    }
    int wd = ::inotify_add_watch(w.fd, folderPath.c_str(), kNameEvents | kFolderEvents | IN_ONLYDIR);
    if (wd < 0) return false;
    // The same folder reached by another spelling shares its descriptor.
    Folder& folder = w.folders[wd];
    if (folder.path.empty()) folder.path = folderPath;
    folder.names.emplace(name, kind);
    return true;
}

}  // namespace

WatchGeneration watchGeneration() {
    Watch& w = state();
    const SpellClock& clock = spellClock();
    QuietSpell& spell = t_spell;
    const int64_t now = spellNow(clock);
    // Time inside a request counted as outside only makes the thread look sooner; a clock that
    // seems to have gone back makes it look at once.
    const int64_t sinceEnd = now - spell.lastEnd;
    spell.outside = sinceEnd < 0 ? clock.longestSpell : std::min(spell.outside + sinceEnd, clock.longestSpell);
    spell.lastEnd = now;
    const int64_t sinceLook = now - spell.look;
    bool quiet = spell.outside < clock.outsideBudget && sinceLook >= 0 && sinceLook < clock.longestSpell;
    if (!quiet) {
        // Asking how much is queued costs less than a read that finds nothing.
        int fd = w.fd.load(std::memory_order_acquire);
        int queued = 0;
        quiet = fd < 0 || (::ioctl(fd, FIONREAD, &queued) == 0 && queued == 0);
        // The look counts from before it began: an event queued since may have been missed.
        if (quiet) spell = {now, 0, now};
    }
    if (!quiet) {
        std::lock_guard<std::mutex> guard(w.mutex);
        drainLocked(w);
    }
    return {w.files.load(std::memory_order_acquire), w.writes.load(std::memory_order_acquire)};
}

void noteRequestEnd() { t_spell.lastEnd = spellNow(spellClock()); }

bool watchName(const std::string& path) {
    Watch& w = state();
    std::lock_guard<std::mutex> guard(w.mutex);
    return watchLocked(w, path, NameKind::file);
}

bool watchImage(const std::string& path) {
    Watch& w = state();
    std::lock_guard<std::mutex> guard(w.mutex);
    return watchLocked(w, path, NameKind::image) && watchLocked(w, path + std::string(kFaultFileSuffix), NameKind::file);
}

void noteLocalChange() {
    Watch& w = state();
    std::lock_guard<std::mutex> guard(w.mutex);
    w.files.fetch_add(1, std::memory_order_release);
}

}  // namespace vxf1394::platform
