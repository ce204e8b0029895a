// archive_inventory.h - data/inventory.json and data/inventory.txt: what a bag holds, for programs and for people.
#pragma once

#include <string>

#include "drive_archive.h"

namespace vxf::transfer {

constexpr const char* kInventoryJson = "data/inventory.json";
constexpr const char* kInventoryText = "data/inventory.txt";
constexpr const char* kSalvageReport = "data/salvage-report.txt";

std::string inventoryJson(const ArchiveOutcome& outcome, const ArchiveOptions& options);
std::string inventoryText(const ArchiveOutcome& outcome, const ArchiveOptions& options);
// Every silent gap of a salvaging archive, one line each (describeGap), or that there were none.
std::string salvageReportText(const ArchiveOutcome& outcome);

// Samples as hh:mm:ss.mmm at the rate (00:00:00.000 without one).
std::string durationText(uint64_t samples, uint32_t rate);
// The peak in dB below full scale of 24 bits, two decimals; "-inf" for silence.
std::string peakDbText(int32_t peak);

}  // namespace vxf::transfer
