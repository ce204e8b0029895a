// file_drag.cpp - what a drag of files out of the window carries, and the drag itself.
#include "file_drag.h"

#include <QDrag>
#include <QFile>
#include <QList>
#include <QUrl>
#include <QWidget>

namespace deckqt {

std::unique_ptr<QMimeData> fileDragData(const std::vector<std::string>& paths) {
    if (paths.empty()) return nullptr;
    QList<QUrl> urls;
    // Paths are the file system's bytes: decoded as Qt decodes file names, so odd names still point at the file.
    for (const std::string& path : paths) urls.push_back(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

void runFileDrag(QWidget* source, std::unique_ptr<QMimeData> data) {
    if (!data) return;
    auto* drag = new QDrag(source);
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace deckqt
