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

/* The drive scan of tavovxfDriveScan, with what it did. Beyond removing songs that no longer load and rebuilding
 * the audio bitmap, the scan keeps every listed song's audio: a song listed twice keeps one listing, a listed song
 * whose slot was marked free is marked again, runs that reach outside the audio space are cut away, and a cluster
 * two songs claim is copied so that each keeps its own. When no free space is left for such copies the songs stay
 * as they were, the scan fails with VXF_ERR_DISK_FULL after doing everything else, and `unresolved` names them. */
typedef struct VxfxScanReport {
    uint32_t removedSongs;    /* songs whose records no longer load, taken out */
    uint32_t spaceKiB;        /* space whose free or used state was corrected */
    uint32_t droppedProjectEntries; /* project list entries naming no project slot, or a project named before */
    uint32_t extraListings;   /* listings of a song in a second list (or twice in one) removed */
    uint32_t relistedSongs;   /* listed songs whose slot was marked free, marked in use again */
    uint32_t repairedSongs;   /* songs whose runs reached outside the audio space, cut to it */
    uint32_t sharedClusters;  /* clusters claimed by a second song, or twice by one */
    uint32_t copiedClusters;  /* of them, copied so that each claimant has its own */
    char unresolved[512];     /* songs left sharing clusters, a line each; cut to fit */
} VxfxScanReport;
VXFSERVER_API int32_t vxfxDriveScan(uint32_t handle, VxfxScanReport* report);

/* How many times the projects list the handle's current song. More than one (a move cut short, a damaged list):
 * tavovxfSongDelete then only takes it out of the open project, and the other listing keeps it whole. */
VXFSERVER_API int32_t vxfxSongGetListingCount(uint32_t handle, uint16_t* count);

/* A read-only drive is never written, not one sector. A drive is read-only when its enumeration entry says so
 * ("|readonly"), when this program may not open its image or device for writing, or while a handle of this program
 * keeps it so (vxfxDriveKeepReadOnly). Listings, selections and track reads work on it, the selections' bookkeeping
 * (the last project and song opened) kept in memory only; every export that would change the drive (format,
 * upgrade, scan, remap with fix, names, create, delete, move, write protection, track writes) fails with
 * VXF_ERR_SONG_WRITE_PROTECTED before it reads anything. */
#define VXFX_READ_ONLY_ATTACHED 1u /* the enumeration, or the permissions of the image or device */
#define VXFX_READ_ONLY_KEPT 2u     /* a handle of this program keeps it read-only */

/* The reasons the handle's drive is read-only now, as VXFX_READ_ONLY_* bits; 0 when it may be written. Reads no
 * sector. */
VXFSERVER_API int32_t vxfxDriveIsReadOnly(uint32_t handle, uint32_t* reasons);

/* keep = 1: this program treats the handle's drive as read-only, whatever its attachment, until the same handle
 * asks keep = 0 or is closed; what the handle's hold left waiting is written first. keep = 0 ends only this
 * handle's keeping. */
VXFSERVER_API int32_t vxfxDriveKeepReadOnly(uint32_t handle, uint32_t keep);

/* Caller samples of a track (from the song's start, last one included) that a salvaging read gave as silence. */
typedef struct VxfxSilence {
    uint32_t firstSample;
    uint32_t lastSample;
} VxfxSilence;

/* tavovxfTrackRead of one track, salvaging what a failing drive still holds: a track block the drive refuses whole
 * is read again sector by sector, and the samples of a sector that stays unreadable (with any sample whose bytes
 * reach into it) read as silence instead of failing the call. `silences` (capacity entries) receives those samples
 * in order, adjacent ones merged, and *silenceCount how many entries were filled; when more would be needed, the
 * last entry reaches to the end of the last silence. At 88.2 and 96 kHz an entry covers every sample between its
 * ends. Fails as tavovxfTrackRead does for anything but refused sectors, and with VXF_ERR_NO_COMMUNICATION when no
 * sector of a block could be read because the drive no longer answers. A read that meets no refusal costs what
 * tavovxfTrackRead costs. */
VXFSERVER_API int32_t vxfxTrackReadSalvage(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                           uint32_t* samplesRead, uint16_t bytesPerSample, uint16_t byteOrder,
                                           void* buffer, VxfxSilence* silences, uint32_t capacity,
                                           uint32_t* silenceCount);

#ifdef __cplusplus
}
#endif

#endif
