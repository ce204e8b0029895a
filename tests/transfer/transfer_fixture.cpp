// transfer_fixture.cpp - export and import tests: a drive image with a song of known audio, a scripted screen, a faulty server.
#include "transfer_fixture.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <random>

#include "audio_file.h"
#include "tavovxf.h"

namespace vxf::transfer::test {

namespace {

ExportSettings exportSettings(const std::string& directory, std::optional<AudioFormat> format, uint16_t bits) {
    ExportSettings settings;
    settings.directory = directory;
    settings.format = format;
    settings.wordLength = bits;
    return settings;
}

}  // namespace

ReplaceAnswer ScriptedScreen::askReplace(const std::string& text, const std::string& caption, bool offerAll) {
    replaceQuestions.push_back({text, caption, offerAll});
    if (replaceAnswers.empty()) return ReplaceAnswer::Yes;
    const ReplaceAnswer answer = replaceAnswers.front();
    if (replaceAnswers.size() > 1) replaceAnswers.pop_front();
    return answer;
}

bool ScriptedScreen::askOkCancel(const std::string& text) {
    okCancelQuestions.push_back(text);
    return okCancelAnswer;
}

bool ScriptedScreen::askYesNo(const std::string& text) {
    yesNoQuestions.push_back(text);
    return yesNoAnswer;
}

std::optional<uint16_t> ScriptedScreen::chooseTrack(const std::string& path, uint16_t trackCount,
                                                    const std::vector<bool>& trackFree, std::optional<uint16_t>) {
    EXPECT_EQ(trackFree.size(), trackCount);
    trackQuestions.push_back({path, trackFree});
    if (trackChoices.empty()) return std::nullopt;
    const std::optional<uint16_t> choice = trackChoices.front();
    trackChoices.pop_front();
    return choice;
}

void ScriptedScreen::showStatistics(const TransferStatistics& statistics, uint64_t bytes) {
    EXPECT_GE(statistics.seconds, 0);
    statisticsBytes.push_back(bytes);
}

std::optional<uint64_t> ScriptedScreen::freeBytes(const std::string& directory) {
    if (freeSpace) return freeSpace;
    return TransferQuestions::freeBytes(directory);
}

void ScriptedScreen::open(uint16_t tracks) { opened.push_back(tracks); }

bool ScriptedScreen::pollCancel() { return ++polls == cancelAtPoll; }

int32_t FaultyServer::songName(std::string& name) {
    if (!songNameGiven) return DriveTransferServer::songName(name);
    name = *songNameGiven;
    return 0;
}

int32_t FaultyServer::optimalTransferSize(uint32_t& samples) {
    if (beforeOptimalSize) beforeOptimalSize();
    return DriveTransferServer::optimalTransferSize(samples);
}

int32_t FaultyServer::trackRead(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                                uint16_t bytesPerSample, uint16_t byteOrder, void* buffer) {
    // An out-of-range track makes the server itself refuse, with its own message.
    if (failReadOfTrack == track) track = 99;
    return DriveTransferServer::trackRead(track, offset, count, samplesRead, bytesPerSample, byteOrder, buffer);
}

int32_t FaultyServer::driveFreeSpace(uint32_t& kib) {
    if (!freeKiB) return DriveTransferServer::driveFreeSpace(kib);
    kib = *freeKiB;
    return 0;
}

void TransferFixture::SetUp() {
    SongFixture::SetUp();
    outDir_ = folder_ + "/out";
    ASSERT_EQ(::mkdir(outDir_.c_str(), 0755), 0);
}

void TransferFixture::makeSong(uint16_t tracks, uint32_t rate, uint32_t samples, const std::string& name,
                               uint64_t sectors) {
    handle_ = openWithSong(tracks, rate, sectors);
    if (!name.empty()) {
        ASSERT_EQ(tavovxfSongSetExtName(handle_, name.c_str()), VXF_OK);
        ASSERT_EQ(tavovxfSongSetName(handle_, name.c_str()), VXF_OK);
    }
    audio_.clear();
    const void* sources[VXF_MAX_TRACKS] = {};
    for (uint16_t track = 0; track < tracks; ++track) {
        audio_.push_back(trackPattern(samples, track + 1));
        sources[track] = audio_.back().data();
    }
    if (samples > 0) {
        ASSERT_EQ(tavovxfTrackWriteAll(handle_, 0, samples, 3, 0, sources), VXF_OK);
    }
    server_ = std::make_unique<FaultyServer>(exports_, handle_);
}

void TransferFixture::addSong(uint16_t tracks, uint32_t rate) {
    ASSERT_EQ(tavovxfSongCreate(handle_, tracks, rate, 24), VXF_OK);
}

std::vector<Bytes> TransferFixture::addHighRateSong() {
    addSong(8, 96000);
    EXPECT_EQ(tavovxfSongSetExtName(handle_, "Hi"), VXF_OK);
    EXPECT_EQ(tavovxfSongSetName(handle_, "Hi"), VXF_OK);
    std::vector<Bytes> tracks;
    const void* sources[VXF_MAX_TRACKS] = {};
    for (int t = 0; t < 8; ++t) {
        tracks.push_back(trackPattern(20000, 100 + t));
        sources[t] = tracks.back().data();
    }
    EXPECT_EQ(tavovxfTrackWriteAll(handle_, 0, 20000, 3, 0, sources), VXF_OK);
    return tracks;
}

SongFacts TransferFixture::facts() {
    SongFacts song;
    EXPECT_EQ(readSongFacts(handle_, song), VXF_OK);
    return song;
}

TransferOutcome TransferFixture::exportTracks(const std::vector<uint16_t>& tracks,
                                              std::optional<AudioFormat> format, uint16_t bits,
                                              const std::string& directory) {
    TransferContext context{*server_, screen_, screen_, screen_};
    TrackExport exporter(context, facts(), exportSettings(directory.empty() ? outDir_ : directory, format, bits));
    return exporter.run(tracks);
}

TransferOutcome TransferFixture::exportTracks(const std::vector<uint16_t>& tracks, const SongFacts& song,
                                              AudioFormat format) {
    TransferContext context{*server_, screen_, screen_, screen_};
    TrackExport exporter(context, song, exportSettings(outDir_, format, 24));
    return exporter.run(tracks);
}

TransferOutcome TransferFixture::importFiles(const std::vector<ImportFile>& files, const std::string& directory) {
    TransferContext context{*server_, screen_, screen_, screen_};
    SongFacts song = facts();
    TrackImport importer(context, song, directory.empty() ? outDir_ : directory);
    return importer.run(files);
}

Bytes TransferFixture::trackAudio(uint16_t track) {
    const uint32_t length = songLength(handle_);
    return length == 0 ? Bytes{} : readTrack(handle_, track, 0, length);
}

Bytes TransferFixture::fileAudio(AudioFormat format, const std::string& path, uint32_t* rate, uint16_t* bits) {
    AudioFile file(screen_);
    uint32_t fileRate = 0;
    uint16_t fileBits = 0;
    uint32_t count = 0;
    EXPECT_TRUE(file.OpenForRead(format, path, fileRate, fileBits, count)) << path;
    if (rate) *rate = fileRate;
    if (bits) *bits = fileBits;
    Bytes samples(size_t(count) * fileBits / 8);
    size_t got = 0;
    if (!samples.empty()) {
        EXPECT_TRUE(file.ReadSamples(samples.data(), samples.size(), false, false, got));
    }
    EXPECT_EQ(got, samples.size());
    return samples;
}

void TransferFixture::writeAudio(AudioFormat format, const std::string& path, uint32_t rate, uint16_t bits,
                                 Bytes samples) {
    // A 16-bit file takes 24-bit input: a zero low byte keeps the samples as they are.
    if (bits == 16) {
        Bytes wide;
        for (size_t i = 0; i + 1 < samples.size(); i += 2) wide.insert(wide.end(), {0, samples[i], samples[i + 1]});
        samples = wide;
    }
    const uint32_t count = static_cast<uint32_t>(bits == 16 ? samples.size() / 3 : samples.size() / (bits / 8));
    AudioFile file(screen_);
    ASSERT_TRUE(file.OpenForWrite(format, path, rate, bits, count));
    size_t consumed = 0;
    if (!samples.empty()) {
        ASSERT_TRUE(file.WriteSamples(samples.data(), samples.size(), false, false, consumed));
    }
    ASSERT_TRUE(file.Close());
}

Bytes trackPattern(uint32_t samples, uint32_t seed) {
    std::mt19937 random(seed * 7919u);
    Bytes bytes(size_t(samples) * 3);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

Bytes roundedTo16(const Bytes& samples24) {
    Bytes out;
    for (size_t i = 0; i + 2 < samples24.size(); i += 3) {
        uint16_t v = static_cast<uint16_t>(samples24[i + 2] << 8 | samples24[i + 1]);
        if ((v & 0x7FFF) != 0x7FFF && samples24[i] >= 0x80) ++v;
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    return out;
}

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vxf::transfer::test
