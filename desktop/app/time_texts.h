// time_texts.h - the texts of song lengths, rates, word lengths and the free-space preview.
#pragma once

#include <cstdint>
#include <string>

#include "song_time_text.h"

namespace deck {

// The song pane and the CLI show lengths alike.
using vxf::transfer::songTimeText;

// "44.1 kHz", "48 kHz", "88.2 kHz", "96 kHz"; empty for any other rate.
std::string rateText(uint32_t rate);

// Recording time left for `tracks` tracks at `rate` Hz on `freeKb` kilobytes, in milliseconds.
uint64_t previewMilliseconds(uint32_t freeKb, uint32_t tracks, uint32_t rate);

// "1 hr 2 min 5 sec": whole hours, minutes and seconds, zero units left out, "0 sec" for zero.
std::string intervalText(uint64_t milliseconds);

}  // namespace deck
