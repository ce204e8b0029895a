// archive_files_test.cpp - what an archive's files are made of: safe names, manifests and bag-info, digests taken as files are written.
#include <gtest/gtest.h>

#include <fstream>

#include "archive_journal.h"
#include "audio_file.h"
#include "bag_files.h"
#include "safe_names.h"
#include "sha256_tap.h"
#include "test_support.h"

namespace vxf::transfer::test {
namespace {

TEST(SafeNames, EveryUnsafeNameBecomesTheSameSafeOne) {
    EXPECT_EQ(safeFileName("Tones 96k", "x"), "Tones 96k");
    EXPECT_EQ(safeFileName("AC/DC: live?", "x"), "AC_DC_ live_");
    EXPECT_EQ(safeFileName("tab\there\x7f", "x"), "tab_here_");
    EXPECT_EQ(safeFileName("  mix.. . ", "x"), "mix");
    EXPECT_EQ(safeFileName("...", "x"), "x");
    EXPECT_EQ(safeFileName("", "x"), "x");
    EXPECT_EQ(safeFileName("con", "x"), "con_");
    EXPECT_EQ(safeFileName("NUL.txt", "x"), "NUL_.txt");
    EXPECT_EQ(safeFileName("COM1", "x"), "COM1_");
    EXPECT_EQ(safeFileName("LPT9.wav", "x"), "LPT9_.wav");
    EXPECT_EQ(safeFileName("COM0", "x"), "COM0");
    EXPECT_EQ(safeFileName("Console", "x"), "Console");
    EXPECT_EQ(safeFileName("Caf\xc3\xa9 \xff", "x"), "Caf\xc3\xa9 _");  // UTF-8 kept, a stray byte not
    const std::string longName(300, 'a');
    EXPECT_EQ(safeFileName(longName, "x").size(), 150u);
    EXPECT_EQ(safeFileName(std::string(149, 'a') + "\xc3\xa9", "x").size(), 149u);  // never half a character
    EXPECT_EQ(numberedFolderName(2, "Tones 96k"), "02 Tones 96k");
    EXPECT_EQ(numberedFolderName(120, " / "), "120 _");
    EXPECT_EQ(numberedFolderName(3, "  "), "03");
}

TEST(BagFiles, ManifestPathsAndBagInfoSurviveTheirText) {
    const std::vector<ManifestEntry> entries = {{std::string(64, 'a'), "data/100%\r\nsure.wav"},
                                                {std::string(64, 'b'), "data/a  b.wav"}};
    const std::string text = manifestText(entries);
    EXPECT_EQ(text, std::string(64, 'a') + "  data/100%25%0D%0Asure.wav\n" + std::string(64, 'b') + "  data/a  b.wav\n");
    const auto parsed = parseManifest(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ((*parsed)[0].path, entries[0].path);
    EXPECT_EQ((*parsed)[1].path, entries[1].path);
    EXPECT_FALSE(parseManifest("abc data/x.wav\n"));

    const BagInfoFields fields = parseBagInfo("Payload-Oxum: 10.2\nExternal-Description: one\n  two\nBroken\n");
    EXPECT_EQ(bagInfoValue(fields, "Payload-Oxum"), "10.2");
    EXPECT_EQ(bagInfoValue(fields, "External-Description"), "one two");
    EXPECT_EQ(bagInfoText({{"External-Identifier", "Line\nbreak"}}), "External-Identifier: Line break\n");
}

class Journal : public TransferTest {};

// A power failure may cut the last line short: it is left out, the lines before it kept.
TEST_F(Journal, KeepsEveryWholeLineAndDropsACutOne) {
    ASSERT_TRUE(ArchiveJournal::create(dir_, "1/2,1/5"));
    ASSERT_TRUE(ArchiveJournal::append(dir_, "data/a%b.wav", {std::string(64, 'a'), 4096, 1000, {}}));
    ASSERT_TRUE(ArchiveJournal::append(dir_, "data/c d.wav", {std::string(64, 'c'), 7, 2000, {{5, 9}, {100, 100}}}));
    // A line of an older run, without gaps; one whose gaps are garbled.
    std::ofstream(pathOf(kArchiveJournal), std::ios::app) << std::string(64, 'f') << " 1 10 data/old.wav\n"
                                                           << std::string(64, 'g') << " 1 10 g:9-5 data/bad.wav\n"
                                                           << std::string(64, 'e') << " 12 30";
    const std::optional<ArchiveJournal> journal = ArchiveJournal::load(dir_);
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->selection(), "1/2,1/5");
    ASSERT_EQ(journal->files().size(), 3u);
    EXPECT_EQ(journal->files().at("data/a%b.wav").peak, 4096);
    EXPECT_TRUE(journal->files().at("data/a%b.wav").gaps.empty());
    EXPECT_EQ(journal->files().at("data/c d.wav").bytes, 2000u);
    using Gaps = std::vector<std::pair<uint64_t, uint64_t>>;
    EXPECT_EQ(journal->files().at("data/c d.wav").gaps, (Gaps{{5, 9}, {100, 100}}));
    EXPECT_TRUE(journal->files().at("data/old.wav").gaps.empty());
    ASSERT_TRUE(ArchiveJournal::remove(dir_));
    EXPECT_FALSE(ArchiveJournal::load(dir_));
}

class WrittenDigest : public TransferTest {};

// The digest taken while AudioFile writes equals the file's, in every format and width.
TEST_F(WrittenDigest, EqualsTheDigestOfTheFinishedFile) {
    for (AudioFormat format : {AudioFormat::Wav, AudioFormat::Aiff, AudioFormat::Sd2, AudioFormat::DigSd}) {
        for (uint16_t bits : {uint16_t{16}, uint16_t{24}}) {
            const std::string path = pathOf("take" + std::to_string(int(format)) + "-" + std::to_string(bits));
            const uint32_t count = 5001;  // odd: WAV and AIFF pad their data
            Bytes samples = patternSamples(count, 3);
            Sha256Tap tap;
            AudioFile file(sink_);
            file.setWriteTap(&tap);
            ASSERT_TRUE(file.OpenForWrite(format, path, 48000, bits, count));
            size_t consumed = 0;
            ASSERT_TRUE(file.WriteSamples(samples.data(), samples.size(), isBigEndianFormat(format), false, consumed));
            ASSERT_TRUE(file.Close());
            const std::optional<std::string> digest = tap.hexDigest();
            ASSERT_TRUE(digest) << int(format) << " " << bits;
            EXPECT_EQ(*digest, sha256OfFile(path).value_or("")) << int(format) << " " << bits;
        }
    }
}

// A file that ends shorter than its header first said is finished with other sizes: the digest
// taken on the way is then unknown, never wrong.
TEST_F(WrittenDigest, IsUnknownWhenTheHeaderChangedAtTheEnd) {
    Bytes samples = patternSamples(100, 3);
    Sha256Tap tap;
    AudioFile file(sink_);
    file.setWriteTap(&tap);
    ASSERT_TRUE(file.OpenForWrite(AudioFormat::Wav, pathOf("short.wav"), 48000, 24, 1000));
    size_t consumed = 0;
    ASSERT_TRUE(file.WriteSamples(samples.data(), samples.size(), false, false, consumed));
    ASSERT_TRUE(file.Close());
    EXPECT_FALSE(tap.hexDigest());
    EXPECT_EQ(sha256OfText("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace vxf::transfer::test
