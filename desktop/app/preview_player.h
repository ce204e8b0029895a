// preview_player.h - the device side of the audio preview: two buffers circulating through the sound output.
#pragma once

#include "message_sink.h"
#include "sound_output.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace deck {

// The device's answer as the preview reports a failed start.
std::string previewStartFailureText(SoundResult result);

class PreviewPlayer {
public:
    // Called for each buffer that is free to be filled: for both buffers by Start, then
    // whenever the device has played one (then on the sound system's thread).
    using FillCallback = std::function<void(SoundBuffer&)>;

    PreviewPlayer(SoundOutput& output, vxf::transfer::MessageSink& messages);
    ~PreviewPlayer();
    PreviewPlayer(const PreviewPlayer&) = delete;
    PreviewPlayer& operator=(const PreviewPlayer&) = delete;

    // Opens and closes the device with the format. While the device refuses and the word
    // length is above 8 it is lowered by 8 and tried again, at most twice; on success
    // `wordLength` is the width to play at.
    bool TestFormat(uint32_t rate, uint16_t& wordLength);
    // The device's answer to the last try of TestFormat.
    SoundResult lastTestResult() const { return lastTestResult_; }

    // Opens the device and hands both buffers of samplesPerPair ÷ 2 samples to the fill
    // callback. A failure shows its message and gives false.
    bool Start(uint32_t rate, uint16_t wordLength, FillCallback fill, uint32_t samplesPerPair);
    // Queues a filled buffer; a buffer of length 0 is not queued. Gives whether it queued.
    bool Play(SoundBuffer& buffer);
    // Samples played since Start; 0 when not playing.
    uint64_t Position();
    // Stops the device, drops the callback, frees the buffers; nothing when not playing.
    void Stop();

    bool playing() const { return playing_; }
    uint32_t bufferSize() const { return bufferSize_; }
    // 0 or 1 for the player's own buffers, -1 for anything else.
    int bufferIndex(const SoundBuffer* buffer) const;
    SoundBuffer& buffer(int index) { return buffers_.at(static_cast<size_t>(index)); }
    // Buffers queued and not yet played.
    int queued() const { return queued_; }

private:
    // A buffer the device has played: its full length is restored before it is refilled.
    void played(SoundBuffer& buffer);

    SoundOutput& output_;
    vxf::transfer::MessageSink& messages_;
    SoundResult lastTestResult_ = SoundResult::Ok;
    std::atomic<bool> playing_{false};
    std::atomic<int> queued_{0};
    uint32_t bufferSize_ = 0;
    std::array<SoundBuffer, 2> buffers_{};
    std::array<std::vector<uint8_t>, 2> memory_;
    std::mutex callbackLock_;  // guards fill_ against the sound system's thread
    FillCallback fill_;
};

}  // namespace deck
