// value_areas.h - the sectors of the mounted volume by their worth: system records and mirrors, then the songs' runs.
#pragma once

#include <vector>

#include "vxf_layout.h"

namespace vxfserver {

// The mounted volume's areas as vxfxDriveGetAreas lists them; reads only.
bool collectValueAreas(std::vector<VxfxArea>& areas);

// What each of `sectors` holds, as vxfxDriveGetSectorUses tells it; reads only.
bool describeSectors(const std::vector<uint32_t>& sectors, std::vector<VxfxSectorUse>& uses);

}  // namespace vxfserver
