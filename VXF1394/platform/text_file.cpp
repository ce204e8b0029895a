// text_file.cpp - reading a small text file whole: configuration, sysfs attributes, process tables.
#include "platform/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vxf1394::platform {

namespace {

constexpr size_t kMaxAttributeBytes = 4096;

bool readAll(int fd, std::string& out, size_t maxBytes) {
    char chunk[8192];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (out.size() + static_cast<size_t>(n) > maxBytes) {
            errno = EFBIG;
            return false;
        }
        out.append(chunk, static_cast<size_t>(n));
    }
}

}  // namespace

std::optional<std::string> readTextFile(const std::string& path, size_t maxBytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    std::string text;
    ok = ok && readAll(fd, text, maxBytes);
    int error = errno;
    ::close(fd);
    if (!ok) {
        errno = error;
        return std::nullopt;
    }
    return text;
}

std::string readAttribute(const std::string& path) {
    std::optional<std::string> text = readTextFile(path, kMaxAttributeBytes);
    if (!text) return {};
    std::string line = text->substr(0, text->find('\n'));
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.pop_back();
    return line;
}

}  // namespace vxf1394::platform
