// ext_message_box_dialog.cpp - the extended message box on screen, and the seam that answers it in tests.
#include "ext_message_box_dialog.h"

#include "control_surface.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace deckqt {

namespace {

constexpr int kButtonWidth = 82;
constexpr int kButtonHeight = 23;
constexpr int kButtonPitch = 88;

MessageBoxAnswerer& answerer() {
    static MessageBoxAnswerer instance;
    return instance;
}

QStyle::StandardPixmap pixmapOf(deck::BoxIcon icon) {
    switch (icon) {
    case deck::BoxIcon::Stop: return QStyle::SP_MessageBoxCritical;
    case deck::BoxIcon::Question: return QStyle::SP_MessageBoxQuestion;
    case deck::BoxIcon::Exclamation: return QStyle::SP_MessageBoxWarning;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

int screenWidth(const QWidget* owner) {
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry().width() : 1024;
}

QMessageBox::StandardButton standardButtonOf(int result) {
    switch (result) {
    case deck::idr::kOk: return QMessageBox::Ok;
    case deck::idr::kCancel: return QMessageBox::Cancel;
    case deck::idr::kAbort: return QMessageBox::Abort;
    case deck::idr::kRetry: return QMessageBox::Retry;
    case deck::idr::kIgnore: return QMessageBox::Ignore;
    case deck::idr::kYes: return QMessageBox::Yes;
    case deck::idr::kNo: return QMessageBox::No;
    case deck::idr::kYesToAll: return QMessageBox::YesToAll;
    case deck::idr::kNoToAll: return QMessageBox::NoToAll;
    case deck::idr::kHelp: return QMessageBox::Help;
    default: return QMessageBox::Ok;  // Continue has no standard button of its own
    }
}

// A stop-icon, system-modal request: the platform's plain box with the same buttons.
int systemBox(QWidget* owner, const QString& text, const deck::ExtMessageBoxLayout& layout) {
    QMessageBox box(QMessageBox::Critical, toQt(layout.caption), text, QMessageBox::NoButton, owner);
    box.setWindowModality(Qt::ApplicationModal);
    std::vector<std::pair<QAbstractButton*, int>> results;
    for (const deck::BoxButton& button : layout.buttons) {
        QAbstractButton* added = button.result == deck::idr::kContinue
                                     ? box.addButton(QStringLiteral("&Continue"), QMessageBox::AcceptRole)
                                     : box.addButton(standardButtonOf(button.result));
        results.emplace_back(added, button.result);
    }
    box.exec();
    for (const auto& [button, result] : results)
        if (button == box.clickedButton()) return result;
    return deck::idr::kCancel;
}

}  // namespace

ExtMessageBoxDialog::ExtMessageBoxDialog(QWidget* owner, const QString& text, const deck::ExtMessageBoxLayout& layout,
                                         unsigned helpContext)
    : QDialog(owner), layout_(layout), helpContext_(helpContext) {
    setWindowTitle(toQt(layout.caption));
    setFont(QApplication::font("QMessageBox"));
    if (layout.escapeResult == 0) setWindowFlag(Qt::WindowCloseButtonHint, false);
    if (layout.systemModal) setWindowModality(Qt::ApplicationModal);

    int iconWidth = 0;
    int iconHeight = 0;
    if (layout.icon != deck::BoxIcon::None) {
        const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        auto* icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(pixmapOf(layout.icon), nullptr, this).pixmap(extent, extent));
        icon->setGeometry(8, 8, extent, extent);
        iconWidth = extent;
        iconHeight = extent;
    }
    const int half = screenWidth(owner) / 2;
    const int textLimit = iconWidth > 0 ? half - iconWidth + 84 : half + 100;
    const QRect measured =
        QFontMetrics(font()).boundingRect(QRect(0, 0, textLimit, 100000), Qt::TextWordWrap | Qt::TextExpandTabs, text);
    const int textLeft = 16 + (iconWidth > 0 ? iconWidth + 8 : 0);
    const int textHeight = measured.height() + 21;
    auto* message = new QLabel(text, this);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message->setGeometry(textLeft, 16, measured.width() + 4, textHeight);

    const int rowTop = std::max(16 + textHeight, 8 + iconHeight) + 8;
    const int buttonCount = static_cast<int>(layout.buttons.size());
    const int rowWidth = kButtonWidth + kButtonPitch * (buttonCount - 1);
    const int width = std::max(textLeft + measured.width() + 20, rowWidth + 16);
    int left = (width - rowWidth) / 2;
    for (const deck::BoxButton& button : layout.buttons) {
        auto* push = new QPushButton(toQt(button.label), this);
        push->setGeometry(left, rowTop, kButtonWidth, kButtonHeight);
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this, [this, button] { pressed(button); });
        buttons_.append(push);
        left += kButtonPitch;
    }
    int height = rowTop + kButtonHeight + 8;
    if (!layout.checkBoxText.empty()) {
        checkBox_ = new QCheckBox(toQt(layout.checkBoxText), this);
        const int textWidth = QFontMetrics(font()).horizontalAdvance(checkBox_->text());
        checkBox_->setGeometry(17, rowTop + 35, textWidth + textWidth / 3 + 17, checkBox_->sizeHint().height());
        height = rowTop + 35 + checkBox_->sizeHint().height() + 8;
    }
    if (!buttons_.isEmpty()) {
        QPushButton* defaultButton = buttons_.at(static_cast<qsizetype>(layout.defaultButton));
        defaultButton->setDefault(true);
        defaultButton->setFocus();
    }
    setFixedSize(width, std::max(height, 70));
}

void ExtMessageBoxDialog::pressed(const deck::BoxButton& button) {
    if (button.result == deck::idr::kHelp) {
        openHelp();
        return;
    }
    done(deck::extMessageBoxResult(layout_, button, checkBox_ != nullptr && checkBox_->isChecked()));
}

void ExtMessageBoxDialog::reject() {
    if (layout_.escapeResult == 0) return;
    pressed({"", layout_.escapeResult});
}

// The help file sits beside the program, named after it; context 0 means its index.
void ExtMessageBoxDialog::openHelp() const {
    QUrl help = QUrl::fromLocalFile(QApplication::applicationFilePath() + QStringLiteral(".hlp"));
    if (helpContext_ != 0) help.setFragment(QString::number(helpContext_));
    QDesktopServices::openUrl(help);
}

int extMessageBox(QWidget* owner, const std::string& text, const std::string& caption, uint32_t type,
                  unsigned helpContext) {
    const deck::ExtMessageBoxLayout layout = deck::layoutExtMessageBox(caption, type);
    const QString message = toQt(text);
    if (answerer()) return answerer()(message, layout);
    if (layout.useSystemBox) return systemBox(owner, message, layout);
    if (layout.beep) QApplication::beep();
    if (layout.bringOwnerToFront && owner != nullptr) {
        owner->window()->raise();
        owner->window()->activateWindow();
    }
    ExtMessageBoxDialog box(owner, message, layout, helpContext);
    return box.exec();
}

void setMessageBoxAnswerer(MessageBoxAnswerer newAnswerer) { answerer() = std::move(newAnswerer); }

}  // namespace deckqt
