// track_overview_delegate.h - draws a list line with its overview: the name, a min/max strip of the song and the
// note (peak or "— silent") at the right.
#pragma once

#include <QStyledItemDelegate>

namespace deckqt {

// Item data of a line's overview: the note as text, the strip as QList<QPointF> of (low, high) in -1 .. 1.
inline constexpr int kOverviewNoteRole = Qt::UserRole + 1;
inline constexpr int kOverviewStripRole = Qt::UserRole + 2;

class TrackOverviewDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace deckqt
