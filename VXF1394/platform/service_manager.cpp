// service_manager.cpp - the service control manager, emulated in process: services are records, starting one marks it running.
#include "platform/service_manager.h"

#include <map>
#include <mutex>

#include "platform/handle_table.h"
#include "platform/last_error.h"

namespace vxf1394::platform {

namespace {

struct ScObject {
    bool isManager = false;
    std::string serviceName;  // for a service handle
};

// Never destroyed: the library may stop its service while the process exits.
struct Manager {
    std::mutex mutex;
    std::map<std::string, ServiceRecord> services;
    HandleTable<ScObject> handles;
};

Manager& manager() {
    static Manager* m = new Manager;
    return *m;
}

std::shared_ptr<ScObject> handleOf(ScHandle handle, bool wantManager) {
    std::shared_ptr<ScObject> object = manager().handles.find(handle);
    if (!object || object->isManager != wantManager) {
        setLastError(kErrorInvalidHandle);
        return nullptr;
    }
    return object;
}

ScHandle newServiceHandle(const std::string& name) {
    return manager().handles.add(std::make_shared<ScObject>(ScObject{false, name}));
}

}  // namespace

ScHandle openSCManager(const char* /*machine*/, const char* /*database*/, uint32_t /*access*/) {
    return manager().handles.add(std::make_shared<ScObject>(ScObject{true, {}}));
}

ScHandle createService(ScHandle managerHandle, const char* name, const char* displayName, uint32_t /*access*/,
                       uint32_t type, uint32_t startType, uint32_t errorControl, const char* binaryPath,
                       const char* /*loadOrderGroup*/, const char* /*dependencies*/, const char* /*account*/,
                       const char* /*password*/) {
    if (!handleOf(managerHandle, true)) return kNoScHandle;
    if (!name || !*name || !binaryPath) {
        setLastError(kErrorInvalidParameter);
        return kNoScHandle;
    }
    Manager& m = manager();
    {
        std::lock_guard<std::mutex> guard(m.mutex);
        if (m.services.count(name)) {
            setLastError(kErrorServiceExists);
            return kNoScHandle;
        }
        m.services[name] = ServiceRecord{name, displayName ? displayName : name, binaryPath, type,
                                         startType, errorControl, false};
    }
    return newServiceHandle(name);
}

ScHandle openService(ScHandle managerHandle, const char* name, uint32_t /*access*/) {
    if (!handleOf(managerHandle, true)) return kNoScHandle;
    Manager& m = manager();
    {
        std::lock_guard<std::mutex> guard(m.mutex);
        if (!name || !m.services.count(name)) {
            setLastError(kErrorServiceDoesNotExist);
            return kNoScHandle;
        }
    }
    return newServiceHandle(name);
}

bool startService(ScHandle service, uint32_t /*argumentCount*/, const char** /*arguments*/) {
    std::shared_ptr<ScObject> object = handleOf(service, false);
    if (!object) return false;
    Manager& m = manager();
    std::lock_guard<std::mutex> guard(m.mutex);
    auto it = m.services.find(object->serviceName);
    if (it == m.services.end()) {
        setLastError(kErrorServiceDoesNotExist);
        return false;
    }
    it->second.running = true;
    return true;
}

bool controlService(ScHandle service, uint32_t control) {
    std::shared_ptr<ScObject> object = handleOf(service, false);
    if (!object) return false;
    if (control != kServiceControlStop) {
        setLastError(kErrorInvalidParameter);
        return false;
    }
    Manager& m = manager();
    std::lock_guard<std::mutex> guard(m.mutex);
    auto it = m.services.find(object->serviceName);
    if (it == m.services.end() || !it->second.running) {
        setLastError(it == m.services.end() ? kErrorServiceDoesNotExist : kErrorServiceNotActive);
        return false;
    }
    it->second.running = false;
    return true;
}

bool deleteService(ScHandle service) {
    std::shared_ptr<ScObject> object = handleOf(service, false);
    if (!object) return false;
    Manager& m = manager();
    std::lock_guard<std::mutex> guard(m.mutex);
    if (m.services.erase(object->serviceName) == 0) {
        setLastError(kErrorServiceDoesNotExist);
        return false;
    }
    return true;
}

bool closeServiceHandle(ScHandle handle) {
    if (manager().handles.remove(handle)) return true;
    setLastError(kErrorInvalidHandle);
    return false;
}

std::optional<ServiceRecord> findService(const std::string& name) {
    Manager& m = manager();
    std::lock_guard<std::mutex> guard(m.mutex);
    auto it = m.services.find(name);
    if (it == m.services.end()) return std::nullopt;
    return it->second;
}

void addService(const ServiceRecord& record) {
    Manager& m = manager();
    std::lock_guard<std::mutex> guard(m.mutex);
    m.services[record.name] = record;
}

void removeAllServices() {
    Manager& m = manager();
    std::lock_guard<std::mutex> guard(m.mutex);
    m.services.clear();
}

}  // namespace vxf1394::platform
