// server_session.h - what the vxf commands share when they work through the server: open drives, projects, messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli.h"
#include "tavovxf.h"
#include "vxfx.h"

namespace vxf::server {

// How long a command waits for another program to finish with its drive.
constexpr uint32_t kDriveWaitMilliseconds = 3000;

// What a command does with its drive, for the message another program gets.
enum class Purpose : uint32_t { Read = VXFX_PURPOSE_READ, Change = VXFX_PURPOSE_CHANGE };

// Which program keeps the drive, when that was the failure; else empty.
inline std::string inUseText() {
    char text[VXFX_IN_USE_TEXT_SIZE] = {};
    vxfxGetInUseText(text, sizeof text);
    return text;
}

// The server's sentence for its last failure; reading it clears the failure.
inline std::string errorMessage() {
    char text[VXF_ERROR_STRING_SIZE] = {};
    tavovxfGetErrorString(text);
    return text;
}

// A failed server call: its sentence on stderr after `context`, status 1. A
// drive another program keeps is told as such: the text names the drive.
inline int failWith(const std::string& context) {
    const std::string inUse = inUseText();
    const std::string message = errorMessage();
    return cli::fail(inUse.empty() ? context + ": " + message : inUse);
}

// A drive opened through the server, closed again when the object goes.
class Drive {
public:
    Drive() = default;
    Drive(const Drive&) = delete;
    Drive& operator=(const Drive&) = delete;
    ~Drive() {
        if (handle_ != 0) tavovxfDriveClose(handle_);
    }

    // Opens drive `number` as the listings show it (from 1) and keeps other
    // programs out of it until the command ends, so that the command sees one
    // state of the drive from start to end; on failure prints why and answers
    // false.
    bool open(int64_t number, Purpose purpose = Purpose::Read) {
        number_ = number;
        uint16_t count = 0;
        if (tavovxfDriveGetNum(&count) != VXF_OK) return failed("drives cannot be counted");
        if (number < 1 || number > count) {
            cli::fail("there is no drive " + std::to_string(number) + " (" + std::to_string(count) + " attached)");
            return false;
        }
        if (tavovxfDriveOpen(uint16_t(number - 1), &handle_) != VXF_OK) {
            handle_ = 0;
            return failed("drive " + std::to_string(number));
        }
        if (vxfxDriveHold(handle_, uint32_t(purpose), kDriveWaitMilliseconds) != VXF_OK) return failed(label());
        if (purpose == Purpose::Change && isReadOnly()) {
            cli::fail(label() + " is attached read-only");
            return false;
        }
        if (cli::verbosity() == cli::Verbosity::Verbose) noteOpened(purpose);
        return true;
    }

    // Whether the drive takes no write (its attachment, or keepReadOnly).
    bool isReadOnly() const {
        uint32_t reasons = 0;
        if (vxfxDriveIsReadOnly(handle_, &reasons) != VXF_OK) errorMessage();
        return reasons != 0;
    }

    // This program writes nothing to the drive from now on, whatever its attachment; on failure prints why.
    bool keepReadOnly() const {
        if (vxfxDriveKeepReadOnly(handle_, 1) != VXF_OK) return failed(label());
        return true;
    }

    // Makes project `number` (from 1) the open project; on failure prints why.
    bool openProject(int64_t number) {
        uint16_t count = 0;
        if (tavovxfProjectGetNum(handle_, &count) != VXF_OK) return failed(label());
        if (number < 1 || number > count) {
            cli::fail(label() + " has no project " + std::to_string(number) + " (" + std::to_string(count) +
                      " projects)");
            return false;
        }
        if (tavovxfProjectSetPrimary(handle_, uint16_t(number - 1)) != VXF_OK) {
            return failed(label() + ", project " + std::to_string(number));
        }
        cli::note(label() + ": project " + std::to_string(number) + " of " + std::to_string(count) + " open");
        return true;
    }

    // A "1.10 " volume names things with extended names, older ones with short names.
    bool extendedNames() const {
        char version[VXF_VERSION_SIZE] = {};
        if (tavovxfDriveGetFSVersion(handle_, version) != VXF_OK) {
            errorMessage();
            return false;
        }
        return std::string(version) == "1.10 ";
    }

    // Lets other programs in again once everything written is on the drive
    // (an import's records wait until then); on failure prints why.
    bool release() const {
        if (vxfxDriveRelease(handle_) != VXF_OK) return failed(label());
        return true;
    }

    uint32_t handle() const { return handle_; }
    std::string label() const { return "drive " + std::to_string(number_); }

    // Prints the server's sentence for a failed call; answers false.
    bool failed(const std::string& context) const {
        failWith(context);
        return false;
    }

private:
    // "drive 1: DESCRIPTION (38146 MiB), file system 1.10, read-only, held for reading".
    void noteOpened(Purpose purpose) const {
        char description[VXF_DESCRIPTION_SIZE] = {};
        uint32_t sizeKb = 0;
        if (tavovxfDriveGetInfo(handle_, description, &sizeKb) != VXF_OK) errorMessage();
        char version[VXF_VERSION_SIZE] = {};
        if (tavovxfDriveGetFSVersion(handle_, version) != VXF_OK) errorMessage();
        cli::note(label() + ": " + trimmedText(description) + " (" + std::to_string(sizeKb / 1024) + " MiB), file system " +
                  (version[0] ? trimmedText(version) : std::string("none")) + (isReadOnly() ? ", read-only" : "") +
                  ", held for " + (purpose == Purpose::Change ? "changing" : "reading"));
    }
    static std::string trimmedText(const std::string& text) {
        const size_t last = text.find_last_not_of(' ');
        return last == std::string::npos ? "" : text.substr(0, last + 1);
    }

    uint32_t handle_ = 0;
    int64_t number_ = 0;
};

// A name as the volume shows it: its extended form on "1.10 " volumes.
// Get functions take the handle and a buffer of VXF_EXT_NAME_SIZE bytes.
inline std::string nameOf(const Drive& drive, int32_t (*getShort)(uint32_t, char*),
                          int32_t (*getExtended)(uint32_t, char*)) {
    char text[VXF_EXT_NAME_SIZE] = {};
    if ((drive.extendedNames() ? getExtended : getShort)(drive.handle(), text) != VXF_OK) errorMessage();
    return text;
}

// Stores a name in both forms, the extended one first, as the recorder's own
// tools do; the server normalises each. Prints the failure, if any.
inline bool setBothNames(const Drive& drive, const std::string& name, const std::string& what,
                         int32_t (*setExtended)(uint32_t, const char*), int32_t (*setShort)(uint32_t, const char*)) {
    if (setExtended(drive.handle(), name.c_str()) != VXF_OK) return drive.failed(what);
    if (setShort(drive.handle(), name.c_str()) != VXF_OK) return drive.failed(what);
    return true;
}

// A JSON string literal.
inline std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

// Leading and trailing blanks off, as names are shown.
inline std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Commands that destroy data ask for --yes instead of a question.
inline void requireYes(const cli::Args& args, const std::string& what) {
    if (!args.has("yes")) throw cli::UsageError{what + "; add --yes to confirm"};
}

}  // namespace vxf::server
