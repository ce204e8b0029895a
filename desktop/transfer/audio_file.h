// audio_file.h - one mono audio file in use: open, parse, create, read, write and finish it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio_error.h"
#include "audio_format.h"
#include "audio_stream.h"
#include "foreign_audio.h"
#include "message_sink.h"
#include "write_tap.h"

namespace vxf::transfer {

// Every operation gives true on success. A failure closes whatever is open, shows the
// error message (the path and the text of the code) through the sink and gives false;
// the caller shows nothing more for it.
class AudioFile {
public:
    explicit AudioFile(MessageSink& sink);
    // Closes (and so finishes) a file still open.
    ~AudioFile();
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;

    // Parses the header and leaves the read position at the first sample.
    bool OpenForRead(AudioFormat format, const std::string& path, uint32_t& sampleRate, uint16_t& wordLength,
                     uint32_t& sampleCount);
    // Opens a file of another kind (FLAC, floating-point WAV, AIFF-C, W64, ...) through libsndfile: channel
    // `channel` of it (from 0) is read as signed samples of `wordLength` bits (16 or 24), rounded and clipped as
    // foreignSampleToInteger says. The file's rate, that word length and its frame count are given. A channel the
    // file does not have is AUDIO_ERR_MULTICHANNEL; a file libsndfile cannot read AUDIO_ERR_INVALID.
    bool OpenForeignForRead(const std::string& path, uint16_t channel, uint16_t wordLength, uint32_t& sampleRate,
                            uint32_t& sampleCount);

    // Creates the file and writes its header for `sampleCount` samples of `wordLength` bits. An
    // existing regular file is replaced only when Close finishes the new one; a symbolic link
    // is never written through (AUDIO_ERR_OPEN).
    // `chunks`: whole chunks a WAV or AIFF file carries before its samples (Broadcast Wave, markers).
    bool OpenForWrite(AudioFormat format, const std::string& path, uint32_t sampleRate, uint16_t wordLength,
                      uint32_t sampleCount, const std::vector<uint8_t>& chunks = {});

    // Reads up to `byteCount` bytes of sample data, never past the end of the samples, and
    // converts them in place to the wanted byte order and 8-bit coding. A read at the end of
    // the samples succeeds with 0 bytes.
    bool ReadSamples(void* buffer, size_t byteCount, bool wantBigEndian, bool wantUnsigned8, size_t& bytesRead);
    // Converts the buffer in place to the file's coding and appends it. A 16-bit file takes
    // 24-bit samples and rounds them to 16 bits; `bytesConsumed` counts input bytes.
    bool WriteSamples(void* buffer, size_t byteCount, bool inputBigEndian, bool inputUnsigned8,
                      size_t& bytesConsumed);
    // Finishes a file opened for writing (sizes and lengths from the samples actually
    // written) and closes it. Gives false when nothing is open.
    bool Close();
    // Ends a write that stopped part way. A new file is finished as Close does, so that it holds
    // what was written; a replacement is dropped, and the file it was to replace stays as it was.
    bool CloseIncomplete();

    // The bytes of the next file opened for writing are told to `tap` (none: nobody), in the
    // order they will stand in the finished file: the header as Close will leave it after all
    // the samples announced, then the samples and what follows them. A digest taken on the way
    // is so the finished file's, unless fewer samples came than were announced.
    void setWriteTap(WriteTap* tap) { tap_ = tap; }
    // The data of the files opened for writing from now on is started on its way to the disk as
    // they grow (BinaryFile::startWritebackEvery), for a caller that syncs them at the end.
    void setWriteBehind(bool on) { writeBehind_ = on; }

    bool isOpen() const { return stream_.file.isOpen() || foreign_.isOpen(); }
    bool isWriting() const { return stream_.writing; }
    AudioFormat format() const { return stream_.format; }
    uint32_t sampleRate() const { return stream_.sampleRate; }
    uint16_t wordLength() const { return stream_.wordLength; }
    uint32_t sampleCount() const { return stream_.sampleCount; }
    const std::string& path() const { return stream_.path; }
    // The last OpenForWrite found a file to replace; it stays true after the close.
    bool replaces() const { return replaces_; }
    // The code of the last failure, AUDIO_OK when the last open or transfer went well.
    int lastError() const { return lastError_; }

private:
    bool begin(AudioFormat format, const std::string& path, bool writing);
    bool fail(int code);
    int readHeader();
    int writeHeader();
    int finish();
    int tellFinishedHeader();
    void toFileCoding(uint8_t* data, size_t sampleCount, bool inputBigEndian, bool inputUnsigned8) const;
    void fromFileCoding(uint8_t* data, size_t sampleCount, bool wantBigEndian, bool wantUnsigned8) const;

    bool readForeign(void* buffer, size_t byteCount, bool wantBigEndian, size_t& bytesRead);

    MessageSink& sink_;
    AudioStream stream_;
    ForeignReader foreign_;
    uint16_t foreignChannel_ = 0;
    int lastError_ = AUDIO_OK;
    bool replaces_ = false;
    WriteTap* tap_ = nullptr;
    bool writeBehind_ = false;
};

}  // namespace vxf::transfer
