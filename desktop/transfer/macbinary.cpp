// macbinary.cpp - the 128-byte MacBinary II header of a Sound Designer II file and its CRC-16.
#include "macbinary.h"

#include <cstring>
#include <ctime>

#include "byte_order.h"

namespace vxf::transfer {

namespace {
constexpr uint32_t kSecondsFrom1904To1970 = 2082844800u;
constexpr uint8_t kMacBinaryVersion = 0x81;  // 129: MacBinary II

std::array<uint16_t, 256> makeCrcTable() {
    std::array<uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        uint16_t crc = static_cast<uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        table[byte] = crc;
    }
    return table;
}
}  // namespace

uint16_t crc16Xmodem(const uint8_t* data, size_t count) {
    static const std::array<uint16_t, 256> table = makeCrcTable();
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i) crc = static_cast<uint16_t>(crc << 8 ^ table[(crc >> 8 ^ data[i]) & 0xFF]);
    return crc;
}

uint32_t macTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<uint32_t>(static_cast<int64_t>(now) + local.tm_gmtoff + kSecondsFrom1904To1970);
}

MacBinaryHeader buildSd2MacBinaryHeader(const std::string& name, uint32_t dataLength, uint32_t macTime) {
    MacBinaryHeader header{};
    const size_t nameBytes = name.size() < kMacBinaryMaxNameBytes ? name.size() : kMacBinaryMaxNameBytes;
    header[1] = static_cast<uint8_t>(nameBytes);
    std::memcpy(header.data() + 2, name.data(), nameBytes);
    std::memcpy(header.data() + 65, "Sd2f", 4);  // file type
    std::memcpy(header.data() + 69, "Sd2a", 4);  // creator
    header[73] = 0x01;                           // Finder flags, high byte
    storeBe32(header.data() + 75, 0xFFFFFFFF);   // window position
    storeBe32(header.data() + 87, kSd2ResourceForkLength);
    storeBe32(header.data() + 91, macTime);      // created
    storeBe32(header.data() + 95, macTime);      // modified
    header[122] = kMacBinaryVersion;
    header[123] = kMacBinaryVersion;             // minimum version to read it
    setMacBinaryDataLength(header, dataLength);
    return header;
}

void setMacBinaryDataLength(MacBinaryHeader& header, uint32_t dataLength) {
    storeBe32(header.data() + kMacBinaryDataLengthOffset, dataLength);
    storeBe16(header.data() + kMacBinaryCrcOffset, crc16Xmodem(header.data(), kMacBinaryCrcOffset));
}

bool isSd2MacBinaryHeader(const MacBinaryHeader& header) {
    if (header[0] != 0 && header[74] != 0 && header[82] != 0) return false;
    return std::memcmp(header.data() + 65, "Sd2f", 4) == 0;
}

uint32_t macBinaryDataLength(const MacBinaryHeader& header) {
    return loadBe32(header.data() + kMacBinaryDataLengthOffset);
}

}  // namespace vxf::transfer
