// song_json.cpp - song.json: the song's metadata in plain form.
#include "song_json.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "bwf_chunks.h"

namespace vxf::transfer {

namespace {

// Drive texts are not trusted to be UTF-8: what is not printable ASCII is escaped by its byte value.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        }
    }
    return out + "\"";
}

std::string number(int64_t value) { return std::to_string(value); }

std::string locates(const SessionMetadata& song) {
    std::string json = "  \"locates\": [\n";
    for (size_t i = 0; i < kLocatePoints; ++i) {
        const LocatePoint& point = song.locates[i];
        json += "    {\"index\": " + number(int64_t(i)) + ", \"name\": " + quoted(point.name) +
                ", \"sample\": " + number(point.sample) + ", \"onTimeline\": " +
                (song.onTimeline(i) ? "true" : "false") + ", \"pastEnd\": " +
                (point.sample > song.length ? "true" : "false") + "}" + (i + 1 < kLocatePoints ? "," : "") + "\n";
    }
    return json + "  ],\n";
}

std::string tempo(const SessionMetadata& song) {
    std::string json = "  \"tempoMapLocate\": " + number(song.tempoMapLocate) + ",\n  \"tempoMap\": [\n";
    for (size_t i = 0; i < kTempoEntries; ++i) {
        const TempoMark& t = song.tempo[i];
        json += "    {\"index\": " + number(int64_t(i)) + ", \"measure\": " + number(t.measure) +
                ", \"beatNumerator\": " + number(t.beatNumerator) + ", \"beatDenominator\": " +
                number(t.beatDenominator) + ", \"bpm\": " + number(t.bpm) + ", \"used\": " +
                (t.used() ? "true" : "false") + "}" + (i + 1 < kTempoEntries ? "," : "") + "\n";
    }
    return json + "  ],\n";
}

std::string slips(const SessionMetadata& song) {
    std::string json = "  \"slipApplied\": false,\n  \"slip\": [";
    for (uint16_t track = 0; track < song.trackCount; ++track) {
        const std::array<int32_t, 2> values = song.slipsOf(track);
        json += std::string(track == 0 ? "" : ", ") + "{\"track\": " + number(track + 1) + ", \"values\": [" +
                number(values[0]) + (song.storedTracksPerTrack == 2 ? ", " + number(values[1]) : "") + "]}";
    }
    json += "],\n  \"storedSlip\": [";
    for (size_t i = 0; i < kStoredTracks; ++i) json += (i == 0 ? "" : ", ") + number(song.slip[i]);
    return json + "]\n";
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

}  // namespace

std::string songJson(const SessionMetadata& song) {
    std::string json = "{\n";
    json += "  \"drive\": " + quoted(song.drive) + ",\n";
    json += "  \"project\": " + quoted(song.project) + ",\n";
    json += "  \"song\": " + quoted(song.song) + ",\n";
    json += "  \"songHandle\": " + number(song.songHandle) + ",\n";
    json += "  \"originatorReference\": " + quoted(song.originatorReference()) + ",\n";
    json += "  \"sampleRate\": " + number(song.sampleRate) + ",\n";
    json += "  \"wordLength\": " + number(song.wordLength) + ",\n";
    json += "  \"tracks\": " + number(song.trackCount) + ",\n";
    json += "  \"length\": " + number(song.length) + ",\n";
    json += "  \"pitch\": " + number(song.pitch) + ",\n";
    json += "  \"loop\": {\"startLocate\": " + number(song.loopStart) + ", \"endLocate\": " + number(song.loopEnd) +
            ", \"onTimeline\": " + (song.hasLoop() ? "true" : "false") + "},\n";
    json += locates(song) + tempo(song) + slips(song);
    return json + "}\n";
}

bool writeSongJson(const std::string& directory, const SessionMetadata& song) {
    const std::string path = directory + kSongJsonName;
    const std::string partial = path + ".partial";
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = writeAll(fd, songJson(song)) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || std::rename(partial.c_str(), path.c_str()) != 0) {
        ::unlink(partial.c_str());
        return false;
    }
    return true;
}

}  // namespace vxf::transfer
