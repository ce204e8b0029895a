// audio_file_input.cpp - one untrusted byte string read as an audio file of a given format, to its end.
#include "audio_file_input.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "audio_file.h"
#include "message_sink.h"

namespace vxf::fuzz {

namespace {

// The messages are the expected outcome for most inputs: nothing to show.
class SilentSink : public transfer::MessageSink {
public:
    void showError(const std::string&) override {}
};

// A file in memory, opened by path like any other; emptied and refilled for each input.
class MemoryFile {
public:
    MemoryFile() {
        fd_ = ::memfd_create("vxf-fuzz-audio", MFD_CLOEXEC);
        if (fd_ < 0) std::abort();
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }

    const std::string& fill(const uint8_t* data, size_t size) {
        if (::ftruncate(fd_, 0) != 0) std::abort();
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::pwrite(fd_, data + done, size - done, off_t(done));
            if (n <= 0) std::abort();
            done += size_t(n);
        }
        return path_;
    }

private:
    int fd_ = -1;
    std::string path_;
};

// Odd sizes on purpose, so that reads end inside samples as well as between them.
constexpr size_t kReadSizes[] = {4093, 65536};

void readToEnd(transfer::AudioFile& file, bool bigEndian, bool unsigned8, size_t chunk) {
    std::vector<uint8_t> buffer(chunk);
    for (;;) {
        size_t got = 0;
        if (!file.ReadSamples(buffer.data(), buffer.size(), bigEndian, unsigned8, got) || got == 0) return;
    }
}

}  // namespace

void readAudioFileInput(transfer::AudioFormat format, const uint8_t* data, size_t size) {
    static MemoryFile memory;
    const std::string& path = memory.fill(data, size);
    SilentSink sink;
    transfer::AudioFile file(sink);
    for (int pass = 0; pass < 2; ++pass) {
        uint32_t rate = 0;
        uint16_t bits = 0;
        uint32_t count = 0;
        if (!file.OpenForRead(format, path, rate, bits, count)) return;
        const bool ownCoding = pass == 0;
        const bool bigEndian = transfer::isBigEndianFormat(format) == ownCoding;
        const bool unsigned8 = transfer::isUnsigned8Format(format) == ownCoding;
        readToEnd(file, bigEndian, unsigned8, kReadSizes[pass]);
        file.Close();
    }
}

}  // namespace vxf::fuzz
