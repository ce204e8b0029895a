// track_overview_delegate.cpp - draws a list line with its overview: the name, a min/max strip of the song and the
// note (peak or "— silent") at the right.
#include "track_overview_delegate.h"

#include <QApplication>
#include <QList>
#include <QPainter>
#include <QPointF>

#include <algorithm>
#include <cmath>

namespace deckqt {

namespace {

QList<QPointF> stripOf(const QModelIndex& index) { return index.data(kOverviewStripRole).value<QList<QPointF>>(); }

// One vertical line per pixel column, from the lowest to the highest sample of the columns it covers.
void drawStrip(QPainter& painter, const QRect& box, const QList<QPointF>& strip, const QColor& colour) {
    if (strip.isEmpty() || box.width() <= 0 || box.height() <= 0) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(colour, 1));
    const double middle = box.top() + box.height() / 2.0;
    const double half = box.height() / 2.0;
    painter.drawLine(box.left(), qRound(middle), box.right(), qRound(middle));
    const qsizetype count = strip.size();
    for (int x = 0; x < box.width(); ++x) {
        const qsizetype first = x * count / box.width();
        const qsizetype last = std::max(first + 1, (x + 1) * count / box.width());
        double low = 0, high = 0;
        for (qsizetype i = first; i < last && i < count; ++i) {
            low = std::min(low, strip[i].x());
            high = std::max(high, strip[i].y());
        }
        low = std::clamp(low, -1.0, 1.0);
        high = std::clamp(high, -1.0, 1.0);
        painter.drawLine(QPointF(box.left() + x, middle - high * half), QPointF(box.left() + x, middle - low * half));
    }
    painter.restore();
}

}  // namespace

void TrackOverviewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    const QString note = index.data(kOverviewNoteRole).toString();
    if (note.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem line = option;
    initStyleOption(&line, index);
    const QFontMetrics metrics(line.font);
    const int gap = metrics.averageCharWidth();
    const int nameWidth = metrics.horizontalAdvance(line.text) + 2 * gap;
    const int noteWidth = metrics.horizontalAdvance(QStringLiteral("-100.0 dBFS")) + gap;
    // The line's background and name as the style draws them, then the strip and the note over the rest.
    QStyle* style = line.widget != nullptr ? line.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &line, painter, line.widget);
    const bool selected = (line.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group = (line.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    const QColor ink = line.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    const QRect area = line.rect.adjusted(gap / 2, 0, -gap / 2, 0);
    const QRect noteBox(area.right() - noteWidth, area.top(), noteWidth, area.height());
    const QRect stripBox(area.left() + nameWidth, area.top() + 3, noteBox.left() - area.left() - nameWidth - gap,
                         area.height() - 6);
    QColor stripColour = selected ? ink : line.palette.color(group, QPalette::Highlight);
    drawStrip(*painter, stripBox, stripOf(index), stripColour);
    painter->save();
    painter->setPen(ink);
    painter->setFont(line.font);
    painter->drawText(noteBox, Qt::AlignRight | Qt::AlignVCenter, note);
    painter->restore();
}

QSize TrackOverviewDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    // Room for a strip that shows the shape of the song, not only its loudest moment.
    size.setHeight(std::max(size.height(), QFontMetrics(option.font).height() * 3 / 2));
    return size;
}

}  // namespace deckqt
