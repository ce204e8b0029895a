// crash_replay_test.cpp - the drive as a power cut may leave it: every write of a changing operation journaled with its flushes, then every state the medium may hold replayed and checked.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <random>

#include "crash_fixture.h"
#include "platform/test_api.h"

namespace vxf::reliability {
namespace {

using Journal = std::vector<vxf1394::testing::JournalEntry>;

// States tried per operation, beyond the prefixes of its flush intervals.
constexpr size_t kStatesPerOperation = 200;

// The writes between two flushes: the medium may hold any of them, in any
// combination, when the power goes; none of a later interval before all of
// an earlier one is there.
struct Interval {
    size_t first = 0;  // index into the journal's writes
    size_t count = 0;
};

// A crash state: all writes before `interval`, and of it those `kept` says.
struct CrashState {
    size_t interval = 0;
    std::vector<bool> kept;
    std::string description;
};

struct Tally {
    size_t writes = 0;
    size_t flushes = 0;
    size_t tried = 0;
    size_t held = 0;
};

std::vector<vxf1394::testing::JournalEntry> writesOf(const Journal& journal, std::vector<Interval>& intervals,
                                                      size_t& flushes) {
    std::vector<vxf1394::testing::JournalEntry> writes;
    intervals.assign(1, Interval{});
    flushes = 0;
    for (const auto& entry : journal) {
        if (entry.flush) {
            ++flushes;
            intervals.push_back(Interval{writes.size(), 0});
            continue;
        }
        writes.push_back(entry);
        intervals.back().count += 1;
    }
    return writes;
}

std::string describeState(size_t interval, const std::vector<bool>& kept) {
    std::string text = "interval " + std::to_string(interval) + " with writes {";
    for (size_t i = 0; i < kept.size(); ++i) {
        if (kept[i]) text += " " + std::to_string(i + 1);
    }
    return text + " } of " + std::to_string(kept.size());
}

// Every prefix of every interval, then random subsets of the intervals with
// more than one write (a page cache writes back in whatever order it likes).
std::vector<CrashState> crashStates(const std::vector<Interval>& intervals) {
    std::vector<CrashState> states;
    for (size_t i = 0; i < intervals.size(); ++i) {
        for (size_t p = 0; p <= intervals[i].count; ++p) {
            if (p == 0 && i > 0) continue;  // the same as the whole interval before
            std::vector<bool> kept(intervals[i].count, false);
            std::fill(kept.begin(), kept.begin() + long(p), true);
            states.push_back(CrashState{i, kept, describeState(i, kept)});
        }
    }
    std::vector<size_t> reorderable;
    for (size_t i = 0; i < intervals.size(); ++i) {
        if (intervals[i].count > 1) reorderable.push_back(i);
    }
    std::mt19937 random(20261209);
    const size_t budget = states.size() + kStatesPerOperation;
    for (size_t attempt = 0; !reorderable.empty() && states.size() < budget && attempt < 20 * budget; ++attempt) {
        const size_t i = reorderable[random() % reorderable.size()];
        std::vector<bool> kept(intervals[i].count);
        for (size_t w = 0; w < kept.size(); ++w) kept[w] = (random() & 1) != 0;
        // Prefixes were tried already.
        if (std::is_sorted(kept.begin(), kept.end(), std::greater<bool>())) continue;
        std::string description = describeState(i, kept);
        const bool seen = std::any_of(states.begin(), states.end(),
                                      [&](const CrashState& s) { return s.description == description; });
        if (!seen) states.push_back(CrashState{i, kept, description});
    }
    return states;
}

class CrashReplay : public CrashFixture, public ::testing::WithParamInterface<Operation> {
protected:
    Tally replay(const Operation& op) {
        arrange(op);
        uint32_t h = 0;
        restore(h);
        // The selections' own writes are part of every state: they came before the operation.
        vxf1394::testing::startJournal();
        op.prepare(h);
        const Journal preparation = vxf1394::testing::takeJournal();
        vxf1394::testing::startJournal();
        EXPECT_EQ(op.run(h), VXF_OK) << op.name;
        const Journal journal = vxf1394::testing::takeJournal();
        closeAll();

        Tally tally;
        std::vector<Interval> intervals;
        const auto writes = writesOf(journal, intervals, tally.flushes);
        tally.writes = writes.size();
        EXPECT_TRUE(!journal.empty() && journal.back().flush) << op.name << " reports success before a flush";

        for (const CrashState& state : crashStates(intervals)) {
            EXPECT_TRUE(snapshot_.restore(drivePath_));
            for (const auto& entry : preparation) {
                if (!entry.flush) apply(entry);
            }
            const Interval& open = intervals[state.interval];
            for (size_t w = 0; w < open.first + open.count; ++w) {
                if (w < open.first || state.kept[w - open.first]) apply(writes[w]);
            }
            bool unsafe = false;
            const std::vector<std::string> found = checkDrive(op, VXF_OK, unsafe);
            ++tally.tried;
            tally.held += found.empty() ? 1 : 0;
            for (const std::string& problem : found) ADD_FAILURE() << op.name << ", " << state.description << ": " << problem;
        }
        std::cout << "[replay] " << op.name << ": " << tally.writes << " writes, " << tally.flushes << " flushes, "
                  << tally.tried << " crash states tried, " << tally.held << " held\n";
        RecordProperty("crash_states", int(tally.tried));
        RecordProperty("held", int(tally.held));
        return tally;
    }

    void apply(const vxf1394::testing::JournalEntry& write) {
        const int fd = ::open(drivePath_.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        const ssize_t put = ::pwrite(fd, write.data.data(), write.data.size(), off_t(write.lba * 512));
        ::close(fd);
        ASSERT_EQ(put, ssize_t(write.data.size()));
    }
};

TEST_P(CrashReplay, EveryCrashStateHolds) {
    const Tally tally = replay(GetParam());
    EXPECT_GT(tally.tried, 0u);
    EXPECT_EQ(tally.held, tally.tried);
}

INSTANTIATE_TEST_SUITE_P(Operations, CrashReplay, ::testing::ValuesIn(changingOperations()), operationTestName);

}  // namespace
}  // namespace vxf::reliability
