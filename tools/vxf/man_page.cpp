// man_page.cpp - the vxf(1) manual page, made from the command table so that it lists every command as it is.
#include "man_page.h"

#include <string>

#include "cli.h"
#include "vxf_version.h"

namespace vxf::cli {

namespace {

// Text as roff shows it literally: backslashes and hyphens escaped, no line taken for a request.
std::string roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
    return out;
}

constexpr const char* kHead =
    ".TH VXF 1 \"\" \"vxf %s\" \"User Commands\"\n"
    ".SH NAME\n"
    "vxf \\- list, export, import, archive and maintain the drives of a 24\\-track hard\\-disk recorder\n"
    ".SH SYNOPSIS\n"
    ".B vxf\n"
    ".I command\n"
    "[\\fIoptions\\fR]\n"
    ".br\n"
    ".B vxf \\-\\-help\n"
    "|\n"
    ".B \\-\\-version\n"
    ".SH DESCRIPTION\n"
    ".B vxf\n"
    "works on the recorder's TAVO VXF drives, or raw images of them, through the same file system server as the\n"
    "desktop program\n"
    ".BR vxfdeck (1).\n"
    "Drives are numbered from 1 in the order of the disk enumeration file; images are attached with\n"
    ".BR \"vxf drives add\" .\n"
    "It is safe to run beside vxfDeck on the same drive: a changing command waits for the other program.\n"
    ".SH COMMANDS\n"
    "Each command describes its options with\n"
    ".BR \"vxf \\fIcommand\\fB \\-\\-help\" .\n";

constexpr const char* kTail =
    ".SH OPTIONS\n"
    ".TP\n"
    ".BR \\-h \", \" \\-\\-help\n"
    "Show the commands, or with a command its usage, and exit.\n"
    ".TP\n"
    ".B \\-\\-version\n"
    "Show the version and exit.\n"
    ".TP\n"
    ".BR \\-q \", \" \\-\\-quiet\n"
    "With any command: no progress line, and no report of the files written or of the transfer rate.\n"
    "Failures and listings are still printed.\n"
    ".TP\n"
    ".BR \\-v \", \" \\-\\-verbose\n"
    "With any command: what it opened and chose (the drive, its size and file system, whether it is\n"
    "read\\-only, the project) on standard error.\n"
    ".SH EXIT STATUS\n"
    ".TP\n"
    ".B 0\n"
    "Done.\n"
    ".TP\n"
    ".B 1\n"
    "Failed; the message on standard error says what and where.\n"
    ".TP\n"
    ".B 2\n"
    "Wrong usage: an unknown command or option, or a value out of range.\n"
    ".TP\n"
    ".B 3\n"
    "Done, but parts could not be read: a salvaging export or archive left silent gaps (listed),\n"
    ".B vxf remap\n"
    "found sectors that stay unreadable, or\n"
    ".B vxf image capture\n"
    "left unreadable sectors (listed in the image's .badsectors file, zero in the image).\n"
    ".TP\n"
    ".B 130\n"
    "Interrupted (Ctrl+C): the files written so far are closed and consistent.\n"
    ".SH ENVIRONMENT\n"
    ".TP\n"
    ".B VXF_DISK_ENUM\n"
    "The disk enumeration file to use instead of the user's own.\n"
    ".TP\n"
    ".B XDG_CONFIG_HOME\n"
    "Where the user's disk enumeration file lives (default \\fI~/.config\\fR).\n"
    ".SH FILES\n"
    ".TP\n"
    ".I ~/.config/vxfdeck/disks\n"
    "The disk enumeration file: the drives\n"
    ".B vxf\n"
    "and vxfDeck see, one image or block device a line.\n"
    ".TP\n"
    ".I ~/.local/share/vxfdeck/demo/studio\\-a.img\n"
    "The demo drive made by\n"
    ".BR \"vxf demo\" .\n"
    ".TP\n"
    ".I IMAGE.faults\n"
    "Faults injected into an image for testing: lines such as \\fBread\\-error 100 107\\fR.\n"
    ".TP\n"
    ".I OUT.img.map\n"
    "What\n"
    ".B vxf image capture\n"
    "has read, in the mapfile form rescue tools read and continue: blocks with \\fB+\\fR rescued, \\fB?\\fR not tried,\n"
    "\\fB*\\fR and \\fB/\\fR failed and not yet read sector by sector, \\fB\\-\\fR bad.\n"
    ".SH EXAMPLES\n"
    "Make the demo drive, list its songs and export every track of the first song:\n"
    ".PP\n"
    ".nf\n"
    ".RS\n"
    "vxf demo\n"
    "vxf drives\n"
    "vxf songs \\-\\-drive 1 \\-\\-project 1\n"
    "vxf export \\-\\-drive 1 \\-\\-project 1 \\-\\-song 1 \\-\\-out ~/takes\n"
    ".RE\n"
    ".fi\n"
    ".PP\n"
    "Image a real drive before anything else is done with it:\n"
    ".PP\n"
    ".nf\n"
    ".RS\n"
    "vxf drives add /dev/sdb\n"
    "vxf image capture \\-\\-drive 1 studio.img\n"
    ".RE\n"
    ".fi\n"
    ".SH SEE ALSO\n"
    ".BR vxfdeck (1)\n";

}  // namespace

void printManPage(std::FILE* out) {
    std::fprintf(out, kHead, VXF_VERSION);
    for (const Command& c : commands()) {
        std::fprintf(out, ".TP\n.B vxf %s\n", roff(c.name).c_str());
        if (!c.usage.empty()) std::fprintf(out, "\\fI%s\\fR\n.br\n", roff(c.usage).c_str());
        std::fprintf(out, "%s\n", roff(c.summary).c_str());
    }
    std::fputs(kTail, out);
}

}  // namespace vxf::cli
