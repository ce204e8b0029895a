// registry.h - the disk enumeration key: the enumeration file and the machine's disks, looked at afresh on every query.
#pragma once

#include <cstdint>

namespace vxf1394::platform {

class Event;

using RegKey = uintptr_t;  // 0 is no key
constexpr RegKey kNoKey = 0;

enum class RootKey { localMachine };

constexpr const char* kDiskEnumKeyPath = "SYSTEM\\CurrentControlSet\\Services\\Disk\\Enum";
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegNotifyChangeLastSet = 0x4;

// Every call returns 0 or a system error number. Only the disk enumeration
// key exists; it opens even when its file is missing (an empty key).
uint32_t regOpenKey(RootKey root, const char* subKey, uint32_t access, RegKey* key);
uint32_t regCloseKey(RegKey key);

// "Count" is a DWORD when it is a whole number, every other value a string
// (its data with the closing NUL). With data null only the size is told;
// a buffer too small gives kErrorMoreData and the size needed.
uint32_t regQueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size);

// The length of the key's longest value data, as the key information tells it.
uint32_t regQueryMaxValueDataLength(RegKey key, uint32_t* length);

// Asks for the event to be signalled at the next change of the key's values.
uint32_t regNotifyChangeKeyValue(RegKey key, bool watchSubtree, uint32_t filter, Event& event);

}  // namespace vxf1394::platform
