// capture_report.h - what a capture could not read, in the user's terms: the song, track and time, or the record.
#pragma once

#include <string>
#include <vector>

#include "capture_map.h"
#include "vxf_layout.h"

namespace vxf::capture {

// One line a loss: consecutive sectors of one track, or of one record, together; the map tells whether a record's
// other copy was read. The sectors that hold nothing of the volume are counted on a last line.
std::vector<std::string> lossReport(const std::vector<VxfxSectorUse>& uses, const CaptureMap& map);

}  // namespace vxf::capture
