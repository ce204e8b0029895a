// archive_inventory.cpp - data/inventory.json and data/inventory.txt: what a bag holds, for programs and for people.
#include "archive_inventory.h"

#include <cmath>
#include <cstdio>

namespace vxf::transfer {

namespace {

constexpr double kFullScale24 = 8388608.0;

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

const char* formatName(AudioFormat format) {
    switch (format) {
        case AudioFormat::Wav: return "wav";
        case AudioFormat::Aiff: return "aiff";
        case AudioFormat::Sd2: return "sd2";
        case AudioFormat::DigSd: return "dig";
    }
    return "wav";
}

std::string trackJson(const ArchivedTrack& track, const SongFacts& facts) {
    const std::string db = peakDbText(track.peak);
    return "{\"track\": " + std::to_string(track.track + 1) + ", \"file\": " + quoted(track.path) +
           ", \"sha256\": " + quoted(track.digest) + ", \"bytes\": " + std::to_string(track.bytes) +
           ", \"sampleRate\": " + std::to_string(facts.sampleRate) + ", \"samples\": " +
           std::to_string(facts.length) + ", \"duration\": " + quoted(durationText(facts.length, facts.sampleRate)) +
           ", \"peakSample\": " + std::to_string(track.peak) + ", \"peakDbfs\": " + (db == "-inf" ? "null" : db) +
           "}";
}

std::string gapJson(const SalvageGap& gap) {
    return "{\"track\": " + std::to_string(gap.track + 1) + ", \"firstSample\": " + std::to_string(gap.firstSample) +
           ", \"lastSample\": " + std::to_string(gap.lastSample) + ", \"from\": " +
           quoted(formatSampleTime(gap.firstSample, gap.sampleRate)) + ", \"to\": " +
           quoted(formatSampleTime(gap.lastSample, gap.sampleRate)) + "}";
}

std::string songJson(const ArchivedSong& song) {
    std::string json = "{\"number\": " + std::to_string(song.position.song) + ", \"name\": " + quoted(song.name) +
                       ", \"folder\": " + quoted(song.folder) + ", \"sampleRate\": " +
                       std::to_string(song.facts.sampleRate) + ", \"wordLength\": " +
                       std::to_string(song.facts.wordLength) + ", \"samples\": " + std::to_string(song.facts.length) +
                       ", \"duration\": " + quoted(durationText(song.facts.length, song.facts.sampleRate)) +
                       ", \"gaps\": [";
    for (size_t i = 0; i < song.gaps.size(); ++i) json += std::string(i ? ", " : "") + gapJson(song.gaps[i]);
    json += "], \"tracks\": [";
    for (size_t i = 0; i < song.tracks.size(); ++i) {
        json += std::string(i ? "," : "") + "\n          " + trackJson(song.tracks[i], song.facts);
    }
    return json + "\n        ]}";
}

}  // namespace

std::string durationText(uint64_t samples, uint32_t rate) {
    if (rate == 0) return "00:00:00.000";
    const uint64_t milliseconds = samples * 1000 / rate;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu", (unsigned long long)(milliseconds / 3600000),
                  (unsigned long long)(milliseconds / 60000 % 60), (unsigned long long)(milliseconds / 1000 % 60),
                  (unsigned long long)(milliseconds % 1000));
    return text;
}

std::string peakDbText(int32_t peak) {
    if (peak <= 0) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", 20.0 * std::log10(peak / kFullScale24));
    return text;
}

std::string inventoryJson(const ArchiveOutcome& outcome, const ArchiveOptions& options) {
    const auto fields = driveInfoFields(outcome.drive);  // name, vendor, product, size
    std::string json = "{\n  \"drive\": {\"name\": " + quoted(outcome.drive.name) + ", \"vendor\": " +
                       quoted(fields[1].second) + ", \"product\": " + quoted(fields[2].second) + ", \"sizeBytes\": " +
                       std::to_string(outcome.drive.sizeBytes) + ", \"fileSystem\": " +
                       quoted(outcome.drive.version) + "},\n  \"format\": " + quoted(formatName(options.format)) +
                       ",\n  \"fileWordLength\": " + std::to_string(options.wordLength) + ",\n  \"projects\": [";
    bool firstProject = true;
    for (size_t i = 0; i < outcome.songs.size(); ++i) {
        const ArchivedSong& song = outcome.songs[i];
        const bool opens = i == 0 || outcome.songs[i - 1].position.project != song.position.project;
        if (opens) {
            if (!firstProject) json += "\n    ]},";
            firstProject = false;
            const std::string folder = song.folder.substr(0, song.folder.rfind('/'));
            json += "\n    {\"number\": " + std::to_string(song.position.project) + ", \"name\": " +
                    quoted(song.projectName) + ", \"folder\": " + quoted(folder) + ", \"songs\": [";
        }
        json += std::string(opens ? "" : ",") + "\n        " + songJson(song);
    }
    if (!firstProject) json += "\n    ]}";
    return json + "\n  ]\n}\n";
}

std::string inventoryText(const ArchiveOutcome& outcome, const ArchiveOptions& options) {
    const auto fields = driveInfoFields(outcome.drive);
    std::string text = "Drive: " + outcome.drive.name + "\nVendor: " + fields[1].second + "\nProduct: " +
                       fields[2].second +
                       "\nDrive size: " + std::to_string(outcome.drive.sizeBytes) + " bytes\nFiles: " +
                       formatName(options.format) + ", " + std::to_string(options.wordLength) + "-bit, one a track\n";
    for (size_t i = 0; i < outcome.songs.size(); ++i) {
        const ArchivedSong& song = outcome.songs[i];
        if (i == 0 || outcome.songs[i - 1].position.project != song.position.project) {
            text += "\nProject " + std::to_string(song.position.project) + ": " + song.projectName + "\n";
        }
        char line[256];
        std::snprintf(line, sizeof line, "  Song %u/%u: %u tracks, %u Hz, %u-bit, %u samples (%s)\n",
                      unsigned{song.position.project}, unsigned{song.position.song}, unsigned{song.facts.trackCount},
                      song.facts.sampleRate, unsigned{song.facts.wordLength}, song.facts.length,
                      durationText(song.facts.length, song.facts.sampleRate).c_str());
        text += "  " + song.name + "\n" + line;
        for (const ArchivedTrack& track : song.tracks) {
            std::snprintf(line, sizeof line, "    Track %02u  peak %7s dBFS  %s  ", unsigned{track.track} + 1u,
                          peakDbText(track.peak).c_str(), track.digest.c_str());
            text += line + track.path + "\n";
        }
    }
    return text;
}

std::string salvageReportText(const ArchiveOutcome& outcome) {
    std::string text = "Silent gaps left where the drive could not be read: " + std::to_string(outcome.gaps) + "\n";
    for (const ArchivedSong& song : outcome.songs) {
        for (const SalvageGap& gap : song.gaps) text += song.folder + ": " + describeGap(gap) + "\n";
    }
    return text;
}

}  // namespace vxf::transfer
