/* vxfx.h - what VXFServer offers beside the tavovxf exports. Plain C interface with their conventions: every
 * call returns an error code of tavovxf.h and leaves it as the one last error; handles come from tavovxfDriveOpen. */
#ifndef VXFSERVER_VXFX_H
#define VXFSERVER_VXFX_H

#include <stdint.h>

#include "tavovxf.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Several programs may work on one drive. Each export keeps the others out of the drive while it runs, waiting a
 * moment for one that is busy with it and failing with VXF_ERR_DRIVE_LOCKED when it stays busy; a program that
 * holds an old view of the drive reads it afresh when another one changed it. A hold keeps the others out across
 * many exports, so that a listing, an export or an import sees one state of the drive from start to end. */

/* What a holder does with the drive, as the refusal another program gets names it. */
#define VXFX_PURPOSE_READ 0
#define VXFX_PURPOSE_CHANGE 1

/* Longest text vxfxGetInUseText gives, with its terminator. */
#define VXFX_IN_USE_TEXT_SIZE 192

/* Holds the handle's drive until vxfxDriveRelease or tavovxfDriveClose, waiting up to waitMilliseconds for another
 * program to finish with it; VXF_ERR_DRIVE_LOCKED when it does not. Holding it again does nothing. */
VXFSERVER_API int32_t vxfxDriveHold(uint32_t handle, uint32_t purpose, uint32_t waitMilliseconds);
VXFSERVER_API int32_t vxfxDriveRelease(uint32_t handle);

/* The changes every program has made to the handle's drive so far (a number that only grows; compare it with an
 * earlier one), and busy = 1 when another program keeps the drive now. Reads no sector; for a display that follows
 * the drive while others change it. */
VXFSERVER_API int32_t vxfxDriveGetChangeCount(uint32_t handle, uint64_t* count, uint32_t* busy);

/* After VXF_ERR_DRIVE_LOCKED: which drive is in use and by whom, e.g. "drive 1 (studio-a.img) is being changed by
 * vxf (pid 4242); try again when it has finished". Empty when the latest refusal was not for another program.
 * The text is cut to size - 1 characters; the last error is left alone. */
VXFSERVER_API int32_t vxfxGetInUseText(char* buffer, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif
