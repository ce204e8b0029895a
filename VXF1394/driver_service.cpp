// driver_service.cpp - opening the driver's device, installing the driver as a service first when that fails.
#include "driver_service.h"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/service_manager.h"
#include "process_state.h"

namespace vxf1394 {

namespace {

// The whole current directory, however long: a path cut to a fixed buffer
// would register a driver file that does not exist.
std::string currentDirectory() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool installDriverService() {
    platform::ScHandle manager = platform::openSCManager(nullptr, nullptr, platform::kScManagerAllAccess);
    if (manager == platform::kNoScHandle) return false;
    std::string binaryPath = currentDirectory() + kDriverFileName;
    platform::ScHandle service = platform::createService(
        manager, kDriverServiceName, kDriverServiceName, platform::kServiceAllAccess, platform::kServiceKernelDriver,
        platform::kServiceAutoStart, platform::kServiceErrorNormal, binaryPath.c_str(), nullptr, nullptr, nullptr,
        nullptr);
    bool started = false;
    if (service != platform::kNoScHandle) {
        started = platform::startService(service, 0, nullptr);
        platform::closeServiceHandle(service);
    }
    platform::closeServiceHandle(manager);
    return started;
}

}  // namespace

platform::DeviceHandle openDriverDevice() {
    platform::DeviceHandle device = platform::openDevice(platform::kDriverDeviceName);
    if (device != platform::kInvalidDevice) return device;
    installDriverService();
    device = platform::openDevice(platform::kDriverDeviceName);
    processState().installedService = true;
    return device;
}

void removeDriverService() {
    platform::ScHandle manager = platform::openSCManager(nullptr, nullptr, platform::kScManagerAllAccess);
    if (manager == platform::kNoScHandle) return;
    platform::ScHandle service = platform::openService(manager, kDriverServiceName, platform::kServiceAllAccess);
    if (service != platform::kNoScHandle) {
        if (platform::controlService(service, platform::kServiceControlStop)) platform::deleteService(service);
        platform::closeServiceHandle(service);
    }
    platform::closeServiceHandle(manager);
}

}  // namespace vxf1394
