// preview_player.cpp - the device side of the audio preview: two buffers circulating through the sound output.
#include "preview_player.h"

#include <cstdint>
#include <new>

namespace deck {

namespace {

constexpr int kMaxLowerings = 2;

}  // namespace

std::string previewStartFailureText(SoundResult result) {
    switch (result) {
    case SoundResult::BadDeviceId: return "The audio device ID is invalid.";
    case SoundResult::Allocated: return "The audio device is already in use by other application.";
    case SoundResult::NoDriver: return "The audio device driver is not present.";
    case SoundResult::NoMemory: return "Not enough memory for preview.";
    case SoundResult::BadFormat: return "Unsupport wave file format.";
    case SoundResult::SyncDevice: return "Sync error for preview.";
    default: return "Failed to preview sound.";
    }
}

PreviewPlayer::PreviewPlayer(SoundOutput& output, vxf::transfer::MessageSink& messages)
    : output_(output), messages_(messages) {}

PreviewPlayer::~PreviewPlayer() { Stop(); }

bool PreviewPlayer::TestFormat(uint32_t rate, uint16_t& wordLength) {
    uint16_t bits = wordLength;
    for (int lowered = 0;; ++lowered) {
        lastTestResult_ = output_.query({rate, bits});
        if (lastTestResult_ == SoundResult::Ok) {
            wordLength = bits;
            return true;
        }
        if (bits <= 8 || lowered == kMaxLowerings) return false;
        bits = static_cast<uint16_t>(bits - 8);
    }
}

bool PreviewPlayer::Start(uint32_t rate, uint16_t wordLength, FillCallback fill, uint32_t samplesPerPair) {
    if (playing_) return false;
    const uint64_t size = uint64_t{samplesPerPair} * (wordLength / 8) / 2;
    if (size == 0 || size > UINT32_MAX) {
        messages_.showError(previewStartFailureText(SoundResult::Error));
        return false;
    }
    const SoundResult opened = output_.open({rate, wordLength}, [this](SoundBuffer& buffer) { played(buffer); });
    if (opened != SoundResult::Ok) {
        messages_.showError(previewStartFailureText(opened));
        return false;
    }
    try {
        for (auto& memory : memory_) memory.assign(size, 0);
    } catch (const std::bad_alloc&) {
        output_.close();
        for (auto& memory : memory_) std::vector<uint8_t>().swap(memory);
        messages_.showError(previewStartFailureText(SoundResult::NoMemory));
        return false;
    }
    bufferSize_ = static_cast<uint32_t>(size);
    for (size_t i = 0; i < buffers_.size(); ++i) buffers_[i] = {memory_[i].data(), bufferSize_};
    queued_ = 0;
    {
        const std::lock_guard<std::mutex> guard(callbackLock_);
        fill_ = fill;
    }
    playing_ = true;
    fill(buffers_[0]);
    fill(buffers_[1]);
    return true;
}

bool PreviewPlayer::Play(SoundBuffer& buffer) {
    if (!playing_ || buffer.length == 0) return false;
    ++queued_;
    if (output_.write(buffer) == SoundResult::Ok) return true;
    --queued_;
    messages_.showError("Play audio failed.");
    return false;
}

uint64_t PreviewPlayer::Position() { return playing_ ? output_.position() : 0; }

void PreviewPlayer::Stop() {
    if (!playing_) return;
    playing_ = false;
    {
        const std::lock_guard<std::mutex> guard(callbackLock_);
        fill_ = nullptr;
    }
    output_.reset();
    output_.close();
    queued_ = 0;
    for (SoundBuffer& buffer : buffers_) buffer = {};
    for (auto& memory : memory_) std::vector<uint8_t>().swap(memory);
    bufferSize_ = 0;
}

int PreviewPlayer::bufferIndex(const SoundBuffer* buffer) const {
    for (size_t i = 0; i < buffers_.size(); ++i) {
        if (buffer == &buffers_[i]) return static_cast<int>(i);
    }
    return -1;
}

void PreviewPlayer::played(SoundBuffer& buffer) {
    const std::lock_guard<std::mutex> guard(callbackLock_);
    if (!fill_) return;
    --queued_;
    buffer.length = bufferSize_;
    fill_(buffer);
}

}  // namespace deck
