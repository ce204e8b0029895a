// record_test.cpp - the rules every record shares: packing, magic, checksum, sector counts, names.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/names.h"
#include "core/record.h"

namespace vxfserver {
namespace {

TEST(RecordRules, TextIsPackedFirstCharacterInTheWordsHighByte) {
    uint8_t bytes[10] = {};
    packText(bytes, "Drive 1   ", 10);
    const uint8_t expected[10] = {'v', 'i', 'r', 'D', ' ', '1', ' ', 'e', ' ', ' '};
    EXPECT_EQ(std::memcmp(bytes, expected, 10), 0);
    packText(bytes, "ABCDEFGHIJ", 10);
    // Characters 9 and 10 form a half word, the ninth in its high byte.
    EXPECT_EQ(getHalf(bytes + 8), ('I' << 8) | 'J');
    char text[11];
    unpackText(text, bytes, 10);
    EXPECT_STREQ(text, "ABCDEFGHIJ");
}

TEST(RecordRules, PackedTextEndsInNulsAfterItsTerminator) {
    uint8_t bytes[8];
    std::memset(bytes, 0xEE, sizeof bytes);
    packText(bytes, "ab", 8);
    const uint8_t expected[8] = {0, 0, 'b', 'a', 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes, expected, 8), 0);
}

TEST(RecordRules, MagicComesFromTheRecordsOwnLba) {
    EXPECT_EQ(magicOf(0), 0xFFFF0000u);
    EXPECT_EQ(magicOf(5), 0xFFFA0005u);
    EXPECT_EQ(magicOf(2), 0xFFFD0002u);
    EXPECT_EQ(magicOf(1), 0xFFFE0001u);
    EXPECT_EQ(magicOf(0x00010000), 0xFFFF0000u | 0x00010000u);
}

TEST(RecordRules, ChecksumMakesAllWordsSumToZero) {
    uint8_t record[512] = {};
    for (size_t i = 0; i < 508; ++i) record[i] = uint8_t(i * 7);
    storeChecksum(record, 512);
    uint32_t sum = 0;
    for (size_t i = 0; i < 512; i += 4) sum += getWord(record + i);
    EXPECT_EQ(sum, 0u);
    EXPECT_TRUE(checksumMatches(record, 512));
    record[3] ^= 1;
    EXPECT_FALSE(checksumMatches(record, 512));
}

TEST(RecordRules, MirrorLiesAtSectorCountLessStartLessLength) {
    EXPECT_EQ(mirrorLba(78165360, 0, 1), 78165359);
    EXPECT_EQ(mirrorLba(78165360, 5, 15), 78165340);
    EXPECT_LT(mirrorLba(10, 20, 1), 0);
}

TEST(RecordRules, SectorCountOfTheLargestLastLbaDoesNotWrapToZero) {
    SectorCounts counts = sectorCountsFromLastLba(0xFFFFFFFFull);
    EXPECT_EQ(counts.full, 0xFFFFFFFFu);
    EXPECT_EQ(counts.capped, 0x0FFFFFFFu);
    counts = sectorCountsFromLastLba(0x100000000ull);
    EXPECT_EQ(counts.full, 0xFFFFFFFFu);
    counts = sectorCountsFromLastLba(78165359);
    EXPECT_EQ(counts.full, 78165360u);
    EXPECT_EQ(counts.capped, 78165360u);
    counts = sectorCountsFromLastLba(0x100003FF);
    EXPECT_EQ(counts.full, 0x10000400u);
    EXPECT_EQ(counts.capped, 0x0FFFFFFFu);
}

std::string normalized(const char* text, size_t width) {
    char out[65];
    normalizeName(out, text, width);
    return out;
}

TEST(NameRule, ShortFormKeepsLettersAndDigitsPaddedToWidth) {
    EXPECT_EQ(normalized("Drive-1!", 10), "Drive 1   ");
    EXPECT_EQ(normalized("My Song?", 10), "My Song   ");
    EXPECT_EQ(normalized("", 10), "          ");
    EXPECT_EQ(normalized("ABCDEFGHIJKLMNOP", 10), "ABCDEFGHIJ");
    EXPECT_EQ(normalized("Loc-5", 8), "Loc 5   ");
}

TEST(NameRule, ExtendedFormDropsForbiddenCharactersAndTrailingBlanks) {
    EXPECT_EQ(normalized("Drive-1!", 64), "Drive-1!");
    EXPECT_EQ(normalized("My Song?", 64), "My Song");
    EXPECT_EQ(normalized("a/b  ", 64), "a b");
    EXPECT_EQ(normalized("x\\y:z*w\"q<r>s|t", 64), "x y z w q r s t");
}

TEST(NameRule, AllBlankOrEmptyExtendedNameBecomesEmptyWithoutWalkingBeforeTheBuffer) {
    char buffer[80];
    std::memset(buffer, ' ', sizeof buffer);
    // The byte before the name is a blank too: the backward walk must stop at position 0.
    normalizeName(buffer + 1, "     ", 64);
    EXPECT_EQ(buffer[0], ' ');
    EXPECT_STREQ(buffer + 1, "");
    EXPECT_EQ(normalized("", 64), "");
    EXPECT_EQ(normalized(nullptr, 64), "");
}

TEST(NameRule, EveryByteValueGivesANameOfAllowedCharacters) {
    for (int c = 1; c < 256; ++c) {
        const char text[3] = {char(c), 'A', '\0'};
        std::string shortName = normalized(text, 10);
        std::string extName = normalized(text, 64);
        ASSERT_EQ(shortName.size(), 10u);
        unsigned char first = static_cast<unsigned char>(shortName[0]);
        EXPECT_TRUE(std::isalnum(first) || first == ' ') << c;
        unsigned char ext = static_cast<unsigned char>(extName[0]);
        EXPECT_TRUE(ext >= 0x20 && ext <= 0x7E) << c;
        EXPECT_EQ(extName.back(), 'A');
    }
}

TEST(NameRule, WorksInPlace) {
    char buffer[65] = "Hello?  ";
    normalizeName(buffer, buffer, 64);
    EXPECT_STREQ(buffer, "Hello");
}

}  // namespace
}  // namespace vxfserver
