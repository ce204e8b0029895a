// control_surface.cpp - widgets built from a template, addressed by control id, in dialog units.
#include "control_surface.h"

#include "app_icon.h"
#include "track_overview.h"
#include "track_overview_delegate.h"
#include "transfer_ids.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabBar>

#include <algorithm>
#include <climits>

namespace deckqt {

namespace {

// The maker's logo: its name in a framed box; a click is reported like a button press.
class LogoLabel : public QLabel {
public:
    LogoLabel(const QString& text, QWidget* parent, std::function<void()> clicked)
        : QLabel(parent), text_(text), clicked_(std::move(clicked)) {
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
        painter.setPen(QPen(QColor(0x1f, 0x3a, 0x68), 1.5));
        painter.setBrush(QColor(0xe8, 0xee, 0xf7));
        painter.drawRoundedRect(box, 4, 4);
        QFont logoFont = font();
        logoFont.setBold(true);
        logoFont.setLetterSpacing(QFont::PercentageSpacing, 130);
        painter.setFont(logoFont);
        painter.setPen(QColor(0x1f, 0x3a, 0x68));
        painter.drawText(box, Qt::AlignCenter, text_);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && clicked_) clicked_();
    }

private:
    QString text_;
    std::function<void()> clicked_;
};

// The program's picture at the largest square its place allows, drawn afresh for each size and screen.
class AppIconLabel : public QLabel {
public:
    explicit AppIconLabel(QWidget* parent) : QLabel(parent) { setAlignment(Qt::AlignCenter); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        setPixmap(applicationPicture(std::min(width(), height()), devicePixelRatioF()));
    }
};

// The preview's "P" button: a play picture at rest, a stop picture while playing.
class PlayButton : public QPushButton {
public:
    explicit PlayButton(QWidget* parent) : QPushButton(parent) {
        setAccessibleName(QStringLiteral("P"));
        setPlaying(false);
    }
    void setPlaying(bool playing) {
        playing_ = playing;
        setIcon(style()->standardIcon(playing ? QStyle::SP_MediaStop : QStyle::SP_MediaPlay));
    }
    bool playing() const { return playing_; }

private:
    bool playing_ = false;
};

// The directory field and the file list hold file-system text: shown and typed as the file
// system encodes names, not as the drive's single-byte names.
bool holdsFileNames(const QWidget* w) {
    if (qobject_cast<const QListWidget*>(w) != nullptr) return true;
    const auto* combo = qobject_cast<const QComboBox*>(w);
    return combo != nullptr && combo->isEditable();
}

QString fileNameToQt(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

std::string fileNameFromQt(const QString& text) { return QFile::encodeName(text).toStdString(); }

int averageCharWidth(const QFontMetrics& metrics) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
}

}  // namespace

QFont dialogFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    baseX_ = std::max(1, averageCharWidth(metrics));
    baseY_ = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const { return units * baseX_ / 4; }

int DialogUnits::y(int units) const { return units * baseY_ / 8; }

QString toQt(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

std::string fromQt(const QString& text) { return text.toLatin1().toStdString(); }

ControlSurface::ControlSurface(QWidget* parent, const DialogTemplate& layout) {
    parent->setFont(dialogFont());
    const DialogUnits units(parent->font());
    for (const TemplateItem& item : layout.items) {
        QWidget* widget = build(parent, item);
        const QRect base(units.x(item.x), units.y(item.y), units.x(item.width), units.y(item.height));
        widget->setGeometry(base);
        placed_.push_back({widget, item, base});
        if (item.id != -1) widgets_[item.id] = widget;
    }
    size_ = QSize(units.x(layout.width), units.y(layout.height));
    minimum_ = size_;
    units_ = units;
}

void ControlSurface::stretch(const FormStretch& rule) {
    stretch_ = rule;
    minimum_ = size_ - QSize(units_.x(rule.shrinkX), units_.y(rule.shrinkY));
}

void ControlSurface::arrange(QSize size) {
    if (stretch_.splitX == 0) return;
    const QSize room = size.expandedTo(minimum_);
    const int dy = room.height() - size_.height();
    const double rowScale = dy < 0 && size_.height() > 0 ? double(room.height()) / size_.height() : 1.0;
    const StretchOffset offset{room.width() - size_.width(), dy, rowScale};
    for (const Placed& placed : placed_)
        placed.widget->setGeometry(stretchedPlace(placed.item, placed.base, stretch_, offset));
}

QWidget* ControlSurface::build(QWidget* parent, const TemplateItem& item) {
    const QString text = QString::fromLatin1(item.text);
    const int id = item.id;
    switch (item.kind) {
    case ItemKind::Group: return new QGroupBox(text, parent);
    case ItemKind::Label: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ItemKind::Field: {
        auto* field = new QLabel(text, parent);
        field->setTextFormat(Qt::PlainText);
        field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        field->setIndent(3);
        return field;
    }
    case ItemKind::Edit: return new QLineEdit(text, parent);
    case ItemKind::DropList: {
        auto* list = new QComboBox(parent);
        QObject::connect(list, &QComboBox::activated, [this, id](int) { report(id); });
        return list;
    }
    case ItemKind::DropEdit: {
        auto* list = new QComboBox(parent);
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        list->setCompleter(nullptr);
        // Enter must not pick an entry by itself: it is reported as Enter only.
        list->setDuplicatesEnabled(true);
        QObject::connect(list, &QComboBox::activated, [this, id](int) { report(id); });
        QObject::connect(list->lineEdit(), &QLineEdit::textEdited,
                         [this, id](const QString&) { report(id | deck::kNotifyEditChange); });
        QObject::connect(list->lineEdit(), &QLineEdit::returnPressed, [this, id] { report(id | deck::kNotifyEnter); });
        return list;
    }
    case ItemKind::CheckBox: {
        auto* box = new QCheckBox(text, parent);
        QObject::connect(box, &QCheckBox::clicked, [this, id](bool) { report(id); });
        return box;
    }
    case ItemKind::Radio: {
        auto* radio = new QRadioButton(text, parent);
        QObject::connect(radio, &QRadioButton::clicked, [this, id](bool) { report(id); });
        return radio;
    }
    case ItemKind::PlayButton: {
        auto* button = new PlayButton(parent);
        button->setAutoDefault(false);
        QObject::connect(button, &QPushButton::clicked, [this, id](bool) { report(id); });
        return button;
    }
    case ItemKind::Button:
    case ItemKind::DefaultButton: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        button->setDefault(item.kind == ItemKind::DefaultButton);
        QObject::connect(button, &QPushButton::clicked, [this, id](bool) { report(id); });
        return button;
    }
    case ItemKind::Progress: {
        auto* bar = new QProgressBar(parent);
        bar->setTextVisible(false);
        bar->setRange(0, 100);
        bar->setValue(0);
        return bar;
    }
    case ItemKind::TabStrip: {
        auto* tabs = new QTabBar(parent);
        tabs->setExpanding(false);
        for (const QString& entry : text.split(QLatin1Char('|'))) tabs->addTab(entry);
        QObject::connect(tabs, &QTabBar::currentChanged, [this, id](int) { report(id); });
        return tabs;
    }
    case ItemKind::ListBox: {
        auto* list = new QListWidget(parent);
        // The logic keeps the lines sorted.
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        QObject::connect(list, &QListWidget::itemSelectionChanged, [this, id] { report(id); });
        return list;
    }
    case ItemKind::Logo: return new LogoLabel(text, parent, [this, id] { report(id); });
    case ItemKind::AppIcon: return new AppIconLabel(parent);
    }
    return new QWidget(parent);
}

void ControlSurface::report(int id) const {
    if (notify && id != -1) notify(id);
}

QWidget* ControlSurface::widget(int id) const {
    const auto found = widgets_.find(id);
    return found != widgets_.end() ? found->second : nullptr;
}

void ControlSurface::setText(int id, const std::string& text) {
    QWidget* w = widget(id);
    const QSignalBlocker blocker(w);
    if (auto* label = qobject_cast<QLabel*>(w)) label->setText(toQt(text));
    else if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(toQt(text));
    else if (auto* combo = qobject_cast<QComboBox*>(w); combo != nullptr && combo->isEditable())
        combo->setEditText(fileNameToQt(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(toQt(text));
    else if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(toQt(text));
}

std::string ControlSurface::text(int id) const {
    QWidget* w = widget(id);
    if (auto* label = qobject_cast<QLabel*>(w)) return fromQt(label->text());
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return fromQt(edit->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return fromQt(button->text());
    if (auto* list = qobject_cast<QComboBox*>(w))
        return holdsFileNames(list) ? fileNameFromQt(list->currentText()) : fromQt(list->currentText());
    return {};
}

void ControlSurface::clearList(int id) {
    QWidget* w = widget(id);
    const QSignalBlocker blocker(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->clear();
    else if (auto* list = qobject_cast<QListWidget*>(w)) list->clear();
    else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
        while (tabs->count() > 0) tabs->removeTab(0);
    }
}

void ControlSurface::addLine(int id, const std::string& line) {
    QWidget* w = widget(id);
    const QSignalBlocker blocker(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->addItem(holdsFileNames(combo) ? fileNameToQt(line) : toQt(line));
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        // The name's own bytes stay with the line, whatever its text shows.
        auto* item = new QListWidgetItem(fileNameToQt(line), list);
        item->setData(Qt::UserRole, QByteArray::fromStdString(line));
    }
    else if (auto* tabs = qobject_cast<QTabBar*>(w)) tabs->addTab(toQt(line));
}

int ControlSurface::lineCount(int id) const {
    QWidget* w = widget(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
    if (auto* tabs = qobject_cast<QTabBar*>(w)) return tabs->count();
    return 0;
}

std::string ControlSurface::line(int id, int index) const {
    QWidget* w = widget(id);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return holdsFileNames(combo) ? fileNameFromQt(combo->itemText(index)) : fromQt(combo->itemText(index));
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        const QListWidgetItem* item = list->item(index);
        return item != nullptr ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
    }
    if (auto* tabs = qobject_cast<QTabBar*>(w)) return fromQt(tabs->tabText(index));
    return {};
}

void ControlSurface::setSelection(int id, int index) {
    QWidget* w = widget(id);
    const QSignalBlocker blocker(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setCurrentIndex(index < combo->count() ? index : -1);
    else if (auto* list = qobject_cast<QListWidget*>(w)) list->setCurrentRow(index);
    else if (auto* tabs = qobject_cast<QTabBar*>(w)) tabs->setCurrentIndex(index);
}

int ControlSurface::selection(int id) const {
    QWidget* w = widget(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->currentRow();
    if (auto* tabs = qobject_cast<QTabBar*>(w)) return tabs->currentIndex();
    return -1;
}

void ControlSurface::fitDropDown(int id) {
    auto* combo = qobject_cast<QComboBox*>(widget(id));
    if (combo == nullptr) return;
    const QFontMetrics metrics(combo->font());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(combo->itemText(i)) + averageCharWidth(metrics));
    const QStyle* style = combo->style();
    widest += 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) + style->pixelMetric(QStyle::PM_ScrollBarExtent);
    combo->view()->setMinimumWidth(std::max(widest, combo->width()));
}

void ControlSurface::setChecked(int id, bool checked) {
    QWidget* w = widget(id);
    const QSignalBlocker blocker(w);
    if (auto* play = dynamic_cast<PlayButton*>(w)) play->setPlaying(checked);
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setChecked(checked);
}

bool ControlSurface::checked(int id) const {
    if (auto* play = dynamic_cast<PlayButton*>(widget(id))) return play->playing();
    auto* button = qobject_cast<QAbstractButton*>(widget(id));
    return button != nullptr && button->isChecked();
}

void ControlSurface::enable(int id, bool enabled) {
    if (QWidget* w = widget(id)) w->setEnabled(enabled);
}

bool ControlSurface::isEnabled(int id) const {
    QWidget* w = widget(id);
    return w != nullptr && w->isEnabled();
}

void ControlSurface::setTextLimit(int id, int characters) {
    QWidget* w = widget(id);
    if (auto* combo = qobject_cast<QComboBox*>(w); combo != nullptr && combo->lineEdit() != nullptr) w = combo->lineEdit();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setMaxLength(characters);
}

std::vector<int> ControlSurface::selectedLines(int id) const {
    auto* list = qobject_cast<QListWidget*>(widget(id));
    if (list == nullptr) {
        const int line = selection(id);
        return line < 0 ? std::vector<int>{} : std::vector<int>{line};
    }
    std::vector<int> lines;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) lines.push_back(i);
    return lines;
}

void ControlSurface::setLineSelected(int id, int index, bool selected) {
    QWidget* w = widget(id);
    const QSignalBlocker blocker(w);
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        if (QListWidgetItem* item = list->item(index)) item->setSelected(selected);
    } else if (selected) {
        setSelection(id, index);
    }
}

void ControlSurface::setLineOverview(int id, int index, const std::string& note,
                                     const std::vector<vxf::transfer::OverviewColumn>& strip) {
    auto* list = qobject_cast<QListWidget*>(widget(id));
    QListWidgetItem* item = list != nullptr ? list->item(index) : nullptr;
    if (item == nullptr) return;
    QList<QPointF> columns;
    columns.reserve(static_cast<qsizetype>(strip.size()));
    for (const vxf::transfer::OverviewColumn& column : strip) columns.append(QPointF(column.low, column.high));
    const QSignalBlocker blocker(list);
    item->setData(kOverviewNoteRole, QString::fromUtf8(note.data(), static_cast<qsizetype>(note.size())));
    item->setData(kOverviewStripRole, QVariant::fromValue(columns));
    item->setToolTip(QString::fromUtf8(note.data(), static_cast<qsizetype>(note.size())));
}

// A progress bar counts in int; ranges beyond that are scaled down.
void ControlSurface::setProgressRange(int id, uint32_t maximum) {
    auto* bar = qobject_cast<QProgressBar*>(widget(id));
    if (bar == nullptr) return;
    progressMaximum_[id] = maximum;
    const uint32_t scale = maximum / static_cast<uint32_t>(INT_MAX) + 1;
    bar->setRange(0, static_cast<int>(maximum / scale));
}

void ControlSurface::setProgressPosition(int id, uint32_t position) {
    auto* bar = qobject_cast<QProgressBar*>(widget(id));
    if (bar == nullptr) return;
    const uint32_t scale = progressMaximum_[id] / static_cast<uint32_t>(INT_MAX) + 1;
    bar->setValue(static_cast<int>(position / scale));
}

}  // namespace deckqt
