// time_texts.cpp - the texts of song lengths, rates, word lengths and the free-space preview.
#include "time_texts.h"

#include "text_format.h"

namespace deck {

std::string rateText(uint32_t rate) {
    switch (rate) {
    case 44100: return "44.1 kHz";
    case 48000: return "48 kHz";
    case 88200: return "88.2 kHz";
    case 96000: return "96 kHz";
    default: return {};
    }
}

uint64_t previewMilliseconds(uint32_t freeKb, uint32_t tracks, uint32_t rate) {
    if (tracks == 0 || rate == 0) return 0;
    const uint32_t perTrack = freeKb / tracks;
    // Every sample takes 3 bytes on the drive: 1024 / 3 kept at single precision.
    const long double bytesPerSampleFactor = static_cast<long double>(341.33334f);
    const auto seconds = static_cast<uint64_t>(static_cast<long double>(perTrack) / rate * bytesPerSampleFactor);
    return seconds * 1000;
}

std::string intervalText(uint64_t milliseconds) {
    const uint64_t total = milliseconds / 1000;
    const uint64_t hours = total / 3600;
    const uint64_t minutes = (total / 60) % 60;
    const uint64_t seconds = total % 60;
    std::string text;
    auto add = [&text](uint64_t value, const char* unit) {
        if (!text.empty()) text += ' ';
        text += format("%llu %s", static_cast<unsigned long long>(value), unit);
    };
    if (hours != 0) add(hours, "hr");
    if (minutes != 0) add(minutes, "min");
    if (seconds != 0 || text.empty()) add(seconds, "sec");
    return text;
}

}  // namespace deck
