/* vxf_layout.h - where a volume keeps what matters most, so that a capture of a failing drive reads that first.
 * Read only. The conventions of vxfx.h: every call returns an error code of tavovxf.h and leaves it as the one last
 * error; the handle's drive is mounted first. */
#ifndef VXFSERVER_VXF_LAYOUT_H
#define VXFSERVER_VXF_LAYOUT_H

#include <stdint.h>

#include "tavovxf.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Kinds of area. */
#define VXFX_AREA_SYSTEM 0       /* system records: super block, project list, bitmaps, project and song record slots */
#define VXFX_AREA_MIRROR 1       /* the mirror copies of an area of system records */
#define VXFX_AREA_SONG 2         /* a block run of a song the project list reaches */
#define VXFX_AREA_LOST_SONG 3    /* a block run of a song a format or a delete left (vxf_recover.h) */

/* The records of an area of system records. */
#define VXFX_RECORDS_SUPER_BLOCK 0
#define VXFX_RECORDS_PROJECT_LIST 1
#define VXFX_RECORDS_SONG_BITMAP 2
#define VXFX_RECORDS_AUDIO_BITMAP 3
#define VXFX_RECORDS_PROJECTS 4
#define VXFX_RECORDS_SONGS 5

typedef struct VxfxArea {
    uint32_t kind;    /* VXFX_AREA_* */
    uint32_t owner;   /* system and mirror: VXFX_RECORDS_*; song: project index (from 0) * 65536 + song index;
                         lost song: its song slot */
    uint32_t first;   /* first sector */
    uint32_t count;   /* sectors */
} VxfxArea;

/* The areas in the order of their worth: every area of system records, each followed by its mirror copy; then each
 * song's block runs in song order, project by project and song by song as the lists order them; then the runs of the
 * lost songs. A song whose record cannot be read is passed over (its record lies in the system area); an area that
 * would reach past the drive's last sector is cut there. `count` is how many areas there are; the first `capacity`
 * of them are filled (capacity 0 and a null `areas` ask only for the count). Reads only: a bad copy of a record is
 * read from its mirror and never rewritten. */
VXFSERVER_API int32_t vxfxDriveGetAreas(uint32_t handle, VxfxArea* areas, uint32_t capacity, uint32_t* count);

/* What one sector holds. */
#define VXFX_AREA_UNUSED 4       /* none of the above: free clusters, edit space, beyond the volume */

typedef struct VxfxSectorUse {
    uint32_t sector;      /* the sector asked about */
    uint32_t kind;        /* VXFX_AREA_* */
    uint32_t owner;       /* as VxfxArea */
    uint32_t index;       /* system and mirror: the record's slot among its kind (0 for the single records);
                             song and lost song: the caller track (from 0) */
    uint32_t other;       /* system and mirror: the sector of the other copy; songs: the sample rate */
    uint32_t firstSample; /* songs: the caller samples of the track the sector holds a byte of, */
    uint32_t lastSample;  /* from the song's start; a sector past the song's end holds none (first > last) */
    char song[VXF_EXT_NAME_SIZE]; /* songs: the song's name as the volume shows it */
} VxfxSectorUse;

/* For each of `count` sectors, what it holds, into `uses` (as many entries). Reads as vxfxDriveGetAreas does. */
VXFSERVER_API int32_t vxfxDriveGetSectorUses(uint32_t handle, const uint32_t* sectors, uint32_t count,
                                             VxfxSectorUse* uses);

#ifdef __cplusplus
}
#endif

#endif
