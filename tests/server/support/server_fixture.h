// server_fixture.h - a per-test folder with its own enumeration file and sparse drive images, and the server started on it.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/test_api.h"
#include "volume/super_block.h"
#include "tavovxf.h"

namespace vxfserver::test {

constexpr uint32_t kDriveSectors = 78165360;  // the usual 40 GB drive

using Sector = std::array<uint8_t, 512>;

class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A sparse image in the test's folder, and the enumeration naming images.
    std::string makeImage(const std::string& name, uint64_t sectors);
    void enumerate(const std::vector<std::string>& images);
    // One image of `sectors`, enumerated as the only drive.
    std::string makeDrive(uint64_t sectors = kDriveSectors, const std::string& name = "drive.img");

    // DriveGetNum then DriveOpen; fails the test on an error.
    uint32_t open(uint16_t index = 0);
    // Closes every handle, opens drive 0 again and mounts it with a name
    // query: everything is read afresh. Answers the query's result.
    int32_t remount(uint32_t& handle);
    // A formatted drive image, opened.
    uint32_t openFormatted(uint64_t sectors = kDriveSectors);

    // Direct access to an image, beside the server.
    Sector readSector(const std::string& path, uint64_t lba);
    void writeSector(const std::string& path, uint64_t lba, const Sector& sector);
    void zeroSector(const std::string& path, uint64_t lba) { writeSector(path, lba, Sector{}); }
    // Damages the checksum of the record whose first sector is at `lba`.
    void damageSector(const std::string& path, uint64_t lba);

    // Rewrites the super block on both copies (sector 0 and S - 1), sealed.
    void patchSuperBlock(const std::string& path, uint32_t sectorCount, const std::function<void(SuperBlock&)>& change);
    // Rewrites one sector through `change` and seals its checksum again.
    void patchRecord(const std::string& path, uint64_t lba, const std::function<void(uint8_t*)>& change);

    // The message of the last error (which this reads away).
    std::string errorText();

    // Requests that reached the drive emulation since the last reset.
    vxf1394::testing::RequestCounters counters() { return vxf1394::testing::requestCounters(); }
    void resetCounters() { vxf1394::testing::resetRequestCounters(); }

    std::string folder_;
    std::string enumPath_;
    std::string drivePath_;
};

}  // namespace vxfserver::test
