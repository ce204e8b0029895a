// transfer_preview.cpp - the source side of the audio preview: a track of the song or a file, read into the player's buffers.
#include "transfer_preview.h"

#include "deck_view.h"
#include "form.h"
#include "ids.h"
#include "optimal_chunk.h"
#include "sample_conversion.h"
#include "tavovxf.h"
#include "text_format.h"
#include "transfer_ids.h"
#include "transfer_services.h"

#include <algorithm>
#include <new>

namespace deck {

namespace {

constexpr uint32_t kFilePairSamples = 200000;
constexpr uint32_t kHighRate = 88200;

// The device has no such format at all: say what is missing rather than blame the format.
bool deviceMissing(SoundResult result) {
    return result == SoundResult::NoDriver || result == SoundResult::BadDeviceId || result == SoundResult::Allocated;
}

}  // namespace

std::string previewTimeText(uint64_t samples, uint32_t rate) {
    const uint64_t seconds = rate == 0 ? 0 : samples / rate;
    return format("%02u:%02u:%02u", static_cast<unsigned>(seconds / 3600), static_cast<unsigned>(seconds / 60 % 60),
                  static_cast<unsigned>(seconds % 60));
}

TransferPreview::TransferPreview(DeckView& view, TransferServices& services, vxf::transfer::MessageSink& messages)
    : view_(view), services_(services), messages_(messages), file_(messages) {}

TransferPreview::~TransferPreview() { halt(); }

bool TransferPreview::create() {
    try {
        output_ = services_.createSoundOutput();
        if (output_) player_ = std::make_unique<PreviewPlayer>(*output_, messages_);
    } catch (const std::bad_alloc&) {
        player_.reset();
    }
    return player_ != nullptr;
}

void TransferPreview::start(const PreviewSource& source) {
    if (!player_ || player_->playing()) return;
    source_ = source;
    uint32_t samplesPerPair = 0;
    if (!openSource(samplesPerPair)) return;
    if (!testFormat()) {
        closeFile();
        return;
    }
    delivered_ = 0;
    stopRequested_ = false;
    ++run_;
    if (!player_->Start(source_.sampleRate, outputBits_, [this](SoundBuffer& buffer) { handOver(buffer); },
                        samplesPerPair)) {
        closeFile();
        return;
    }
    showPlaying();
}

bool TransferPreview::openSource(uint32_t& samplesPerPair) {
    if (source_.fromFile) {
        uint32_t rate = 0;
        uint32_t count = 0;
        if (!file_.OpenForRead(source_.format, source_.path, rate, fileBits_, count)) return false;
        source_.sampleRate = rate;
        source_.wordLength = fileBits_;
        source_.length = count;
        samplesPerPair = kFilePairSamples / fileBits_ * fileBits_;
        return true;
    }
    fileBits_ = 0;
    const uint32_t handle = view_.drives().handle();
    samplesPerPair = vxf::transfer::OptimalChunk(
        source_.sampleRate < kHighRate ? 1 : 2,
        [this, handle](uint32_t& size, std::string& errorText) {
            const int32_t code = view_.server().trackOptimalTransferSize(handle, size);
            if (code != VXF_OK) errorText = view_.server().errorText();
            return code;
        },
        messages_);
    return samplesPerPair != 0;
}

bool TransferPreview::testFormat() {
    outputBits_ = source_.wordLength;
    if (player_->TestFormat(source_.sampleRate, outputBits_)) return true;
    const SoundResult result = player_->lastTestResult();
    messages_.showError(deviceMissing(result) ? previewStartFailureText(result)
                                              : "The specified format is not supported by audio device.");
    return false;
}

void TransferPreview::handOver(SoundBuffer& buffer) {
    // Runs on the sound system's thread: it only posts; the window thread does the rest.
    const intptr_t what = stopRequested_ ? 0 : reinterpret_cast<intptr_t>(&buffer);
    services_.postMessage(kMsgPreviewNotify, run_, what);
}

void TransferPreview::bufferHandedOver(uintptr_t run, intptr_t buffer) {
    // A buffer posted just before a stop (or by an earlier run) must not be refilled: its
    // memory is gone or belongs to another run.
    if (!player_ || !player_->playing() || run != run_) return;
    if (buffer == 0 || stopRequested_) {
        stop();
        return;
    }
    const int index = player_->bufferIndex(reinterpret_cast<const SoundBuffer*>(buffer));
    if (index < 0) return;
    refill(player_->buffer(index));
}

void TransferPreview::refill(SoundBuffer& buffer) {
    uint32_t samples = 0;
    const bool read = source_.fromFile ? readFile(buffer, samples) : readTrack(buffer, samples);
    if (!read) {
        // Stopped at once: waiting for the other buffer would hang when it is not playing.
        stop();
        return;
    }
    buffer.length = samples * (outputBits_ / 8u);
    player_->Play(buffer);
    showTime();
    // The end: the position reached the length, or nothing is left playing (a source
    // shorter than it said never brings the position there).
    if (player_->Position() >= source_.length || player_->queued() == 0) stop();
}

bool TransferPreview::readFile(SoundBuffer& buffer, uint32_t& samples) {
    const uint32_t outputBytes = outputBits_ / 8u;
    const size_t wanted = size_t{player_->bufferSize() / outputBytes} * outputBytes;
    size_t bytesRead = 0;
    if (!file_.ReadSamples(buffer.data, wanted, false, true, bytesRead)) return false;
    samples = static_cast<uint32_t>(vxf::transfer::reduceForPreview(buffer.data, bytesRead, fileBits_, outputBits_));
    return true;
}

bool TransferPreview::readTrack(SoundBuffer& buffer, uint32_t& samples) {
    const uint16_t outputBytes = static_cast<uint16_t>(outputBits_ / 8u);
    samples = 0;
    if (delivered_ >= source_.length) return true;
    uint32_t read = 0;
    const uint32_t wanted = player_->bufferSize() / outputBytes;
    if (view_.server().trackRead(view_.drives().handle(), source_.track, static_cast<uint32_t>(delivered_), wanted,
                                 read, outputBytes, 0, buffer.data) != VXF_OK) {
        view_.showServerError();
        return false;
    }
    samples = std::min(read, wanted);
    delivered_ += samples;
    // The server gives signed 8-bit samples; an 8-bit output plays them unsigned.
    if (outputBytes == 1) vxf::transfer::invertSignBits(buffer.data, samples);
    return true;
}

void TransferPreview::stop() {
    halt();
    if (player_) showIdle(view_.form().selectedLines(ctl::kTransferList).size() == 1);
}

void TransferPreview::halt() {
    // Set first: a completion racing with the stop then asks for a stop instead of a refill.
    stopRequested_ = true;
    if (player_) player_->Stop();
    closeFile();
}

void TransferPreview::closeFile() {
    if (file_.isOpen()) file_.Close();
}

void TransferPreview::showTime() {
    view_.form().setText(ctl::kPreviewTime, previewTimeText(player_->Position(), source_.sampleRate));
}

void TransferPreview::showIdle(bool oneItemSelected) {
    Form& form = view_.form();
    form.setChecked(ctl::kPreviewPlay, false);
    form.setText(ctl::kPreviewBox, "Preview");
    form.setText(ctl::kPreviewTime, "00:00:00");
    form.enable(ctl::kPreviewPlay, oneItemSelected && available());
}

void TransferPreview::showPlaying() {
    Form& form = view_.form();
    form.setChecked(ctl::kPreviewPlay, true);
    form.enable(ctl::kPreviewPlay, true);
    form.setText(ctl::kPreviewBox, "Playing");
}

}  // namespace deck
