// project_list.h - the project list sector: drive names, the ordered project handles, the primary project.
#pragma once

#include "core/records.h"

#include <cstdint>

namespace vxfserver {


void encodeProjectList(ProjectList& list, uint8_t* sector);
// Answers the check error (0 when the sector is a sound project list of `lba`).
int32_t decodeProjectList(const uint8_t* sector, uint32_t lba, ProjectList& list);

// --- the project list of the mounted volume ---

void initProjectList(uint32_t lba);
bool loadProjectList();
bool writeProjectList();

bool getDriveName(char* out);     // 11 bytes
bool getDriveExtName(char* out);  // 65 bytes
bool setDriveName(const char* text);
bool setDriveExtName(const char* text);

bool projectCount(uint16_t& count);
uint32_t projectHandleAt(uint32_t index);  // 0 when not below the count
uint16_t indexOfProject(uint32_t handle);  // 0 when not listed
bool indexOfOpenProject(uint16_t& index);
bool projectListed(uint32_t handle);
bool insertProject(uint32_t handle, uint32_t position);
bool removeProject(uint32_t handle);
bool moveProject(uint32_t from, uint32_t to);
bool createProject();
// Opens a listed project: its record is loaded, and the list remembers it
// as the last project opened.
bool openProject(uint32_t handle);
bool lastPrimaryProjectIndex(uint16_t& index);

}  // namespace vxfserver
