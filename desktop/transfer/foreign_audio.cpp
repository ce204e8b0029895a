// foreign_audio.cpp - audio files of other kinds through libsndfile, converted to the song's word length.
#include "foreign_audio.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "audio_error.h"

namespace vxf::transfer {

namespace {
// Frames read from libsndfile at a time: the buffer holds all channels of them.
constexpr size_t kFramesPerRead = 4096;
constexpr uint16_t kMostChannels = 1024;

std::string lowerExtension(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

void storeSample(uint8_t* out, int32_t value, unsigned bytes, bool bigEndian) {
    for (unsigned i = 0; i < bytes; ++i) {
        const uint8_t byte = uint8_t(uint32_t(value) >> (8 * i));
        out[bigEndian ? bytes - 1 - i : i] = byte;
    }
}
}  // namespace

struct ForeignReader::File {
    SNDFILE* handle = nullptr;
    SF_INFO info{};
    std::vector<double> buffer;
};

int32_t foreignSampleToInteger(double sample, unsigned bits) {
    if (std::isnan(sample)) return 0;
    const double scale = std::ldexp(1.0, int(bits) - 1);
    const double highest = scale - 1;
    const double scaled = std::round(sample * scale);  // halves away from zero
    return int32_t(std::clamp(scaled, -scale, highest));
}

ForeignReader::ForeignReader() = default;
ForeignReader::~ForeignReader() { close(); }

int ForeignReader::open(const std::string& path, ForeignFacts& facts, std::string& detail) {
    close();
    auto file = std::make_unique<File>();
    file->handle = sf_open(path.c_str(), SFM_READ, &file->info);
    if (file->handle == nullptr) {
        detail = sf_strerror(nullptr);
        return AUDIO_ERR_INVALID;
    }
    // Integer files come as exact fractions of full scale; floating-point files as they are, clipped below.
    sf_command(file->handle, SFC_SET_NORM_DOUBLE, nullptr, SF_TRUE);
    const SF_INFO& info = file->info;
    if (info.channels <= 0 || info.channels > kMostChannels || info.samplerate <= 0 || info.frames < 0) {
        sf_close(file->handle);
        return AUDIO_ERR_INVALID;
    }
    facts.sampleRate = uint32_t(info.samplerate);
    facts.channels = uint16_t(info.channels);
    facts.frames = uint64_t(info.frames);
    file->buffer.resize(kFramesPerRead * size_t(info.channels));
    file_ = std::move(file);
    return AUDIO_OK;
}

bool ForeignReader::read(uint16_t channel, unsigned bits, bool bigEndian, uint8_t* out, size_t frames,
                         size_t& got) {
    got = 0;
    if (!file_ || channel >= file_->info.channels) return false;
    const size_t channels = size_t(file_->info.channels);
    const unsigned bytes = bits / 8;
    while (got < frames) {
        const size_t want = std::min(kFramesPerRead, frames - got);
        const sf_count_t n = sf_readf_double(file_->handle, file_->buffer.data(), sf_count_t(want));
        if (n < 0 || sf_error(file_->handle) != SF_ERR_NO_ERROR) return false;
        for (sf_count_t i = 0; i < n; ++i) {
            const double sample = file_->buffer[size_t(i) * channels + channel];
            storeSample(out + (got + size_t(i)) * bytes, foreignSampleToInteger(sample, bits), bytes, bigEndian);
        }
        got += size_t(n);
        if (size_t(n) < want) break;
    }
    return true;
}

void ForeignReader::close() {
    if (file_ && file_->handle) sf_close(file_->handle);
    file_.reset();
}

bool ForeignReader::isOpen() const { return file_ != nullptr; }

bool isForeignFileName(const std::string& path) {
    static const char* const kExtensions[] = {"flac", "w64", "aifc", "caf", "ogg", "oga", "au", "snd",
                                              "rf64", "bwf", "opus", "mp3", "voc", "ircam", "sf"};
    const std::string extension = lowerExtension(path);
    return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                       [&](const char* e) { return extension == e; });
}

}  // namespace vxf::transfer
