// cmd_overview.cpp - vxf overview: a song's tracks drawn as one picture, a lane per track over a time axis.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "cli.h"
#include "overview_session.h"

namespace {

using namespace vxf::cli;
using vxf::transfer::SongOverview;
using vxf::transfer::TrackOverview;

constexpr int kWidth = 1200;
constexpr int kNameWidth = 130;
constexpr int kRightMargin = 40;  // room for the last time label
constexpr int kTop = 8;
constexpr int kLaneHeight = 44;
constexpr int kAxisHeight = 30;
constexpr int kPlotWidth = kWidth - kNameWidth - kRightMargin;
constexpr int kTicks = 6;

std::string levelText(const TrackOverview& track) {
    if (track.silent) return "\u2014 silent";
    char text[32];
    std::snprintf(text, sizeof text, "peak %.1f dBFS", track.peakDbfs);
    return text;
}

void drawLane(QPainter& painter, const TrackOverview& track, int top) {
    if (track.track % 2 == 1) painter.fillRect(0, top, kWidth, kLaneHeight, QColor(244, 244, 244));
    QFont font = painter.font();
    font.setPixelSize(13);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(6, top + 4, kNameWidth - 10, 18), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(trackLabel(track.track)));
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(QRect(6, top + 22, kNameWidth - 10, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(levelText(track)));
    const int middle = top + kLaneHeight / 2;
    const double half = kLaneHeight / 2.0 - 3;
    painter.setPen(QColor(200, 200, 200));
    painter.drawLine(kNameWidth, middle, kNameWidth + kPlotWidth, middle);
    const size_t columns = track.columns.size();
    const QColor wave(30, 90, 170);
    for (size_t c = 0; c < columns; ++c) {
        const vxf::transfer::OverviewColumn& column = track.columns[c];
        if (column.high == 0.0f && column.low == 0.0f) continue;
        const int left = kNameWidth + static_cast<int>(c * kPlotWidth / columns);
        const int right = kNameWidth + static_cast<int>((c + 1) * kPlotWidth / columns);
        const int high = middle - static_cast<int>(std::lround(column.high * half));
        const int low = middle - static_cast<int>(std::lround(column.low * half));
        painter.fillRect(left, high, std::max(1, right - left), std::max(1, low - high + 1), wave);
    }
}

void drawTimeAxis(QPainter& painter, const SongOverview& overview, int top) {
    painter.setPen(Qt::black);
    painter.drawLine(kNameWidth, top, kNameWidth + kPlotWidth, top);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    for (int k = 0; k < kTicks; ++k) {
        const uint32_t sample = static_cast<uint32_t>(uint64_t{overview.length} * k / (kTicks - 1));
        const int x = kNameWidth + kPlotWidth * k / (kTicks - 1);
        painter.drawLine(x, top, x, top + 5);
        const QString text = QString::fromStdString(vxf::server::timecode(sample, overview.sampleRate));
        painter.drawText(QRect(x - 60, top + 7, 120, 16), Qt::AlignHCenter | Qt::AlignTop, text);
    }
}

QImage drawOverview(const SongOverview& overview) {
    const int lanes = static_cast<int>(overview.tracks.size());
    QImage image(kWidth, kTop + lanes * kLaneHeight + kAxisHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < lanes; ++i) drawLane(painter, overview.tracks[i], kTop + i * kLaneHeight);
    drawTimeAxis(painter, overview, kTop + lanes * kLaneHeight + 2);
    return image;
}

// The painter's text needs an application; no window is ever shown, so no display is asked for, whatever the
// environment names (a named platform that cannot start would end the program).
void drawWithoutDisplay(const SongOverview& overview, QByteArray& png) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about the environment (no runtime folder, ...) are not the command's to tell.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "vxf: %s\n", qPrintable(message));
    });
    static int argc = 1;
    static char name[] = "vxf";
    static char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    const QImage image = drawOverview(overview);
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
}

// A link is never written through nor replaced; another file only with --yes.
bool mayWrite(const std::string& path, bool replace) {
    struct stat there {};
    if (::lstat(path.c_str(), &there) != 0) return true;
    if (S_ISLNK(there.st_mode)) return fail(path + " is a symbolic link; it is not replaced.") == kExitOk;
    if (!S_ISREG(there.st_mode)) return fail(path + " is not a file; it is not replaced.") == kExitOk;
    if (!replace) return fail(path + " already exists; add --yes to replace it") == kExitOk;
    return true;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += written;
    }
    return true;
}

// The picture goes to a new file beside the target and takes its name whole: an interrupted write leaves no
// half a picture, and without --yes a file that appeared meanwhile is still not replaced.
int savePicture(const std::string& path, const QByteArray& png, bool replace) {
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string partial = folder + "/." + target.filename().string() + ".XXXXXX";
    const int fd = ::mkstemp(partial.data());
    if (fd < 0) return fail(path + ": " + std::strerror(errno));
    const bool written = writeAll(fd, png) && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(partial.c_str());
        return fail(path + ": " + std::strerror(written ? errno : writeError));
    }
    int placed = replace ? std::rename(partial.c_str(), path.c_str()) : ::link(partial.c_str(), path.c_str());
    const int placeError = errno;
    if (!replace) ::unlink(partial.c_str());
    if (placed != 0) {
        if (replace) ::unlink(partial.c_str());
        if (placeError == EEXIST) return fail(path + " already exists; add --yes to replace it");
        return fail(path + ": " + std::strerror(placeError));
    }
    const int directory = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        ::fsync(directory);
        ::close(directory);
    }
    return kExitOk;
}

int runOverview(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments; give the picture's file with --out"};
    const std::string path = args.required("out");
    if (path.empty()) throw UsageError{"--out needs a file name"};
    const bool replace = args.has("yes");
    if (!mayWrite(path, replace)) return kExitFailure;
    SongOverview overview;
    std::string label;
    const int status = readSongOverview(args, kPlotWidth, overview, label);
    if (status != kExitOk) return status;
    QByteArray png;
    drawWithoutDisplay(overview, png);
    if (png.isEmpty()) return fail(path + ": the picture could not be made");
    if (!mayWrite(path, replace)) return kExitFailure;
    const int saved = savePicture(path, png, replace);
    if (saved == kExitOk) std::printf("wrote %s (%zu tracks)\n", path.c_str(), overview.tracks.size());
    return saved;
}

const Registrar overview{Command{
    "overview",
    "--drive N --project P --song S --out FILE.png [--yes]",
    "draw the tracks of song S as one PNG picture: a lane per track with its name, peak level and min/max "
    "strip over the song's length, and a time axis (hh:mm:ss:ff at 30 frames); an existing file is replaced "
    "only with --yes, a symbolic link never",
    {"drive", "project", "song", "out"},
    {"yes"},
    runOverview,
}};

}  // namespace
