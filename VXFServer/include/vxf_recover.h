/* vxf_recover.h - songs a volume no longer reaches, after a format or a delete: found, read and made reachable again.
 * The conventions of vxfx.h: every call returns an error code of tavovxf.h and leaves it as the one last error. */
#ifndef VXFSERVER_VXF_RECOVER_H
#define VXFSERVER_VXF_RECOVER_H

#include <stdint.h>

#include "tavovxf.h"

#ifdef __cplusplus
extern "C" {
#endif

/* A format and a delete leave song records in their slots and audio in its clusters; only the song bitmap and the
 * project list stop naming them. A lost song is a record in a slot the song bitmap marks free whose information
 * and block-run blocks carry the slot's magic. Its state:
 *   intact: every cluster of its runs is free in the audio bitmap and claimed by no other song, live or lost;
 *   partly overwritten: some are not (in use now, or claimed by a second lost song as well);
 *   damaged record: both copies of a block fail their check, or its fields cannot be used (the reason says which).
 * A block whose one copy fails its check is read from the other; a restore rewrites the bad copy. */
#define VXFX_LOST_INTACT 0
#define VXFX_LOST_PARTLY_OVERWRITTEN 1
#define VXFX_LOST_DAMAGED 2

#define VXFX_LOST_TEXT_SIZE 160
/* The most lost songs and old projects a list can hold: one a song slot, one a project slot. */
#define VXFX_RECOVER_MAX_SONGS 9801
#define VXFX_RECOVER_MAX_PROJECTS 99

typedef struct VxfxLostSong {
    uint32_t slot;              /* song slot, from 0 */
    uint32_t state;             /* VXFX_LOST_* */
    char name[VXF_SHORT_NAME_SIZE];
    char extName[VXF_EXT_NAME_SIZE];
    uint16_t tracks;            /* caller tracks */
    uint16_t wordLength;
    uint32_t sampleRate;
    uint32_t length;            /* caller samples per track */
    uint32_t oldProjectSlot;    /* slot (from 0) of the old project record that names it; 0xFFFFFFFF none */
    uint32_t oldPosition;       /* its index in that record's list */
    char oldProjectName[VXF_SHORT_NAME_SIZE];
    char oldProjectExtName[VXF_EXT_NAME_SIZE];
    uint32_t clusters;          /* clusters its runs claim */
    uint32_t overwrittenClusters;
    uint32_t overwrittenSamples; /* caller samples per track that lie in overwritten clusters */
    uint32_t repairedCopies;    /* blocks read from their mirror copy or first copy alone */
    char detail[VXFX_LOST_TEXT_SIZE]; /* overwritten: the clusters ("812-815, 900"); damaged: why; cut to fit */
} VxfxLostSong;

typedef struct VxfxLostProject {
    uint32_t slot;              /* project slot, from 0 */
    char name[VXF_SHORT_NAME_SIZE];
    char extName[VXF_EXT_NAME_SIZE];
    uint32_t songs;             /* songs its record names */
    uint32_t lostSongs;         /* of them, songs whose slot is free */
} VxfxLostProject;

/* Every lost song of the handle's drive, sorted by old project (slot order; songs no old project names last) and
 * position, into songs[0..capacity); *count is how many there are (it may exceed capacity). Reads both copies of
 * all song slots and project slots and writes nothing. */
VXFSERVER_API int32_t vxfxRecoverListSongs(uint32_t handle, VxfxLostSong* songs, uint32_t capacity, uint32_t* count);

/* The old project records, in project slots the project list does not name, that still name songs. Reads only the
 * project slots. */
VXFSERVER_API int32_t vxfxRecoverListProjects(uint32_t handle, VxfxLostProject* projects, uint32_t capacity,
                                              uint32_t* count);

/* Makes the lost song in `slot` the one the two reads below read (damaged records are refused with
 * VXF_ERR_SONG_CORRUPT); the volume's current song and projects stay as they are. Writes nothing. */
VXFSERVER_API int32_t vxfxRecoverOpenSong(uint32_t handle, uint32_t slot);

/* tavovxfTrackRead and tavovxfTrackReadAll on the song vxfxRecoverOpenSong opened: overwritten clusters read as
 * silence. No project need be open. */
VXFSERVER_API int32_t vxfxRecoverTrackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count,
                                           uint32_t* samplesRead, uint16_t bytesPerSample, uint16_t byteOrder,
                                           void* buffer);
VXFSERVER_API int32_t vxfxRecoverTrackReadAll(uint32_t handle, uint32_t offset, uint32_t count,
                                              uint32_t* samplesRead, uint16_t bytesPerSample, uint16_t byteOrder,
                                              void** buffers);
VXFSERVER_API int32_t vxfxRecoverTrackOptimalTransferSize(uint32_t handle, uint32_t* size);

/* Restore flags. PARTIAL: a partly overwritten song is restored without its overwritten clusters (dropped from its
 * runs, its length cut to the audio left). */
#define VXFX_RESTORE_PARTIAL 0x1u

/* What became of one song of a restore. */
#define VXFX_RESTORED 0
#define VXFX_RESTORE_REFUSED_OVERWRITTEN 1 /* partly overwritten and no VXFX_RESTORE_PARTIAL */
#define VXFX_RESTORE_REFUSED_DAMAGED 2
#define VXFX_RESTORE_NOT_LOST 3            /* no lost song in that slot */
#define VXFX_RESTORE_FAILED 4              /* `error` says why; the songs after it were not tried */

typedef struct VxfxRestoreOutcome {
    uint32_t slot;
    uint32_t result;            /* VXFX_RESTORE_* */
    int32_t error;              /* VXF_OK, or the error of a failed restore */
    uint32_t projectSlot;       /* slot (from 0) of the project that now lists it */
    uint32_t recreatedProject;  /* 1: its old project was recreated for it */
    uint32_t droppedClusters;   /* a partial restore: clusters left out */
    uint32_t length;            /* caller samples per track, after any cut */
} VxfxRestoreOutcome;

/* Makes the lost songs in slots[0..count) reachable again, in that order: their song-slot bits and clusters are set
 * and they are listed in their old project when its slot is free (recreated with its old names), else in the
 * listed project at index `projectIndex` (from 0; 0xFFFF for none), else in a project "Recovered" (made when there
 * is none). outcomes[i] tells of slots[i]. Every write keeps both copies and the order of the volume's writes; the
 * call fails with the first failed write's error. */
VXFSERVER_API int32_t vxfxRecoverRestore(uint32_t handle, const uint32_t* slots, uint32_t count, uint16_t projectIndex,
                                         uint32_t flags, VxfxRestoreOutcome* outcomes);

#ifdef __cplusplus
}
#endif

#endif
