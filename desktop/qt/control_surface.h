// control_surface.h - widgets built from a template, addressed by control id, in dialog units.
#pragma once

#include "dialog_templates.h"
#include "form.h"
#include "form_stretch.h"

#include <QFont>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace deckqt {

// The font of the form and the dialogs: 8-point sans-serif.
QFont dialogFont();

// Dialog units of a font: 4 horizontal units per average character width, 8 vertical per height.
class DialogUnits {
public:
    DialogUnits() = default;
    explicit DialogUnits(const QFont& font);
    int x(int units) const;
    int y(int units) const;

private:
    int baseX_ = 1;
    int baseY_ = 1;
};

// Texts cross between the logic and the widgets as single-byte Latin-1, like the drive's names.
QString toQt(const std::string& text);
std::string fromQt(const QString& text);

// Builds the items of a template inside a parent and answers the controls' operations by id.
// A user's action on a control (list choice, button or check box press) is reported through
// the notify callback with the control's id; changes made through this object are not. An
// editable drop-down adds kNotifyEditChange or kNotifyEnter to its id for typing and Enter.
class ControlSurface {
public:
    ControlSurface(QWidget* parent, const DialogTemplate& layout);

    QWidget* widget(int id) const;
    // The template's size, and the least a window may have once stretch() says how the items take room.
    QSize pixelSize() const { return size_; }
    QSize minimumPixelSize() const { return minimum_; }
    void stretch(const FormStretch& rule);
    // Places the items for a window of that size (no smaller than minimumPixelSize()).
    void arrange(QSize size);
    std::function<void(int)> notify;

    void setText(int id, const std::string& text);
    std::string text(int id) const;
    void clearList(int id);
    void addLine(int id, const std::string& line);
    int lineCount(int id) const;
    std::string line(int id, int index) const;
    void setSelection(int id, int index);
    int selection(int id) const;
    void fitDropDown(int id);
    void setChecked(int id, bool checked);
    bool checked(int id) const;
    void enable(int id, bool enabled);
    bool isEnabled(int id) const;
    void setTextLimit(int id, int characters);
    void setProgressRange(int id, uint32_t maximum);
    void setProgressPosition(int id, uint32_t position);
    std::vector<int> selectedLines(int id) const;
    void setLineSelected(int id, int index, bool selected);
    // The overview beside a list line (see TrackOverviewDelegate); the note is UTF-8.
    void setLineOverview(int id, int index, const std::string& note,
                         const std::vector<vxf::transfer::OverviewColumn>& strip);

private:
    QWidget* build(QWidget* parent, const TemplateItem& item);
    void report(int id) const;

    struct Placed {
        QWidget* widget;
        TemplateItem item;
        QRect base;
    };
    std::map<int, QWidget*> widgets_;
    std::map<int, uint32_t> progressMaximum_;
    std::vector<Placed> placed_;
    FormStretch stretch_;
    DialogUnits units_;
    QSize size_;
    QSize minimum_;
};

// The deck::Controls operations of a widget that owns a ControlSurface.
template <class Base>
class SurfaceControls : public Base {
public:
    void setText(int id, const std::string& text) override { surface().setText(id, text); }
    std::string text(int id) const override { return surface().text(id); }
    void clearList(int id) override { surface().clearList(id); }
    void addLine(int id, const std::string& line) override { surface().addLine(id, line); }
    int lineCount(int id) const override { return surface().lineCount(id); }
    std::string line(int id, int index) const override { return surface().line(id, index); }
    void setSelection(int id, int index) override { surface().setSelection(id, index); }
    int selection(int id) const override { return surface().selection(id); }
    void fitDropDown(int id) override { surface().fitDropDown(id); }
    void setChecked(int id, bool checked) override { surface().setChecked(id, checked); }
    bool checked(int id) const override { return surface().checked(id); }
    void enable(int id, bool enabled) override { surface().enable(id, enabled); }
    bool isEnabled(int id) const override { return surface().isEnabled(id); }
    void setTextLimit(int id, int characters) override { surface().setTextLimit(id, characters); }
    void setProgressRange(int id, uint32_t maximum) override { surface().setProgressRange(id, maximum); }
    void setProgressPosition(int id, uint32_t position) override { surface().setProgressPosition(id, position); }
    std::vector<int> selectedLines(int id) const override { return surface().selectedLines(id); }
    void setLineSelected(int id, int index, bool selected) override { surface().setLineSelected(id, index, selected); }

protected:
    virtual ControlSurface& surface() const = 0;
};

}  // namespace deckqt
