// form_stretch.h - how a template's controls take the room of a window larger or smaller than the template.
#pragma once

#include "dialog_templates.h"

#include <QRect>

namespace deckqt {

// Lines in dialog units that split a template into fixed and stretching parts. Items that start right of
// splitX move with the window's right edge, items that cross it widen (labels never get narrower than the
// template has them); items of the column that starts at columnX move down or grow the same way about splitY.
// The items left of that column keep their place in a taller window and close up their rows in a lower one.
// The window may be shrinkX and shrinkY units smaller than the template.
struct FormStretch {
    int columnX = 0;
    int splitX = 0;
    int splitY = 0;
    int shrinkX = 0;
    int shrinkY = 0;
};

// The stretch of the main form: the Transfer group's lists take the room, the Drive, Project and Song groups
// keep theirs.
FormStretch formStretch();

// Pixel offsets of a window from its template size, and how much the rows left of the column close up
// (1 in a window as tall as the template or taller).
struct StretchOffset {
    int dx = 0;
    int dy = 0;
    double rowScale = 1.0;
};

// Where an item goes when the window is off its template size by offset; base is the item's template place in
// pixels.
QRect stretchedPlace(const TemplateItem& item, const QRect& base, const FormStretch& stretch, StretchOffset offset);

}  // namespace deckqt
