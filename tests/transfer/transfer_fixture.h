// transfer_fixture.h - export and import tests: a drive image with a song of known audio, a scripted screen, a faulty server.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "drive_transfer_server.h"
#include "message_sink.h"
#include "server_exports.h"
#include "song_fixture.h"
#include "track_export.h"
#include "track_import.h"
#include "transfer_ui.h"

namespace vxf::transfer::test {

using Bytes = std::vector<uint8_t>;

// Answers questions from a script and records what the screen was asked to show.
class ScriptedScreen : public TransferQuestions, public CopyProgressView, public MessageSink {
public:
    struct Question {
        std::string text;
        std::string caption;
        bool offerAll = false;
    };
    struct TrackChoice {
        std::string path;
        std::vector<bool> trackFree;
    };

    ReplaceAnswer askReplace(const std::string& text, const std::string& caption, bool offerAll) override;
    bool askOkCancel(const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    std::optional<uint16_t> chooseTrack(const std::string& path, uint16_t trackCount,
                                        const std::vector<bool>& trackFree,
                                        std::optional<uint16_t> lastChosen) override;
    void showStatistics(const TransferStatistics& statistics, uint64_t bytes) override;
    std::optional<uint64_t> freeBytes(const std::string& directory) override;

    void open(uint16_t tracks) override;
    void setFrom(const std::string& text) override { from.push_back(text); }
    void setTo(const std::string& text) override { to.push_back(text); }
    void setBar(uint32_t, uint32_t, uint64_t) override {}
    void setPercentText(const std::string& text) override { percentTexts.push_back(text); }
    bool pollCancel() override;
    void close() override { ++closed; }

    void showError(const std::string& text) override {
        errors.push_back(text);
        errorThreads.push_back(std::this_thread::get_id());
    }

    // Script: answers taken in order, the last one repeated (Yes when none).
    std::deque<ReplaceAnswer> replaceAnswers;
    bool okCancelAnswer = true;
    bool yesNoAnswer = true;
    std::deque<std::optional<uint16_t>> trackChoices;
    std::optional<uint64_t> freeSpace;  // none: the file system's own figure
    int cancelAtPoll = 0;               // 1: Cancel pressed during the first block, ...

    // Record.
    std::vector<Question> replaceQuestions;
    std::vector<std::string> okCancelQuestions;
    std::vector<std::string> yesNoQuestions;
    std::vector<TrackChoice> trackQuestions;
    std::vector<uint64_t> statisticsBytes;
    std::vector<uint16_t> opened;  // tracks of each progress window opened
    int closed = 0;
    int polls = 0;
    std::vector<std::string> from;
    std::vector<std::string> to;
    std::vector<std::string> percentTexts;
    std::vector<std::string> errors;
    std::vector<std::thread::id> errorThreads;
};

// The exports, with faults on demand.
class FaultyServer : public DriveTransferServer<ServerExports> {
public:
    using DriveTransferServer::DriveTransferServer;

    int32_t songName(std::string& name) override;
    int32_t optimalTransferSize(uint32_t& samples) override;
    int32_t trackRead(uint16_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                      uint16_t byteOrder, void* buffer) override;
    int32_t driveFreeSpace(uint32_t& kib) override;

    std::optional<std::string> songNameGiven;     // none: the song's own name
    std::optional<uint16_t> failReadOfTrack;      // its reads answer "Invalid input parameter."
    std::optional<uint32_t> freeKiB;               // none: the drive's own figure
    std::function<void()> beforeOptimalSize;       // runs when the block size is asked
};

class TransferFixture : public vxfserver::test::SongFixture {
protected:
    void SetUp() override;

    // A formatted drive with one song of `tracks` tracks, each `samples` samples of its own
    // pattern (3 bytes, little-endian), current and open on handle_.
    void makeSong(uint16_t tracks, uint32_t rate, uint32_t samples, const std::string& name = "",
                  uint64_t sectors = vxfserver::test::kDriveSectors);
    // Another song in the same project, made current.
    void addSong(uint16_t tracks, uint32_t rate);
    // Another song "Hi" in the same project: 8 tracks at 96 kHz of 20000 samples each; answers them.
    std::vector<Bytes> addHighRateSong();
    SongFacts facts();

    TransferOutcome exportTracks(const std::vector<uint16_t>& tracks, std::optional<AudioFormat> format,
                                 uint16_t bits = 24, const std::string& directory = "");
    TransferOutcome exportTracks(const std::vector<uint16_t>& tracks, const SongFacts& song, AudioFormat format);
    TransferOutcome importFiles(const std::vector<ImportFile>& files, const std::string& directory = "");

    // The track's samples, 3 bytes little-endian, read through the export.
    Bytes trackAudio(uint16_t track);
    // Every sample of an audio file, little-endian, in the file's width.
    Bytes fileAudio(AudioFormat format, const std::string& path, uint32_t* rate = nullptr, uint16_t* bits = nullptr);
    // Writes an audio file of `samples` (little-endian, `bits` wide).
    void writeAudio(AudioFormat format, const std::string& path, uint32_t rate, uint16_t bits, Bytes samples);
    std::string out(const std::string& name) const { return outDir_ + "/" + name; }

    uint32_t handle_ = 0;
    std::vector<Bytes> audio_;  // per track, as written by makeSong
    std::string outDir_;
    ScriptedScreen screen_;
    ServerExports exports_{true};
    std::unique_ptr<FaultyServer> server_;
};

// The same sample pattern for each (track, seed); 3 bytes a sample.
Bytes trackPattern(uint32_t samples, uint32_t seed);
// 24-bit little-endian samples rounded to 16 bits as a 16-bit file stores them.
Bytes roundedTo16(const Bytes& samples24);
Bytes readBytes(const std::string& path);

}  // namespace vxf::transfer::test
