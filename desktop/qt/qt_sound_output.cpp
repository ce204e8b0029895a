// qt_sound_output.cpp - the preview's sound output on the default audio device, through Qt Multimedia's QAudioSink.
#include "qt_sound_output.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace deckqt {

namespace {

constexpr int kFeedIntervalMs = 10;

// Qt plays 8-bit samples unsigned and 16-bit ones signed, as wave output does; it has no
// packed 24-bit format, so 24 bits are refused and the preview plays at 16.
bool toQtFormat(const deck::SoundFormat& format, QAudioFormat& qt) {
    qt.setSampleRate(static_cast<int>(format.sampleRate));
    qt.setChannelCount(1);
    if (format.bitsPerSample == 8) {
        qt.setSampleFormat(QAudioFormat::UInt8);
    } else if (format.bitsPerSample == 16) {
        qt.setSampleFormat(QAudioFormat::Int16);
    } else {
        return false;
    }
    return format.sampleRate > 0;
}

}  // namespace

QtSoundOutput::QtSoundOutput() {
    timer_.setInterval(kFeedIntervalMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { pump(); });
}

QtSoundOutput::~QtSoundOutput() { close(); }

deck::SoundResult QtSoundOutput::query(const deck::SoundFormat& format) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return deck::SoundResult::NoDriver;
    QAudioFormat qt;
    if (!toQtFormat(format, qt) || !device.isFormatSupported(qt)) return deck::SoundResult::BadFormat;
    return deck::SoundResult::Ok;
}

deck::SoundResult QtSoundOutput::open(const deck::SoundFormat& format, DoneCallback done) {
    close();
    const deck::SoundResult supported = query(format);
    if (supported != deck::SoundResult::Ok) return supported;
    device_ = QMediaDevices::defaultAudioOutput();
    QAudioFormat qt;
    toQtFormat(format, qt);
    sink_ = std::make_unique<QAudioSink>(device_, qt);
    io_ = sink_->start();
    if (io_ == nullptr || sink_->error() != QAudio::NoError) {
        const bool busy = sink_->error() == QAudio::OpenError;
        sink_.reset();
        io_ = nullptr;
        return busy ? deck::SoundResult::Allocated : deck::SoundResult::Error;
    }
    blockAlign_ = std::max<uint16_t>(format.blockAlign(), 1);
    done_ = std::move(done);
    timer_.start();
    return deck::SoundResult::Ok;
}

deck::SoundResult QtSoundOutput::write(deck::SoundBuffer& buffer) {
    if (!sink_) return deck::SoundResult::Error;
    bytesQueued_ += buffer.length;
    queue_.push_back({&buffer, 0, bytesQueued_});
    feed();
    return deck::SoundResult::Ok;
}

void QtSoundOutput::feed() {
    for (Queued& queued : queue_) {
        if (queued.fed == queued.buffer->length) continue;
        const qsizetype room = sink_->bytesFree();
        if (room <= 0) return;
        const qsizetype left = static_cast<qsizetype>(queued.buffer->length - queued.fed);
        const qint64 written = io_->write(reinterpret_cast<const char*>(queued.buffer->data) + queued.fed,
                                          std::min(room, left));
        if (written <= 0) return;
        queued.fed += static_cast<uint32_t>(written);
        bytesWritten_ += static_cast<uint64_t>(written);
        if (queued.fed < queued.buffer->length) return;
    }
}

uint64_t QtSoundOutput::playedBytes() const {
    if (!sink_) return 0;
    const qsizetype held = std::max<qsizetype>(sink_->bufferSize() - sink_->bytesFree(), 0);
    return bytesWritten_ - std::min<uint64_t>(bytesWritten_, static_cast<uint64_t>(held));
}

void QtSoundOutput::pump() {
    if (!sink_) return;
    feed();
    const uint64_t played = playedBytes();
    while (!queue_.empty() && queue_.front().fed == queue_.front().buffer->length &&
           queue_.front().endByte <= played) {
        deck::SoundBuffer* buffer = queue_.front().buffer;
        queue_.pop_front();
        if (done_) done_(*buffer);
        if (!sink_) return;  // the callback may have closed the output
    }
}

uint64_t QtSoundOutput::position() { return playedBytes() / blockAlign_; }

void QtSoundOutput::reset() {
    timer_.stop();
    if (sink_) sink_->reset();
    queue_.clear();
}

void QtSoundOutput::close() {
    reset();
    if (sink_) sink_->stop();
    sink_.reset();
    io_ = nullptr;
    done_ = nullptr;
    bytesQueued_ = 0;
    bytesWritten_ = 0;
}

}  // namespace deckqt
