// bwf_chunks.cpp - the chunks a Broadcast Wave export adds, built in memory before the file is written.
#include "bwf_chunks.h"

#include <algorithm>
#include <ctime>


namespace vxf::transfer {

namespace {

// Broadcast extension, version 2: the fixed part before CodingHistory.
constexpr size_t kBextFixedSize = 602;
constexpr size_t kDescriptionSize = 256;
constexpr size_t kOriginatorSize = 32;
constexpr size_t kReferenceSize = 32;
constexpr size_t kDateSize = 10;
constexpr size_t kTimeSize = 8;
constexpr size_t kUmidSize = 64;
constexpr uint16_t kBextVersion = 2;
// Loudness not measured.
constexpr uint16_t kLoudnessUnknown = 0x7FFF;
constexpr char kOriginator[] = "vxfDeck";
constexpr size_t kCuePointSize = 24;

// Byte by byte: the compiler cannot follow inserts of small arrays into a growing vector.
void appendFourCC(ChunkBytes& out, const char (&id)[5]) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(id[i]));
}
void appendLe16(ChunkBytes& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void appendLe32(ChunkBytes& out, uint32_t v) {
    appendLe16(out, uint16_t(v));
    appendLe16(out, uint16_t(v >> 16));
}
void appendBe16(ChunkBytes& out, uint16_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}
void appendBe32(ChunkBytes& out, uint32_t v) {
    appendBe16(out, uint16_t(v >> 16));
    appendBe16(out, uint16_t(v));
}
// A text in a fixed field: cut to the field, the rest zero (so shorter texts end with their terminator).
void appendField(ChunkBytes& out, const std::string& text, size_t size) {
    const size_t n = std::min(text.size(), size);
    out.insert(out.end(), text.begin(), text.begin() + long(n));
    out.insert(out.end(), size - n, 0);
}

// A text with its terminator, and one more when that makes the size even: some readers of label lists do not
// step over pad bytes.
void appendEvenText(ChunkBytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    if (out.size() % 2 != 0) out.push_back(0);
}

ChunkBytes chunk(const char (&id)[5], const ChunkBytes& data, bool bigEndian = false) {
    ChunkBytes out;
    appendFourCC(out, id);
    if (bigEndian) {
        appendBe32(out, uint32_t(data.size()));
    } else {
        appendLe32(out, uint32_t(data.size()));
    }
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) out.push_back(0);
    return out;
}

std::vector<size_t> timelinePoints(const SessionMetadata& song) {
    std::vector<size_t> points;
    for (size_t i = 0; i < kLocatePoints; ++i) {
        if (song.onTimeline(i)) points.push_back(i);
    }
    return points;
}

std::string trackName(uint16_t track) {
    char text[16];
    std::snprintf(text, sizeof text, "Track%02u", unsigned(track) + 1);
    return text;
}

std::string description(const SessionMetadata& song, const FileContents& contents) {
    std::string tracks;
    for (uint16_t track : contents.tracks) tracks += (tracks.empty() ? "" : ",") + std::to_string(track + 1);
    const std::string label = contents.tracks.size() == 1 ? "track " : "tracks ";
    // The summary first: readers that show a short description show the first 64 characters.
    return "Song " + printableText(song.song) + ", " + label + tracks + "; project " + printableText(song.project) +
           "; drive " + printableText(song.drive);
}

std::string codingHistory(const SessionMetadata& song, const FileContents& contents) {
    const std::string mode = contents.tracks.size() == 1 ? "mono" : "multitrack";
    return "A=PCM,F=" + std::to_string(song.sampleRate) + ",W=" + std::to_string(contents.wordLength) + ",M=" + mode +
           ",T=TAVO VXF drive, " + std::to_string(song.wordLength) + "-bit\r\n" + "A=PCM,F=" +
           std::to_string(song.sampleRate) + ",W=" + std::to_string(contents.wordLength) + ",M=" + mode +
           ",T=vxfDeck export\r\n";
}

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : printableText(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string element(const std::string& name, const std::string& value) {
    return "<" + name + ">" + value + "</" + name + ">";
}

std::string attribute(const std::string& name, uint64_t value) {
    return " " + name + "=\"" + std::to_string(value) + "\"";
}
std::string signedAttribute(const std::string& name, int64_t value) {
    return " " + name + "=\"" + std::to_string(value) + "\"";
}

std::string trackList(const FileContents& contents) {
    std::string xml = "  <TRACK_LIST>\n    " + element("TRACK_COUNT", std::to_string(contents.tracks.size())) + "\n";
    for (size_t channel = 0; channel < contents.tracks.size(); ++channel) {
        const uint16_t track = contents.tracks[channel];
        xml += "    <TRACK>" + element("CHANNEL_INDEX", std::to_string(track + 1)) +
               element("INTERLEAVE_INDEX", std::to_string(channel + 1)) + element("NAME", trackName(track)) +
               "</TRACK>\n";
    }
    return xml + "  </TRACK_LIST>\n";
}

// Our own elements: what the song record holds that iXML has no place for.
std::string songElements(const SessionMetadata& song, const FileContents& contents) {
    std::string xml = "  <VXF_SONG" + attribute("HANDLE", song.songHandle) + attribute("PITCH", song.pitch) +
                      attribute("LENGTH", song.length) + ">\n";
    xml += "    <VXF_LOOP" + attribute("START_LOCATE", song.loopStart) + attribute("END_LOCATE", song.loopEnd) +
           "/>\n";
    for (size_t i = 0; i < kLocatePoints; ++i) {
        xml += "    <VXF_LOCATE" + attribute("INDEX", i) + attribute("SAMPLE", song.locates[i].sample) +
               " NAME=\"" + xmlEscaped(song.locates[i].name) + "\"/>\n";
    }
    xml += "    <VXF_TEMPO_MAP" + attribute("LOCATE", song.tempoMapLocate) + ">\n";
    for (size_t i = 0; i < kTempoEntries; ++i) {
        const TempoMark& t = song.tempo[i];
        if (!t.used()) continue;
        xml += "      <VXF_TEMPO" + attribute("INDEX", i) + attribute("MEASURE", t.measure) +
               attribute("NUMERATOR", t.beatNumerator) + attribute("DENOMINATOR", t.beatDenominator) +
               attribute("BPM", t.bpm) + "/>\n";
    }
    xml += "    </VXF_TEMPO_MAP>\n";
    // Carried, not applied: the samples in the file are as the drive holds them.
    for (uint16_t track : contents.tracks) {
        const std::array<int32_t, 2> slips = song.slipsOf(track);
        xml += "    <VXF_SLIP" + attribute("TRACK", track + 1u) + signedAttribute("VALUE", slips[0]);
        if (song.storedTracksPerTrack == 2) xml += signedAttribute("SECOND_VALUE", slips[1]);
        xml += " APPLIED=\"no\"/>\n";
    }
    return xml + "  </VXF_SONG>\n";
}

}  // namespace

void stampNow(FileContents& contents) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[16], time[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    contents.date = date;
    contents.time = time;
}

std::string locateLabel(const SessionMetadata& song, size_t locate) {
    const std::string name = printableText(song.locates[locate].name);
    return name.empty() ? "Locate " + std::to_string(locate) : name;
}

ChunkBytes bextChunk(const SessionMetadata& song, const FileContents& contents) {
    ChunkBytes data;
    appendField(data, description(song, contents), kDescriptionSize - 1);
    data.push_back(0);
    appendField(data, kOriginator, kOriginatorSize);
    appendField(data, song.originatorReference(), kReferenceSize);
    appendField(data, contents.date, kDateSize);
    appendField(data, contents.time, kTimeSize);
    // Every file of a song starts at the song's first sample, so all share one time reference.
    appendLe32(data, 0);
    appendLe32(data, 0);
    appendLe16(data, kBextVersion);
    data.insert(data.end(), kUmidSize, 0);
    for (int i = 0; i < 5; ++i) appendLe16(data, kLoudnessUnknown);
    data.resize(kBextFixedSize, 0);
    const std::string history = codingHistory(song, contents);
    data.insert(data.end(), history.begin(), history.end());
    if (data.size() % 2 != 0) data.push_back(0);  // the history's terminator, for an even size as with iXML
    return chunk("bext", data);
}

ChunkBytes cueChunk(const SessionMetadata& song) {
    std::vector<std::pair<uint32_t, uint32_t>> points;  // id, sample
    for (size_t i : timelinePoints(song)) points.push_back({uint32_t(i + 1), song.locates[i].sample});
    if (points.empty()) return {};
    if (song.hasLoop()) points.push_back({kLoopCueId, song.locates[song.loopStart].sample});
    ChunkBytes data;
    appendLe32(data, uint32_t(points.size()));
    for (const auto& [id, sample] : points) {
        appendLe32(data, id);
        appendLe32(data, sample);
        appendFourCC(data, "data");
        appendLe32(data, 0);
        appendLe32(data, 0);
        appendLe32(data, sample);
    }
    static_assert(kCuePointSize == 24);
    return chunk("cue ", data);
}

ChunkBytes adtlChunk(const SessionMetadata& song) {
    const std::vector<size_t> points = timelinePoints(song);
    if (points.empty()) return {};
    ChunkBytes data;
    appendFourCC(data, "adtl");
    const auto label = [&data](uint32_t id, const std::string& text) {
        ChunkBytes body;
        appendLe32(body, id);
        appendEvenText(body, text);
        const ChunkBytes labl = chunk("labl", body);
        data.insert(data.end(), labl.begin(), labl.end());
    };
    for (size_t i : points) label(uint32_t(i + 1), locateLabel(song, i));
    if (song.hasLoop()) {
        label(kLoopCueId, "Loop");
        ChunkBytes body;
        appendLe32(body, kLoopCueId);
        appendLe32(body, song.locates[song.loopEnd].sample - song.locates[song.loopStart].sample);
        appendFourCC(body, "rgn ");
        for (int i = 0; i < 4; ++i) appendLe16(body, 0);  // country, language, dialect, code page
        appendEvenText(body, "Loop");
        const ChunkBytes ltxt = chunk("ltxt", body);
        data.insert(data.end(), ltxt.begin(), ltxt.end());
    }
    return chunk("LIST", data);
}

std::string ixmlDocument(const SessionMetadata& song, const FileContents& contents) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<BWFXML>\n";
    xml += "  " + element("IXML_VERSION", "2.10") + "\n";
    xml += "  " + element("PROJECT", xmlEscaped(song.project)) + "\n";
    xml += "  " + element("SCENE", xmlEscaped(song.song)) + "\n";
    xml += "  " + element("TAKE", "1") + "\n";
    xml += "  " + element("TAPE", xmlEscaped(song.drive)) + "\n";
    xml += "  <SPEED>" + element("FILE_SAMPLE_RATE", std::to_string(song.sampleRate)) +
           element("AUDIO_BIT_DEPTH", std::to_string(contents.wordLength)) +
           element("TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_HI", "0") + element("TIMESTAMP_SAMPLES_SINCE_MIDNIGHT_LO", "0") +
           element("TIMESTAMP_SAMPLE_RATE", std::to_string(song.sampleRate)) + "</SPEED>\n";
    xml += trackList(contents);
    xml += songElements(song, contents);
    return xml + "</BWFXML>\n";
}

ChunkBytes ixmlChunk(const SessionMetadata& song, const FileContents& contents) {
    std::string xml = ixmlDocument(song, contents);
    // An even size needs no pad byte, which not every RF64 reader steps over; trailing white space is allowed.
    if (xml.size() % 2 != 0) xml += '\n';
    return chunk("iXML", ChunkBytes(xml.begin(), xml.end()));
}

ChunkBytes broadcastChunks(const SessionMetadata& song, const FileContents& contents) {
    ChunkBytes out = bextChunk(song, contents);
    for (const ChunkBytes& next : {cueChunk(song), adtlChunk(song), ixmlChunk(song, contents)}) {
        out.insert(out.end(), next.begin(), next.end());
    }
    return out;
}

ChunkBytes aiffMarkChunk(const SessionMetadata& song) {
    const std::vector<size_t> points = timelinePoints(song);
    if (points.empty()) return {};
    ChunkBytes data;
    appendBe16(data, uint16_t(points.size()));
    for (size_t i : points) {
        appendBe16(data, uint16_t(i + 1));
        appendBe32(data, song.locates[i].sample);
        // A counted name, padded so that the count and the text fill an even number of bytes.
        const std::string name = locateLabel(song, i).substr(0, 255);
        data.push_back(uint8_t(name.size()));
        data.insert(data.end(), name.begin(), name.end());
        if ((name.size() + 1) % 2 != 0) data.push_back(0);
    }
    return chunk("MARK", data, true);
}

}  // namespace vxf::transfer
