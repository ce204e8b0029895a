// drive_access_bench.cpp - sector reads and writes through the VXF1394 exports against plain pread/pwrite of the same bytes.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "i1394.h"
#include "lifecycle.h"
#include "platform/file_signature.h"

namespace {

constexpr uint64_t kImageSectors = 131072;  // 64 MiB, kept in the page cache between runs

void noDriveChanges() {}

// One image listed as disk 0 and the library started on it, for every benchmark of this file.
struct DriveBench {
    std::string folder;
    std::string image;
    int fd = -1;

    DriveBench() {
        const char* base = std::getenv("TMPDIR");
        folder = std::string(base && *base ? base : "/tmp") + "/vxf1394-bench-XXXXXX";
        if (!::mkdtemp(folder.data())) std::abort();
        image = folder + "/bench.img";
        fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        std::vector<char> fill(kImageSectors * I1394_SECTOR_SIZE, 'x');
        if (fd < 0 || ::pwrite(fd, fill.data(), fill.size(), 0) != static_cast<ssize_t>(fill.size())) std::abort();
        std::ofstream(folder + "/disks") << "Count=1\n0=SBP2\\" << image << "\n";
        ::setenv("VXF_DISK_ENUM", (folder + "/disks").c_str(), 1);
        // Measured as drives are used: long after the enumeration file was
        // last edited. Until its time stamps have settled, every request
        // reads the file again.
        std::this_thread::sleep_for(std::chrono::nanoseconds(vxf1394::platform::kTimeStampSlackNs) +
                                    std::chrono::milliseconds(200));
        vxf1394::processAttach();
        if (i1394Init(noDriveChanges) != I1394_OK) std::abort();
    }
    ~DriveBench() {
        i1394Exit();
        vxf1394::processDetach();
        ::close(fd);
        std::filesystem::remove_all(folder);
    }
};

DriveBench& bench() {
    static DriveBench b;
    return b;
}

// Walks the image in steps of `sectors`, as a track read walks a song.
template <bool ThroughExports, bool Write>
void transfer(benchmark::State& state) {
    DriveBench& b = bench();
    const auto sectors = static_cast<uint16_t>(state.range(0));
    std::vector<uint8_t> buffer(static_cast<size_t>(sectors) * I1394_SECTOR_SIZE, 0x5A);
    uint64_t lba = 0;
    for (auto _ : state) {
        if (lba + sectors > kImageSectors) lba = 0;
        bool ok = false;
        if constexpr (ThroughExports) {
            ok = (Write ? i1394WriteSector(I1394_DRIVE_ID_BASE, static_cast<uint32_t>(lba), 0, sectors, buffer.data())
                        : i1394ReadSector(I1394_DRIVE_ID_BASE, static_cast<uint32_t>(lba), 0, sectors,
                                          buffer.data())) == I1394_OK;
        } else {
            auto offset = static_cast<off_t>(lba * I1394_SECTOR_SIZE);
            ssize_t n = Write ? ::pwrite(b.fd, buffer.data(), buffer.size(), offset)
                              : ::pread(b.fd, buffer.data(), buffer.size(), offset);
            ok = n == static_cast<ssize_t>(buffer.size());
        }
        if (!ok) state.SkipWithError("transfer failed");
        lba += sectors;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}

void BM_DriveBaselinePread(benchmark::State& state) { transfer<false, false>(state); }
void BM_DriveReadSector(benchmark::State& state) { transfer<true, false>(state); }
void BM_DriveBaselinePwrite(benchmark::State& state) { transfer<false, true>(state); }
void BM_DriveWriteSector(benchmark::State& state) { transfer<true, true>(state); }

// One sector (a system record) and 1536 sectors (a track block).
BENCHMARK(BM_DriveBaselinePread)->Arg(1)->Arg(1536);
BENCHMARK(BM_DriveReadSector)->Arg(1)->Arg(1536);
BENCHMARK(BM_DriveBaselinePwrite)->Arg(1)->Arg(1536);
BENCHMARK(BM_DriveWriteSector)->Arg(1)->Arg(1536);

}  // namespace
