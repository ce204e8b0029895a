// fake_sound_output.cpp - a sound device for tests: plays nothing, answers from settings, plays buffers on demand.
#include "fake_sound_output.h"

namespace decktest {

deck::SoundResult FakeSoundOutput::answer(const deck::SoundFormat& format) const {
    if (noDevice) return deck::SoundResult::NoDriver;
    if (refusedBits.count(format.bitsPerSample) != 0) return deck::SoundResult::BadFormat;
    return deck::SoundResult::Ok;
}

deck::SoundResult FakeSoundOutput::query(const deck::SoundFormat& format) {
    queries.push_back(format);
    return answer(format);
}

deck::SoundResult FakeSoundOutput::open(const deck::SoundFormat& format, DoneCallback done) {
    opens.push_back(format);
    const deck::SoundResult result = answer(format) != deck::SoundResult::Ok ? answer(format) : openResult;
    if (result != deck::SoundResult::Ok) return result;
    format_ = format;
    done_ = std::move(done);
    isOpen = true;
    played = 0;
    return result;
}

deck::SoundResult FakeSoundOutput::write(deck::SoundBuffer& buffer) {
    if (!isOpen) return deck::SoundResult::Error;
    written.emplace_back(buffer.data, buffer.data + buffer.length);
    queue.push_back(&buffer);
    return deck::SoundResult::Ok;
}

void FakeSoundOutput::reset() {
    ++resets;
    queue.clear();
}

void FakeSoundOutput::close() {
    isOpen = false;
    done_ = nullptr;
}

bool FakeSoundOutput::playNext() {
    if (queue.empty() || !isOpen) return false;
    deck::SoundBuffer* buffer = queue.front();
    queue.pop_front();
    played += buffer->length / format_.blockAlign();
    if (done_) done_(*buffer);
    return true;
}

}  // namespace decktest
