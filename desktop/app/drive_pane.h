// drive_pane.h - the Drive group: drive list, the selected drive's facts and the free-space preview.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace deck {

class DeckView;

enum class DriveStatus : uint16_t { Unknown = 0, Vxf = 1, NoCommunication = 2 };

constexpr uint16_t kMaxListedDrives = 10;

// "%d:  %s" for the first nine drives, "%d: %s" from the tenth on (n counts from 1); a read-only
// drive's line ends in " (read-only)".
std::string driveLine(int number, DriveStatus status, const std::string& name, bool readOnly = false);

// Track-count choices of a rate choice (0 44.1, 1 48, 2 88.2, 3 96 kHz).
int highestTrackChoice(uint16_t rateChoice);
uint16_t tracksOfChoice(uint16_t rateChoice, uint16_t trackChoice);
uint32_t rateOfChoice(uint16_t rateChoice);
// -1 when the value has no choice.
int trackChoiceOf(uint32_t rate, uint32_t tracks);
int rateChoiceOf(uint32_t rate);

class DrivePane {
public:
    explicit DrivePane(DeckView& view);

    void create();
    void destroy();

    void rebuildDriveList();
    void activateSelectedDrive();
    void trackChoiceChanged();
    void rateChoiceChanged();
    void previewFollowsSong(uint32_t tracks, uint32_t rate);
    void refreshPreview();
    // "Drive " and the selected line of the list, trimmed.
    std::string driveLabel() const;
    void enableFactsAndPreview(bool enabled);

    uint32_t handle() const { return handle_; }
    uint32_t& handleRef() { return handle_; }
    uint16_t driveCount() const { return driveCount_; }
    DriveStatus status(uint16_t index) const { return status_.at(index); }
    DriveStatus selectedStatus() const;
    uint16_t selected() const { return selected_; }
    void setSelected(uint16_t index) { selected_ = index; }
    // Drive count above 0 and the selected drive holds a VXF file system.
    bool usable() const;
    // The selected drive takes no write: the commands that change it are off.
    bool selectedReadOnly() const { return selected_ < kMaxListedDrives && readOnly_[selected_]; }
    uint16_t trackChoice() const { return trackChoice_; }
    uint16_t rateChoice() const { return rateChoice_; }

private:
    bool listDrive(uint16_t index);
    void fillRateList();
    void fillTrackList();
    void lowerTrackChoiceToRate();
    void showLength(uint32_t freeKb);
    void clearFacts();

    DeckView& view_;
    uint32_t handle_ = 0;
    uint16_t driveCount_ = 0;
    std::array<DriveStatus, kMaxListedDrives> status_{};
    std::array<bool, kMaxListedDrives> readOnly_{};
    uint16_t selected_ = 0;
    uint16_t trackChoice_ = 0;
    uint16_t rateChoice_ = 0;
};

}  // namespace deck
