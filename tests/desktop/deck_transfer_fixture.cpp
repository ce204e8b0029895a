// deck_transfer_fixture.cpp - the Transfer group on the fake form: a demo-like drive with songs of known audio, folders, helpers.
#include "deck_transfer_fixture.h"

#include "audio_file.h"
#include "ids.h"
#include "message_sink.h"
#include "tavovxf.h"
#include "transfer_ids.h"

#include <filesystem>

namespace decktest {

namespace {

class FailOnMessage : public vxf::transfer::MessageSink {
public:
    void showError(const std::string& text) override { ADD_FAILURE() << text; }
};

}  // namespace

Bytes trackPattern(uint32_t samples, uint32_t seed) {
    Bytes bytes(size_t{samples} * 3);
    uint32_t state = seed * 2654435761u + 1;
    for (uint32_t i = 0; i < samples; ++i) {
        state = state * 1664525u + 1013904223u;
        const uint32_t value = (state >> 8) | 1;  // 24 bits, never 0
        bytes[3 * i] = static_cast<uint8_t>(value);
        bytes[3 * i + 1] = static_cast<uint8_t>(value >> 8);
        bytes[3 * i + 2] = static_cast<uint8_t>(value >> 16);
    }
    return bytes;
}

void TransferDeckFixture::SetUp() {
    DeckFixture::SetUp();
    exportDir_ = folder_ + "/out";
    importDir_ = folder_ + "/in";
    std::filesystem::create_directories(exportDir_);
    std::filesystem::create_directories(importDir_);
}

void TransferDeckFixture::makeDrive(const std::vector<SongSpec>& songs) {
    addFormattedDrive("studio-a.img");
    onDrive(0, [&](uint32_t handle) {
        ASSERT_EQ(tavovxfDriveSetExtName(handle, "Studio A"), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetExtName(handle, "Demo Session"), VXF_OK);
        for (const SongSpec& song : songs) {
            ASSERT_EQ(tavovxfSongCreate(handle, song.tracks, song.rate, 24), VXF_OK);
            ASSERT_EQ(tavovxfSongSetExtName(handle, song.name.c_str()), VXF_OK);
            std::vector<Bytes> audio;
            const void* table[VXF_MAX_TRACKS] = {};
            for (uint16_t track = 0; track < song.tracks; ++track) audio.push_back(trackPattern(song.samples, track + 1));
            for (uint16_t track = 0; track < song.tracks; ++track) table[track] = audio[track].data();
            if (song.samples > 0) {
                ASSERT_EQ(tavovxfTrackWriteAll(handle, 0, song.samples, 3, 0, table), VXF_OK);
            }
        }
    });
}

deck::DeckView& TransferDeckFixture::start() {
    view_ = std::make_unique<deck::DeckView>(tform_, profile_);
    view_->start();
    return *view_;
}

void TransferDeckFixture::selectLines(const std::vector<int>& lines) {
    for (int i = 0; i < tform_.lineCount(deck::ctl::kTransferList); ++i)
        tform_.setLineSelected(deck::ctl::kTransferList, i, false);
    for (int line : lines) tform_.setLineSelected(deck::ctl::kTransferList, line, true);
    press(deck::ctl::kTransferList);
}

void TransferDeckFixture::switchTab(int index) {
    tform_.setSelection(deck::ctl::kTransferTab, index);
    press(deck::ctl::kTransferTab);
}

void TransferDeckFixture::typeDirectory(const std::string& directory) {
    tform_.setText(deck::ctl::kTransferDirectory, directory);
    press(deck::ctl::kTransferDirectory | deck::kNotifyEditChange);
}

void TransferDeckFixture::deliverPosted() {
    while (!tform_.services.posted.empty()) {
        const PostedMessage message = tform_.services.posted.front();
        tform_.services.posted.pop_front();
        view().windowMessage(message.message, message.wparam, message.lparam);
    }
}

void TransferDeckFixture::playToEnd() {
    deliverPosted();
    for (int guard = 0; guard < 10000 && view().transfer().isBusy(); ++guard) {
        if (!sound().playNext()) break;
        deliverPosted();
    }
}

Bytes TransferDeckFixture::trackAudio(uint16_t track) {
    const uint32_t handle = view().drives().handle();
    uint32_t length = 0;
    EXPECT_EQ(tavovxfSongGetLength(handle, &length), VXF_OK);
    Bytes bytes(size_t{length} * 3);
    uint32_t read = 0;
    if (length > 0) {
        EXPECT_EQ(tavovxfTrackRead(handle, track, 0, length, &read, 3, 0, bytes.data()), VXF_OK);
    }
    bytes.resize(size_t{read} * 3);
    return bytes;
}

void TransferDeckFixture::writeAudio(vxf::transfer::AudioFormat format, const std::string& path, uint32_t rate,
                                     uint16_t bits, Bytes samples) {
    FailOnMessage messages;
    vxf::transfer::AudioFile file(messages);
    const uint32_t count = static_cast<uint32_t>(samples.size() / (bits == 8 ? 1 : 3));
    ASSERT_TRUE(file.OpenForWrite(format, path, rate, bits, count));
    size_t consumed = 0;
    ASSERT_TRUE(file.WriteSamples(samples.data(), samples.size(), false, false, consumed));
    ASSERT_TRUE(file.Close());
}

Bytes TransferDeckFixture::fileAudio(vxf::transfer::AudioFormat format, const std::string& path, uint32_t* rate,
                                     uint16_t* bits) {
    FailOnMessage messages;
    vxf::transfer::AudioFile file(messages);
    uint32_t fileRate = 0;
    uint16_t fileBits = 0;
    uint32_t count = 0;
    if (!file.OpenForRead(format, path, fileRate, fileBits, count)) return {};
    Bytes bytes(size_t{count} * (fileBits / 8) + 16);
    size_t read = 0;
    EXPECT_TRUE(file.ReadSamples(bytes.data(), bytes.size(), false, false, read));
    bytes.resize(read);
    if (rate) *rate = fileRate;
    if (bits) *bits = fileBits;
    return bytes;
}

std::vector<std::string> TransferDeckFixture::boxTexts() {
    std::vector<std::string> texts;
    for (const ShownBox& box : tform_.boxes) texts.push_back(box.text);
    tform_.boxes.clear();
    return texts;
}

}  // namespace decktest
