// enumeration_file_test.cpp - the enumeration file's drive entries and its editing; the fault sidecar's lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "disk_enumeration.h"
#include "drive_fixture.h"
#include "platform/faults.h"

namespace vxf1394::test {
namespace {

using namespace vxf1394::diskenum;

TEST(DriveEntryTest, PathVendorAndProductAreTakenFromTheValue) {
    auto entry = parseDriveEntry("SBP2\\/srv/drives/take one.img|product=Session 12|vendor=TAVO");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->path, "/srv/drives/take one.img");
    EXPECT_EQ(vendorOf(*entry), "TAVO");
    EXPECT_EQ(productOf(*entry), "Session 12");
}

TEST(DriveEntryTest, DefaultsAreDiskImageAndTheStemCutToSixteen) {
    auto entry = parseDriveEntry("SBP2\\/srv/a-very-long-drive-image-name.img");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(vendorOf(*entry), "DISKIMG");
    EXPECT_EQ(productOf(*entry), "a-very-long-driv");
}

TEST(DriveEntryTest, ValuesThatNameNoStoreAreNotDrives) {
    EXPECT_FALSE(parseDriveEntry("SBP2\\").has_value());
    EXPECT_FALSE(parseDriveEntry("SBP2\\|vendor=X").has_value());
    EXPECT_FALSE(parseDriveEntry("SBP2/tmp/a").has_value());
    EXPECT_FALSE(parseDriveEntry("IDE\\/tmp/a").has_value());
}

TEST(DriveEntryTest, EntryFormatsBackToTheSameValue) {
    DriveEntry entry{"/d/a.img", "DEMO", "Studio A"};
    auto again = parseDriveEntry(formatDriveEntry(entry));
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->path, entry.path);
    EXPECT_EQ(again->vendor, entry.vendor);
    EXPECT_EQ(again->product, entry.product);
}

TEST(EnumerationPathTest, ExplicitFileThenXdgConfigThenHome) {
    ::setenv("VXF_DISK_ENUM", "/x/disks", 1);
    EXPECT_EQ(enumerationFilePath(), "/x/disks");
    ::unsetenv("VXF_DISK_ENUM");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(enumerationFilePath(), "/cfg/vxfdeck/disks");
    ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored
    ::setenv("HOME", "/home/me", 1);
    EXPECT_EQ(enumerationFilePath(), "/home/me/.config/vxfdeck/disks");
}

TEST(EnumerationEditTest, AddToAnEmptyFileWritesCountAndTheFirstValue) {
    TextEdit edit = addDriveToText("", DriveEntry{"/d/a.img", "DEMO", ""});
    EXPECT_EQ(edit.outcome.result, EditResult::done);
    EXPECT_EQ(edit.outcome.index, 0u);
    EXPECT_EQ(edit.text, "Count=1\n0=SBP2\\/d/a.img|vendor=DEMO\n");
}

TEST(EnumerationEditTest, AddKeepsOtherDisksAndLinesInPlace) {
    std::string text = "# disks of this machine\nCount=2\n0=IDE\\DiskA\n1=SBP2\\/d/a.img\nOther=kept\n";
    TextEdit edit = addDriveToText(text, DriveEntry{"/d/b.img", "", ""});
    EXPECT_EQ(edit.outcome.index, 2u);
    EXPECT_EQ(edit.text,
              "# disks of this machine\nCount=3\n0=IDE\\DiskA\n1=SBP2\\/d/a.img\n2=SBP2\\/d/b.img\nOther=kept\n");
}

TEST(EnumerationEditTest, AddingAListedDriveIsRefusedWhateverThePathForm) {
    TextEdit edit = addDriveToText("Count=2\n0=IDE\\x\n1=SBP2\\/d/a.img\n", DriveEntry{"/d/./b/../a.img", "", ""});
    EXPECT_EQ(edit.outcome.result, EditResult::alreadyListed);
    EXPECT_EQ(edit.outcome.index, 1u);
}

TEST(EnumerationEditTest, RemoveRenumbersTheDisksAfterItAndKeepsTheRest) {
    std::string text = "Count=4\n0=SBP2\\/d/a.img\n1=IDE\\x\n2=SBP2\\/d/b.img|vendor=V\n3=SBP2\\/d/c.img\n";
    TextEdit edit = removeDriveFromText(text, "/d/a.img");
    EXPECT_EQ(edit.outcome.result, EditResult::done);
    EXPECT_EQ(edit.outcome.index, 0u);
    EXPECT_EQ(edit.text, "Count=3\n0=IDE\\x\n1=SBP2\\/d/b.img|vendor=V\n2=SBP2\\/d/c.img\n");
}

TEST(EnumerationEditTest, RemovingAnUnlistedPathOrANonRecorderDiskIsRefused) {
    std::string text = "Count=1\n0=IDE\\/d/a.img\n";
    EXPECT_EQ(removeDriveFromText(text, "/d/a.img").outcome.result, EditResult::notListed);
    EXPECT_EQ(removeDriveFromText(text, "/d/z.img").outcome.result, EditResult::notListed);
}

TEST(EnumerationEditTest, ValuesBeyondCountAreDroppedAndCountWithoutNumberRefused) {
    TextEdit edit = addDriveToText("Count=1\n0=SBP2\\/d/a.img\n5=SBP2\\/d/stale.img\n", DriveEntry{"/d/b.img", "", ""});
    EXPECT_EQ(edit.text, "Count=2\n0=SBP2\\/d/a.img\n1=SBP2\\/d/b.img\n");
    EXPECT_EQ(addDriveToText("Count=many\n", DriveEntry{"/d/b.img", "", ""}).outcome.result, EditResult::damaged);
}

class EnumerationFileEditTest : public DriveFixture {};

TEST_F(EnumerationFileEditTest, AddMakesTheFolderAndRemoveRewritesTheFile) {
    std::string path = folder_ + "/new/folder/disks";
    EditOutcome added = addDrive(path, DriveEntry{"/d/a.img", "", ""});
    ASSERT_EQ(added.result, EditResult::done);
    EXPECT_EQ(readFile(path), "Count=1\n0=SBP2\\/d/a.img\n");
    ASSERT_EQ(removeDrive(path, "/d/a.img").result, EditResult::done);
    EXPECT_EQ(readFile(path), "Count=0\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_ + "/new/folder"),
                            std::filesystem::directory_iterator()),
              1);  // no temporary file left behind
}

TEST_F(EnumerationFileEditTest, UnreadableFileIsReportedAndLeftAlone) {
    std::filesystem::create_directory(enumPath_);
    EXPECT_EQ(addDrive(enumPath_, DriveEntry{"/d/a.img", "", ""}).result, EditResult::damaged);
    EXPECT_TRUE(std::filesystem::is_directory(enumPath_));
}

TEST(FaultFileTest, EveryKindOfLineIsUnderstood) {
    platform::FaultSet f = platform::parseFaultFile(
        "read-error 100 107\nwrite-error 0x10 0x1f\nread-error 9\nno-capacity\nno-identify\nunmount-error\n"
        "slow-read 5\nread-rate 40\n");
    ASSERT_EQ(f.readErrors.size(), 2u);
    EXPECT_EQ(f.readErrors[0].first, 100u);
    EXPECT_EQ(f.readErrors[0].last, 107u);
    EXPECT_EQ(f.readErrors[1].first, 9u);
    EXPECT_EQ(f.readErrors[1].last, 9u);
    ASSERT_EQ(f.writeErrors.size(), 1u);
    EXPECT_EQ(f.writeErrors[0].last, 31u);
    EXPECT_TRUE(f.noCapacity && f.noIdentify && f.unmountError);
    EXPECT_TRUE(f.readIsSlow(0, 6));
    EXPECT_FALSE(f.readIsSlow(6, 100));
    EXPECT_EQ(f.readMegabytesPerSecond, 40u);
}

TEST(FaultFileTest, LinesThatMakeNoSenseAreIgnored) {
    platform::FaultSet f = platform::parseFaultFile(
        "read-error 7 3\nread-error -1 4\nwrite-error x y\nread-error 1 2 3\nno-capacity please\n"
        "write-error 99999999999999999999999 1\nREAD-ERROR 1 2\n\x01\x02\n  # comment\n"
        "read-rate 0\nread-rate -5\nread-rate 12 MB\nread-rate 1e3\nread-rate 99999999\n");
    EXPECT_TRUE(f.empty());
}

TEST(FaultFileTest, RangeMatchesEveryRequestThatTouchesIt) {
    platform::FaultSet f = platform::parseFaultFile("read-error 100 107\n");
    EXPECT_FALSE(f.readFails(90, 10));
    EXPECT_TRUE(f.readFails(90, 11));
    EXPECT_TRUE(f.readFails(107, 65535));
    EXPECT_FALSE(f.readFails(108, 1));
    EXPECT_TRUE(f.readFails(0, 0xFFFFFFFFFFFFull));
    EXPECT_FALSE(f.writeFails(100, 1));
}

}  // namespace
}  // namespace vxf1394::test
