// drive_fixture.h - a per-test folder with its own enumeration file and sparse images, and the library started on it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fake_host.h"
#include "i1394.h"
#include "test_support.h"

namespace vxf1394::test {

class DriveFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A sparse image of the given size in the test's folder.
    std::string makeImage(const std::string& name, uint64_t sectors);
    // Rewrites the enumeration file with these lines, replaced atomically.
    void writeEnumeration(const std::vector<std::string>& lines);
    void writeFile(const std::string& path, const std::string& text);
    std::string readFile(const std::string& path);

    // Count=N and one "SBP2\path" value per image.
    void enumerate(const std::vector<std::string>& images);

    // i1394Init with a callback that only counts.
    int32_t init();

    // Points the drive layer at the fake host's disks (none until a test adds some).
    void useFakeHost();

    std::string folder_;
    std::string enumPath_;
    // The machine the drive layer sees: no disks of its own, so only the
    // enumeration file's entries count unless a test adds disks.
    std::unique_ptr<FakeHost> host_;
    bool initialised_ = false;
};

// The callback handed to i1394Init counts its calls.
uint64_t callbackCalls();

// Little-endian fields of a request record.
uint32_t recordU32(const std::array<uint8_t, 32>& record, size_t at);
uint64_t recordU64(const std::array<uint8_t, 32>& record, size_t at);

}  // namespace vxf1394::test
