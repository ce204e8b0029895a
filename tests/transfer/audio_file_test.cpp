// audio_file_test.cpp - the AudioFile object's life: closing, misuse, failures, messages and long paths.
#include "test_support.h"

#include <filesystem>

namespace vxf::transfer::test {
namespace {

class AudioFileTest : public TransferTest {};

TEST_F(AudioFileTest, EveryCodeHasItsMessage) {
    const std::vector<std::string> texts = {"Failed to open file.",  "Failed to read file.",
                                            "Failed to write file.", "Invalid file format.",
                                            "Unsupport file format.", "Unsupport multiple-channel format."};
    for (int code = AUDIO_ERR_OPEN; code <= kLastAudioError; ++code) {
        EXPECT_EQ(audioErrorMessage(code, "/x/a.wav"), "/x/a.wav\r\n" + texts[static_cast<size_t>(code - 1)]);
    }
    EXPECT_EQ(audioErrorMessage(0, "p"), "");
    EXPECT_EQ(audioErrorMessage(7, "p"), "");
}

TEST_F(AudioFileTest, CloseWithNothingOpenGivesFalseQuietly) {
    AudioFile file(sink_);
    EXPECT_FALSE(file.Close());
    Bytes buffer(8);
    size_t count = 1;
    EXPECT_FALSE(file.ReadSamples(buffer.data(), buffer.size(), false, false, count));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(file.WriteSamples(buffer.data(), buffer.size(), false, false, count));
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(AudioFileTest, AFailedOpenLeavesTheObjectClosed) {
    writeFile(pathOf("bad.wav"), Bytes(100, 0));
    AudioFile file(sink_);
    EXPECT_FALSE(openForRead(file, AudioFormat::Wav, pathOf("bad.wav")).ok);
    EXPECT_EQ(sink_.messages.size(), 1u);
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(sink_.messages.size(), 1u);
}

TEST_F(AudioFileTest, ReadingAndWritingTheWrongWayRoundIsRefusedQuietly) {
    AudioFile file(sink_);
    ASSERT_TRUE(file.OpenForWrite(AudioFormat::Wav, pathOf("w.wav"), 48000, 24, 1));
    Bytes buffer(3);
    size_t count = 0;
    EXPECT_FALSE(file.ReadSamples(buffer.data(), buffer.size(), false, false, count));
    EXPECT_TRUE(file.isOpen());
    EXPECT_TRUE(sink_.messages.empty());
}

TEST_F(AudioFileTest, DestroyingAnOpenWriterFinishesTheFile) {
    {
        AudioFile file(sink_);
        ASSERT_TRUE(file.OpenForWrite(AudioFormat::Wav, pathOf("d.wav"), 44100, 8, 3));
        Bytes samples = {1, 2, 3};
        size_t consumed = 0;
        ASSERT_TRUE(file.WriteSamples(samples.data(), samples.size(), false, true, consumed));
    }
    const Bytes bytes = readFile(pathOf("d.wav"));
    ASSERT_EQ(bytes.size(), 48u);
    EXPECT_EQ(le32At(bytes, 4), 40u);
    EXPECT_EQ(le32At(bytes, 40), 3u);
}

TEST_F(AudioFileTest, OpeningAgainFinishesTheFileBefore) {
    AudioFile file(sink_);
    ASSERT_TRUE(file.OpenForWrite(AudioFormat::Aiff, pathOf("first.aif"), 44100, 24, 0));
    ASSERT_TRUE(file.OpenForWrite(AudioFormat::Wav, pathOf("second.wav"), 44100, 24, 0));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(readFile(pathOf("first.aif")).size(), 54u);
    EXPECT_EQ(readFile(pathOf("first.aif"))[0], 'F');
}

TEST_F(AudioFileTest, AnExistingFileIsReplacedOnlyByAFinishedCloseAndALinkNeverWrittenThrough) {
    namespace fs = std::filesystem;
    const std::string path = pathOf("r.wav");
    writeFile(path, Bytes{'o', 'l', 'd'});
    for (bool finished : {false, true}) {
        AudioFile file(sink_);
        ASSERT_TRUE(file.OpenForWrite(AudioFormat::Wav, path, 48000, 24, 0));
        EXPECT_EQ(readFile(path), (Bytes{'o', 'l', 'd'}));
        ASSERT_TRUE(finished ? file.Close() : file.CloseIncomplete());
    }
    EXPECT_EQ(readFile(path).size(), 44u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 1);

    // A link put where the file goes after the export's own check is refused at the open.
    fs::create_symlink(path, pathOf("to-file.wav"));
    fs::create_symlink(pathOf("gone.wav"), pathOf("dangling.wav"));
    for (const char* name : {"to-file.wav", "dangling.wav"}) {
        AudioFile file(sink_);
        EXPECT_FALSE(file.OpenForWrite(AudioFormat::Wav, pathOf(name), 48000, 24, 0));
        EXPECT_EQ(file.lastError(), AUDIO_ERR_OPEN);
        EXPECT_TRUE(fs::is_symlink(pathOf(name)));
    }
    EXPECT_EQ(readFile(path).size(), 44u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(pathOf("gone.wav"))));
}

TEST_F(AudioFileTest, PathsLongerThan256CharactersAreKeptWhole) {
    std::string folder = dir_;
    while (folder.size() < 300) folder += "/" + std::string(60, 'd');
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/Track01.wav";
    writeAudio(AudioFormat::Wav, path, 48000, 24, patternSamples(4, 3));
    AudioFile file(sink_);
    const Opened o = openForRead(file, AudioFormat::Wav, path);
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(file.path(), path);
    EXPECT_EQ(o.count, 4u);
    expectRefused(AudioFormat::Aiff, path, AUDIO_ERR_INVALID);
    EXPECT_EQ(lastMessage(), path + "\r\nInvalid file format.");
}

TEST_F(AudioFileTest, CreatingInAMissingFolderFailsToOpen) {
    AudioFile file(sink_);
    EXPECT_FALSE(file.OpenForWrite(AudioFormat::Sd2, pathOf("no/such.sd2"), 48000, 24, 10));
    EXPECT_EQ(file.lastError(), AUDIO_ERR_OPEN);
    EXPECT_EQ(lastMessage(), pathOf("no/such.sd2") + "\r\nFailed to open file.");
}

TEST_F(AudioFileTest, RefusesToWriteMoreThanTheHeadersCanDescribe) {
    AudioFile file(sink_);
    EXPECT_FALSE(file.OpenForWrite(AudioFormat::Wav, pathOf("huge.wav"), 48000, 24, 0x60000000));
    EXPECT_EQ(file.lastError(), AUDIO_ERR_WRITE);
    EXPECT_FALSE(std::filesystem::exists(pathOf("huge.wav")));
    EXPECT_FALSE(file.OpenForWrite(AudioFormat::Wav, pathOf("odd.wav"), 48000, 12, 10));
    EXPECT_EQ(file.lastError(), AUDIO_ERR_UNSUPPORTED);
}

TEST_F(AudioFileTest, AWriteErrorClosesTheFileAndSaysSo) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fill";
    AudioFile file(sink_);
    ASSERT_TRUE(file.OpenForWrite(AudioFormat::DigSd, "/dev/full", 48000, 24, 100000));
    Bytes samples = patternSamples(100000, 3);
    size_t consumed = 0;
    EXPECT_FALSE(file.WriteSamples(samples.data(), samples.size(), true, false, consumed));
    EXPECT_EQ(file.lastError(), AUDIO_ERR_WRITE);
    EXPECT_EQ(lastMessage(), "/dev/full\r\nFailed to write file.");
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.Close());
}

}  // namespace
}  // namespace vxf::transfer::test
