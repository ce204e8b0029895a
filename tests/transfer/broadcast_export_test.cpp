// broadcast_export_test.cpp - Broadcast Wave exports of a song with markers, read back by the machine's audio tools.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>

#include "bwf_chunks.h"
#include "poly_wav.h"
#include "outside_tools.h"
#include "song/current_song.h"
#include "song_json.h"
#include "test_support.h"
#include "transfer_fixture.h"
#include "vxf_song_metadata.h"

namespace vxf::transfer::test {
namespace {

constexpr uint32_t kLength = 30000;

// The chunks of a RIFF file by identifier (the first of each), as bytes.
std::map<std::string, Bytes> riffChunks(const Bytes& file) {
    std::map<std::string, Bytes> chunks;
    size_t at = 12;
    while (at + 8 <= file.size()) {
        const std::string id(file.begin() + long(at), file.begin() + long(at) + 4);
        const uint32_t size = le32At(file, at + 4);
        if (at + 8 + size > file.size()) break;
        chunks.emplace(id, Bytes(file.begin() + long(at) + 8, file.begin() + long(at + 8 + size)));
        at += 8 + size + (size % 2);
    }
    return chunks;
}

class BroadcastExport : public TransferFixture {
protected:
    // A two-track song whose record carries set points, one past the end, a name the drive's rule cleans,
    // a loop, a second tempo entry and slips.
    void makeMarkedSong() {
        makeSong(2, 48000, kLength, "Marks");
        vxfserver::Song& song = vxfserver::state().song;
        song.locates[3].sample = 1000;
        std::memcpy(song.locates[3].name, "Ch\xE9rus ", 8);
        song.locates[7].sample = kLength + 500;  // past the song's end
        song.locates[21].sample = 20000;
        song.loopStart = 3;
        song.loopEnd = 21;
        song.tempo[1] = vxfserver::TempoEntry{8, 6, 12, 90};
        song.slip[0] = -64;
        song.slip[1] = 7;
        ASSERT_TRUE(vxfserver::saveSong());
        ASSERT_EQ(remount(handle_), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
        ASSERT_EQ(tavovxfSongSetPrimary(handle_, 0), VXF_OK);
        server_ = std::make_unique<FaultyServer>(exports_, handle_);
        ASSERT_EQ(readSessionMetadata(handle_, true, metadata_), VXF_OK);
    }

    TransferOutcome exportBroadcast(const std::vector<uint16_t>& tracks, AudioFormat format, uint16_t bits = 24,
                                    bool poly = false) {
        TransferContext context{*server_, screen_, screen_, screen_};
        ExportSettings settings;
        settings.directory = outDir_;
        settings.format = format;
        settings.wordLength = bits;
        settings.broadcastWave = true;
        settings.poly = poly;
        settings.metadata = &metadata_;
        TrackExport exporter(context, facts(), settings);
        return exporter.run(tracks);
    }

    SessionMetadata metadata_;
};

TEST_F(BroadcastExport, WavFilesCarryBextCueLabelsAndIxmlThatTheToolsRead) {
    makeMarkedSong();
    const TransferOutcome outcome = exportBroadcast({0, 1}, AudioFormat::Wav);
    ASSERT_EQ(outcome.files.size(), 2u);
    ASSERT_FALSE(outcome.failed);
    const std::string path = out("Marks-Track02.wav");
    EXPECT_EQ(fileAudio(AudioFormat::Wav, path), audio_[1]);

    const std::map<std::string, Bytes> chunks = riffChunks(readBytes(path));
    ASSERT_TRUE(chunks.count("bext") && chunks.count("cue ") && chunks.count("LIST") && chunks.count("iXML"));
    const Bytes& bext = chunks.at("bext");
    ASSERT_GE(bext.size(), 602u);
    EXPECT_STREQ(reinterpret_cast<const char*>(&bext[256]), "vxfDeck");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bext[288])), metadata_.originatorReference());
    EXPECT_EQ(le32At(bext, 338), 0u);              // time reference: every track starts at the song's start
    EXPECT_EQ(bext[346] | bext[347] << 8, 2);      // version
    EXPECT_EQ(std::string(bext.begin() + 602, bext.begin() + 608), "A=PCM,");

    // The cue points are the set points within the song, and the loop's start.
    const Bytes& cue = chunks.at("cue ");
    ASSERT_EQ(le32At(cue, 0), 4u);
    std::map<uint32_t, uint32_t> points;
    for (uint32_t i = 0; i < 4; ++i) points[le32At(cue, 4 + 24 * i)] = le32At(cue, 4 + 24 * i + 20);
    for (uint16_t locate : {0, 3, 21}) {
        uint32_t sample = 0;
        char name[VXFX_LOCATE_NAME_SIZE];
        ASSERT_EQ(vxfxSongGetLocate(handle_, locate, &sample, name), VXF_OK);
        EXPECT_EQ(points.at(locate + 1u), sample) << locate;
    }
    EXPECT_EQ(points.at(kLoopCueId), 1000u);
    const Bytes& list = chunks.at("LIST");
    const std::string adtl(list.begin(), list.end());
    EXPECT_EQ(adtl.substr(0, 4), "adtl");
    EXPECT_NE(adtl.find(std::string("Ch rus\0", 7)), std::string::npos);
    EXPECT_NE(adtl.find("rgn "), std::string::npos);
    EXPECT_EQ(adtl.find("LocNam07"), std::string::npos);

    if (hasTool("sndfile-info")) {
        const ToolOutput info = runTool("sndfile-info " + quoted(path));
        EXPECT_NE(info.output.find("bext"), std::string::npos) << info.output;
        EXPECT_NE(info.output.find("cue "), std::string::npos) << info.output;
        EXPECT_NE(info.output.find("Cue ID : 22  Pos : 20000"), std::string::npos) << info.output;
        EXPECT_NE(info.output.find("labl : 4 : Ch rus"), std::string::npos) << info.output;
        EXPECT_NE(info.output.find("ltxt : 26"), std::string::npos) << info.output;
    }
    if (hasTool("ffprobe")) {
        const ToolOutput probe = runTool("ffprobe -v error -show_format -show_streams " + quoted(path));
        EXPECT_EQ(probe.status, 0) << probe.output;
        EXPECT_NE(probe.output.find("TAG:encoded_by=vxfDeck"), std::string::npos) << probe.output;
        EXPECT_NE(probe.output.find("TAG:originator_reference=" + metadata_.originatorReference()),
                  std::string::npos);
        EXPECT_NE(probe.output.find("TAG:time_reference=0"), std::string::npos);
        EXPECT_NE(probe.output.find("TAG:comment=Song Marks, track 2"), std::string::npos) << probe.output;
        EXPECT_NE(probe.output.find("channels=1"), std::string::npos);
    }
    if (hasTool("soxi")) {
        EXPECT_EQ(runTool("soxi -c " + quoted(path)).output, "1\n");
    }
    if (hasTool("xmllint")) {
        const Bytes& ixml = chunks.at("iXML");
        writeFile(out("ixml.xml"), ixml);
        const ToolOutput lint = runTool("xmllint --noout " + quoted(out("ixml.xml")));
        EXPECT_EQ(lint.status, 0) << lint.output;
        const ToolOutput scene = runTool("xmllint --xpath 'string(/BWFXML/SCENE)' " + quoted(out("ixml.xml")));
        EXPECT_EQ(scene.output, "Marks\n");
        const ToolOutput slip = runTool("xmllint --xpath 'string(//VXF_SLIP[@TRACK=2]/@VALUE)' " + quoted(out("ixml.xml")));
        EXPECT_EQ(slip.output, "7\n");
        const ToolOutput bpm = runTool("xmllint --xpath 'string(//VXF_TEMPO[@INDEX=1]/@BPM)' " + quoted(out("ixml.xml")));
        EXPECT_EQ(bpm.output, "90\n");
    }
}

TEST_F(BroadcastExport, SongJsonBesideTheFilesHoldsTheWholeSong) {
    makeMarkedSong();
    ASSERT_EQ(exportBroadcast({0}, AudioFormat::Wav).files.size(), 1u);
    const std::string json = out(kSongJsonName);
    ASSERT_TRUE(std::filesystem::exists(json));
    EXPECT_FALSE(std::filesystem::exists(json + ".partial"));
    if (!hasTool("python3")) GTEST_SKIP() << "python3 is not installed; song.json not parsed";
    const ToolOutput read = runTool(
        "python3 -c 'import json,sys; s=json.load(open(sys.argv[1])); "
        "print(s[\"song\"], s[\"length\"], s[\"locates\"][7][\"pastEnd\"], s[\"locates\"][3][\"name\"], "
        "s[\"tempoMap\"][1][\"bpm\"], s[\"slip\"][0][\"values\"], s[\"slipApplied\"], s[\"loop\"][\"onTimeline\"])' " +
        quoted(json));
    EXPECT_EQ(read.output, "Marks 30000 True Ch rus   90 [-64] False True\n");
}

TEST_F(BroadcastExport, AiffFilesCarryTheLocatePointsAsMarkers) {
    makeMarkedSong();
    ASSERT_EQ(exportBroadcast({0}, AudioFormat::Aiff, 16).files.size(), 1u);
    const std::string path = out("Marks-Track01.aif");
    const Bytes file = readBytes(path);
    const std::string text(file.begin(), file.end());
    const size_t mark = text.find("MARK");
    ASSERT_NE(mark, std::string::npos);
    EXPECT_EQ(be16At(file, mark + 8), 3u);  // start, the chorus and punch in; not the point past the end
    EXPECT_EQ(fileAudio(AudioFormat::Aiff, path), roundedTo16(audio_[0]));
    if (hasTool("soxi")) {
        EXPECT_EQ(runTool("soxi -s " + quoted(path)).output, std::to_string(kLength) + "\n");
    }
    if (hasTool("sndfile-info")) {
        const ToolOutput info = runTool("sndfile-info " + quoted(path));
        EXPECT_NE(info.output.find("MARK"), std::string::npos) << info.output;
    }
}

TEST_F(BroadcastExport, ASongOfDefaultsAndAnEmptyTempoMapStillGivesValidFiles) {
    makeSong(2, 44100, 500, "Plain");
    vxfserver::state().song.tempo[0] = vxfserver::TempoEntry{};
    ASSERT_TRUE(vxfserver::saveSong());
    ASSERT_EQ(readSessionMetadata(handle_, true, metadata_), VXF_OK);
    ASSERT_EQ(exportBroadcast({1}, AudioFormat::Wav).files.size(), 1u);
    const std::map<std::string, Bytes> chunks = riffChunks(readBytes(out("Plain-Track02.wav")));
    // Only the start point is on the timeline; the loop of two unset points is not.
    ASSERT_TRUE(chunks.count("cue "));
    EXPECT_EQ(le32At(chunks.at("cue "), 0), 1u);
    const std::string ixml(chunks.at("iXML").begin(), chunks.at("iXML").end());
    EXPECT_EQ(ixml.find("<VXF_TEMPO "), std::string::npos);
    if (hasTool("xmllint")) {
        writeFile(out("ixml.xml"), chunks.at("iXML"));
        EXPECT_EQ(runTool("xmllint --noout " + quoted(out("ixml.xml"))).status, 0);
    }
}

TEST_F(BroadcastExport, DriveTextsThatAreNotPrintableNeverReachTheFilesRaw) {
    SessionMetadata song;
    song.project = "A&B <\x01\xFF>";
    song.song = "\"x\"";
    song.sampleRate = 48000;
    song.length = 10;
    const FileContents contents{{0}, 24, "2026-01-01", "00:00:00"};
    const std::string xml = ixmlDocument(song, contents);
    EXPECT_NE(xml.find("<PROJECT>A&amp;B &lt;??&gt;</PROJECT>"), std::string::npos) << xml;
    EXPECT_NE(songJson(song).find("\"project\": \"A&B <\\u0001\\u00ff>\""), std::string::npos);
}

// Channel c of the interleaved samples of `channels` channels, `bytes` wide.
Bytes channelOf(const Bytes& data, size_t channels, size_t c, size_t bytes) {
    Bytes out;
    for (size_t at = c * bytes; at + bytes <= data.size(); at += channels * bytes) {
        out.insert(out.end(), data.begin() + long(at), data.begin() + long(at + bytes));
    }
    return out;
}

TEST_F(BroadcastExport, PolyFileChannelsEqualTheMonoExportsOfTheirTracks) {
    makeMarkedSong();
    for (uint16_t bits : {24, 16}) {
        SCOPED_TRACE(bits);
        ASSERT_EQ(exportBroadcast({0, 1}, AudioFormat::Wav, bits).files.size(), 2u);
        const TransferOutcome poly = exportBroadcast({0, 1}, AudioFormat::Wav, bits, true);
        ASSERT_EQ(poly.files.size(), 1u);
        const std::string path = out("Marks-Poly.wav");
        EXPECT_EQ(poly.files[0].path, path);
        EXPECT_TRUE(poly.files[0].complete);
        const Bytes file = readBytes(path);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
        const std::map<std::string, Bytes> chunks = riffChunks(file);
        ASSERT_TRUE(chunks.count("data") && chunks.count("bext") && chunks.count("cue ") && chunks.count("iXML"));
        const Bytes& fmt = chunks.at("fmt ");
        EXPECT_EQ(fmt[0] | fmt[1] << 8, 0xFFFE);
        EXPECT_EQ(le32At(fmt, 20), 0u);  // channel mask
        for (size_t c = 0; c < 2; ++c) {
            const Bytes mono = fileAudio(AudioFormat::Wav, out("Marks-Track0" + std::to_string(c + 1) + ".wav"));
            EXPECT_EQ(channelOf(chunks.at("data"), 2, c, bits / 8), mono) << c;
        }
        if (hasTool("soxi")) {
            EXPECT_EQ(runTool("soxi -c " + quoted(path)).output, "2\n");
        }
        if (hasTool("ffprobe")) {
            const ToolOutput probe = runTool("ffprobe -v error -show_streams " + quoted(path));
            EXPECT_NE(probe.output.find("channels=2"), std::string::npos) << probe.output;
            EXPECT_NE(probe.output.find(bits == 24 ? "codec_name=pcm_s24le" : "codec_name=pcm_s16le"),
                      std::string::npos);
        }
        if (hasTool("xmllint")) {
            writeFile(out("poly.xml"), chunks.at("iXML"));
            EXPECT_EQ(runTool("xmllint --xpath 'string(//TRACK_LIST/TRACK_COUNT)' " + quoted(out("poly.xml"))).output,
                      "2\n");
        }
    }
}

// The switch to RF64 is tried at a threshold lowered for the test: the real one needs 4 GiB of data.
TEST_F(BroadcastExport, APolyFilePastTheThresholdBecomesRf64WithItsDs64Chunk) {
    makeMarkedSong();
    setRf64ThresholdForTesting(1000);
    const TransferOutcome poly = exportBroadcast({0, 1}, AudioFormat::Wav, 24, true);
    setRf64ThresholdForTesting(0);
    ASSERT_EQ(poly.files.size(), 1u);
    const std::string path = out("Marks-Poly.wav");
    const Bytes file = readBytes(path);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RF64");
    EXPECT_EQ(le32At(file, 4), 0xFFFFFFFFu);
    EXPECT_EQ(std::string(file.begin() + 12, file.begin() + 16), "ds64");
    EXPECT_EQ(le32At(file, 20), file.size() - 8);      // RIFF size, low word
    EXPECT_EQ(le32At(file, 28), kLength * 2 * 3);      // data size, low word
    EXPECT_EQ(le32At(file, 36), kLength);              // sample count, low word
    if (hasTool("ffprobe")) {
        const ToolOutput probe = runTool("ffprobe -v error -show_streams -show_format " + quoted(path));
        EXPECT_EQ(probe.status, 0) << probe.output;
        EXPECT_NE(probe.output.find("channels=2"), std::string::npos) << probe.output;
        EXPECT_NE(probe.output.find("duration=0.625000"), std::string::npos) << probe.output;
        EXPECT_NE(probe.output.find("TAG:encoded_by=vxfDeck"), std::string::npos) << probe.output;
    }
    if (hasTool("sndfile-info")) {
        const ToolOutput info = runTool("sndfile-info " + quoted(path));
        EXPECT_NE(info.output.find("Frames      : 30000"), std::string::npos) << info.output;
    }
}

}  // namespace
}  // namespace vxf::transfer::test
