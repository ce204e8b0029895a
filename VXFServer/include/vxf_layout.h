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

#ifdef __cplusplus
}
#endif

#endif
