// drive_fixture.cpp - a per-test folder with its own enumeration file and sparse images, and the library started on it.
#include "drive_fixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "lifecycle.h"
#include "platform/test_api.h"

namespace vxf1394::test {

namespace {

std::atomic<uint64_t> calls{0};

void countingCallback() { calls++; }

}  // namespace

uint64_t callbackCalls() { return calls.load(); }

uint32_t recordU32(const std::array<uint8_t, 32>& record, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(record[at + i]) << (8 * i);
    return v;
}

uint64_t recordU64(const std::array<uint8_t, 32>& record, size_t at) {
    return recordU32(record, at) | (static_cast<uint64_t>(recordU32(record, at + 4)) << 32);
}

void DriveFixture::SetUp() {
    folder_ = makeTestFolder();
    ASSERT_FALSE(folder_.empty());
    enumPath_ = folder_ + "/disks";
    ::setenv("VXF_DISK_ENUM", enumPath_.c_str(), 1);
    vxf1394::testing::resetAll();
    host_ = std::make_unique<FakeHost>(folder_ + "/host");
    useFakeHost();
    processAttach();
    calls = 0;
}

void DriveFixture::useFakeHost() { vxf1394::testing::setHostPaths(host_->paths()); }

void DriveFixture::TearDown() {
    i1394Exit();
    processDetach();
    vxf1394::testing::resetAll();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

std::string DriveFixture::makeImage(const std::string& name, uint64_t sectors) {
    std::string path = folder_ + "/" + name;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(sectors * I1394_SECTOR_SIZE)), 0);
    ::close(fd);
    return path;
}

void DriveFixture::writeFile(const std::string& path, const std::string& text) {
    std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
    }
    ASSERT_EQ(std::rename(temporary.c_str(), path.c_str()), 0);
}

std::string DriveFixture::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void DriveFixture::writeEnumeration(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    writeFile(enumPath_, text);
}

void DriveFixture::enumerate(const std::vector<std::string>& images) {
    std::vector<std::string> lines{"Count=" + std::to_string(images.size())};
    for (size_t i = 0; i < images.size(); ++i) lines.push_back(std::to_string(i) + "=SBP2\\" + images[i]);
    writeEnumeration(lines);
}

int32_t DriveFixture::init() { return i1394Init(countingCallback); }

}  // namespace vxf1394::test
