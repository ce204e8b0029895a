// sd2_resources.cpp - the resource fork of a Sound Designer II file: its three 'STR ' parameters.
#include "sd2_resources.h"

#include <cstring>
#include <string>

#include "audio_error.h"
#include "byte_order.h"

namespace vxf::transfer {

namespace {
constexpr uint32_t kDataOffset = 256;
constexpr uint32_t kMapOffset = 288;
constexpr uint32_t kDataLength = 32;
constexpr uint32_t kMapLength = 108;   // counts one byte of the padding after the fork

constexpr uint16_t kSampleSizeId = 1000;
constexpr uint16_t kSampleRateId = 1001;
constexpr uint16_t kChannelsId = 1002;

constexpr size_t kResourceHeaderSize = 16;
constexpr size_t kMapHeaderSize = 32;
constexpr size_t kTypeEntrySize = 8;
constexpr size_t kReferenceSize = 12;
constexpr size_t kStringResourceRead = 40;    // 4-byte length and a counted string
constexpr uint16_t kFirstTypeEntry = 30;      // after the map header and the type count

const char* const kRateTexts[] = {"44100.000000", "48000.000000", "88200.000000", "96000.000000"};
constexpr uint32_t kRates[] = {44100, 48000, 88200, 96000};

// Places a length word and a counted string at `at`.
void putStringResource(uint8_t* at, uint32_t length, const std::string& text) {
    storeBe32(at, length);
    at[4] = static_cast<uint8_t>(text.size());
    std::memcpy(at + 5, text.data(), text.size());
}

void putReference(uint8_t* at, uint16_t id, uint16_t nameOffset, uint32_t dataOffset, uint32_t reserved) {
    storeBe16(at, id);
    storeBe16(at + 2, nameOffset);
    storeBe32(at + 4, dataOffset);   // attributes 0 in the top byte, then the 3-byte offset
    storeBe32(at + 8, reserved);
}

void putResourceHeader(uint8_t* at) {
    storeBe32(at, kDataOffset);
    storeBe32(at + 4, kMapOffset);
    storeBe32(at + 8, kDataLength);
    storeBe32(at + 12, kMapLength);
}

std::string rateText(uint32_t sampleRate) {
    for (size_t i = 0; i < std::size(kRates); ++i) {
        if (kRates[i] == sampleRate) return kRateTexts[i];
    }
    return {};
}

// Reads exactly `count` bytes at `offset`, refusing anything past the end of the file.
bool readAt(BinaryFile& file, uint64_t fileLength, uint64_t offset, void* buffer, size_t count) {
    return offset <= fileLength && count <= fileLength - offset && file.seek(offset) && file.readExact(buffer, count);
}

// The counted string of a 'STR ' resource whose data starts at `offset`.
int readStringResource(BinaryFile& file, uint64_t fileLength, uint64_t offset, std::string& text) {
    if (offset >= fileLength) return AUDIO_ERR_READ;
    uint8_t data[kStringResourceRead] = {};
    const uint64_t left = fileLength - offset;
    const size_t count = left < kStringResourceRead ? static_cast<size_t>(left) : kStringResourceRead;
    if (count < 5 || !readAt(file, fileLength, offset, data, count)) return AUDIO_ERR_READ;
    const size_t characters = data[4];
    if (5 + characters > count) return AUDIO_ERR_INVALID;
    text.assign(reinterpret_cast<const char*>(data + 5), characters);
    return AUDIO_OK;
}

int applyParameter(uint16_t id, const std::string& text, Sd2Parameters& parameters) {
    if (id == kSampleSizeId) {
        if (text != "1" && text != "2" && text != "3") return AUDIO_ERR_UNSUPPORTED;
        parameters.wordLength = static_cast<uint16_t>((text[0] - '0') * 8);
    } else if (id == kSampleRateId) {
        for (size_t i = 0; i < std::size(kRates); ++i) {
            if (text == kRateTexts[i]) {
                parameters.sampleRate = kRates[i];
                return AUDIO_OK;
            }
        }
        return AUDIO_ERR_UNSUPPORTED;
    } else if (id == kChannelsId && text != "1") {
        return AUDIO_ERR_MULTICHANNEL;
    }
    return AUDIO_OK;
}

struct ForkLayout {
    uint64_t fileLength = 0;
    uint64_t resourceData = 0;   // file offset of the resource data
    uint64_t typeList = 0;       // file offset of the type list
};

int readStringResources(BinaryFile& file, const ForkLayout& fork, const uint8_t* typeEntry,
                        Sd2Parameters& parameters) {
    const uint16_t countMinusOne = loadBe16(typeEntry + 4);
    if (countMinusOne == 0xFFFF) return AUDIO_ERR_INVALID;
    const uint64_t references = fork.typeList + loadBe16(typeEntry + 6);
    const uint64_t count = uint64_t{countMinusOne} + 1;
    if (references > fork.fileLength || count * kReferenceSize > fork.fileLength - references) return AUDIO_ERR_READ;
    for (uint64_t index = 0; index < count; ++index) {
        uint8_t reference[kReferenceSize];
        if (!readAt(file, fork.fileLength, references + kReferenceSize * index, reference, sizeof reference)) {
            return AUDIO_ERR_READ;
        }
        const uint16_t id = loadBe16(reference);
        if (id != kSampleSizeId && id != kSampleRateId && id != kChannelsId) continue;
        const uint32_t dataOffset = loadBe32(reference + 4) & 0x00FFFFFF;
        std::string text;
        if (int code = readStringResource(file, fork.fileLength, fork.resourceData + dataOffset, text); code) {
            return code;
        }
        if (int code = applyParameter(id, text, parameters); code) return code;
    }
    return AUDIO_OK;
}
}  // namespace

std::array<uint8_t, kSd2ResourceForkSize> buildSd2ResourceFork(uint16_t wordLength, uint32_t sampleRate) {
    std::array<uint8_t, kSd2ResourceForkSize> fork{};
    uint8_t* f = fork.data();
    putResourceHeader(f);
    putStringResource(f + 256, 2, std::string(1, static_cast<char>('0' + wordLength / 8)));
    putStringResource(f + 262, 16, rateText(sampleRate));
    putStringResource(f + 282, 2, "1");

    putResourceHeader(f + 288);   // the map starts with a copy of the header
    const uint8_t mapReserved[] = {0x01, 0x64, 0xD8, 0xF8, 0x13, 0xD6};
    std::memcpy(f + 304, mapReserved, sizeof mapReserved);
    storeBe16(f + 310, 0);    // attributes
    storeBe16(f + 312, 28);   // type list, from the map start
    storeBe16(f + 314, 74);   // name list, from the map start
    storeBe16(f + 316, 0);    // one type
    std::memcpy(f + 318, "STR ", 4);
    storeBe16(f + 322, 2);    // three resources
    storeBe16(f + 324, 10);   // reference list, from the type list
    putReference(f + 326, kSampleSizeId, 0, 0, 0x45230100);
    putReference(f + 338, kSampleRateId, 12, 6, 0x56341200);
    putReference(f + 350, kChannelsId, 24, 26, 0x67452301);
    uint8_t* names = f + 362;
    for (const char* name : {"sample-size", "sample-rate", "channels"}) {
        const size_t length = std::strlen(name);
        *names++ = static_cast<uint8_t>(length);
        std::memcpy(names, name, length);
        names += length;
    }
    return fork;
}

int readSd2Parameters(BinaryFile& file, uint64_t forkStart, Sd2Parameters& parameters) {
    ForkLayout fork;
    fork.fileLength = file.length();
    uint8_t header[kResourceHeaderSize];
    if (!readAt(file, fork.fileLength, forkStart, header, sizeof header)) return AUDIO_ERR_READ;
    fork.resourceData = forkStart + loadBe32(header);
    const uint64_t map = forkStart + loadBe32(header + 4);

    uint8_t mapHeader[kMapHeaderSize];
    if (!readAt(file, fork.fileLength, map, mapHeader, sizeof mapHeader)) return AUDIO_ERR_READ;
    const uint16_t typeListOffset = loadBe16(mapHeader + 24);
    const uint64_t typeCount = uint64_t{loadBe16(mapHeader + 28)} + 1;
    fork.typeList = map + typeListOffset;
    const uint64_t entries = map + (typeListOffset >= kFirstTypeEntry ? typeListOffset : kFirstTypeEntry);
    if (entries > fork.fileLength || typeCount * kTypeEntrySize > fork.fileLength - entries) return AUDIO_ERR_READ;

    for (uint64_t index = 0; index < typeCount; ++index) {
        uint8_t entry[kTypeEntrySize];
        if (!readAt(file, fork.fileLength, entries + kTypeEntrySize * index, entry, sizeof entry)) {
            return AUDIO_ERR_READ;
        }
        if (loadFourCC(entry) != fourCC("STR ")) continue;
        if (int code = readStringResources(file, fork, entry, parameters); code) return code;
    }
    return AUDIO_OK;
}

}  // namespace vxf::transfer
