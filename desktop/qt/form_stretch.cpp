// form_stretch.cpp - how a template's controls take the room of a window larger or smaller than the template.
#include "form_stretch.h"

#include <algorithm>
#include <cmath>

namespace deckqt {

FormStretch formStretch() {
    // The export/import list ends at x 377 and y 278 of the form. It may lose 45 by 60 units: the logo then
    // still clears the transfer time, the transfer rate the Export button, and the Song group's rows keep
    // apart; the window fits a 1280x800 screen at 150 % text size.
    return {211, 377, 278, 45, 60};
}

QRect stretchedPlace(const TemplateItem& item, const QRect& base, const FormStretch& stretch, StretchOffset offset) {
    QRect place = base;
    if (item.x >= stretch.splitX) {
        place.translate(offset.dx, 0);
    } else if (item.x + item.width >= stretch.splitX) {
        const bool label = item.kind == ItemKind::Label;
        place.setWidth(base.width() + (label ? std::max(offset.dx, 0) : offset.dx));
    }
    if (item.x < stretch.columnX) {
        const int top = static_cast<int>(std::lround(base.top() * offset.rowScale));
        const int bottom = static_cast<int>(std::lround((base.top() + base.height()) * offset.rowScale));
        place.moveTop(top);
        if (item.kind == ItemKind::Group) place.setHeight(bottom - top);
        return place;
    }
    if (item.y >= stretch.splitY) {
        place.translate(0, offset.dy);
    } else if (item.y + item.height >= stretch.splitY) {
        place.setHeight(base.height() + offset.dy);
    }
    return place;
}

}  // namespace deckqt
