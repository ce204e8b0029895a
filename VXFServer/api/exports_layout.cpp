// exports_layout.cpp - the extension exports that list a volume's areas by their worth and what a sector holds.
#include <algorithm>
#include <vector>

#include "api/export_frame.h"
#include "maintenance/value_areas.h"
#include "vxf_layout.h"

using namespace vxfserver;

extern "C" {

int32_t vxfxDriveGetAreas(uint32_t handle, VxfxArea* areas, uint32_t capacity, uint32_t* count) {
    if (!requirePointer(count)) return finishExport(false);
    *count = 0;
    if (capacity > 0 && areas == nullptr) return finishExport(fail(VXF_ERR_INVALID_PARAMETER));
    std::vector<VxfxArea> found;
    return runExport(handle, kReadFrame, [&] {
        if (!collectValueAreas(found)) return false;
        std::copy_n(found.begin(), std::min<size_t>(found.size(), capacity), areas);
        *count = uint32_t(found.size());
        return true;
    });
}

int32_t vxfxDriveGetSectorUses(uint32_t handle, const uint32_t* sectors, uint32_t count, VxfxSectorUse* uses) {
    if (count > 0 && (!requirePointer(sectors) || !requirePointer(uses))) return finishExport(false);
    const std::vector<uint32_t> asked(sectors, sectors + count);
    std::vector<VxfxSectorUse> found;
    return runExport(handle, kReadFrame, [&] {
        if (!describeSectors(asked, found)) return false;
        std::copy(found.begin(), found.end(), uses);
        return true;
    });
}

}  // extern "C"
