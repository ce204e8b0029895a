// event.h - a manual-reset event that a change notification on the enumeration key can signal.
#pragma once

#include <memory>
#include <mutex>

namespace vxf1394::platform {

class ChangeWatch;

class Event {
public:
    // Null when the system gives no event.
    static std::unique_ptr<Event> create();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event();

    // Stays signalled until reset; a set is never lost on a thread that is
    // not waiting at that moment.
    void set();
    void reset();
    bool isSet() const;

    // The next change the watch sees signals this event, once.
    void armChangeNotification(std::shared_ptr<ChangeWatch> watch);

    enum class WaitResult { signalled, timedOut, failed };
    // timeoutMs < 0 waits without limit.
    WaitResult wait(int timeoutMs);

private:
    explicit Event(int fd) : fd_(fd) {}
    bool takeArmedChange();

    int fd_;
    std::mutex mutex_;
    std::shared_ptr<ChangeWatch> armed_;
};

}  // namespace vxf1394::platform
