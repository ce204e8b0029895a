/* vxf_song_metadata.h - what a song record holds beyond the tavovxf exports: locate points, loop, tempo map,
 * pitch and slip values. Read only. Same conventions as tavovxf.h: every call returns an error code and leaves it
 * as the one last error; the handle's drive, project and song are made current first; a handle with no current
 * song fails with VXF_ERR_NO_PRIMARY_SONG. Outputs are zeroed (texts emptied) when a call fails. */
#ifndef VXFSERVER_VXF_SONG_METADATA_H
#define VXFSERVER_VXF_SONG_METADATA_H

#include <stdint.h>

#include "tavovxf.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VXFX_LOCATE_COUNT 25
#define VXFX_TEMPO_COUNT 20
#define VXFX_SLIP_COUNT 24
/* A locate name: 8 characters and the terminator. */
#define VXFX_LOCATE_NAME_SIZE 9

/* Locate indices of the named points: 0 " START  ", 1..20 "LocNam01".."LocNam20", then these. */
#define VXFX_LOCATE_PUNCH_IN 21
#define VXFX_LOCATE_PUNCH_OUT 22
#define VXFX_LOCATE_EDIT_IN 23
#define VXFX_LOCATE_EDIT_OUT 24

/* Locate point `index` (0..24, else VXF_ERR_INVALID_PARAMETER): its position in samples as the song record keeps
 * it (not checked against the song's length; a point past the end is reported as it is) and its name, 8
 * characters padded with blanks, passed through the drive's name rule (never bytes of 0x80 and above). */
VXFSERVER_API int32_t vxfxSongGetLocate(uint32_t handle, uint16_t index, uint32_t* sample, char* name);

/* The locate indices the loop starts and ends at (1 and 2 in a new song). The loop itself runs from the sample
 * of locate `start` to that of locate `end`; an index above 24 names no point. */
VXFSERVER_API int32_t vxfxSongGetLoop(uint32_t handle, uint8_t* start, uint8_t* end);

/* The locate index the tempo map is anchored at (1 in a new song). */
VXFSERVER_API int32_t vxfxSongGetTempoMapLocate(uint32_t handle, uint8_t* locate);

/* Tempo map entry `index` (0..19): measure number, beat as numerator/denominator and the BPM value as stored.
 * Entry 0 of a new song is measure 0, 4/4, 120; entries that are all zero are unused. */
typedef struct VxfxTempoEntry {
    uint16_t measure;
    uint8_t beatNumerator;
    uint8_t beatDenominator;
    uint32_t bpm;
} VxfxTempoEntry;
VXFSERVER_API int32_t vxfxSongGetTempoEntry(uint32_t handle, uint16_t index, VxfxTempoEntry* entry);

/* The pitch value as stored (0 in a new song). Its meaning on the recorder is not known; it is carried as it is. */
VXFSERVER_API int32_t vxfxSongGetPitch(uint32_t handle, uint32_t* pitch);

/* The slip value of stored track `storedTrack` (0..23), signed, as stored; 0 in a new song. At 88.2 and 96 kHz a
 * caller track k (from 0) is stored as tracks 2k and 2k+1, so a caller track has two values. */
VXFSERVER_API int32_t vxfxSongGetSlip(uint32_t handle, uint16_t storedTrack, int32_t* slip);

/* Everything above in one call, for a program that writes it into files. */
typedef struct VxfxSongMetadata {
    uint32_t locateSample[VXFX_LOCATE_COUNT];
    char locateName[VXFX_LOCATE_COUNT][VXFX_LOCATE_NAME_SIZE];
    uint8_t loopStart;
    uint8_t loopEnd;
    uint8_t tempoMapLocate;
    uint8_t storedTracksPerTrack; /* 1, or 2 at 88.2 and 96 kHz */
    VxfxTempoEntry tempo[VXFX_TEMPO_COUNT];
    uint32_t pitch;
    int32_t slip[VXFX_SLIP_COUNT]; /* by stored track */
    uint32_t songHandle;           /* the song record's LBA, as tavovxf names songs */
} VxfxSongMetadata;
VXFSERVER_API int32_t vxfxSongGetMetadata(uint32_t handle, VxfxSongMetadata* metadata);

#ifdef __cplusplus
}
#endif

#endif
