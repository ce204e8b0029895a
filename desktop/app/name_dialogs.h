// name_dialogs.h - the dialogs that take a name: project create and properties, drive and song properties.
#pragma once

#include "form.h"

#include <cstdint>
#include <string>

namespace deck {

// A dialog with one name field: the field takes at most the drive's name length, and OK
// runs the name check before the dialog takes its values.
class NameDialog : public DialogLogic {
public:
    NameDialog(Form& form, bool extendedNames, int templateId, int nameId, std::string name);

    int templateId() const override { return templateId_; }
    void init(DialogControls& controls) override;
    const std::string& name() const { return name_; }

protected:
    bool accept(DialogControls& controls) override;
    bool extendedNames() const { return extendedNames_; }

private:
    Form& form_;
    bool extendedNames_;
    int templateId_;
    int nameId_;
    std::string name_;
};

class ProjectCreateDialog : public NameDialog {
public:
    ProjectCreateDialog(Form& form, bool extendedNames);
};

class ProjectPropertiesDialog : public NameDialog {
public:
    ProjectPropertiesDialog(Form& form, bool extendedNames, std::string name, uint16_t songCount);
    void init(DialogControls& controls) override;

private:
    uint16_t songCount_;
};

struct DriveFacts {
    std::string model;
    uint32_t sizeKb = 0;
    std::string version;
};

// "%4.2f GB" of a size in kilobytes, GB being 10^9 bytes.
std::string driveSizeText(uint32_t sizeKb);

class DrivePropertiesDialog : public NameDialog {
public:
    DrivePropertiesDialog(Form& form, bool extendedNames, std::string name, DriveFacts facts);
    void init(DialogControls& controls) override;

private:
    DriveFacts facts_;
};

struct SongFacts {
    std::string tracks;
    std::string length;
    std::string rate;
    std::string wordLength;
    bool writeProtect = false;
};

class SongPropertiesDialog : public NameDialog {
public:
    SongPropertiesDialog(Form& form, bool extendedNames, std::string name, SongFacts facts);
    void init(DialogControls& controls) override;
    bool writeProtect() const { return facts_.writeProtect; }

protected:
    bool accept(DialogControls& controls) override;

private:
    SongFacts facts_;
};

// The name part of a list line "07: Verse": from its fifth character on, trimmed.
std::string nameOfListLine(const std::string& line);

}  // namespace deck
