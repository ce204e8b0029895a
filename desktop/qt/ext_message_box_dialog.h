// ext_message_box_dialog.h - the extended message box on screen, and the seam that answers it in tests.
#pragma once

#include "ext_message_box.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>
#include <string>

class QCheckBox;
class QPushButton;

namespace deckqt {

class ExtMessageBoxDialog : public QDialog {
public:
    ExtMessageBoxDialog(QWidget* owner, const QString& text, const deck::ExtMessageBoxLayout& layout,
                        unsigned helpContext);

    const QList<QPushButton*>& buttons() const { return buttons_; }
    QCheckBox* checkBox() const { return checkBox_; }

protected:
    // Escape and the close box: Cancel where there is one, OK for OK alone, else nothing.
    void reject() override;

private:
    void pressed(const deck::BoxButton& button);
    void openHelp() const;

    deck::ExtMessageBoxLayout layout_;
    unsigned helpContext_;
    QList<QPushButton*> buttons_;
    QCheckBox* checkBox_ = nullptr;
};

// Shows the box for the type flags and answers its result.
int extMessageBox(QWidget* owner, const std::string& text, const std::string& caption, uint32_t type,
                  unsigned helpContext = 0);

// Tests answer message boxes without a person: while set, the answerer gets every box
// (its text and layout) and its result is returned instead of showing anything.
using MessageBoxAnswerer = std::function<int(const QString& text, const deck::ExtMessageBoxLayout& layout)>;
void setMessageBoxAnswerer(MessageBoxAnswerer answerer);

}  // namespace deckqt
