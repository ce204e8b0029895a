// sound_output.h - the PC's sound output as the preview needs it: mono PCM buffers queued to a device.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace deck {

// Results of the device, as the wave output functions answer them.
enum class SoundResult {
    Ok,
    BadDeviceId,   // no such device
    Allocated,     // in use by another application
    NoDriver,      // no device driver
    NoMemory,
    BadFormat,     // the device does not play this format
    SyncDevice,    // a synchronous device refused the request
    Error,
};

// Mono PCM; 8-bit samples unsigned, wider ones signed little-endian.
struct SoundFormat {
    uint32_t sampleRate = 0;
    uint16_t bitsPerSample = 0;

    uint16_t blockAlign() const { return static_cast<uint16_t>(bitsPerSample / 8); }
    uint32_t bytesPerSecond() const { return sampleRate * blockAlign(); }
};

// One buffer handed to the device. The caller owns the memory; the device only reads it
// between write and the buffer's completion.
struct SoundBuffer {
    uint8_t* data = nullptr;
    uint32_t length = 0;  // bytes to play
};

class SoundOutput {
public:
    // Called once for every written buffer when the device has played it; may run on a
    // thread of the sound system. Never called for buffers a reset took back.
    using DoneCallback = std::function<void(SoundBuffer&)>;

    virtual ~SoundOutput() = default;

    // Whether the device can play the format: opens it and closes it at once.
    virtual SoundResult query(const SoundFormat& format) = 0;
    virtual SoundResult open(const SoundFormat& format, DoneCallback done) = 0;
    // Queues a buffer behind those written before.
    virtual SoundResult write(SoundBuffer& buffer) = 0;
    // Samples played since open.
    virtual uint64_t position() = 0;
    // Stops playing and forgets every queued buffer.
    virtual void reset() = 0;
    virtual void close() = 0;
};

// A machine without sound output: every open answers that there is no driver.
class NoSoundOutput : public SoundOutput {
public:
    SoundResult query(const SoundFormat&) override { return SoundResult::NoDriver; }
    SoundResult open(const SoundFormat&, DoneCallback) override { return SoundResult::NoDriver; }
    SoundResult write(SoundBuffer&) override { return SoundResult::Error; }
    uint64_t position() override { return 0; }
    void reset() override {}
    void close() override {}
};

}  // namespace deck
