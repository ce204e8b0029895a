// transfer_preview.h - the source side of the audio preview: a track of the song or a file, read into the player's buffers.
#pragma once

#include "audio_file.h"
#include "audio_format.h"
#include "message_sink.h"
#include "preview_player.h"
#include "sound_output.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace deck {

class DeckView;
class TransferServices;

// What to play: a file (its path and format) or a track of the current song.
struct PreviewSource {
    bool fromFile = false;
    std::string path;
    vxf::transfer::AudioFormat format = vxf::transfer::AudioFormat::Wav;
    uint16_t track = 0;  // 0-based
    uint32_t sampleRate = 0;
    uint16_t wordLength = 24;
    uint32_t length = 0;  // samples
};

// Start, refill and stop of the preview, and its buttons. Buffers the player hands over come
// back through the window thread as WM_PREVIEW_NOTIFY, tagged with the run they belong to.
class TransferPreview {
public:
    TransferPreview(DeckView& view, TransferServices& services, vxf::transfer::MessageSink& messages);
    ~TransferPreview();

    // Makes the sound output and the player; false when that fails (preview stays disabled).
    bool create();
    bool available() const { return player_ != nullptr; }
    bool playing() const { return player_ != nullptr && player_->playing(); }

    // The "P" button while idle: plays the source; every failure shows its message.
    void start(const PreviewSource& source);
    // Any stop cause; nothing happens when not playing.
    void stop();
    // WM_PREVIEW_NOTIFY: `run` names the run, `buffer` the player's buffer (0: stop).
    void bufferHandedOver(uintptr_t run, intptr_t buffer);

    // The buttons at rest: play picture, "Preview", "00:00:00"; "P" enabled when asked and
    // the preview can play.
    void showIdle(bool oneItemSelected);

    const PreviewSource& source() const { return source_; }
    uint16_t outputWordLength() const { return outputBits_; }

private:
    bool openSource(uint32_t& samplesPerPair);
    bool testFormat();
    // Called by the player for a free buffer, possibly on the sound system's thread.
    void handOver(SoundBuffer& buffer);
    void refill(SoundBuffer& buffer);
    // Samples now in the buffer; none on a read failure (after its message).
    bool readFile(SoundBuffer& buffer, uint32_t& samples);
    bool readTrack(SoundBuffer& buffer, uint32_t& samples);
    void showTime();
    void showPlaying();
    // Stops the player and closes the file, leaving the buttons as they are.
    void halt();
    void closeFile();

    DeckView& view_;
    TransferServices& services_;
    vxf::transfer::MessageSink& messages_;
    std::unique_ptr<SoundOutput> output_;
    std::unique_ptr<PreviewPlayer> player_;
    vxf::transfer::AudioFile file_;

    PreviewSource source_;
    uint16_t fileBits_ = 0;
    uint16_t outputBits_ = 0;
    uint64_t delivered_ = 0;  // samples read from the track so far
    std::atomic<bool> stopRequested_{false};
    std::atomic<uintptr_t> run_{0};
};

// "%02u:%02u:%02u" hours, minutes and seconds of `samples` played at `rate`.
std::string previewTimeText(uint64_t samples, uint32_t rate);

}  // namespace deck
