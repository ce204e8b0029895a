// template_dialog.cpp - a modal dialog built from its template and run by its rules object.
#include "template_dialog.h"

#include "ids.h"

namespace deckqt {

TemplateDialog::TemplateDialog(QWidget* parent, deck::DialogLogic& logic) : QDialog(parent), logic_(logic) {
    const DialogTemplate& layout = dialogTemplate(logic.templateId());
    setWindowTitle(QString::fromLatin1(layout.title));
    surface_ = std::make_unique<ControlSurface>(this, layout);
    surface_->notify = [this](int id) { logic_.command(*this, id); };
    setFixedSize(surface_->pixelSize());
    logic_.init(*this);
}

}  // namespace deckqt
