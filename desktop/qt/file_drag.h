// file_drag.h - what a drag of files out of the window carries, and the drag itself.
#pragma once

#include <QMimeData>

#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace deckqt {

// The files as file managers take a drag of files: their URLs (text/uri-list); none without files.
std::unique_ptr<QMimeData> fileDragData(const std::vector<std::string>& paths);
// Hands the data to the system's drag from `source` to wherever the user drops it, as a copy.
void runFileDrag(QWidget* source, std::unique_ptr<QMimeData> data);

}  // namespace deckqt
