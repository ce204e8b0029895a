// event.cpp - a manual-reset event that a change notification on the enumeration key can signal.
#include "platform/event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>

#include "platform/change_watch.h"

namespace vxf1394::platform {

std::unique_ptr<Event> Event::create() {
    int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return nullptr;
    return std::unique_ptr<Event>(new Event(fd));
}

Event::~Event() { ::close(fd_); }

void Event::set() {
    uint64_t one = 1;
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Event::reset() {
    uint64_t value = 0;
    while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool Event::isSet() const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

void Event::armChangeNotification(std::shared_ptr<ChangeWatch> watch) {
    std::lock_guard<std::mutex> guard(mutex_);
    armed_ = std::move(watch);
}

bool Event::takeArmedChange() {
    std::shared_ptr<ChangeWatch> watch;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        watch = armed_;
    }
    if (!watch || !watch->takeChange()) return false;
    std::lock_guard<std::mutex> guard(mutex_);
    if (armed_ == watch) armed_.reset();
    return true;
}

Event::WaitResult Event::wait(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        if (takeArmedChange()) set();
        if (isSet()) return WaitResult::signalled;
        int remaining = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return WaitResult::timedOut;
            remaining = static_cast<int>(left);
        }
        std::shared_ptr<ChangeWatch> watch;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            watch = armed_;
        }
        std::array<int, 2> watched = watch ? watch->pollFds() : std::array<int, 2>{-1, -1};
        pollfd fds[3] = {{fd_, POLLIN, 0}, {watched[0], POLLIN, 0}, {watched[1], POLLIN, 0}};
        if (::poll(fds, 3, remaining) < 0 && errno != EINTR) return WaitResult::failed;
    }
}

}  // namespace vxf1394::platform
