// registry.cpp - the disk enumeration key: the enumeration file and the machine's disks, looked at afresh on every query.
#include "platform/registry.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/change_watch.h"
#include "disk_enumeration.h"
#include "platform/system_enum.h"
#include "platform/event.h"
#include "platform/handle_table.h"
#include "platform/last_error.h"
#include "platform/test_hooks.h"

namespace vxf1394::platform {

namespace {

struct OpenKey {
    std::shared_ptr<ChangeWatch> watch = std::make_shared<ChangeWatch>();
};

// Never destroyed: the watcher may still close its key while the process exits.
HandleTable<OpenKey>& keys() {
    static auto* table = new HandleTable<OpenKey>;
    return *table;
}

uint32_t errorOfFailedRead(int error) {
    return (error == EACCES || error == EPERM) ? kErrorAccessDenied : kErrorInvalidData;
}

// Every value of the key, for its information.
struct KeyContents {
    uint32_t error = kErrorSuccess;
    diskenum::Enumeration enumeration;
};

KeyContents readKey(RegKey key) {
    KeyContents contents;
    if (!keys().find(key)) {
        contents.error = kErrorInvalidHandle;
        return contents;
    }
    contents.enumeration = diskenum::readSystemEnumeration();
    if (contents.enumeration.status == diskenum::ReadStatus::failed) {
        contents.error = errorOfFailedRead(contents.enumeration.error);
    }
    return contents;
}

bool isCountName(const char* name) { return ::strcasecmp(name, "Count") == 0; }

struct TypedData {
    uint32_t type = kRegSz;
    std::string bytes;
};

TypedData typedValue(const diskenum::Value& value) {
    if (isCountName(value.name.c_str())) {
        if (std::optional<uint32_t> count = diskenum::parseCount(value.data)) {
            uint8_t le[4] = {static_cast<uint8_t>(*count), static_cast<uint8_t>(*count >> 8),
                             static_cast<uint8_t>(*count >> 16), static_cast<uint8_t>(*count >> 24)};
            return TypedData{kRegDword, std::string(reinterpret_cast<const char*>(le), sizeof le)};
        }
    }
    return TypedData{kRegSz, value.data + '\0'};
}

}  // namespace

uint32_t regOpenKey(RootKey root, const char* subKey, uint32_t /*access*/, RegKey* key) {
    if (!key || !subKey) return kErrorInvalidParameter;
    *key = kNoKey;
    if (root != RootKey::localMachine || ::strcasecmp(subKey, kDiskEnumKeyPath) != 0) return kErrorFileNotFound;
    int error = 0;
    if (diskenum::enumerationFileStatus(error) == diskenum::ReadStatus::failed) return errorOfFailedRead(error);
    *key = keys().add(std::make_shared<OpenKey>());
    return kErrorSuccess;
}

uint32_t regCloseKey(RegKey key) { return keys().remove(key) ? kErrorSuccess : kErrorInvalidHandle; }

uint32_t regQueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
    if (!name || (data && !size)) return kErrorInvalidParameter;
    if (!keys().find(key)) return kErrorInvalidHandle;
    diskenum::Lookup found = diskenum::lookupValue(name);
    if (found.status == diskenum::ReadStatus::failed) return errorOfFailedRead(found.error);
    if (!found.data) return kErrorFileNotFound;
    TypedData value = typedValue(diskenum::Value{name, *found.data});
    if (type) *type = value.type;
    if (!size) return kErrorSuccess;
    uint32_t needed = static_cast<uint32_t>(value.bytes.size());
    uint32_t room = *size;
    *size = needed;
    if (!data) return kErrorSuccess;
    if (room < needed) return kErrorMoreData;
    std::memcpy(data, value.bytes.data(), needed);
    return kErrorSuccess;
}

uint32_t regQueryMaxValueDataLength(RegKey key, uint32_t* length) {
    if (!length) return kErrorInvalidParameter;
    KeyContents contents = readKey(key);
    if (contents.error != kErrorSuccess) return contents.error;
    size_t longest = 0;
    for (const diskenum::Value& v : contents.enumeration.values) longest = std::max(longest, typedValue(v).bytes.size());
    *length = static_cast<uint32_t>(longest);
    return kErrorSuccess;
}

uint32_t regNotifyChangeKeyValue(RegKey key, bool /*watchSubtree*/, uint32_t /*filter*/, Event& event) {
    std::shared_ptr<OpenKey> open = keys().find(key);
    if (!open) return kErrorInvalidHandle;
    if (!open->watch->watch(diskenum::enumerationFilePath())) return kErrorFileNotFound;
    event.armChangeNotification(open->watch);
    hooks::countChangeNotificationRequest();
    return kErrorSuccess;
}

}  // namespace vxf1394::platform
