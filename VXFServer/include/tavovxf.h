/* tavovxf.h - the file-system server of recorder drives (VXFServer). Plain C interface. */
#ifndef VXFSERVER_TAVOVXF_H
#define VXFSERVER_TAVOVXF_H

#include <stdint.h>

#if defined(VXFSERVER_BUILDING)
#define VXFSERVER_API __attribute__((visibility("default")))
#else
#define VXFSERVER_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Every code the server reports, with the sentence tavovxfGetErrorString gives
 * for it. Codes that share a sentence differ only by number: the first of a
 * pair is the checksum failure of a structure, the second its magic-number
 * failure. Code 100 carries the first and last LBA of the refused read. */
#define VXF_ERROR_TABLE(X)                                                                                    \
    X(VXF_OK, 0, "There is no error.")                                                                        \
    X(VXF_ERR_INVALID_COMMAND, 1, "Invalid command.")                                                         \
    X(VXF_ERR_INVALID_PARAMETER, 2, "Invalid input parameter.")                                               \
    X(VXF_ERR_ABORTED, 3, "The command has been aborted.")                                                    \
    X(VXF_ERR_NOT_SUPPORTED, 4, "The command is not supported.")                                              \
    X(VXF_ERR_OUT_OF_MEMORY, 5, "The VXF server is out of memory.")                                           \
    X(VXF_ERR_DRIVER_LOAD, 6, "Can't load IEEE-1394 Driver: ZEMDRVR.INF.")                                    \
    X(VXF_ERR_DISK_READ, 100, "Hard disk failed read command.\n\t%08x - %08x")                                \
    X(VXF_ERR_DISK_WRITE, 101, "Hard disk failed write command.")                                             \
    X(VXF_ERR_NOT_FORMATTED, 102, "Drive is not TAVO VXF formatted.")                                         \
    X(VXF_ERR_NO_COMMUNICATION, 103, "Cannot communicate with drive.")                                        \
    X(VXF_ERR_CANNOT_UNMOUNT, 104, "Cannot unmount drive.")                                                   \
    X(VXF_ERR_FS_NOT_STARTED, 200, "The file system is not started.")                                         \
    X(VXF_ERR_SUPER_CORRUPT, 201, "The file system has a corrupt Super Block.")                               \
    X(VXF_ERR_SUPER_CORRUPT2, 202, "The file system has a corrupt Super Block.")                              \
    X(VXF_ERR_FS_INVALID, 203, "The file system is NOT a valid TAVO VXF file system.")                        \
    X(VXF_ERR_FS_VERSION, 204, "The file system is an unsupported TAVO VXF version.")                         \
    X(VXF_ERR_DRIVE_LOCKED, 205, "Drive is locked and being used by another application.")                    \
    X(VXF_ERR_BAD_DRIVE_HANDLE, 206, "Invalid drive handle.")                                                 \
    X(VXF_ERR_LARGE_DRIVE, 207, "Hardware is incompatible with large drives of this file system.")            \
    X(VXF_ERR_UPGRADE_INVALID, 208, "Invalid File System for upgrading drive.")                               \
    X(VXF_ERR_PLIST_CORRUPT, 250, "The Project List is corrupt.")                                             \
    X(VXF_ERR_PLIST_CORRUPT2, 251, "The Project List is corrupt.")                                            \
    X(VXF_ERR_PLIST_EMPTY, 252, "The Project List is empty.")                                                 \
    X(VXF_ERR_PLIST_FULL, 253, "The Project List is full.")                                                   \
    X(VXF_ERR_PLIST_LOCKED, 254, "The Project List is locked and being used by another application.")        \
    X(VXF_ERR_PLIST_LAST_PROJECT, 255, "The Project List must contain at least one project.")                 \
    X(VXF_ERR_SBITMAP_CORRUPT, 300, "The Song Bitmap is corrupt.")                                            \
    X(VXF_ERR_SBITMAP_CORRUPT2, 301, "The Song Bitmap is corrupt.")                                           \
    X(VXF_ERR_SBITMAP_LOCKED, 302, "The Song Bitmap is locked and being used by another application.")       \
    X(VXF_ERR_ABITMAP_CORRUPT, 350, "The Audio Bitmap is corrupt.")                                           \
    X(VXF_ERR_ABITMAP_CORRUPT2, 351, "The Audio Bitmap is corrupt.")                                          \
    X(VXF_ERR_ABITMAP_LOCKED, 352, "The Audio Bitmap is locked and being used by another application.")      \
    X(VXF_ERR_PROJECT_CORRUPT, 400, "The project is corrupt.")                                                \
    X(VXF_ERR_PROJECT_CORRUPT2, 401, "The project is corrupt.")                                               \
    X(VXF_ERR_PROJECT_OPEN_FAILED, 402, "The project failed to open.")                                        \
    X(VXF_ERR_NO_PROJECT_OPEN, 403, "There is no project open.")                                              \
    X(VXF_ERR_PROJECT_EMPTY, 404, "The project is empty.")                                                    \
    X(VXF_ERR_PROJECT_FULL, 405, "The project is full.")                                                      \
    X(VXF_ERR_PROJECT_LOCKED, 406, "The project is locked and being used by another application.")           \
    X(VXF_ERR_SONG_CORRUPT, 450, "The song is corrupt.")                                                      \
    X(VXF_ERR_SONG_CORRUPT2, 451, "The song is corrupt.")                                                     \
    X(VXF_ERR_SONG_ALREADY_OPEN, 452, "The song is already open.")                                            \
    X(VXF_ERR_SONG_OPEN_FAILED, 453, "The song failed to open.")                                              \
    X(VXF_ERR_SONG_LIST_FULL, 454, "The song list is full.")                                                  \
    X(VXF_ERR_NO_SONG, 455, "The is no song.")                                                                \
    X(VXF_ERR_NO_SONG_AVAILABLE, 456, "There is no song available.")                                          \
    X(VXF_ERR_SONG_LOCKED, 457, "The song is locked and being used by another application.")                 \
    X(VXF_ERR_SONG_WRITE_PROTECTED, 458, "The song is write protected.")                                      \
    X(VXF_ERR_SONGINFO_CORRUPT, 500, "The song information is corrupt.")                                      \
    X(VXF_ERR_SONGINFO_CORRUPT2, 501, "The song information is corrupt.")                                     \
    X(VXF_ERR_END_OF_SONG, 502, "The end of song has been reached.")                                          \
    X(VXF_ERR_UNEXPECTED_END_OF_SONG, 503, "There is an unexpected end of song.")                             \
    X(VXF_ERR_SONG_FRAGMENTED, 504, "The song is too fragmented.")                                            \
    X(VXF_ERR_DISK_FULL, 505, "The hard disk is full.")                                                       \
    X(VXF_ERR_SONG_FRAGMENTED2, 506, "The song is too fragmented.")                                           \
    X(VXF_ERR_NO_PRIMARY_SONG, 507, "There is no primary song set.")                                          \
    X(VXF_ERR_INTEGRITY_TEST, 550, "The hard disk failed the read-write integrity test.")                     \
    X(VXF_ERR_NOT_ENOUGH_SPACE, 551, "There is not enough space available in the hard disk.")                 \
    X(VXF_ERR_NO_EDIT_ENTRIES, 600, "There are no edit entries available.")                                   \
    X(VXF_ERR_EDIT_BUFFER_FULL, 601, "There is not enough space in hard disk edit buffer.")                   \
    X(VXF_ERR_SAMPLE_RATE_MISMATCH, 602, "The songs have incompatible sample rates.")                         \
    X(VXF_ERR_INVALID_SAMPLE_OFFSET, 610, "Invalid sample offset.")

/* The sentence for a code outside the table. */
#define VXF_INVALID_ERROR_CODE_MESSAGE "INVALID ERROR CODE."

/* A caller's buffer for tavovxfGetErrorString holds at least this many characters. */
#define VXF_ERROR_STRING_SIZE 66

enum VxfErrorCode {
#define VXF_ERROR_ENUMERATOR(name, value, message) name = value,
    VXF_ERROR_TABLE(VXF_ERROR_ENUMERATOR)
#undef VXF_ERROR_ENUMERATOR
};

/* Sizes of the caller's text buffers, terminator included. */
#define VXF_SHORT_NAME_SIZE 11
#define VXF_EXT_NAME_SIZE 65
#define VXF_DESCRIPTION_SIZE 25
#define VXF_VERSION_SIZE 6

/* Track arrays of tavovxfTrackReadAll and tavovxfTrackWriteAll have this many entries. */
#define VXF_MAX_TRACKS 24

/* Posted (wParam 0, lParam 0) to the registered window when the set of attached
 * drives may have changed. */
#define WM_VXF_DRIVES_CHANGED 2024

/* The caller's window: the server posts a message by calling post() from the
 * drive watcher's thread, so post() must only queue the message for the
 * window's own thread. The caller owns the object. */
typedef struct vxf_window {
    void (*post)(struct vxf_window* window, uint32_t msg, uintptr_t wparam, intptr_t lparam);
} *HWND;

/* Miscellaneous. */
VXFSERVER_API int32_t tavovxfSetHWND(HWND window);
VXFSERVER_API int32_t tavovxfGetErrorString(char* buffer);

/* Drive family. */
VXFSERVER_API int32_t tavovxfDriveGetNum(uint16_t* count);
VXFSERVER_API int32_t tavovxfDriveOpen(uint16_t index, uint32_t* handle);
VXFSERVER_API int32_t tavovxfDriveClose(uint32_t handle);
VXFSERVER_API int32_t tavovxfDriveUnmount(uint32_t handle);
VXFSERVER_API int32_t tavovxfDriveIsFormatted(uint32_t handle, uint32_t* formatted);
VXFSERVER_API int32_t tavovxfDriveGetSize(uint32_t handle, uint32_t* size);
VXFSERVER_API int32_t tavovxfDriveGetInfo(uint32_t handle, char* description, uint32_t* size);
VXFSERVER_API int32_t tavovxfDriveNumLBAs(uint32_t handle, uint32_t* count);
VXFSERVER_API int32_t tavovxfDriveGetFSVersion(uint32_t handle, char* version);
VXFSERVER_API int32_t tavovxfDriveGetFreeSpace(uint32_t handle, uint32_t* space);
VXFSERVER_API int32_t tavovxfDriveGetName(uint32_t handle, char* name);
VXFSERVER_API int32_t tavovxfDriveSetName(uint32_t handle, const char* name);
VXFSERVER_API int32_t tavovxfDriveGetExtName(uint32_t handle, char* name);
VXFSERVER_API int32_t tavovxfDriveSetExtName(uint32_t handle, const char* name);
VXFSERVER_API int32_t tavovxfDriveFormat(uint32_t handle);
VXFSERVER_API int32_t tavovxfDriveUpgrade(uint32_t handle);
VXFSERVER_API int32_t tavovxfDriveScan(uint32_t handle);
VXFSERVER_API int32_t tavovxfDriveRemap(uint32_t handle, uint32_t firstLba, uint16_t count, uint8_t fix,
                                        uint16_t* failedReads, uint16_t* rewritten);
VXFSERVER_API int32_t tavovxfExtractFileSystem(uint32_t handle);

/* Project family. */
VXFSERVER_API int32_t tavovxfProjectGetNum(uint32_t handle, uint16_t* count);
VXFSERVER_API int32_t tavovxfProjectCreate(uint32_t handle);
VXFSERVER_API int32_t tavovxfProjectGetLastPrimary(uint32_t handle, uint16_t* index);
VXFSERVER_API int32_t tavovxfProjectSetPrimary(uint32_t handle, uint16_t index);
VXFSERVER_API int32_t tavovxfProjectDelete(uint32_t handle);
VXFSERVER_API int32_t tavovxfProjectGetName(uint32_t handle, char* name);
VXFSERVER_API int32_t tavovxfProjectSetName(uint32_t handle, const char* name);
VXFSERVER_API int32_t tavovxfProjectGetExtName(uint32_t handle, char* name);
VXFSERVER_API int32_t tavovxfProjectSetExtName(uint32_t handle, const char* name);
VXFSERVER_API int32_t tavovxfProjectMove(uint32_t handle, uint16_t index);

/* Song family. */
VXFSERVER_API int32_t tavovxfSongGetNum(uint32_t handle, uint16_t* count);
VXFSERVER_API int32_t tavovxfSongCreate(uint32_t handle, uint16_t tracks, uint32_t sampleRate, uint8_t wordLength);
VXFSERVER_API int32_t tavovxfSongGetLastPrimary(uint32_t handle, uint16_t* index);
VXFSERVER_API int32_t tavovxfSongSetPrimary(uint32_t handle, uint16_t index);
VXFSERVER_API int32_t tavovxfSongDelete(uint32_t handle);
VXFSERVER_API int32_t tavovxfSongGetName(uint32_t handle, char* name);
VXFSERVER_API int32_t tavovxfSongSetName(uint32_t handle, const char* name);
VXFSERVER_API int32_t tavovxfSongGetExtName(uint32_t handle, char* name);
VXFSERVER_API int32_t tavovxfSongSetExtName(uint32_t handle, const char* name);
VXFSERVER_API int32_t tavovxfSongGetSampleRate(uint32_t handle, uint32_t* sampleRate);
VXFSERVER_API int32_t tavovxfSongGetWordLength(uint32_t handle, uint16_t* bits);
VXFSERVER_API int32_t tavovxfSongIsWriteProtect(uint32_t handle, uint32_t* flag);
VXFSERVER_API int32_t tavovxfSongSetWriteProtect(uint32_t handle, uint32_t flag);
VXFSERVER_API int32_t tavovxfSongGetLength(uint32_t handle, uint32_t* samples);
VXFSERVER_API int32_t tavovxfSongGetAllocatedSize(uint32_t handle, uint32_t* size);
VXFSERVER_API int32_t tavovxfSongMoveWithin(uint32_t handle, uint16_t index);
VXFSERVER_API int32_t tavovxfSongMoveOut(uint32_t handle, uint16_t projectIndex, uint16_t position);

/* Track family. Buffers hold count x bytesPerSample bytes; the arrays of the
 * -All calls hold VXF_MAX_TRACKS addresses indexed by track, null skips a track. */
VXFSERVER_API int32_t tavovxfTrackGetNum(uint32_t handle, uint16_t* count);
VXFSERVER_API int32_t tavovxfTrackOptimalTransferSize(uint32_t handle, uint32_t* size);
VXFSERVER_API int32_t tavovxfTrackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                       uint32_t* samplesRead, uint16_t bytesPerSample, uint16_t byteOrder,
                                       void* buffer);
VXFSERVER_API int32_t tavovxfTrackReadAll(uint32_t handle, uint32_t offset, uint32_t count, uint32_t* samplesRead,
                                          uint16_t bytesPerSample, uint16_t byteOrder, void* const* buffers);
VXFSERVER_API int32_t tavovxfTrackWrite(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                        uint16_t bytesPerSample, uint16_t byteOrder, const void* source);
VXFSERVER_API int32_t tavovxfTrackWriteAll(uint32_t handle, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                                           uint16_t byteOrder, const void* const* sources);

#ifdef __cplusplus
}
#endif

#endif
