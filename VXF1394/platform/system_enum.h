// system_enum.h - the disk enumeration as the drive layer sees it: the file's values, then the machine's whole disks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "disk_enumeration.h"
#include "platform/host_disks.h"

namespace vxf1394::diskenum {

// A disk of the machine that is no recorder drive keeps its index under this prefix.
constexpr std::string_view kOtherDiskPrefix = "DISK\\";
// "ExternalDisks=1" in the file lists USB and removable disks as recorder drives too.
constexpr std::string_view kExternalDisksName = "ExternalDisks";

struct Lookup {
    ReadStatus status = ReadStatus::missing;  // of the enumeration file
    int error = 0;
    std::optional<std::string> data;  // absent: no such value
};

// One value. The file's values stand as written, except that "Count" adds
// the machine's whole disks, whose values follow the file's own: the disk
// at position k (by name) is value "Count of the file + k". The file is
// read again only when it may have changed.
Lookup lookupValue(std::string_view name);

// recorderDriveAt (disk_enumeration.h) reads the values as lookupValue finds them.

// Drives that live in this process and no file names: a test's memory drives,
// whose entries have no path. While any is attached the enumeration is these
// alone ("Count" one past the highest index, no other values): neither the
// file nor the machine's disks are looked at, so what runs on memory drives
// never depends on the machine it runs on, and no request touches the disk.
void attachInProcessDrive(uint32_t deviceIndex, const DriveEntry& identity);
void detachInProcessDrive(uint32_t deviceIndex);
void detachAllInProcessDrives();
// Whether any is attached now; asks without a lock.
bool inProcessDrivesAttached();

// The survey of the machine's disks is kept between lookups while the
// drive layer hears of their changes (disks coming and going, mounts,
// swap) and says so; it forgets the survey at each such change.
void setHostSurveyWatched(bool watched);
void forgetHostSurvey();

// The file's state alone (ok, missing or failed with errno), read as lookupValue reads it.
ReadStatus enumerationFileStatus(int& error);

// Every value, in the same terms, for the key's information.
Enumeration readSystemEnumeration();

// A disk's value: a recorder drive ("SBP2\" and its node) when it is an
// SBP-2 disk, or an external one and externalDisks is set; never when it
// holds something the machine uses or has no medium.
std::string diskValue(const HostDisk& disk, bool externalDisks);

}  // namespace vxf1394::diskenum
