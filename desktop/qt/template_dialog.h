// template_dialog.h - a modal dialog built from its template and run by its rules object.
#pragma once

#include "control_surface.h"
#include "form.h"
#include "ids.h"

#include <QDialog>

#include <memory>

namespace deckqt {

class TemplateDialog : public QDialog, public SurfaceControls<deck::DialogControls> {
public:
    TemplateDialog(QWidget* parent, deck::DialogLogic& logic);

    void endDialog(int result) override { done(result); }

protected:
    ControlSurface& surface() const override { return *surface_; }
    // Escape and the close box go to the rules as Cancel.
    void reject() override { logic_.command(*this, deck::kIdCancel); }

private:
    deck::DialogLogic& logic_;
    std::unique_ptr<ControlSurface> surface_;
};

}  // namespace deckqt
