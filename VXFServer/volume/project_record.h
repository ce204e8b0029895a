// project_record.h - project records: a project's names and its ordered list of song handles.
#pragma once


#include "core/records.h"

#include <cstdint>

namespace vxfserver {


void encodeProjectRecord(ProjectRecord& record, uint8_t* sector);
// Answers the check error (0 when the sector is a sound record of `handle`).
int32_t decodeProjectRecord(const uint8_t* sector, uint32_t handle, ProjectRecord& record);

// --- the open project of the mounted volume ---

// A fresh record for `handle`, which becomes the open project's handle.
void initProjectRecord(uint32_t handle);
bool loadProjectRecord(uint32_t handle);
// Whether a project's record failed its checks (rather than a read failing).
bool isCorruptProjectError(int32_t code);
// Reads a project's record, with repair, without opening it.
bool readProjectRecord(uint32_t handle, ProjectRecord& out);
bool writeProjectRecord();
bool projectHandleInRange(uint32_t handle);
// Opens a project for the drive's maintenance: its record is loaded and it
// becomes the open project, while the primary project, the handle's
// remembered project and the drive stay as they are (nothing is written).
bool visitProject(uint32_t handle);

bool getProjectName(char* out);     // 11 bytes
bool getProjectExtName(char* out);  // 65 bytes
bool setProjectName(const char* text);
bool setProjectExtName(const char* text);

bool songCount(uint32_t& count);
uint32_t songHandleAt(uint32_t index);  // 0 when not below the count
uint32_t indexOfSong(uint32_t handle);  // 0 when absent
bool indexOfCurrentSong(uint32_t& index);
bool primarySongIndex(uint32_t& index);
bool setLastSongHandle(uint32_t handle);
bool insertSong(uint32_t handle, uint32_t position);
bool removeSong(uint32_t handle);
bool moveSongWithin(uint32_t from, uint32_t to);

// Mounted volume and open project, or the error that says which is missing.
bool requireOpenProject();

}  // namespace vxfserver
