// deck_transfer_fixture.h - the Transfer group on the fake form: a demo-like drive with songs of known audio, folders, helpers.
#pragma once

#include "audio_format.h"
#include "deck_fixture.h"
#include "transfer_fake_form.h"

#include <cstdint>
#include <string>
#include <vector>

namespace decktest {

using Bytes = std::vector<uint8_t>;

// The same samples for each (count, seed): 3 bytes a sample, little-endian, never silent.
Bytes trackPattern(uint32_t samples, uint32_t seed);

class TransferDeckFixture : public DeckFixture {
protected:
    struct SongSpec {
        std::string name;
        uint16_t tracks;
        uint32_t rate;
        uint32_t samples;  // each track holds trackPattern(samples, track + 1)
    };

    void SetUp() override;

    // Drive "Studio A", project "Demo Session" with these songs; the last one is current.
    void makeDrive(const std::vector<SongSpec>& songs);
    // Starts the view on the transfer form.
    deck::DeckView& start();

    // The user selects exactly these lines of the track or file list.
    void selectLines(const std::vector<int>& lines);
    void press(int id) { view().controlChanged(id); }
    void switchTab(int index);
    // Types a directory into the field (text edited).
    void typeDirectory(const std::string& directory);

    // Hands the posted window messages to the view, as the window thread would.
    void deliverPosted();
    // Lets the device play every buffer it gets until the preview ends or nothing is queued.
    void playToEnd();

    // Samples of a track of the current song, 3 bytes little-endian.
    Bytes trackAudio(uint16_t track);
    // Writes an audio file from little-endian samples: 3 bytes each for 16- and 24-bit files (a
    // 16-bit file rounds them), 1 signed byte for 8-bit files.
    void writeAudio(vxf::transfer::AudioFormat format, const std::string& path, uint32_t rate, uint16_t bits,
                    Bytes samples);
    // The samples of an audio file, little-endian (8-bit ones signed), and its facts.
    Bytes fileAudio(vxf::transfer::AudioFormat format, const std::string& path, uint32_t* rate = nullptr,
                    uint16_t* bits = nullptr);

    std::vector<std::string> boxTexts();
    FakeSoundOutput& sound() { return *tform_.services.sound; }

    TransferFakeForm tform_;
    std::string exportDir_;
    std::string importDir_;
};

}  // namespace decktest
