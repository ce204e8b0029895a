/* i1394.h - sector access to recorder drives (VXF1394). Plain C interface. */
#ifndef VXF1394_I1394_H
#define VXF1394_I1394_H

#include <stdint.h>

#if defined(VXF1394_BUILDING)
#define I1394_API __attribute__((visibility("default")))
#else
#define I1394_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of every export. */
#define I1394_OK 0
#define I1394_ERR_IO 1
#define I1394_ERR_PARAMETER 2
#define I1394_ERR_NO_DRIVER 3
#define I1394_ERR_THREAD 4

/* Drive id: 0x00CE0000 + index of the disk in the enumeration. */
#define I1394_DRIVE_ID_BASE 0x00CE0000u
#define I1394_DRIVE_ID_MASK 0x00FFFF00u
#define I1394_MAX_DRIVES 4

#define I1394_SECTOR_SIZE 512

/* Device-control requests understood by the drive driver. */
#define I1394_IOCTL_READ 0x0022E006u
#define I1394_IOCTL_WRITE 0x0022E008u
#define I1394_IOCTL_UNMOUNT 0x0022E00Cu
#define I1394_IOCTL_SCSI 0x0022E014u

/* Request kinds of a SCSI call. */
#define I1394_SCSI_IDENTIFY 1
#define I1394_SCSI_CAPACITY 3
/* Everything written so far reaches the medium before the call returns, as
 * SYNCHRONIZE CACHE (opcode 0x35) asks of a disk with a write cache. */
#define I1394_SCSI_SYNCHRONIZE_CACHE 0x35

typedef struct DriveList {
    uint16_t count;
    uint32_t ids[I1394_MAX_DRIVES]; /* slots from count on are 0 */
} DriveList;

typedef struct DriveInfo {
    uint64_t capacity;  /* last LBA the drive reports; 0 when it did not answer */
    char vendor[9];     /* 8 characters as returned, then NUL */
    char reserved[32];  /* not filled */
    char product[17];   /* 16 characters, then NUL */
} DriveInfo;

/* Input record of every driver request, little-endian. Offsets 0 to 23 are
 * the driver's record; a 64-bit buffer address does not fit the 32-bit field
 * at 20, so the full address travels in the word appended at 24. */
typedef struct DriveRequest {
    uint32_t deviceIndex;  /* 0: the id's low byte */
    uint32_t unused;       /* 4 */
    uint64_t byteOffset;   /* 8: LBA x 512 */
    uint32_t countOrKind;  /* 16: sectors, 0 for unmount, kind for a SCSI call */
    uint32_t bufferLow;    /* 20: low half of the buffer address (write only) */
    uint64_t buffer;       /* 24: full buffer address (write only) */
} DriveRequest;

#define I1394_SCSI_REPLY_SIZE 120
#define I1394_SCSI_DATA 80          /* first byte of the drive's own data */
#define I1394_SCSI_VENDOR 88        /* INQUIRY vendor, 8 characters */
#define I1394_SCSI_PRODUCT 96       /* INQUIRY product, 16 characters */

typedef struct ScsiReply {
    uint8_t bytes[I1394_SCSI_REPLY_SIZE];
} ScsiReply;

typedef void (*I1394Callback)(void);

I1394_API int32_t i1394Init(I1394Callback callback);
I1394_API int32_t i1394Exit(void);
I1394_API int32_t i1394GetDriveList(DriveList* list);
I1394_API int32_t i1394GetDriveInfo(uint32_t id, DriveInfo* info);
I1394_API int32_t i1394ReadSector(uint32_t id, uint32_t lbaLow, uint32_t lbaHigh, uint16_t count, void* buffer);
I1394_API int32_t i1394WriteSector(uint32_t id, uint32_t lbaLow, uint32_t lbaHigh, uint16_t count, void* buffer);
I1394_API int32_t i1394Unmount(uint32_t id);
I1394_API int32_t DoScsiCall(uint32_t id, uint32_t kind, ScsiReply* reply);

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
static_assert(sizeof(DriveRequest) == 32, "driver request record");
static_assert(sizeof(ScsiReply) == 120, "SCSI reply record");
#endif

#endif
