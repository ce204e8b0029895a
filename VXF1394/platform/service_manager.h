// service_manager.h - the service control manager, emulated in process: services are records, starting one marks it running.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vxf1394::platform {

using ScHandle = uintptr_t;  // 0 is no handle
constexpr ScHandle kNoScHandle = 0;

constexpr uint32_t kScManagerAllAccess = 0xF003F;
constexpr uint32_t kServiceAllAccess = 0xF01FF;
constexpr uint32_t kServiceKernelDriver = 0x1;
constexpr uint32_t kServiceAutoStart = 0x2;
constexpr uint32_t kServiceErrorNormal = 0x1;
constexpr uint32_t kServiceControlStop = 0x1;

ScHandle openSCManager(const char* machine, const char* database, uint32_t access);
ScHandle createService(ScHandle manager, const char* name, const char* displayName, uint32_t access, uint32_t type,
                       uint32_t startType, uint32_t errorControl, const char* binaryPath, const char* loadOrderGroup,
                       const char* dependencies, const char* account, const char* password);
ScHandle openService(ScHandle manager, const char* name, uint32_t access);
bool startService(ScHandle service, uint32_t argumentCount, const char** arguments);
bool controlService(ScHandle service, uint32_t control);
bool deleteService(ScHandle service);
bool closeServiceHandle(ScHandle handle);

struct ServiceRecord {
    std::string name;
    std::string displayName;
    std::string binaryPath;
    uint32_t type = 0;
    uint32_t startType = 0;
    uint32_t errorControl = 0;
    bool running = false;
};

// Inspection and set-up for tests.
std::optional<ServiceRecord> findService(const std::string& name);
void addService(const ServiceRecord& record);
void removeAllServices();

}  // namespace vxf1394::platform
