// qt_sound_output.h - the preview's sound output on the default audio device, through Qt Multimedia's QAudioSink.
#pragma once

#include "sound_output.h"

#include <QAudioDevice>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <memory>

class QAudioSink;
class QIODevice;

namespace deckqt {

// Buffers are pushed to the sink as it has room; a buffer counts as played once the sink
// holds none of its bytes any more. Everything runs on the window thread (a timer feeds the
// sink), so the completion callback runs there too.
class QtSoundOutput : public deck::SoundOutput {
public:
    QtSoundOutput();
    ~QtSoundOutput() override;

    deck::SoundResult query(const deck::SoundFormat& format) override;
    deck::SoundResult open(const deck::SoundFormat& format, DoneCallback done) override;
    deck::SoundResult write(deck::SoundBuffer& buffer) override;
    uint64_t position() override;
    void reset() override;
    void close() override;

private:
    struct Queued {
        deck::SoundBuffer* buffer;
        uint32_t fed;      // bytes of it handed to the sink
        uint64_t endByte;  // bytes written to the sink, this buffer included, once it is fed
    };

    void pump();
    void feed();
    uint64_t playedBytes() const;

    QAudioDevice device_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* io_ = nullptr;
    QTimer timer_;
    std::deque<Queued> queue_;
    uint64_t bytesQueued_ = 0;
    uint64_t bytesWritten_ = 0;
    uint16_t blockAlign_ = 1;
    DoneCallback done_;
};

}  // namespace deckqt
