// transfer_settings.cpp - the Transfer group's settings: mode, format, word length and directories.
#include "transfer_settings.h"

#include "profile.h"

namespace deck {

namespace {

std::string indexedKey(const char* key, size_t index) { return key + std::to_string(index); }

}  // namespace

void TransferSettings::read(Profile& profile) {
    const int tab = profile.readInt("TabSelection", 0);
    mode = tab == 1 ? TransferMode::Import : TransferMode::Export;
    const int storedFormat = profile.readInt("TransFormat", 0);
    format = storedFormat >= 0 && storedFormat <= 3 ? static_cast<vxf::transfer::AudioFormat>(storedFormat)
                                                    : vxf::transfer::AudioFormat::Wav;
    exportWordLength = profile.readInt("TransExportWL", 24) == 16 ? 16 : 24;
    broadcastWave = profile.readInt("TransBWF", 0) == 1;
    polyFile = profile.readInt("TransPoly", 0) == 1;
    exportDirectory = profile.readText("TransExportStr", "");
    importDirectory = profile.readText("TransImportStr", "");
    for (size_t i = 0; i < kRecentDirectoryCount; ++i) {
        recentExport.set(i, profile.readText(indexedKey("TransExportStr", i), ""));
        recentImport.set(i, profile.readText(indexedKey("TransImportStr", i), ""));
    }
}

void TransferSettings::write(Profile& profile) const {
    profile.writeInt("TabSelection", static_cast<int>(mode));
    profile.writeInt("TransFormat", static_cast<int>(format));
    profile.writeInt("TransExportWL", exportWordLength);
    profile.writeText("TransExportStr", exportDirectory);
    profile.writeText("TransImportStr", importDirectory);
    for (size_t i = 0; i < kRecentDirectoryCount; ++i) {
        profile.writeText(indexedKey("TransExportStr", i), recentExport.at(i));
        profile.writeText(indexedKey("TransImportStr", i), recentImport.at(i));
    }
    profile.writeInt("TransBWF", broadcastWave ? 1 : 0);
    profile.writeInt("TransPoly", polyFile ? 1 : 0);
}

}  // namespace deck
