// crash_sweep_test.cpp - every write request of a changing operation made to fail once, and the drive cut off at it: nothing that was on the drive is lost.
#include <gtest/gtest.h>

#include <iostream>

#include "crash_fixture.h"

namespace vxf::reliability {
namespace {

using vxfserver::test::Bytes;
using vxfserver::test::randomBytes;

// A write request that fails once (the operation gives up, the drive is fine), the drive cut off at
// that request (every later one fails too), or a failed request after which the user goes on working
// in the same session before anything is read again.
enum class Fault { OneWrite, Cut, OneWriteThenGoOn };

std::string describe(Fault fault, uint32_t k, uint32_t writes) {
    const std::string which = std::to_string(k) + " of " + std::to_string(writes);
    switch (fault) {
        case Fault::OneWrite: return "write " + which + " failing";
        case Fault::Cut: return "cut off from write " + which;
        case Fault::OneWriteThenGoOn: return "write " + which + " failing, then a new song recorded";
    }
    return which;
}

struct Tally {
    uint32_t writes = 0;
    uint32_t tried = 0;
    uint32_t held = 0;
    uint32_t unsafeBeforeScan = 0;
};

class CrashSweep : public CrashFixture, public ::testing::WithParamInterface<Operation> {
protected:
    // Runs `op` once per write request it makes, failing that request, and again with every
    // request from it on failing; checks the drive after each and answers the figures.
    Tally sweep(const Operation& op) {
        arrange(op);
        Tally tally;
        uint32_t h = 0;
        restore(h);
        op.prepare(h);
        resetCounters();
        EXPECT_EQ(op.run(h), VXF_OK) << op.name << " without a fault";
        tally.writes = uint32_t(counters().writes);
        EXPECT_GT(tally.writes, 0u) << op.name;

        for (uint32_t k = 1; k <= tally.writes; ++k) {
            for (Fault fault : {Fault::OneWrite, Fault::Cut, Fault::OneWriteThenGoOn}) {
                const std::string where = op.name + ": " + describe(fault, k, tally.writes);
                restore(h);
                op.prepare(h);
                if (fault == Fault::Cut) {
                    vxf1394::testing::failWritesAfter(k - 1);
                } else {
                    vxf1394::testing::failNthWrite(k);
                }
                const int32_t result = op.run(h);
                vxf1394::testing::clearWriteFailures();
                if (fault == Fault::OneWriteThenGoOn) goOn(h);
                bool unsafe = false;
                const std::vector<std::string> found = checkDrive(op, result, unsafe);
                ++tally.tried;
                tally.held += found.empty() ? 1 : 0;
                tally.unsafeBeforeScan += unsafe ? 1 : 0;
                for (const std::string& problem : found) ADD_FAILURE() << where << ": " << problem;
            }
        }
        std::cout << "[sweep] " << op.name << ": " << tally.writes << " write requests, " << tally.tried
                  << " cut points tried, " << tally.held << " held; " << tally.unsafeBeforeScan
                  << " left a song's cluster marked free until the scan\n";
        RecordProperty("cut_points", int(tally.tried));
        RecordProperty("held", int(tally.held));
        return tally;
    }

    // After a failure, in the same session: a new song in the first project and a block of audio
    // recorded into it. Whatever the failure left in memory must not make this overwrite a song.
    static void goOn(uint32_t h) {
        const Bytes audio = randomBytes(size_t(3000) * 3, 99);
        tavovxfProjectSetPrimary(h, 0);
        if (tavovxfSongCreate(h, 2, 48000, 24) == VXF_OK) tavovxfTrackWrite(h, 1, 0, 3000, 3, 0, audio.data());
    }
};

// Every cut point must hold: each failure is listed by the sweep itself.
TEST_P(CrashSweep, EveryCutPointHolds) {
    const Tally tally = sweep(GetParam());
    EXPECT_GT(tally.tried, 0u);
    EXPECT_EQ(tally.held, tally.tried);
}

INSTANTIATE_TEST_SUITE_P(Operations, CrashSweep, ::testing::ValuesIn(changingOperations()), operationTestName);

}  // namespace
}  // namespace vxf::reliability
