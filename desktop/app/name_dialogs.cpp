// name_dialogs.cpp - the dialogs that take a name: project create and properties, drive and song properties.
#include "name_dialogs.h"

#include "ext_message_box.h"
#include "ids.h"
#include "name_check.h"
#include "text_format.h"

namespace deck {

NameDialog::NameDialog(Form& form, bool extendedNames, int templateId, int nameId, std::string name)
    : form_(form), extendedNames_(extendedNames), templateId_(templateId), nameId_(nameId), name_(std::move(name)) {}

void NameDialog::init(DialogControls& controls) {
    controls.setTextLimit(nameId_, nameLimit(extendedNames_));
    controls.setText(nameId_, name_);
}

bool NameDialog::accept(DialogControls& controls) {
    const std::string typed = controls.text(nameId_);
    const std::string message = nameCheckMessage(typed, extendedNames_);
    if (!message.empty()) {
        form_.messageBox(message, kAppTitle, mb::kIconStop | mb::kOk);
        return false;
    }
    name_ = typed;
    return true;
}

ProjectCreateDialog::ProjectCreateDialog(Form& form, bool extendedNames)
    : NameDialog(form, extendedNames, tmpl::kProjectCreate, ctl::kProjectCreateName, "Proj Name") {}

ProjectPropertiesDialog::ProjectPropertiesDialog(Form& form, bool extendedNames, std::string name, uint16_t songCount)
    : NameDialog(form, extendedNames, tmpl::kProjectProperties, ctl::kProjectPropName, std::move(name)),
      songCount_(songCount) {}

void ProjectPropertiesDialog::init(DialogControls& controls) {
    NameDialog::init(controls);
    controls.setText(ctl::kProjectPropSongs, format("%d", songCount_));
}

std::string driveSizeText(uint32_t sizeKb) {
    // Kilobytes of 1024 bytes into gigabytes of 10^9 bytes, without 32-bit overflow.
    const double gigabytes = static_cast<double>(static_cast<uint64_t>(sizeKb) * 1024u) / 1e9;
    return format("%4.2f GB", gigabytes);
}

DrivePropertiesDialog::DrivePropertiesDialog(Form& form, bool extendedNames, std::string name, DriveFacts facts)
    : NameDialog(form, extendedNames, tmpl::kDriveProperties, ctl::kDrivePropName, trimBlanks(name)),
      facts_(std::move(facts)) {}

void DrivePropertiesDialog::init(DialogControls& controls) {
    NameDialog::init(controls);
    controls.setText(ctl::kDrivePropModel, trimBlanks(facts_.model));
    controls.setText(ctl::kDrivePropSize, trimBlanks(driveSizeText(facts_.sizeKb)));
    controls.setText(ctl::kDrivePropVersion, trimBlanks(facts_.version));
}

SongPropertiesDialog::SongPropertiesDialog(Form& form, bool extendedNames, std::string name, SongFacts facts)
    : NameDialog(form, extendedNames, tmpl::kSongProperties, ctl::kSongDialogName, std::move(name)),
      facts_(std::move(facts)) {}

void SongPropertiesDialog::init(DialogControls& controls) {
    NameDialog::init(controls);
    controls.setText(ctl::kSongPropTracks, facts_.tracks);
    controls.setText(ctl::kSongPropLength, facts_.length);
    controls.setText(ctl::kSongPropRate, facts_.rate);
    controls.setText(ctl::kSongPropWordLength, facts_.wordLength);
    controls.setChecked(ctl::kSongPropWriteProtect, facts_.writeProtect);
}

bool SongPropertiesDialog::accept(DialogControls& controls) {
    if (!NameDialog::accept(controls)) return false;
    facts_.writeProtect = controls.checked(ctl::kSongPropWriteProtect);
    return true;
}

std::string nameOfListLine(const std::string& line) { return trimBlanks(line.size() > 4 ? line.substr(4) : ""); }

}  // namespace deck
