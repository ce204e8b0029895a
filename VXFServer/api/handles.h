// handles.h - drive handles: the open-drive slots, selection of a handle's drive, project and song.
#pragma once

#include <cstdint>


namespace vxfserver {

// Counts the attached drives (the count Open checks its index against).
uint16_t countDrives();

bool openDrive(uint16_t index, uint32_t& handle);
bool closeDrive(uint32_t handle);
bool unmountDrive(uint32_t handle);

// Makes the handle's drive, project and song current, mounting and
// re-reading only what differs from what is loaded.
bool selectDrive(uint32_t handle);

// Makes the handle's drive current without reading its file system; every
// failure is VXF_ERR_INVALID_PARAMETER. Whatever was mounted is forgotten
// first. `formerSectorCount` receives the sector count that was in force for
// this same drive before (a "1.00 " volume keeps its copies at the capped
// end), or the full count when the drive was not the current one.
bool selectDriveWithoutMount(uint32_t handle, uint32_t* formerSectorCount = nullptr);

bool handleIsLocked(uint32_t handle);
// Engages or releases a handle's lock flag (no operation of the server does).
bool setHandleLock(uint32_t handle, uint32_t locked);

// Reads the drive list and the drive's information: the description and the
// sector counts; the drive becomes the current drive id.
bool readDriveInformation(uint32_t driveId);

}  // namespace vxfserver
