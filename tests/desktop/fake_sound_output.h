// fake_sound_output.h - a sound device for tests: plays nothing, answers from settings, plays buffers on demand.
#pragma once

#include "sound_output.h"

#include <cstdint>
#include <deque>
#include <set>
#include <vector>

namespace decktest {

class FakeSoundOutput : public deck::SoundOutput {
public:
    deck::SoundResult query(const deck::SoundFormat& format) override;
    deck::SoundResult open(const deck::SoundFormat& format, DoneCallback done) override;
    deck::SoundResult write(deck::SoundBuffer& buffer) override;
    uint64_t position() override { return played; }
    void reset() override;
    void close() override;

    // The device finishes the oldest queued buffer: its samples count as played and the
    // completion runs. False when nothing is queued.
    bool playNext();

    // Settings.
    bool noDevice = false;               // every open answers "no driver"
    std::set<uint16_t> refusedBits;      // word lengths the device does not play
    deck::SoundResult openResult = deck::SoundResult::Ok;  // what a real open answers

    // Record.
    std::vector<deck::SoundFormat> queries;
    std::vector<deck::SoundFormat> opens;
    std::vector<std::vector<uint8_t>> written;  // the bytes of every buffer written
    std::deque<deck::SoundBuffer*> queue;
    bool isOpen = false;
    int resets = 0;
    uint64_t played = 0;

private:
    deck::SoundResult answer(const deck::SoundFormat& format) const;

    deck::SoundFormat format_;
    DoneCallback done_;
};

}  // namespace decktest
