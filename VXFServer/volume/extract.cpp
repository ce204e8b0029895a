// extract.cpp - the diagnostic text dumps of the mounted volume as held in memory.
#include "volume/extract.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "volume/bitmaps.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

// The dumps print with the recorder's own formats: "%d" takes a signed int,
// so wide unsigned fields are passed as such and show as they always have.
int asInt(uint32_t value) { return int(value); }

void dumpSuperBlock(FILE* f) {
    const SuperBlock& sb = state().superBlock;
    std::fprintf(f, "SUPER BLOCK\n\n");
    std::fprintf(f, "Tag:\t\t\t\t%s\n", sb.tag);
    std::fprintf(f, "Version:\t\t\t%s\n", sb.version);
    std::fprintf(f, "Valid Word:\t\t\t0x%08x\n", sb.validWord);
    std::fprintf(f, "Sectors per Audio Block:\t%d\n", asInt(sb.sectorsPerAudioBlock));
    std::fprintf(f, "Audio Blocks per Cluster:\t%d\n\n", asInt(sb.audioBlocksPerCluster));
    std::fprintf(f, "Project List LBA:\t\t0x%08x\n", sb.projectListLba);
    std::fprintf(f, "Project List Length:\t\t%d\n\n", int(sb.projectListLength));
    std::fprintf(f, "Song Bitmap LBA:\t\t0x%08x\n", sb.songBitmapLba);
    std::fprintf(f, "Song Bitmap Length:\t\t%d\n\n", int(sb.songBitmapLength));
    std::fprintf(f, "Audio Bitmap LBA:\t\t0x%08x\n", sb.audioBitmapLba);
    std::fprintf(f, "Audio Bitmap Length:\t\t%u\n", unsigned(sb.audioBitmapLength));
    std::fprintf(f, "Audio Bitmap Active Words:\t%u\n", sb.audioBitmapActiveWords);
    std::fprintf(f, "Available Clusters:\t\t%u\n\n", sb.availableClusters);
    std::fprintf(f, "Project LBA:\t\t\t0x%08x\n", sb.projectLba);
    std::fprintf(f, "Project Length:\t\t\t%d\n", int(sb.projectLength));
    std::fprintf(f, "Maximum Number of Projects:\t%d\n", asInt(sb.maxProjects));
    std::fprintf(f, "Songs per Project:\t\t%d\n\n", asInt(sb.songsPerProject));
    std::fprintf(f, "Song LBA:\t\t\t0x%08x\n", sb.songLba);
    std::fprintf(f, "Song Info Length:\t\t%d\n", int(sb.songInfoLength));
    std::fprintf(f, "Song BR Length:\t\t\t%d\n", int(sb.songBrLength));
    std::fprintf(f, "Song Length:\t\t\t%d\n", int(sb.songLength));
    std::fprintf(f, "Current Number of Songs:\t%d\n", asInt(sb.currentSongs));
    std::fprintf(f, "Maximum Number of Songs:\t%d\n\n", asInt(sb.maxSongs));
    std::fprintf(f, "Edit Space LBA:\t\t\t0x%08x\n", sb.editSpaceLba);
    std::fprintf(f, "Edit Space Length:\t\t%u\n", sb.editSpaceLength);
    std::fprintf(f, "Audio Blocks per Edit Space:\t%u\n\n", sb.audioBlocksPerEditSpace);
    std::fprintf(f, "Audio Space LBA:\t\t0x%08x\n", sb.audioSpaceLba);
    std::fprintf(f, "Audio Space Length:\t\t%u\n\n", sb.audioSpaceLength);
    std::fprintf(f, "Magic Number:\t\t\t0x%08x\n", sb.magic);
    std::fprintf(f, "Check Sum:\t\t\t0x%08x\n", sb.checksum);
}

void dumpProjectList(FILE* f) {
    const ProjectList& list = state().projectList;
    std::fprintf(f, "PROJECT LIST\n\n");
    std::fprintf(f, "Hard Disk Name:\t\t%s\n", list.shortName);
    std::fprintf(f, "Hard Disk Ext Name:\t%s\n", list.extName);
    std::fprintf(f, "Last Project Handle:\t0x%08x\n", list.lastProjectHandle);
    std::fprintf(f, "Number of Projects:\t%d\n", int(list.count));
    std::fprintf(f, "\nProject Handles:\n");
    for (uint32_t k = 1; k <= kMaxProjectHandles; ++k) {
        std::fprintf(f, "\tProject %02d: 0x%08x\n", int(k), list.handles[k - 1]);
    }
    std::fprintf(f, "\nMagic Number:\t0x%08x\n", list.magic);
    std::fprintf(f, "Check Sum:\t0x%08x\n", list.checksum);
}

// "0x%08x" as printf writes it.
char* putHexWord(char* out, uint32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    *out++ = '0';
    *out++ = 'x';
    for (int shift = 28; shift >= 0; shift -= 4) *out++ = kDigits[(value >> shift) & 0xFu];
    return out;
}

// One line per bit word: the word, then the LBA of the first item it stands for. The
// thousands of lines are formatted here and written at once, not printed one by one.
void dumpBitmapWords(FILE* f, const uint32_t* words, size_t bitWords, uint32_t firstLba, uint32_t sectorsPerItem) {
    constexpr char kGap[] = "\t\t\t";
    constexpr size_t kLineBytes = 10 + sizeof kGap - 1 + 10 + 1;
    std::string lines(bitWords * kLineBytes, '\0');
    char* out = lines.data();
    for (size_t w = 0; w < bitWords; ++w) {
        const uint32_t lba = firstLba + 32u * uint32_t(w) * sectorsPerItem;
        out = putHexWord(out, words[w]);
        out = std::copy(kGap, kGap + sizeof kGap - 1, out);
        out = putHexWord(out, lba);
        *out++ = '\n';
    }
    std::fwrite(lines.data(), 1, lines.size(), f);
    std::fprintf(f, "\nMagic Number:\t0x%08x\n", words[bitWords]);
    std::fprintf(f, "Check Sum:\t0x%08x\n", words[bitWords + 1]);
}

void dumpSongBitmap(FILE* f) {
    const SuperBlock& sb = state().superBlock;
    std::fprintf(f, "SONG BITMAP\n\n");
    std::fprintf(f, "Allocated Songs\t\t\tStarting LBA\n\n");
    dumpBitmapWords(f, state().songBitmap.words, kSongBitmapBitWords, sb.songLba, sb.songLength);
}

void dumpAudioBitmap(FILE* f) {
    const SuperBlock& sb = state().superBlock;
    std::fprintf(f, "AUDIO BITMAP\n\n");
    std::fprintf(f, "Allocated Clusters\t\tStarting LBA\n\n");
    dumpBitmapWords(f, state().audioBitmap.words, kAudioBitmapBitWords, sb.audioSpaceLba,
                    sb.audioBlocksPerCluster * sb.sectorsPerAudioBlock);
}

void dumpProject(FILE* f) {
    const ProjectRecord& project = state().project;
    std::fprintf(f, "PROJECT INFORMATION\n\n");
    std::fprintf(f, "Project Name:\t\t%s\n", project.shortName);
    std::fprintf(f, "Project Ext Name:\t%s\n", project.extName);
    std::fprintf(f, "Last Song Handle:\t0x%08x\n", project.lastSongHandle);
    std::fprintf(f, "Number of Songs:\t%d\n", asInt(project.songCount));
    std::fprintf(f, "\nSong Handles:\n");
    for (uint32_t k = 1; k <= kMaxSongHandles; ++k) std::fprintf(f, "\tSong %02d: 0x%08x\n", int(k), project.songs[k - 1]);
    std::fprintf(f, "\nMagic Number:\t0x%08x\n", project.magic);
    std::fprintf(f, "Check Sum:\t0x%08x\n", project.checksum);
}

void dumpSongPrivateAndPublic(FILE* f, const Song& song) {
    std::fprintf(f, "SONG INFORMATION\n");
    std::fprintf(f, "\n-- PRIVATE SECTION --\n");
    std::fprintf(f, "Number of Audio Blocks:\t\t\t%u\n", song.audioBlocks);
    std::fprintf(f, "Private Attributes:\t\t\t0x%08x\n", song.privateAttributes);
    std::fprintf(f, "Number of Frames per Track Block:\t%d\n", asInt(song.framesPerTrackBlock));
    std::fprintf(f, "Number of Sectors per Track Block:\t%d\n", asInt(song.sectorsPerTrackBlock));
    std::fprintf(f, "Number of Samples per Track Block:\t%d\n", asInt(song.samplesPerTrackBlock));
    std::fprintf(f, "\n-- PUBLIC SECTION --\n");
    std::fprintf(f, "Song Name:\t\t%s\n", song.name);
    std::fprintf(f, "Song Ext Name:\t\t%s\n", song.extName);
    std::fprintf(f, "Number of Tracks:\t%d\n", int(song.tracks));
    std::fprintf(f, "Word Length:\t\t%d bits\n", int(song.wordLength));
    std::fprintf(f, "Sample Rate:\t\t%d Hz\n", asInt(song.sampleRate));
    std::fprintf(f, "Number of Samples:\t%u\n", song.samples);
    std::fprintf(f, "Attributes:\t\t0x%08x\n", song.attributes);
    std::fprintf(f, "Pitch:\t\t\t%d\n", asInt(song.pitch));
    std::fprintf(f, "Loop Start:\t\t%d\n", int(song.loopStart));
    std::fprintf(f, "Loop End:\t\t%d\n", int(song.loopEnd));
    std::fprintf(f, "Tempo Map Locate:\t%d\n", int(song.tempoMapLocate));
}

void dumpSongTables(FILE* f, const Song& song) {
    std::fprintf(f, "\nSlip Values:\n");
    for (size_t t = 0; t < kSongTracks; ++t) std::fprintf(f, "\tTrack %02d: %d\n", int(t + 1), int(song.slip[t]));
    std::fprintf(f, "\nLocate Entries:\n");
    for (size_t i = 0; i < kLocateEntries; ++i) {
        std::fprintf(f, "\tLocate %02d\n", int(i));
        std::fprintf(f, "\t\tSample:\t%u\n", song.locates[i].sample);
        std::fprintf(f, "\t\tName:\t%s\n", song.locates[i].name);
    }
    std::fprintf(f, "\nTempo Map Entries:\n");
    for (size_t i = 0; i < kTempoEntries; ++i) {
        const TempoEntry& entry = song.tempo[i];
        std::fprintf(f, "\tEntry %02d\n", int(i + 1));
        std::fprintf(f, "\t\tMeasure Number:\t%d\n", int(entry.measure));
        // The beat's two bytes as stored: the first, then the second.
        std::fprintf(f, "\t\tBeat:\t\t%d/%d\n", int(entry.beatDenominator), int(entry.beatNumerator));
        std::fprintf(f, "\t\tBPM:\t\t%d\n", asInt(entry.bpm));
    }
    std::fprintf(f, "\nInfo Header Magic Number:\t0x%08x\n", song.infoMagic);
    std::fprintf(f, "Info Header Check Sum:\t\t0x%08x\n", song.infoChecksum);
}

void dumpSongRuns(FILE* f, const Song& song) {
    std::fprintf(f, "\n-- BLOCK RUN SECTION --\n");
    for (size_t n = 0; n < kSongRunsStored; ++n) {
        std::fprintf(f, "BR entry: %d\n", int(n + 1));
        std::fprintf(f, "\tLBA:\t\t\t0x%08x\n", song.runs[n].lba);
        std::fprintf(f, "\tAudio Block Length:\t%d\n", asInt(song.runs[n].length));
    }
    std::fprintf(f, "\nBR Header Magic Number:\t0x%08x\n", song.brMagic);
    std::fprintf(f, "BR Header Check Sum:\t0x%08x\n", song.brChecksum);
}

void dumpSong(FILE* f) {
    const Song& song = state().song;
    dumpSongPrivateAndPublic(f, song);
    dumpSongTables(f, song);
    dumpSongRuns(f, song);
}

struct DumpFile {
    const char* name;
    void (*dump)(FILE*);
};

constexpr DumpFile kDumps[] = {
    {"super_block.txt", dumpSuperBlock},   {"project_list.txt", dumpProjectList},
    {"song_bitmap.txt", dumpSongBitmap},   {"audio_bitmap.txt", dumpAudioBitmap},
    {"primary_project.txt", dumpProject},  {"primary_song.txt", dumpSong},
};

}  // namespace

std::string extractionFolder() {
    const char* folder = std::getenv("VXF_EXTRACT_DIR");
    return folder != nullptr && folder[0] != '\0' ? folder : "/tmp/vxf_extract";
}

bool writeDiagnosticDumps(const std::string& folder) {
    for (const DumpFile& file : kDumps) {
        std::error_code ignored;  // an existing folder is fine; a missing one fails the open below
        std::filesystem::create_directories(folder, ignored);
        FILE* out = std::fopen((folder + "/" + file.name).c_str(), "w");
        if (out == nullptr) return false;
        file.dump(out);
        std::fclose(out);
    }
    return true;
}

}  // namespace vxfserver
