// transfer_settings.h - the Transfer group's settings: mode, format, word length and directories.
#pragma once

#include "audio_format.h"
#include "recent_directories.h"

#include <cstdint>
#include <string>

namespace deck {

class Profile;

enum class TransferMode : uint16_t { Export = 0, Import = 1 };

struct TransferSettings {
    TransferMode mode = TransferMode::Export;
    vxf::transfer::AudioFormat format = vxf::transfer::AudioFormat::Wav;
    uint16_t exportWordLength = 24;
    // Exports as Broadcast Wave (markers, iXML, song.json), and all tracks in one poly WAV file.
    bool broadcastWave = false;
    bool polyFile = false;
    std::string exportDirectory;
    std::string importDirectory;
    RecentDirectories recentExport;
    RecentDirectories recentImport;

    // Missing keys give the defaults; a stored value the program never writes does too.
    void read(Profile& profile);
    // In the order TabSelection, TransFormat, TransExportWL, TransExportStr, TransImportStr,
    // then TransExportStr<i> and TransImportStr<i> for i = 0 to 4, then TransBWF and TransPoly.
    void write(Profile& profile) const;

    std::string& directory() { return mode == TransferMode::Export ? exportDirectory : importDirectory; }
    RecentDirectories& recent() { return mode == TransferMode::Export ? recentExport : recentImport; }
};

}  // namespace deck
