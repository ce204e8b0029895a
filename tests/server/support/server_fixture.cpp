// server_fixture.cpp - a per-test folder with its own enumeration file and sparse drive images, and the server started on it.
#include "server_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "api/server_lifecycle.h"
#include "lifecycle.h"
#include "core/drive_claim.h"
#include "core/record.h"
#include "core/server_state.h"

namespace vxfserver::test {

void ServerFixture::SetUp() {
    char pattern[] = "/tmp/vxfserver-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    enumPath_ = folder_ + "/disks";
    ::setenv("VXF_DISK_ENUM", enumPath_.c_str(), 1);
    vxf1394::testing::resetAll();
    // A test's image lives and dies in the page cache: its flushes are made and journaled, not waited for.
    vxf1394::testing::ignoreFlushes(true);
    vxf1394::processAttach();
    vxfserver::processAttach();
}

void ServerFixture::TearDown() {
    for (const DriveSlot& slot : state().slots) {
        if (slot.inUse != 0) tavovxfDriveClose(slot.handle);
    }
    char message[VXF_ERROR_STRING_SIZE];
    tavovxfGetErrorString(message);
    vxfserver::processDetach();
    vxf1394::processDetach();
    vxf1394::testing::resetAll();
    std::error_code ec;
    // The images go for good: so do the records other programs would share of them.
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        if (entry.is_regular_file(ec)) DriveClaim::removeSharedRecord(entry.path().string());
    }
    std::filesystem::remove_all(folder_, ec);
}

std::string ServerFixture::makeImage(const std::string& name, uint64_t sectors) {
    std::string path = folder_ + "/" + name;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, off_t(sectors * 512)), 0);
    ::close(fd);
    return path;
}

void ServerFixture::enumerate(const std::vector<std::string>& images) {
    std::string text = "Count=" + std::to_string(images.size()) + "\n";
    for (size_t i = 0; i < images.size(); ++i) text += std::to_string(i) + "=SBP2\\" + images[i] + "\n";
    std::string temporary = enumPath_ + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
    }
    ASSERT_EQ(std::rename(temporary.c_str(), enumPath_.c_str()), 0);
}

std::string ServerFixture::makeDrive(uint64_t sectors, const std::string& name) {
    drivePath_ = makeImage(name, sectors);
    enumerate({drivePath_});
    return drivePath_;
}

uint32_t ServerFixture::open(uint16_t index) {
    uint16_t count = 0;
    EXPECT_EQ(tavovxfDriveGetNum(&count), VXF_OK);
    uint32_t handle = 0;
    EXPECT_EQ(tavovxfDriveOpen(index, &handle), VXF_OK);
    return handle;
}

int32_t ServerFixture::remount(uint32_t& handle) {
    for (const DriveSlot& slot : state().slots) {
        if (slot.inUse != 0) tavovxfDriveClose(slot.handle);
    }
    handle = open();
    char name[VXF_EXT_NAME_SIZE];
    return tavovxfDriveGetName(handle, name);
}

uint32_t ServerFixture::openFormatted(uint64_t sectors) {
    makeDrive(sectors);
    uint32_t handle = open();
    EXPECT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    return handle;
}

Sector ServerFixture::readSector(const std::string& path, uint64_t lba) {
    Sector sector{};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::pread(fd, sector.data(), 512, off_t(lba * 512)), 512);
    ::close(fd);
    return sector;
}

void ServerFixture::writeSector(const std::string& path, uint64_t lba, const Sector& sector) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, sector.data(), 512, off_t(lba * 512)), 512);
    ::close(fd);
}

void ServerFixture::damageSector(const std::string& path, uint64_t lba) {
    Sector sector = readSector(path, lba);
    sector[100] ^= 0x5A;
    writeSector(path, lba, sector);
}

void ServerFixture::patchSuperBlock(const std::string& path, uint32_t sectorCount,
                                    const std::function<void(SuperBlock&)>& change) {
    Sector sector = readSector(path, 0);
    SuperBlock sb{};
    decodeSuperBlock(sector.data(), sb);
    change(sb);
    encodeSuperBlock(sb, sector.data());
    writeSector(path, 0, sector);
    writeSector(path, sectorCount - 1, sector);
}

void ServerFixture::patchRecord(const std::string& path, uint64_t lba, const std::function<void(uint8_t*)>& change) {
    Sector sector = readSector(path, lba);
    change(sector.data());
    storeChecksum(sector.data(), 512);
    writeSector(path, lba, sector);
}

std::string ServerFixture::errorText() {
    char message[VXF_ERROR_STRING_SIZE] = {};
    tavovxfGetErrorString(message);
    return message;
}

}  // namespace vxfserver::test
